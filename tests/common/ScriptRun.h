#pragma once
// Runs a script text in one language and collects what it logs through the host procedure Log.

#include "script/sc_iinterpreter.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <initializer_list>
#include <utility>

struct TScriptRun {
    TscScript Script;
    QStringList Log;
    bool Compiled = false;
    QString Error; // compile error "message at pos", or "EClass: message" of a run-time exception

    // Objects the test hands to the script are registered before compiling.
    using TObjects = std::initializer_list<std::pair<const char*, TObject*>>;
    TScriptRun(const QString& Lang, const QString& Text, TObjects Objects = {}, bool LateBinding = false) {
        Script.AddRTTI();
        Script.AddMethod(
            "procedure Log(v: Variant)",
            TscCallMethodNewEvent([this](TObject*, const TClassInfo*, const QString&, TscMethodHelper* c) {
                Log << VarToStr(c->GetVParam(0));
                return Variant(0);
            }));
        for (const auto& [name, obj] : Objects)
            Script.AddObject(QString::fromLatin1(name), obj);
        if (LateBinding) Script.SetUseClassLateBinding(true);
        Script.SetSyntaxType(Lang);
        Script.Lines()->SetText(Text);
        Compiled = Script.Compile();
        if (!Compiled) Error = Script.ErrorMsg() + " at " + Script.ErrorPos();
    }
    // Executes; a run-time exception lands in Error.
    bool Execute() {
        try {
            Script.Execute();
            return true;
        } catch (const Exception& e) {
            Error = e.ClassName() + ": " + e.Message();
            return false;
        }
    }
    QString Joined() const { return Log.join('|'); }
    // Compiles and runs; the log joined with "|", or the error.
    QString Run() {
        if (!Compiled) return "compile: " + Error;
        if (!Execute()) return "run: " + Error;
        return Joined();
    }
};
