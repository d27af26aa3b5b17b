// Times saving and loading a report template of about 20,000 components (20 pages of 10 bands of
// 99 text objects) and, as the peer, QXmlStreamReader reading the same bytes: every token, and the
// name and value of every attribute. Loading is the whole road a template takes: the XML document,
// the objects made by class name, every attribute looked up by name and applied through the class
// tables, references resolved at the end. Prints one "name: value unit" line per figure.
//
// Times are CPU time of the thread, best of --runs (default 5); the sides take turns run by run.

#include "report/core/rptClassComponent.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptXMLSerializer.h"

#include "platform/rtl/Streams.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

enum TBenchHAlign { bhaLeft, bhaRight, bhaCenter, bhaBlock };
KORVEL_ENUM(TBenchHAlign, "bhaLeft,bhaRight,bhaCenter,bhaBlock")

// Pages, bands and text objects with the kinds of properties the real ones store.
class TBenchPage : public TrptComponent {
    KORVEL_CLASS(TBenchPage, TrptComponent)
public:
    explicit TBenchPage(TComponent* AOwner = nullptr) : TrptComponent(AOwner) {}
};

class TBenchBand : public TrptReportComponent {
    KORVEL_CLASS(TBenchBand, TrptReportComponent)
public:
    explicit TBenchBand(TComponent* AOwner = nullptr) : TrptReportComponent(AOwner) {}
    void Draw(TCanvas*, double, double, double, double) override {}
    TBenchBand* Child() const { return FChild; }
    void SetChild(TBenchBand* v) { FChild = v; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool v) { FStretched = v; }

private:
    TBenchBand* FChild = nullptr;
    bool FStretched = false;
};

class TBenchMemo : public TrptReportComponent {
    KORVEL_CLASS(TBenchMemo, TrptReportComponent)
public:
    explicit TBenchMemo(TComponent* AOwner = nullptr) : TrptReportComponent(AOwner) {}
    void Draw(TCanvas*, double, double, double, double) override {}
    bool IsTextObject() const override { return true; }
    QString GetXMLText() const override { return FText; }
    void SetXMLText(const QString& v) override { FText = v; }
    TBenchHAlign HAlign() const { return FHAlign; }
    void SetHAlign(TBenchHAlign v) { FHAlign = v; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v) { FWordWrap = v; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }
    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& v) { FDisplayFormat = v; }

private:
    QString FText;
    TBenchHAlign FHAlign = bhaLeft;
    bool FWordWrap = true;
    TColor FColor = clNone;
    QString FDisplayFormat;
};

} // namespace

KORVEL_CLASS_INFO(TBenchPage) {
    using C = TrptComponent;
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("Height", &C::Height, &C::SetHeight);
    b.Prop("Left", &C::Left, &C::SetLeft);
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("Top", &C::Top, &C::SetTop);
    b.Prop("Width", &C::Width, &C::SetWidth);
}

KORVEL_CLASS_INFO(TBenchBand) {
    using C = TBenchBand;
    b.Prop("Child", &C::Child, &C::SetChild);
    b.Prop("Height", &C::Height, &C::SetHeight);
    b.Prop("Left", &C::Left, &C::SetLeft);
    b.Prop("Stretched", &C::Stretched, &C::SetStretched).Default(false);
    b.Prop("Top", &C::Top, &C::SetTop);
    b.Prop("Width", &C::Width, &C::SetWidth);
}

KORVEL_CLASS_INFO(TBenchMemo) {
    using C = TBenchMemo;
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("HAlign", &C::HAlign, &C::SetHAlign).Default(bhaLeft);
    b.Prop("Height", &C::Height, &C::SetHeight);
    b.Prop("Left", &C::Left, &C::SetLeft);
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("Top", &C::Top, &C::SetTop);
    b.Prop("Width", &C::Width, &C::SetWidth);
    b.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(true);
}

