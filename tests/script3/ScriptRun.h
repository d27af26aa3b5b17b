#pragma once
// Runs a script text in one language and collects what it logs through the host procedure Log.

#include "script/sc_iinterpreter.h"

#include <gtest/gtest.h>

#include <QStringList>

struct TScriptRun {
    TscScript Script;
    QStringList Log;
    bool Compiled = false;
    QString Error; // compile error "message at pos", or the run-time exception's message

    TScriptRun(const QString& Lang, const QString& Text) {
        Script.AddRTTI();
        Script.AddMethod(
            "procedure Log(v: Variant)",
            TscCallMethodNewEvent([this](TObject*, const TClassInfo*, const QString&, TscMethodHelper* c) {
                Log << VarToStr(c->GetVParam(0));
                return Variant(0);
            }));
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
};
