// Times the report text layout against QTextLayout on the work a stretching text object does on
// every row of a report: lay out a memo text at the object's width and measure its height. 100,000
// texts of 1 to 400 characters (words of Latin and Cyrillic letters, some long enough to be cut)
// into widths of 20 to 200 mm, the same texts and widths for both sides.
//
//   korvel: TrptDrawText as a text object's CalcHeight uses it: lock, font, options, gaps,
//           dimensions, the text, CalcHeight, unlock; Arial 10 pt (Liberation Sans), word wrap.
//   qt:     QTextLayout over the same face at the same 600-per-inch pixel size and line widths,
//           wrapping at word boundaries or anywhere, kerning off as in the report layout; lines
//           created until the text is used up and their heights summed. One layout object is
//           reused (setText), which is the cheapest way to drive it.
//
// Times are CPU time of the thread, best of --runs (default 3), the sides taking turns. Line
// counts of both sides are printed; they differ a little where the two break rules differ.

#include "platform/gfx/Graphics.h"
#include "report/core/rptDrawText.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace {

struct TWork {
    std::vector<QString> Texts;
    std::vector<int> Widths; // report units (96 per inch)
};

TWork MakeWork(int count) {
    static const char* const latin[] = {"the", "quick", "brown", "fox", "invoice", "customer", "total", "amount",
                                        "delivery", "address", "order", "number", "a", "of", "and", "payment",
                                        "street", "international", "reference", "qty"};
    static const char16_t* const cyrillic[] = {u"счёт", u"покупатель", u"итого", u"сумма", u"доставка", u"адрес",
                                               u"заказ", u"номер", u"и", u"оплата", u"улица"};
    std::mt19937 rng(2026);
    TWork w;
    w.Texts.reserve(static_cast<size_t>(count));
    w.Widths.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int length = std::uniform_int_distribution<int>(1, 400)(rng);
        QString t;
        t.reserve(length + 20);
        while (t.size() < length) {
            if (!t.isEmpty()) t += QLatin1Char(' ');
            const int kind = std::uniform_int_distribution<int>(0, 19)(rng);
            if (kind < 13)
                t += QLatin1String(latin[std::uniform_int_distribution<int>(0, 19)(rng)]);
            else if (kind < 18)
                t += QString::fromUtf16(cyrillic[std::uniform_int_distribution<int>(0, 10)(rng)]);
            else if (kind < 19)
                t += QString::number(std::uniform_int_distribution<int>(0, 99999)(rng));
            else
                t += QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"); // wider than narrow objects
        }
        t.truncate(length);
        w.Texts.push_back(t);
        const double mm = std::uniform_real_distribution<double>(20, 200)(rng);
        w.Widths.push_back(static_cast<int>(std::lround(mm * 3.77953)));
    }
    return w;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct TResult {
    double Seconds = 1e30;
    long long Lines = 0;
    double Height = 0;
};

void RunKorvel(const TWork& w, TResult& r) {
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(10);
    font.SetColor(clBlack);
    TrptDrawText dt;
    long long lines = 0;
    double height = 0;
    const double start = CpuSeconds();
    for (size_t i = 0; i < w.Texts.size(); ++i) {
        TrptDrawTextLock lock;
        dt.SetFont(font);
        dt.SetOptions(true, false, false, false, true, true, 0);
        dt.SetGaps(0, 0, 2);
        const TRect rect(0, 0, w.Widths[i], 10000);
        dt.SetDimensions(1, 1, 1, rect, rect);
        dt.SetText(w.Texts[i]);
        height += dt.CalcHeight();
        lines += dt.LineCount();
    }
    r.Seconds = std::min(r.Seconds, CpuSeconds() - start);
    r.Lines = lines;
    r.Height = height;
}

void RunQt(const TWork& w, TResult& r) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(83); // 10 pt at 600 per inch, as the report layout measures
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    QTextLayout layout;
    layout.setFont(font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    long long lines = 0;
    double height = 0;
    const double start = CpuSeconds();
    for (size_t i = 0; i < w.Texts.size(); ++i) {
        layout.setText(w.Texts[i]);
        const double width = std::round(6.25 * w.Widths[i]);
        layout.beginLayout();
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid()) break;
            line.setLineWidth(width);
            height += line.height();
            ++lines;
        }
        layout.endLayout();
    }
    r.Seconds = std::min(r.Seconds, CpuSeconds() - start);
    r.Lines = lines;
    r.Height = height / 6.25;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int runs = 3, count = 100000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--texts") == 0)
            count = std::max(1, std::atoi(argv[++i]));
    }
    const TWork work = MakeWork(count);
    long long chars = 0;
    for (const QString& t : work.Texts)
        chars += t.size();
    std::printf("texts: %d count\ncharacters: %lld count\nruns: %d value\n", count, chars, runs);

    TResult korvel, qt;
    for (int run = 0; run < runs; ++run) {
        RunKorvel(work, korvel);
        RunQt(work, qt);
    }
    std::printf("korvel.layout: %.0f texts/s\n", count / korvel.Seconds);
    std::printf("qt.layout: %.0f texts/s\n", count / qt.Seconds);
    std::printf("layout.korvel_vs_qt: %.2f x\n", qt.Seconds / korvel.Seconds);
    std::printf("korvel.lines: %lld count\nqt.lines: %lld count\n", korvel.Lines, qt.Lines);
    std::printf("korvel.height: %.0f px\nqt.height: %.0f px\n", korvel.Height, qt.Height);
    std::printf("layout.at_least_as_fast_as_qt: %s goal\n", korvel.Seconds <= qt.Seconds ? "yes" : "no");
    // Both sides break the same texts at the same widths: their line counts stay close.
    const double diff = std::abs(static_cast<double>(korvel.Lines - qt.Lines)) / std::max<long long>(1, qt.Lines);
    std::printf("lines.within_2_percent: %s status\n", diff <= 0.02 ? "yes" : "no");
    return diff <= 0.02 ? 0 : 1;
}
