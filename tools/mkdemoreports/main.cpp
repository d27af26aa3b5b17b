// korvel_mkdemoreports: writes the demo application's report templates (examples/demo/Report)
// with the report library's own serializer, so they always read back the way the library
// writes them.
//
//   korvel_mkdemoreports FOLDER
//
// Every template lists the dataset "Report" in its dataset list: loading a template clears the
// report's datasets, and a report button binds its query under that name.

#include "report/core/rptClassBand.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDBSet.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

struct TBuilder {
    TrptReport Report;
    TrptDBDataset* Data = nullptr;
    TrptReportPage* Page = nullptr;
    int Count = 0;

    explicit TBuilder(TComponent* host) {
        Data = new TrptDBDataset(host);
        Data->SetName(QStringLiteral("rptDBDataset"));
        Data->SetUserName(QStringLiteral("Report"));
        Report.DataSets()->Add(Data);
        Report.CheckDataPage();
        Page = new TrptReportPage(&Report);
        Page->SetName(QStringLiteral("Page1"));
        Page->SetPaperSize(9);
        Page->SetLeftMargin(15);
        Page->SetRightMargin(15);
        Page->SetTopMargin(12);
        Page->SetBottomMargin(12);
    }

    template <class T> T* Band(const QString& name, double top, double height) {
        auto* b = new T(Page);
        b->SetName(name);
        b->SetTop(top);
        b->SetHeight(height);
        return b;
    }
    TrptMasterData* Data_(const QString& name, double top, double height) {
        auto* b = Band<TrptMasterData>(name, top, height);
        b->SetDataSet(Data);
        return b;
    }
    TrptMemoView* Text(TrptBand* band, const QString& name, double left, double top, double width, double height,
                       const QString& text, bool bold = false, TrptHAlign align = haLeft) {
        auto* m = new TrptMemoView(band);
        m->SetName(name);
        m->SetBounds(left, top, width, height);
        m->SetText(text);
        m->Font()->SetName(QStringLiteral("Liberation Sans"));
        m->Font()->SetHeight(bold ? -14 : -12);
        if (bold) m->Font()->SetStyle(TFontStyles{fsBold});
        m->SetHAlign(align);
        return m;
    }
    TrptMemoView* Money(TrptBand* band, const QString& name, double left, double top, double width, double height,
                        const QString& text, bool bold = false) {
        TrptMemoView* m = Text(band, name, left, top, width, height, text, bold, haRight);
        m->DisplayFormat()->SetKind(fkNumeric);
        m->DisplayFormat()->SetFormatStr(QStringLiteral("0.00"));
        return m;
    }
    void Save(const QString& file) {
        // A fixed date keeps the files the same from one run to the next (1 December 2026).
        Report.ReportOptions()->SetCreateDate(46357.0);
        Report.ReportOptions()->SetLastChange(46357.0);
        Report.SaveToFile(file);
    }
};

QString F(const char* field) {
    return QStringLiteral("[Report.\"%1\"]").arg(QLatin1String(field));
}

void PageFooter(TBuilder& r, double top) {
    r.Report.EngineOptions()->SetDoublePass(true);
    auto* f = r.Band<TrptPageFooter>(QStringLiteral("PageFooter1"), top, 24);
    r.Text(f, QStringLiteral("PageNo"), 0, 4, 680, 18, QStringLiteral("Page [Page#] of [TotalPages#]"), false, haRight);
}

