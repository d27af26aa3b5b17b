#include "EngineTest.h"

#include "platform/rtl/Exceptions.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptRunControl.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

KORVEL_CLASS_INFO(TRowsDataSet) {}

TRowsDataSet::TRowsDataSet(TComponent* AOwner) : TrptUserDataSet(AOwner) {
    Fields()->SetCommaText(QStringLiteral("N,Amount,Flag,Grp"));
    SetRangeEnd(reCount);
    Value = [](int Row, const QString& Field) -> Variant {
        if (Field.compare(QLatin1String("N"), Qt::CaseInsensitive) == 0) return Variant(Row);
        if (Field.compare(QLatin1String("Amount"), Qt::CaseInsensitive) == 0) return Variant(Row * 10);
        if (Field.compare(QLatin1String("Flag"), Qt::CaseInsensitive) == 0) return Variant(Row % 2 == 1);
        if (Field.compare(QLatin1String("Grp"), Qt::CaseInsensitive) == 0) return Variant((Row - 1) / 5 + 1);
        return Variant::Null();
    };
}

void TRowsDataSet::SetCount(int Count) {
    SetRangeEndCount(Count);
}

Variant TRowsDataSet::GetValue(const QString& Index) {
    return Value(RecNo() + 1, Index);
}

void TRowsDataSet::Next() {
    if (FailAt > 0 && RecNo() + 1 >= FailAt) throw Exception(QStringLiteral("Rows: the connection was lost"));
    TrptUserDataSet::Next();
}

TEngineReport::TEngineReport(const QString& TemplateName, int RowCount)
    : Host(std::make_unique<TComponent>(nullptr)), Report(std::make_unique<TrptReport>()) {
    RegisterClasses({TRowsDataSet::StaticClassInfo()});
    Rows = new TRowsDataSet(Host.get());
    Rows->SetName(QStringLiteral("RowsData"));
    Rows->SetUserName(QStringLiteral("Rows"));
    Rows->SetCount(RowCount);
    Report->LoadFromFile(QStringLiteral(KORVEL_TEST_DATA "/") + TemplateName, true);
    Report->EngineOptions()->SetNewSilentMode(simSilent);
    Report->DataSets()->Add(Rows);
}

bool TEngineReport::Prepare() {
    return PrepareReport(Report.get(), true);
}

QString TEngineReport::Dump() {
    return DumpPreparedPages(Report->PreviewPages());
}

TrptReportPage* TEngineReport::Page(int Index) const {
    int n = 0;
    for (int i = 0; i < Report->PagesCount(); ++i)
        if (auto* p = dynamic_cast<TrptReportPage*>(Report->Pages(i)))
            if (n++ == Index) return p;
    return nullptr;
}

QString Golden(const QString& Name, const QString& Actual) {
    const QString path = QStringLiteral(KORVEL_TEST_DATA "/") + Name + QStringLiteral(".txt");
    if (qEnvironmentVariableIsSet("KORVEL_UPDATE_GOLDENS")) {
        QFile out(path);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(Actual.toUtf8());
        return Actual;
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) return QStringLiteral("<no golden file ") + path + QLatin1Char('>');
    return QString::fromUtf8(in.readAll());
}

int TDumpPage::CountOf(const QString& ClassName) const {
    int n = 0;
    for (const QString& l : Lines)
        if (l.trimmed().startsWith(ClassName + QLatin1Char(' '))) ++n;
    return n;
}

QStringList TDumpPage::TextsOf(const QString& ObjectName) const {
    QStringList texts;
    static const QRegularExpression quoted(QStringLiteral("\"(.*)\"$"));
    for (const QString& l : Lines) {
        const QStringList words = l.trimmed().split(QLatin1Char(' '));
        if (words.size() < 2 || words[1] != ObjectName) continue;
        const QRegularExpressionMatch m = quoted.match(l);
        QString t = m.hasMatch() ? m.captured(1) : QString();
        // A text object's lines may end with a line break (escaped in the dump).
        if (t.endsWith(QLatin1String("\\r\\n"))) t.chop(4);
        texts << t;
    }
    return texts;
}

QList<TDumpPage> SplitDump(const QString& Dump) {
    QList<TDumpPage> pages;
    for (const QString& line : Dump.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("page ")))
            pages.append(TDumpPage());
        else if (!pages.isEmpty())
            pages.last().Lines << line;
    }
    return pages;
}
