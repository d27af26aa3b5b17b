#include "SqlFixture.h"

#include "platform/gfx/Canvas.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptRunControl.h"

#include <QDir>
#include <QImage>

KORVEL_CLASS_INFO(TDetailDBDataset) {}

void TDetailDBDataset::First() {
    if (Query && Master) {
        Query->Close();
        Query->ParamByName(QStringLiteral("key")).SetAsVariant(Master->GetValue(MasterField));
    }
    TrptDBDataset::First();
}

TSqlReport::TSqlReport(const QString& Sql)
    : Host(std::make_unique<TComponent>(nullptr)), Report(std::make_unique<TrptReport>()) {
    Conn.Params().Add(QStringLiteral("Database=:memory:"));
    Conn.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
    Conn.ExecuteDirect(Sql);
}

TSqlReport::~TSqlReport() {
    Report.reset();
    Host.reset();
}

TrptDBDataset* TSqlReport::AddDataSet(const QString& UserName, const QString& Select) {
    auto q = std::make_unique<TSQLQuery>(&Conn);
    q->SetSQL(Select);
    auto* ds = new TrptDBDataset(Host.get());
    ds->SetName(UserName + QStringLiteral("DS"));
    ds->SetUserName(UserName);
    ds->SetDataSet(q.get());
    Queries.push_back(std::move(q));
    return ds;
}

TDetailDBDataset* TSqlReport::AddDetail(const QString& UserName, const QString& Select, TrptDataSet* Master,
                                        const QString& MasterField) {
    auto q = std::make_unique<TSQLQuery>(&Conn);
    q->SetSQL(Select);
    q->Params().CreateParam(ftUnknown, QStringLiteral("key"), ptInput);
    auto* ds = new TDetailDBDataset(Host.get());
    ds->SetName(UserName + QStringLiteral("DS"));
    ds->SetUserName(UserName);
    ds->SetDataSet(q.get());
    ds->Query = q.get();
    ds->Master = Master;
    ds->MasterField = MasterField;
    Queries.push_back(std::move(q));
    return ds;
}

void TSqlReport::Load(const QString& Xml) {
    TMemoryStream s;
    const QByteArray bytes = Xml.toUtf8();
    s.Write(bytes.constData(), bytes.size());
    s.SetPosition(0);
    Report->LoadFromStream(s);
    Report->EngineOptions()->SetNewSilentMode(simSilent);
    for (int i = 0; i < Host->ComponentCount(); ++i)
        if (auto* ds = dynamic_cast<TrptDataSet*>(Host->Components(i)); ds && !Report->DataSets()->Find(ds))
            Report->DataSets()->Add(ds);
}

bool TSqlReport::Prepare() {
    return PrepareReport(Report.get(), true);
}

QString TSqlReport::Dump() {
    return DumpPreparedPages(Report->PreviewPages());
}

QString TSqlReport::DrawPage(int Index, const QString& FileName) {
    TrptCustomPreviewPages* pages = Report->PreviewPages();
    const TPoint size = pages->GetPageSize(Index);
    QImage img(size.X, size.Y, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TCanvas c(&img);
        pages->DrawPage(Index, &c, 1, 1, 0, 0);
    }
    const QString path = QDir::current().absoluteFilePath(FileName);
    img.save(path);
    return path;
}

template <class T> T* TSqlReport::Band(const QString& Name) const {
    return dynamic_cast<T*>(Report->FindObject(Name));
}
template TrptBand* TSqlReport::Band<TrptBand>(const QString&) const;
template TrptDataBand* TSqlReport::Band<TrptDataBand>(const QString&) const;
template TrptGroupHeader* TSqlReport::Band<TrptGroupHeader>(const QString&) const;
template TrptGroupFooter* TSqlReport::Band<TrptGroupFooter>(const QString&) const;