// A list of the customers: page header with the column titles, one line each, a page footer.
void Customers(TComponent* host, const QString& file) {
    TBuilder r(host);
    auto* h = r.Band<TrptPageHeader>(QStringLiteral("PageHeader1"), 20, 52);
    r.Text(h, QStringLiteral("Title"), 0, 0, 680, 24, QStringLiteral("Customers"), true);
    const struct {
        const char* Name;
        const char* Caption;
        const char* Field;
        double Left, Width;
    } columns[] = {{"No", "No.", "record_count", 0, 50},
                   {"Name", "Name", "name", 54, 200},
                   {"City", "City", "city", 258, 110},
                   {"Phone", "Phone", "phone", 372, 130},
                   {"Email", "E-mail", "email", 506, 174}};
    for (const auto& c : columns)
        r.Text(h, QStringLiteral("H") + QLatin1String(c.Name), c.Left, 30, c.Width, 18, QLatin1String(c.Caption), true);
    auto* d = r.Data_(QStringLiteral("MasterData1"), 100, 20);
    for (const auto& c : columns)
        r.Text(d, QStringLiteral("D") + QLatin1String(c.Name), c.Left, 0, c.Width, 18, F(c.Field));
    auto* s = r.Band<TrptReportSummary>(QStringLiteral("ReportSummary1"), 140, 24);
    r.Text(s, QStringLiteral("CountText"), 0, 4, 300, 18, QStringLiteral("Customers: [COUNT(MasterData1)]"), true);
    PageFooter(r, 190);
    r.Save(file);
}

// One order: the company's logo and the order's head, its lines grouped by product category
// with a subtotal each, and the total.
void Invoice(TComponent* host, const QString& file) {
    TBuilder r(host);
    auto* t = r.Band<TrptReportTitle>(QStringLiteral("ReportTitle1"), 20, 120);
    auto* logo = new TrptPictureView(t);
    logo->SetName(QStringLiteral("Logo"));
    logo->SetBounds(0, 0, 120, 60);
    logo->SetDataSet(r.Data);
    logo->SetDataField(QStringLiteral("logo"));
    logo->SetStretched(true);
    logo->SetKeepAspectRatio(true);
    r.Text(t, QStringLiteral("Company"), 140, 0, 540, 22, F("company"), true);
    r.Text(t, QStringLiteral("OrderNo"), 140, 30, 540, 22, QStringLiteral("Order No. ") + F("order_no"), true);
    r.Text(t, QStringLiteral("OrderDate"), 140, 54, 540, 18, QStringLiteral("Date: ") + F("order_date"));
    r.Text(t, QStringLiteral("Customer"), 140, 74, 540, 18, QStringLiteral("Customer: ") + F("customer"));
    r.Text(t, QStringLiteral("HProduct"), 0, 100, 330, 18, QStringLiteral("Product"), true);
    r.Text(t, QStringLiteral("HQuantity"), 334, 100, 100, 18, QStringLiteral("Quantity"), true, haRight);
    r.Text(t, QStringLiteral("HPrice"), 438, 100, 110, 18, QStringLiteral("Price"), true, haRight);
    r.Text(t, QStringLiteral("HTotal"), 552, 100, 128, 18, QStringLiteral("Total"), true, haRight);

    auto* g = r.Band<TrptGroupHeader>(QStringLiteral("GroupHeader1"), 160, 22);
    g->SetCondition(QStringLiteral("Report.\"category\""));
    r.Text(g, QStringLiteral("Category"), 0, 2, 680, 18, F("category"), true);
    auto* d = r.Data_(QStringLiteral("MasterData1"), 200, 20);
    r.Text(d, QStringLiteral("Product"), 12, 0, 318, 18, F("product"));
    r.Text(d, QStringLiteral("Quantity"), 334, 0, 100, 18, F("quantity"), false, haRight);
    r.Money(d, QStringLiteral("Price"), 438, 0, 110, 18, F("price"));
    r.Money(d, QStringLiteral("LineTotal"), 552, 0, 128, 18, F("line_total"));
    auto* gf = r.Band<TrptGroupFooter>(QStringLiteral("GroupFooter1"), 240, 22);
    r.Text(gf, QStringLiteral("SubtotalText"), 334, 2, 214, 18, QStringLiteral("Subtotal ") + F("category"), false,
           haRight);
    r.Money(gf, QStringLiteral("Subtotal"), 552, 2, 128, 18, QStringLiteral("[SUM(Report.\"line_total\", MasterData1)]"),
            true);
    auto* s = r.Band<TrptReportSummary>(QStringLiteral("ReportSummary1"), 280, 30);
    r.Text(s, QStringLiteral("TotalText"), 334, 6, 214, 20, QStringLiteral("Total"), true, haRight);
    r.Money(s, QStringLiteral("Total"), 552, 6, 128, 20, QStringLiteral("[SUM(Report.\"line_total\", MasterData1)]"), true);
    PageFooter(r, 330);
    r.Save(file);
}

