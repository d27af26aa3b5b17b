#pragma once
// Runs a script with the host bindings in one language and collects what it logs through the
// host procedure Log.

#include "script/sc_iclassesrtti.h"
#include "script/sc_iinterpreter.h"

#include <gtest/gtest.h>

#include <QStringList>

struct THostScript {
    TscScript Script;
    QStringList Log;
    bool Compiled = false;
    QString Error; // compile error "message at pos", or "EClass: message" of a run-time exception

    // Objects the test hands to the script, registered before compiling.
    THostScript(const QString& Lang, const QString& Text,
                std::initializer_list<std::pair<const char*, TObject*>> Objects = {}) {
        RegisterHostRTTIModules();
        Script.AddRTTI();
        Script.AddMethod(
            "procedure Log(v: Variant)",
            TscCallMethodNewEvent([this](TObject*, const TClassInfo*, const QString&, TscMethodHelper* c) {
                Log << VarToStr(c->GetVParam(0));
                return Variant(0);
            }));
        for (const auto& [name, obj] : Objects)
            Script.AddObject(QString::fromLatin1(name), obj);
        // Untyped languages reach members of the object a variable holds when the line runs.
        Script.SetUseClassLateBinding(Lang != QLatin1String("PascalScript"));
        Script.SetSyntaxType(Lang);
        Script.Lines()->SetText(Text);
        Compiled = Script.Compile();
        if (!Compiled) Error = Script.ErrorMsg() + " at " + Script.ErrorPos();
    }
    bool Execute() {
        try {
            Script.Execute();
            return true;
        } catch (const Exception& e) {
            Error = e.ClassName() + ": " + e.Message();
            return false;
        }
    }
    // Compiles and runs; the log joined with "|", or the error.
    QString Run() {
        if (!Compiled) return "compile: " + Error;
        if (!Execute()) return "run: " + Error;
        return Log.join('|');
    }
};
