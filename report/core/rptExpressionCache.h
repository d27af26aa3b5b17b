#pragma once
// The compiled expressions of a report. Each distinct expression text is compiled once, into a
// function "de3f" + n of the cache's own script, whose parent is the report script (so the
// expression sees the report's objects, variables and functions); later evaluations only call
// the function. The key is the exact text: expressions that differ in letter case only may
// differ in value ('YES' and 'yes'), so they get functions of their own.

#include "platform/rtl/Variant.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"

#include <QHash>
#include <QString>

#include <memory>

class TscScript;
class TscCustomVariable;

// An expression that failed to compile or to run; the message names the expression.
KORVEL_EXCEPTION(ErptExpressionError, Exception)

class TrptExpressionCache : public TObject {
public:
    // Creates the cache's own script (ExtendedCharset on); AScript is the report script.
    explicit TrptExpressionCache(TscScript* AScript);
    ~TrptExpressionCache() override;

    // Forgets every compiled expression and clears the cache's script.
    void Clear();
    // The value of Expression. ErrorMsg is empty on success; otherwise it holds the compile
    // error ("Error in expression 'text': message") or the message of the error raised while the
    // expression ran, and the result is Null. AScript (none: the report script) is the scope the
    // expression sees; a scope inside the cache's own script is never taken.
    Variant Calc(const QString& Expression, QString& ErrorMsg, TscScript* AScript);

    // Kept for the report's CaseSensitiveExpressions: expressions are always told apart by their
    // exact text (see above), so the flag changes nothing.
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
    const QString& ScriptLanguage() const { return FScriptLanguage; }
    void SetScriptLanguage(const QString& Value) { FScriptLanguage = Value; }
    TscScript* MainScript() const { return FMainScript; }
    TscScript* Script() const { return FScript.get(); }
    // The number of distinct expressions compiled since the last Clear.
    int Count() const { return static_cast<int>(FExpressions.size()); }

private:
    TscCustomVariable* Compile(const QString& Expression, QString& ErrorMsg);
    bool IsOwnScope(const TscScript* S) const;

    QHash<QString, TscCustomVariable*> FExpressions;
    TscScript* FMainScript;
    std::unique_ptr<TscScript> FScript;
    QString FScriptLanguage = QStringLiteral("PascalScript");
    bool FCaseSensitive = false;
};

// Name."Field" references outside quotes and outside <...> become <Name."Field">, so that the
// field form works inside a larger expression as it does on its own. With BackslashEscapes a
// backslash inside a double-quoted string escapes the next character (C++Script, JScript).
QString WrapFieldReferences(const QString& Expression, bool BackslashEscapes = false);