// Orders and amounts month by month, with the year's totals.
void Monthly(TComponent* host, const QString& file) {
    TBuilder r(host);
    auto* h = r.Band<TrptPageHeader>(QStringLiteral("PageHeader1"), 20, 52);
    r.Text(h, QStringLiteral("Title"), 0, 0, 680, 24, QStringLiteral("Orders by month"), true);
    r.Text(h, QStringLiteral("HMonth"), 0, 30, 200, 18, QStringLiteral("Month"), true);
    r.Text(h, QStringLiteral("HOrders"), 204, 30, 120, 18, QStringLiteral("Orders"), true, haRight);
    r.Text(h, QStringLiteral("HAmount"), 328, 30, 160, 18, QStringLiteral("Amount"), true, haRight);
    r.Text(h, QStringLiteral("HPaid"), 492, 30, 160, 18, QStringLiteral("Paid"), true, haRight);
    auto* d = r.Data_(QStringLiteral("MasterData1"), 100, 20);
    r.Text(d, QStringLiteral("Month"), 0, 0, 200, 18, F("month"));
    r.Text(d, QStringLiteral("Orders"), 204, 0, 120, 18, F("orders"), false, haRight);
    r.Money(d, QStringLiteral("Amount"), 328, 0, 160, 18, F("amount"));
    r.Money(d, QStringLiteral("Paid"), 492, 0, 160, 18, F("paid"));
    auto* s = r.Band<TrptReportSummary>(QStringLiteral("ReportSummary1"), 140, 24);
    r.Text(s, QStringLiteral("TotalText"), 0, 4, 200, 18, QStringLiteral("Total"), true);
    r.Text(s, QStringLiteral("TotalOrders"), 204, 4, 120, 18, QStringLiteral("[SUM(Report.\"orders\", MasterData1)]"),
           true, haRight);
    r.Money(s, QStringLiteral("TotalAmount"), 328, 4, 160, 18, QStringLiteral("[SUM(Report.\"amount\", MasterData1)]"),
            true);
    r.Money(s, QStringLiteral("TotalPaid"), 492, 4, 160, 18, QStringLiteral("[SUM(Report.\"paid\", MasterData1)]"), true);
    PageFooter(r, 190);
    r.Save(file);
}

// Products on sale with their prices.
void Prices(TComponent* host, const QString& file) {
    TBuilder r(host);
    auto* h = r.Band<TrptPageHeader>(QStringLiteral("PageHeader1"), 20, 52);
    r.Text(h, QStringLiteral("Title"), 0, 0, 680, 24, QStringLiteral("Price list"), true);
    r.Text(h, QStringLiteral("HName"), 0, 30, 400, 18, QStringLiteral("Product"), true);
    r.Text(h, QStringLiteral("HPrice"), 404, 30, 140, 18, QStringLiteral("Price"), true, haRight);
    auto* d = r.Data_(QStringLiteral("MasterData1"), 100, 20);
    r.Text(d, QStringLiteral("Name"), 0, 0, 400, 18, F("name"));
    r.Money(d, QStringLiteral("Price"), 404, 0, 140, 18, F("price"));
    PageFooter(r, 150);
    r.Save(file);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: korvel_mkdemoreports FOLDER\n");
        return 2;
    }
    const QString folder = args[0];
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "%s: cannot create the folder\n", folder.toLocal8Bit().constData());
        return 1;
    }
    try {
        // Each template with a dataset of its own, named as the application names its one.
        const struct {
            void (*Make)(TComponent*, const QString&);
            const char* File;
        } templates[] = {{Customers, "customers.de3"}, {Invoice, "invoice.de3"}, {Monthly, "monthly.de3"},
                         {Prices, "prices.de3"}};
        for (const auto& t : templates) {
            TComponent host(nullptr);
            t.Make(&host, folder + QLatin1Char('/') + QLatin1String(t.File));
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