namespace {

constexpr int kPages = 20;
constexpr int kBands = 10;
constexpr int kMemos = 99;

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

std::unique_ptr<TrptReport> NewReport() {
    auto r = std::make_unique<TrptReport>();
    r->EngineOptions()->SetNewSilentMode(simSilent);
    return r;
}

int Build(TrptReport& r) {
    int n = 0;
    for (int p = 0; p < kPages; ++p) {
        auto* page = new TBenchPage(&r);
        page->SetName(QStringLiteral("Page%1").arg(p + 1));
        page->SetBounds(0, 0, 793.7, 1122.52);
        ++n;
        TBenchBand* previous = nullptr;
        for (int b = 0; b < kBands; ++b) {
            auto* band = new TBenchBand(page);
            band->SetName(QStringLiteral("Band%1_%2").arg(p + 1).arg(b + 1));
            band->SetBounds(0, 18.9 + b * 100.25, 718.11, 94.5);
            band->SetStretched(b % 3 == 0);
            if (previous) previous->SetChild(band);
            previous = band;
            ++n;
            for (int m = 0; m < kMemos; ++m) {
                auto* memo = new TBenchMemo(band);
                memo->SetName(QStringLiteral("Memo%1_%2_%3").arg(p + 1).arg(b + 1).arg(m + 1));
                memo->SetBounds(7.56 * (m % 10) * 9.5, 18.9 * (m / 10), 71.81, 18.9);
                switch (m % 4) {
                case 0:
                    memo->SetXMLText(QStringLiteral("[Report.\"Field%1\"]").arg(m));
                    break;
                case 1:
                    memo->SetXMLText(QStringLiteral("Total: [SUM(<Report.\"Amount\">)] & more"));
                    memo->SetHAlign(bhaRight);
                    memo->SetDisplayFormat(QStringLiteral("%2.2n"));
                    break;
                case 2:
                    memo->SetXMLText(QStringLiteral("Заказ №%1").arg(m));
                    memo->Font()->SetStyle(TFontStyles{fsBold});
                    break;
                default:
                    memo->SetXMLText(QStringLiteral("Line one\r\nLine two"));
                    memo->SetColor(0xF0F0F0);
                    memo->SetWordWrap(false);
                    break;
                }
                ++n;
            }
        }
    }
    return n;
}

// Every token, with the name and value of every attribute.
long QtRead(const QByteArray& bytes, qint64& sum) {
    QXmlStreamReader reader(bytes);
    long elements = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) continue;
        ++elements;
        const QXmlStreamAttributes attrs = reader.attributes();
        for (const QXmlStreamAttribute& a : attrs)
            sum += a.name().size() + a.value().size();
    }
    if (reader.hasError()) std::fprintf(stderr, "qt: %s\n", qPrintable(reader.errorString()));
    return elements;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    RegisterReportClasses();
    RegisterClasses({TBenchPage::StaticClassInfo(), TBenchBand::StaticClassInfo(), TBenchMemo::StaticClassInfo()});

    auto source = NewReport();
    const int components = Build(*source);
    QByteArray bytes;
    double save = 1e9, load = 1e9, qt = 1e9;
    bool ok = true;
    for (int run = 0; run < runs; ++run) {
        {
            TMemoryStream ms;
            const double t0 = ThreadSeconds();
            source->SaveToStream(ms);
            save = std::min(save, ThreadSeconds() - t0);
            bytes = ms.Bytes();
        }
        {
            auto target = NewReport();
            TBytesStream ms(bytes);
            const double t0 = ThreadSeconds();
            target->LoadFromStream(ms);
            load = std::min(load, ThreadSeconds() - t0);
            const int loaded = static_cast<int>(target->AllObjects().size());
            if (loaded != components || target->Errors()->Count() != 0) {
                std::printf("load.mismatch: %d objects, %d errors\n", loaded, target->Errors()->Count());
                ok = false;
            }
            auto* band = dynamic_cast<TBenchBand*>(target->FindObject(QStringLiteral("Band3_4")));
            if (!band || !band->Child() || band->Child()->Name() != QLatin1String("Band3_5")) {
                std::printf("load.mismatch: references\n");
                ok = false;
            }
        }
        {
            qint64 sum = 0;
            const double t0 = ThreadSeconds();
            const long elements = QtRead(bytes, sum);
            qt = std::min(qt, ThreadSeconds() - t0);
            if (elements != components + 1) {
                std::printf("qt.mismatch: %ld elements\n", elements);
                ok = false;
            }
        }
    }
    std::printf("template.components: %d count\n", components);
    std::printf("template.bytes: %lld bytes\n", static_cast<long long>(bytes.size()));
    std::printf("template.save: %.0f components/s\n", components / save);
    std::printf("template.load: %.0f components/s\n", components / load);
    std::printf("template.save_time: %.1f ms\n", save * 1000);
    std::printf("template.load_time: %.1f ms\n", load * 1000);
    std::printf("qt.read: %.0f components/s\n", components / qt);
    std::printf("qt.read_time: %.1f ms\n", qt * 1000);
    std::printf("template.load_vs_qt_read: %.2f x\n", load / qt);
    std::printf("template.load_within_2x_qt_read: %s goal\n", load < 2 * qt ? "yes" : "no");
    return ok ? 0 : 1;
}
