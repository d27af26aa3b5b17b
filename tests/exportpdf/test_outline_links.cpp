// Outline and links in the PDF file, read back through qpdf's JSON: the tree of bookmarks with its
// numbering and destinations, page, anchor and web links, links to pages the file does not have
// (dropped, the file stays valid), page lists, a cancelled export and a 1,000-level outline.

#include "PdfTestSupport.h"
#include "QpdfJson.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptPrintLoop.h"
#include "report/core/rptXML.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <gtest/gtest.h>

namespace {

// URLs of the link objects on the second page, in object order.
const QStringList kUrls = {
    QStringLiteral("@3"),        QStringLiteral("@1"),        QStringLiteral("@0"),
    QStringLiteral("@999"),      QStringLiteral("@abc"),      QStringLiteral("@"),
    QStringLiteral("#there"),    QStringLiteral("#outside"),  QStringLiteral("#unknown"),
    QStringLiteral("http://example.com/a b?q=\"x\"&(y)"),     QStringLiteral("http://example.com/x)y"),
    QStringLiteral("https://example.com/\u00FCn\u00EF"),      QStringLiteral("\\\\server\\share"),
};

// Four prepared pages; the second holds one rectangle per URL.
class OutlineLinks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FReport.EngineOptions()->SetSilentMode(true);
        for (int p = 0; p < 4; ++p) {
            auto* page = new TrptReportPage(&FReport);
            auto* title = new TrptReportTitle(page);
            title->SetHeight(400);
            auto* box = new TrptShapeView(title);
            box->SetBounds(0, 0, 50, 20);
            if (p == 1)
                for (int i = 0; i < kUrls.size(); ++i) {
                    auto* link = new TrptShapeView(title);
                    link->SetBounds(10 + 40 * (i % 10), 30 + 30 * (i / 10), 30, 20);
                    link->SetURL(kUrls[i]);
                }
        }
        ASSERT_TRUE(PrepareReportPages(&FReport));
        ASSERT_EQ(FReport.PreviewPages()->Count(), 4);
        Pages()->SetCurPage(2);
        Pages()->AddAnchor(QStringLiteral("there"));
        Pages()->FindAnchor(QStringLiteral("there"))->SetProp(QStringLiteral("top"), QStringLiteral("96"));
        Pages()->AddAnchor(QStringLiteral("outside"));
        Pages()->FindAnchor(QStringLiteral("outside"))->SetProp(QStringLiteral("page"), QStringLiteral("7"));
    }

    TrptPreviewPages* Pages() { return static_cast<TrptPreviewPages*>(FReport.PreviewPages()); }

    // Appends an item on a page under the current level and, unless Enter, steps back out.
    void Item(int Page, const QString& Text, int Top, bool Enter = false) {
        Pages()->SetCurPage(Page);
        Pages()->Outline()->AddItem(Text, Top);
        if (!Enter) Pages()->Outline()->LevelUp();
    }

    QString Export(const QString& Name, const QString& PageNumbers = QString(), TTestPDFExport* Filter = nullptr) {
        TTestPDFExport own;
        TTestPDFExport& f = Filter ? *Filter : own;
        f.SetShowDialog(false);
        f.SetShowProgress(false);
        f.SetCompressed(false);
        f.SetOutline(true);
        f.SetPageNumbers(PageNumbers);
        const QString path = FDir.filePath(Name);
        f.SetFileName(path);
        ExportPreparedPages(&FReport, FReport.PreviewPages(), &f);
        return path;
    }

    static QByteArray Bytes(const QString& Path) {
        QFile file(Path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void ExpectValid(const QString& Path) {
        QString out;
        EXPECT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), Path}, &out), 0) << out.toStdString();
        EXPECT_EQ(CheckCrossReferences(Bytes(Path)), QString());
    }

    QTemporaryDir FDir;
    TrptReport FReport;
};

struct TLink {
    int Page = 0; // 1-based target page, 0 for none
    int Y = 0;
    QString Uri;
    bool operator==(const TLink& o) const { return Page == o.Page && Y == o.Y && Uri == o.Uri; }
};

