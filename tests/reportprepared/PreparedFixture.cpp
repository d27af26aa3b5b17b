#include "PreparedFixture.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptUtils.h"

void RegisterPreparedTestClasses() {
    RegisterReportClasses();
    RegisterPageClasses();
    RegisterBandClasses();
    RegisterMemoClasses();
    RegisterPictureClasses();
}

QStringList DumpLines(const QString& Dump) {
    return Dump.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TPreparedFixture::TPreparedFixture() {
    RegisterPreparedTestClasses();
    Report = std::make_unique<TrptReport>();
    Report->EngineOptions()->SetNewSilentMode(simSilent);
    Pages = EnsurePreviewPages(Report.get());
    auto engine = std::make_unique<TTestEngine>(Report.get());
    Engine = engine.get();
    Report->SetEngine(std::move(engine));

    Page = new TrptReportPage(Report.get());
    Page->SetName(QStringLiteral("Page1"));
    Page->SetLeftMargin(10);
    Page->SetRightMargin(10);
    Page->SetTopMargin(10);
    Page->SetBottomMargin(10);

    Header = new TrptPageHeader(Page);
    Header->SetName(QStringLiteral("PageHeader1"));
    Header->SetHeight(30);
    HeaderMemo = new TrptMemoView(Header);
    HeaderMemo->SetName(QStringLiteral("HeaderMemo"));
    HeaderMemo->SetBounds(0, 0, 300, 20);
    HeaderMemo->SetText(QStringLiteral("Customers"));

    Data = new TrptMasterData(Page);
    Data->SetName(QStringLiteral("MasterData1"));
    Data->SetTop(60);
    Data->SetHeight(20);
    Cell1 = new TrptMemoView(Data);
    Cell1->SetName(QStringLiteral("Cell1"));
    Cell1->SetBounds(0, 0, 200, 20);
    Cell2 = new TrptMemoView(Data);
    Cell2->SetName(QStringLiteral("Cell2"));
    Cell2->SetBounds(210, 0, 150, 20);

    Footer = new TrptPageFooter(Page);
    Footer->SetName(QStringLiteral("PageFooter1"));
    Footer->SetTop(200);
    Footer->SetHeight(25);
    FooterMemo = new TrptMemoView(Footer);
    FooterMemo->SetName(QStringLiteral("FooterMemo"));
    FooterMemo->SetBounds(0, 0, 300, 20);

    Page->AlignChildren();
}

TPreparedFixture::~TPreparedFixture() {
    // The prepared pages go first: their source copies point at the template objects.
    if (Engine) Engine->SetRunning(false);
}

void TPreparedFixture::Start() {
    Pages->Initialize();
    Engine->SetRunning(true);
    Pages->AddSourcePage(Page);
    Pages->BeginPass();
    Pages->SetAddPageAction(apAdd);
}

void TPreparedFixture::Stop() {
    Pages->Finish();
    Engine->SetRunning(false);
}

void TPreparedFixture::NewPage() {
    Pages->AddPage(Page);
    TrptComponent* p = Page;
    PageHeaderLine = QLatin1Char(' ') + p->Name() + QLatin1Char(' ') + DumpNumber(p->Width()) + QStringLiteral(" x ") +
                     DumpNumber(p->Height()) + QLatin1Char('\n');
    ExpectedPages.push_back(PageHeaderLine);
}

QString DumpAsAdded(TrptComponent* Obj, int Level) {
    // Invisible objects (and what they hold) are not part of prepared pages.
    QString out;
    int skipDeeperThan = -1;
    for (const QString& line : DumpLines(DumpReportObject(Obj, Level))) {
        const int depth = static_cast<int>(line.size() - QStringView(line).trimmed().size()) / 2;
        if (skipDeeperThan >= 0 && depth > skipDeeperThan) continue;
        skipDeeperThan = -1;
        if (line.endsWith(QLatin1String(" hidden"))) {
            skipDeeperThan = depth;
            continue;
        }
        out += line + QLatin1Char('\n');
    }
    return out;
}

void TPreparedFixture::Put(TrptBand* Band, double Top) {
    Band->SetTop(Top);
    Pages->AddObject(Band);
    ExpectedPages.back() += DumpAsAdded(Band, 1);
}

QString TPreparedFixture::Expected() const {
    if (ExpectedPages.empty()) return QStringLiteral("no pages\n");
    QString out;
    const int n = static_cast<int>(ExpectedPages.size());
    for (int i = 0; i < n; ++i) out += QStringLiteral("page %1 of %2").arg(i + 1).arg(n) + ExpectedPages[i];
    return out;
}
