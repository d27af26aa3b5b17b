#pragma once
// Runs a script with the host bindings in one language and collects what it logs through the
// host procedure Log.

#include "tests/common/ScriptRun.h"

#include "script/sc_iclassesrtti.h"

struct THostScript : TScriptRun {
    // Untyped languages reach members of the object a variable holds when the line runs.
    THostScript(const QString& Lang, const QString& Text, TObjects Objects = {})
        : TScriptRun(WithHostModules(Lang), Text, Objects, Lang != QLatin1String("PascalScript")) {}

private:
    // The host modules must be in the module list before the script adds its modules.
    static const QString& WithHostModules(const QString& Lang) {
        RegisterHostRTTIModules();
        return Lang;
    }
};
