#include "report/core/rptExpressionCache.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextCase.h"
#include "report/core/rptRes.h"
#include "script/sc_iconst.h"
#include "script/sc_iinterpreter.h"

namespace {

bool IsIdentChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u >= 128;
}

// The wrapper that makes Expression the body of function Name. The expression stands on lines of
// its own inside parentheses, so a line comment in it cannot swallow the wrapper and text that
// closes the function early fails to compile instead of running. Empty for an unknown language.
QString WrapExpression(const QString& Language, const QString& Name, const QString& Expression) {
    const QString nl = QStringLiteral("\r\n");
    if (SameText(Language, QStringLiteral("PascalScript")))
        return QStringLiteral("function ") + Name + QStringLiteral(": Variant; begin Result := (") + nl + Expression +
               nl + QStringLiteral(") end; begin end.");
    if (SameText(Language, QStringLiteral("C++Script")))
        return QStringLiteral("Variant ") + Name + QStringLiteral("() { return (") + nl + Expression + nl +
               QStringLiteral("); } {}");
    if (SameText(Language, QStringLiteral("BasicScript")))
        return QStringLiteral("function ") + Name + nl + QStringLiteral("return ") + Expression + nl +
               QStringLiteral("end function");
    if (SameText(Language, QStringLiteral("JScript")))
        return QStringLiteral("function ") + Name + QStringLiteral("() { return (") + nl + Expression + nl +
               QStringLiteral("); }");
    return QString();
}

} // namespace

QString WrapFieldReferences(const QString& Expression, bool BackslashEscapes) {
    if (!Expression.contains(QLatin1String(".\""))) return Expression;
    const qsizetype n = Expression.size();
    QString out;
    out.reserve(n + 8);
    qsizetype i = 0;
    while (i < n) {
        const QChar c = Expression.at(i);
        if (c == u'\'' || c == u'"') {
            // A string literal goes over unchanged.
            qsizetype j = i + 1;
            while (j < n && Expression.at(j) != c)
                j += BackslashEscapes && c == u'"' && Expression.at(j) == u'\\' ? 2 : 1;
            j = j < n ? j + 1 : n;
            out += QStringView(Expression).mid(i, j - i);
            i = j;
            continue;
        }
        if (!IsIdentChar(c) || (i > 0 && (IsIdentChar(Expression.at(i - 1)) || Expression.at(i - 1) == u'.'))) {
            out += c;
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < n && IsIdentChar(Expression.at(j)))
            ++j;
        qsizetype close = -1;
        if (j + 1 < n && Expression.at(j) == u'.' && Expression.at(j + 1) == u'"')
            close = Expression.indexOf(u'"', j + 2);
        if (close < 0) {
            out += QStringView(Expression).mid(i, j - i);
            i = j;
            continue;
        }
        const QStringView ref = QStringView(Expression).mid(i, close + 1 - i);
        // Already a reference: <Name."Field">.
        qsizetype before = i - 1;
        while (before >= 0 && Expression.at(before).isSpace())
            --before;
        qsizetype after = close + 1;
        while (after < n && Expression.at(after).isSpace())
            ++after;
        const bool wrapped = before >= 0 && Expression.at(before) == u'<' && after < n && Expression.at(after) == u'>';
        if (wrapped) {
            out += ref;
        } else {
            out += u'<';
            out += ref;
            out += u'>';
        }
        i = close + 1;
    }
    return out;
}

TrptExpressionCache::TrptExpressionCache(TscScript* AScript)
    : FMainScript(AScript), FScript(std::make_unique<TscScript>(nullptr)) {
    FScript->SetExtendedCharset(true);
}

TrptExpressionCache::~TrptExpressionCache() = default;

void TrptExpressionCache::Clear() {
    FExpressions.clear();
    FScript->SetParent(nullptr);
    FScript->Clear();
}

bool TrptExpressionCache::IsOwnScope(const TscScript* S) const {
    for (; S; S = S->Parent())
        if (S == FScript.get()) return true;
    return false;
}

TscCustomVariable* TrptExpressionCache::Compile(const QString& Expression, QString& ErrorMsg) {
    const QString name = QStringLiteral("de3f") + QString::number(FExpressions.size());
    const bool backslash =
        SameText(FScriptLanguage, QStringLiteral("C++Script")) || SameText(FScriptLanguage, QStringLiteral("JScript"));
    const QString text = WrapExpression(FScriptLanguage, name, WrapFieldReferences(Expression, backslash));
    QString error;
    if (text.isEmpty()) {
        error = QString(SLangNotFound).replace(QLatin1String("%s"), FScriptLanguage);
    } else if (SameText(FScriptLanguage, QStringLiteral("BasicScript")) &&
               (Expression.contains(u'\r') || Expression.contains(u'\n'))) {
        // A Basic line break ends a statement: a second line would run as a statement of its own.
        error = QStringLiteral("A BasicScript expression must stand on one line");
    } else {
        FScript->Lines()->SetText(text);
        FScript->SetSyntaxType(FScriptLanguage);
        try {
            if (!FScript->Compile()) error = FScript->ErrorMsg();
        } catch (const Exception& e) {
            error = e.Message();
        }
    }
    TscCustomVariable* fn = FScript->FindLocal(name);
    if (error.isEmpty() && !fn) error = QStringLiteral("Undeclared identifier: ") + name;
    if (!error.isEmpty()) {
        if (fn) std::unique_ptr<TObject> dropped = FScript->Remove(fn);
        ErrorMsg = GlobalResources()->Get(QStringLiteral("clExprError")) + QStringLiteral(" '") + Expression +
                   QStringLiteral("': ") + error;
        return nullptr;
    }
    FExpressions.insert(Expression, fn);
    return fn;
}

Variant TrptExpressionCache::Calc(const QString& Expression, QString& ErrorMsg, TscScript* AScript) {
    ErrorMsg.clear();
    // A scope inside the cache's script would make the script its own parent.
    if (!AScript || (AScript != FMainScript && IsOwnScope(AScript))) AScript = FMainScript;
    FScript->SetParent(AScript);
    TscCustomVariable* fn = FExpressions.value(Expression, nullptr);
    if (!fn) {
        fn = Compile(Expression, ErrorMsg);
        if (!fn) return Variant::Null();
    }
    // While the function runs the report script is not the main program, so a script procedure
    // that called in keeps its place as the running program. Put back as it was, so a nested
    // evaluation does not end the outer one's state early.
    struct TMainProgGuard {
        TscScript* Script;
        bool Saved;
        ~TMainProgGuard() {
            if (Script) Script->SetMainProg(Saved);
        }
    } guard{FMainScript, FMainScript && FMainScript->MainProg()};
    if (FMainScript) FMainScript->SetMainProg(false);
    try {
        return fn->Value();
    } catch (const Exception& e) {
        ErrorMsg = e.Message();
    }
    return Variant::Null();
}