QString ShopSql() {
    return QStringLiteral(
        "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT, region TEXT, note TEXT);"
        "INSERT INTO customers VALUES(1, 'Ann', 'North', 'short');"
        "INSERT INTO customers VALUES(2, 'Bob', 'North', 'two\nlines');"
        "INSERT INTO customers VALUES(3, 'Cid', 'South', 'one\ntwo\nthree\nfour');"
        "INSERT INTO customers VALUES(4, 'Dan', NULL, '');"
        "INSERT INTO customers VALUES(5, 'Eve', NULL, NULL);"
        "INSERT INTO customers VALUES(6, 'Fay', '', 'x');"
        "CREATE TABLE orders(id INTEGER PRIMARY KEY, cust_id INTEGER, amount INTEGER);"
        "INSERT INTO orders VALUES(10, 1, 5);"
        "INSERT INTO orders VALUES(11, 1, 7);"
        "INSERT INTO orders VALUES(20, 2, 11);"
        "INSERT INTO orders VALUES(40, 4, 13);"
        "INSERT INTO orders VALUES(41, 4, 17);"
        "INSERT INTO orders VALUES(42, 4, 19);"
        "INSERT INTO orders VALUES(60, 6, 23);"
        "CREATE TABLE lines(id INTEGER PRIMARY KEY, order_id INTEGER, qty INTEGER);"
        "INSERT INTO lines VALUES(100, 10, 1);"
        "INSERT INTO lines VALUES(101, 10, 2);"
        "INSERT INTO lines VALUES(110, 11, 3);"
        "INSERT INTO lines VALUES(400, 40, 4);"
        "INSERT INTO lines VALUES(420, 42, 5);");
}

QString PageXml(const QString& Bands, const QString& PageAttrs) {
    return QStringLiteral("  <TrptReportPage Name=\"Page1\" PaperWidth=\"100\" PaperHeight=\"100\" PaperSize=\"256\" "
                          "LeftMargin=\"0\" RightMargin=\"0\" TopMargin=\"0\" BottomMargin=\"0\" %1>\n%2  </TrptReportPage>\n")
        .arg(PageAttrs, Bands);
}

QString ReportXml(const QString& Pages) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n"
                          "<TrptReport Version=\"4.15\" ScriptLanguage=\"PascalScript\" "
                          "ScriptText.Text=\"begin&#13;&#10;&#13;&#10;end.\">\n%1</TrptReport>\n")
        .arg(Pages);
}

QString MemoXml(const QString& Name, double Left, double Top, double Width, const QString& Text,
                const QString& Attrs, double Height) {
    QString t = Text;
    t.replace(QLatin1Char('&'), QLatin1String("&amp;")).replace(QLatin1Char('"'), QLatin1String("&#34;"));
    t.replace(QLatin1Char('<'), QLatin1String("&lt;")).replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return QStringLiteral("      <TrptMemoView Name=\"%1\" Left=\"%2\" Top=\"%3\" Width=\"%4\" Height=\"%5\" %6 Text=\"%7\"/>\n")
        .arg(Name)
        .arg(Left)
        .arg(Top)
        .arg(Width)
        .arg(Height)
        .arg(Attrs, t);
}

QString BandXml(const QString& ClassName, const QString& Name, double Top, double Height, const QString& Attrs,
                const QString& Objects, double Left, double Width) {
    return QStringLiteral("    <%1 Name=\"%2\" Height=\"%3\" Left=\"%4\" Top=\"%5\" Width=\"%6\" %7>\n%8    </%1>\n")
        .arg(ClassName, Name)
        .arg(Height)
        .arg(Left)
        .arg(Top)
        .arg(Width)
        .arg(Attrs, Objects);
}

int DarkPixelsIn(const QString& Png, int Left, int Top, int Right, int Bottom) {
    const QImage img(Png);
    int n = 0;
    for (int y = std::max(Top, 0); y < std::min(Bottom, img.height()); ++y)
        for (int x = std::max(Left, 0); x < std::min(Right, img.width()); ++x)
            if (qGray(img.pixel(x, y)) < 128) ++n;
    return n;
}