std::ostream& operator<<(std::ostream& s, const TLink& l) {
    return s << "{page " << l.Page << " y " << l.Y << " uri \"" << l.Uri.toStdString() << "\"}";
}

std::vector<TLink> LinksOfPage(const TQpdfJson& pdf, int Position) {
    std::vector<TLink> r;
    const QJsonObject page = pdf.Dict(pdf.PageRefs().value(Position - 1));
    for (const QJsonValue& ref : page.value(QStringLiteral("/Annots")).toArray()) {
        const QJsonObject a = pdf.Dict(ref);
        EXPECT_EQ(a.value(QStringLiteral("/Subtype")).toString(), "/Link");
        TLink l;
        const QJsonArray dest = a.value(QStringLiteral("/Dest")).toArray();
        if (!dest.isEmpty()) {
            l.Page = pdf.PagePosition(dest.at(0));
            l.Y = dest.at(3).toInt();
        }
        l.Uri = TQpdfJson::Text(pdf.Dict(a.value(QStringLiteral("/A"))).value(QStringLiteral("/URI")));
        r.push_back(l);
    }
    return r;
}

// "title@page" of every item, depth first, children in brackets.
QString OutlineText(const TQpdfJson& pdf, const QJsonValue& First) {
    QStringList items;
    for (QJsonValue ref = First; !ref.isNull() && !ref.isUndefined();) {
        const QJsonObject item = pdf.Dict(ref);
        QString t = TQpdfJson::Text(item.value(QStringLiteral("/Title"))) + QLatin1Char('@') +
                    QString::number(pdf.PagePosition(item.value(QStringLiteral("/Dest")).toArray().at(0)));
        if (item.contains(QStringLiteral("/First")))
            t += QLatin1Char('[') + OutlineText(pdf, item.value(QStringLiteral("/First"))) + QLatin1Char(']');
        items << t;
        ref = item.value(QStringLiteral("/Next"));
    }
    return items.join(QLatin1Char(' '));
}

} // namespace

TEST_F(OutlineLinks, TreeNumbersDestinationsAndLinks) {
    Item(0, QStringLiteral("One"), 0);
    Item(1, QStringLiteral("Two"), 96, true);
    Item(1, QStringLiteral("Two.a"), 200);
    Item(2, QStringLiteral("Two.b"), 0);
    Pages()->Outline()->LevelUp();
    Item(3, QStringLiteral("Three"), 40);
    const QString path = Export(QStringLiteral("all.pdf"));
    ExpectValid(path);
    const TQpdfJson pdf(path);
    ASSERT_EQ(pdf.Error(), QString());
    ASSERT_EQ(pdf.PageRefs().size(), 4);

    const QJsonObject root = pdf.Root();
    EXPECT_EQ(root.value(QStringLiteral("/PageMode")).toString(), "/UseOutlines");
    const QJsonObject outlines = pdf.Dict(root.value(QStringLiteral("/Outlines")));
    EXPECT_EQ(outlines.value(QStringLiteral("/Count")).toInt(), 3);
    EXPECT_EQ(OutlineText(pdf, outlines.value(QStringLiteral("/First"))),
              "One@1 Two@2[Two.a@2 Two.b@3] Three@4");
    // Numbered root first, then depth first: b .. b + 5.
    const int b = root.value(QStringLiteral("/Outlines")).toString().section(QLatin1Char(' '), 0, 0).toInt();
    const QJsonObject one = pdf.Dict(outlines.value(QStringLiteral("/First")));
    const QJsonObject two = pdf.Dict(one.value(QStringLiteral("/Next")));
    EXPECT_EQ(outlines.value(QStringLiteral("/First")).toString(), QStringLiteral("%1 0 R").arg(b + 1));
    EXPECT_EQ(one.value(QStringLiteral("/Next")).toString(), QStringLiteral("%1 0 R").arg(b + 2));
    EXPECT_EQ(two.value(QStringLiteral("/First")).toString(), QStringLiteral("%1 0 R").arg(b + 3));
    EXPECT_EQ(two.value(QStringLiteral("/Last")).toString(), QStringLiteral("%1 0 R").arg(b + 4));
    EXPECT_EQ(outlines.value(QStringLiteral("/Last")).toString(), QStringLiteral("%1 0 R").arg(b + 5));
    EXPECT_EQ(two.value(QStringLiteral("/Count")).toInt(), 2);
    EXPECT_EQ(two.value(QStringLiteral("/Parent")).toString(), root.value(QStringLiteral("/Outlines")).toString());
    // A4 is 841.89 points high; "Two" stands 96 pixels (72 points) down.
    const QJsonArray dest = two.value(QStringLiteral("/Dest")).toArray();
    EXPECT_EQ(dest.at(1).toString(), "/XYZ");
    EXPECT_EQ(dest.at(3).toInt(), 770);

    // Links: bad page numbers, "@" without a number and anchors outside the pages are gone.
    const int top = static_cast<int>(std::nearbyint(297 * 3.77953 * 0.75));
    const std::vector<TLink> expected = {
        {3, top, {}},
        {1, top, {}},
        {3, top - 72, {}},
        {0, 0, QStringLiteral("http://example.com/a%20b?q=\"x\"&(y)")},
        {0, 0, QStringLiteral("http://example.com/x)y")},
        {0, 0, QStringLiteral("https://example.com/%C3%BCn%C3%AF")},
        {0, 0, QStringLiteral("\\\\server\\share")},
    };
    EXPECT_EQ(LinksOfPage(pdf, 2), expected);
    EXPECT_TRUE(LinksOfPage(pdf, 1).empty());
    // Parentheses and backslashes are escaped inside the literal strings.
    const QByteArray bytes = Bytes(path);
    EXPECT_TRUE(bytes.contains("/URI (http://example.com/x\\)y)\r\n"));
    EXPECT_TRUE(bytes.contains("/URI (\\\\\\\\server\\\\share)\r\n"));
}

