#include "ScriptTestReport.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtti/ObjectHandles.h"

Variant TFakeEngine::GetAggregateValue(const QString& Name, const QString& Expression, TrptBand* Band, int Flags) {
    Calls << Name + QLatin1Char('|') + Expression + QLatin1Char('|') + (Band ? QStringLiteral("band") : QStringLiteral("-")) +
                 QLatin1Char('|') + QString::number(Flags);
    return Variant(99);
}

KORVEL_CLASS_INFO(TTestDataSet) {}
KORVEL_CLASS_INFO(TTestObject) {}

TTestDataSet::TTestDataSet(TComponent* AOwner) : TrptUserDataSet(AOwner) {}

TrptFieldType TTestDataSet::GetFieldType(const QString& Index) {
    const QString f = Index.toLower();
    if (f == QLatin1String("name") || f == QLatin1String("note")) return fftString;
    if (f == QLatin1String("paid")) return fftBoolean;
    return fftNumeric;
}

TScriptReport::TScriptReport() : Host(std::make_unique<TComponent>()), Report(std::make_unique<TrptReport>()) {
    RegisterClasses({TTestDataSet::StaticClassInfo(), TTestObject::StaticClassInfo()});
    Report->EngineOptions()->SetNewSilentMode(simSilent);
    auto engine = std::make_unique<TFakeEngine>(Report.get());
    Engine = engine.get();
    Report->SetEngine(std::move(engine));
    auto pages = std::make_unique<TFakePages>(Report.get());
    Pages = pages.get();
    Report->SetPreviewPages(std::move(pages));

    Data = new TTestDataSet(Host.get());
    Data->SetName(QStringLiteral("ReportData"));
    Data->SetUserName(QStringLiteral("Report"));
    Data->Fields()->SetCommaText(QStringLiteral("price,qty,name,note,paid,missing"));
    Data->OnGetValue = [](const QString& field, Variant& value) {
        const QString f = field.toLower();
        if (f == QLatin1String("price"))
            value = Variant(2.5);
        else if (f == QLatin1String("qty"))
            value = Variant(3);
        else if (f == QLatin1String("name"))
            value = Variant(QStringLiteral("Anna"));
        else if (f == QLatin1String("paid"))
            value = Variant(true);
        else
            value = Variant::Null();
    };
    Report->DataSets()->Add(Data);
}

bool TScriptReport::Prepare(const QString& Language, const QString& Script) {
    Report->SetScriptLanguage(Language);
    TStringList lines;
    QString text = Script;
    if (text.isNull())
        for (const TLanguage& l : Languages)
            if (Language == QLatin1String(l.Name)) text = QString::fromUtf8(l.EmptyScript);
    lines.SetText(text);
    Report->SetScriptText(&lines);
    return Report->PrepareScript();
}

QString TScriptReport::CalcText(const QString& Expr) {
    try {
        return ValueText(Report->Calc(Expr));
    } catch (const Exception& e) {
        return QStringLiteral("<error>") + e.Message();
    }
}

QString ValueText(const Variant& v) {
    if (v.IsNull()) return QStringLiteral("Null");
    if (v.IsEmpty()) return QStringLiteral("Empty");
    if (v.VType() == varBoolean) return v.ToBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (VarIsNumeric(v)) return QString::number(v.ToDouble(), 'g', 15);
    return VarToStr(v);
}

const TLanguage Languages[4] = {{"PascalScript", "'", "''", "begin\r\nend."},
                                 {"C++Script", "\"", "\\\"", "{\r\n}"},
                                 {"BasicScript", "\"", "\"\"", ""},
                                 {"JScript", "\"", "\\\"", ""}};

QString InLanguage(const char* Text, const TLanguage& Lang) {
    const QStringList parts = QString::fromUtf8(Text).split(u'@');
    QString out;
    for (int i = 0; i < parts.size(); ++i) {
        if (i % 2 == 0) {
            out += parts[i];
            continue;
        }
        QString lit = parts[i];
        lit.replace(QLatin1String(Lang.Quote), QLatin1String(Lang.EscapedQuote));
        out += QLatin1String(Lang.Quote) + lit + QLatin1String(Lang.Quote);
    }
    return out;
}
