#pragma once
// Engine tests over SQLite: an in-memory database, report datasets over queries (a detail
// dataset runs its query again for the master's current key whenever the engine rewinds it),
// and a report loaded from template text written in the test.

#include "platform/data/SQLConnection.h"
#include "report/core/rptDBSet.h"

#include <QString>

#include <memory>
#include <vector>

class TrptReport;
class TrptBand;

// A detail: its query has the parameter :key, set from Master's field MasterField on First.
class TDetailDBDataset : public TrptDBDataset {
    KORVEL_CLASS(TDetailDBDataset, TrptDBDataset)
public:
    explicit TDetailDBDataset(TComponent* AOwner = nullptr) : TrptDBDataset(AOwner) {}
    void First() override;

    TSQLQuery* Query = nullptr;
    TrptDataSet* Master = nullptr;
    QString MasterField;
};

struct TSqlReport {
    TSQLConnection Conn;
    std::unique_ptr<TComponent> Host;
    std::vector<std::unique_ptr<TSQLQuery>> Queries;
    std::unique_ptr<TrptReport> Report;

    // Sql: statements that create and fill the tables.
    explicit TSqlReport(const QString& Sql);
    ~TSqlReport();
    TrptDBDataset* AddDataSet(const QString& UserName, const QString& Select);
    TDetailDBDataset* AddDetail(const QString& UserName, const QString& Select, TrptDataSet* Master,
                                const QString& MasterField);
    // Loads template XML (the datasets must exist first: the template names them).
    void Load(const QString& Xml);
    bool Prepare();
    QString Dump();
    // Writes page Index (0-based) to a PNG under the test's working folder; the path.
    QString DrawPage(int Index, const QString& FileName);
    template <class T = TrptBand> T* Band(const QString& Name) const;
};

// The customers/orders/lines fixture: 3 customers in 2 regions (and one of no region, one of
// region ''), orders per customer, lines per order.
QString ShopSql();

// A report page of 100 x 100 mm without margins (377.95 px), holding the given bands.
QString PageXml(const QString& Bands, const QString& PageAttrs = QString());
// Wraps pages into a report.
QString ReportXml(const QString& Pages);

// Template pieces: a text object, and a band of the page's width holding objects.
QString MemoXml(const QString& Name, double Left, double Top, double Width, const QString& Text,
                const QString& Attrs = QString(), double Height = 20);
QString BandXml(const QString& ClassName, const QString& Name, double Top, double Height, const QString& Attrs,
                const QString& Objects, double Left = 0, double Width = 377.95);

// Dark pixels of a PNG written by DrawPage, inside a rectangle (pixels at scale 1).
int DarkPixelsIn(const QString& Png, int Left, int Top, int Right, int Bottom);