TEST_F(OutlineLinks, PageListDropsItemsAndLinksOutsideIt) {
    Item(0, QStringLiteral("One"), 0, true);
    Item(2, QStringLiteral("One.a"), 0);
    Pages()->Outline()->LevelUp();
    Item(2, QStringLiteral("Three"), 10, true);
    Item(1, QStringLiteral("Three.a"), 10);
    Pages()->Outline()->LevelUp();
    const QString path = Export(QStringLiteral("list.pdf"), QStringLiteral("2-3"));
    ExpectValid(path);
    const TQpdfJson pdf(path);
    ASSERT_EQ(pdf.Error(), QString());
    ASSERT_EQ(pdf.PageRefs().size(), 2);
    const QJsonObject outlines = pdf.Dict(pdf.Root().value(QStringLiteral("/Outlines")));
    // "One" is on page 1, which is not exported: it goes with its child.
    EXPECT_EQ(OutlineText(pdf, outlines.value(QStringLiteral("/First"))), "Three@2[Three.a@1]");
    const int top = static_cast<int>(std::nearbyint(297 * 3.77953 * 0.75));
    const std::vector<TLink> expected = {
        {2, top, {}},
        {2, top - 72, {}},
        {0, 0, QStringLiteral("http://example.com/a%20b?q=\"x\"&(y)")},
        {0, 0, QStringLiteral("http://example.com/x)y")},
        {0, 0, QStringLiteral("https://example.com/%C3%BCn%C3%AF")},
        {0, 0, QStringLiteral("\\\\server\\share")},
    };
    EXPECT_EQ(LinksOfPage(pdf, 1), expected);
}

TEST_F(OutlineLinks, NoItemInTheRangeWritesNoOutline) {
    Item(0, QStringLiteral("One"), 0);
    const QString path = Export(QStringLiteral("none.pdf"), QStringLiteral("3"));
    ExpectValid(path);
    const TQpdfJson pdf(path);
    ASSERT_EQ(pdf.Error(), QString());
    EXPECT_FALSE(pdf.Root().contains(QStringLiteral("/Outlines")));
    EXPECT_EQ(pdf.Root().value(QStringLiteral("/PageMode")).toString(), "/UseOutlines");
}

// The export stops on page 3: the links of page 2 to pages 3 and 4 were already listed; the one to
// the page never written goes nowhere, and the file is complete.
TEST_F(OutlineLinks, CancelledExportKeepsAValidFile) {
    struct TStopOnPage3 : TTestPDFExport {
        void StartPage(TrptReportPage* Page, int Index) override {
            TTestPDFExport::StartPage(Page, Index);
            if (Index == 2) Report()->SetTerminated(true);
        }
    } f;
    for (TrptComponent* c : FReport.AllObjects())
        if (auto* v = dynamic_cast<TrptShapeView*>(c); v && v->URL() == "@1") v->SetURL(QStringLiteral("@4"));
    ASSERT_TRUE(PrepareReportPages(&FReport));
    Item(3, QStringLiteral("Four"), 0);
    Item(0, QStringLiteral("One"), 0);
    const QString path = Export(QStringLiteral("cancelled.pdf"), QString(), &f);
    ExpectValid(path);
    const TQpdfJson pdf(path);
    ASSERT_EQ(pdf.Error(), QString());
    ASSERT_EQ(pdf.PageRefs().size(), 3);
    const std::vector<TLink> links = LinksOfPage(pdf, 2);
    ASSERT_GE(links.size(), 2u);
    EXPECT_EQ(links[0].Page, 3);
    EXPECT_EQ(links[1].Page, 0); // "@4": not written
    EXPECT_EQ(links[1].Uri, QString());
    EXPECT_EQ(OutlineText(pdf, pdf.Dict(pdf.Root().value(QStringLiteral("/Outlines"))).value(QStringLiteral("/First"))),
              "One@1");
}

// A filter driven without a report does not know the page count while it writes: a link to a page
// it never wrote stays an inert annotation, the file valid.
TEST(PdfLinks, WithoutReportALinkPastTheLastPageGoesNowhere) {
    TTwoPageReport r;
    r.Page1[0]->SetURL(QStringLiteral("@2"));
    r.Page1[1]->SetURL(QStringLiteral("@999"));
    r.Page1[2]->SetURL(QStringLiteral("@x"));
    TTestPDFExport f;
    f.SetCompressed(false);
    TMemoryStream out;
    r.Export(f, out);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("direct.pdf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(out.Bytes());
    file.close();
    QString text;
    EXPECT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &text), 0) << text.toStdString();
    EXPECT_EQ(CheckCrossReferences(out.Bytes()), QString());
    const TQpdfJson pdf(path);
    ASSERT_EQ(pdf.Error(), QString());
    const std::vector<TLink> links = LinksOfPage(pdf, 1);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].Page, 2);
    EXPECT_EQ(links[1].Page, 0);
}

TEST_F(OutlineLinks, ThousandLevels) {
    constexpr int kDepth = 1000;
    for (int i = 0; i < kDepth; ++i)
        Item(i % 4, QStringLiteral("Level %1 (\"a\" \\ b)").arg(i + 1), i % 300, true);
    const QString path = Export(QStringLiteral("deep.pdf"));
    ExpectValid(path);
    const TQpdfJson pdf(path);
    ASSERT_EQ(pdf.Error(), QString());
    QString parent = pdf.Root().value(QStringLiteral("/Outlines")).toString();
    QJsonValue ref = pdf.Dict(parent).value(QStringLiteral("/First"));
    int depth = 0;
    while (ref.isString()) {
        const QJsonObject item = pdf.Dict(ref);
        ++depth;
        ASSERT_EQ(TQpdfJson::Text(item.value(QStringLiteral("/Title"))), QStringLiteral("Level %1 (\"a\" \\ b)").arg(depth));
        ASSERT_EQ(item.value(QStringLiteral("/Parent")).toString(), parent);
        ASSERT_EQ(pdf.PagePosition(item.value(QStringLiteral("/Dest")).toArray().at(0)), (depth - 1) % 4 + 1);
        ASSERT_FALSE(item.contains(QStringLiteral("/Next")));
        parent = ref.toString();
        ref = item.value(QStringLiteral("/First"));
    }
    EXPECT_EQ(depth, kDepth);
}
