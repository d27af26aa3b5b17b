// Times packing a font subset the way every PDF export does (read the font, check its tables,
// keep the glyphs of a page of text with their numbers, write the subset), on the installed fonts,
// against fontTools' subsetter doing the same font, face and glyph ids in the same run.
// Prints one "name: value unit" line per figure.

#include "report/export/rptTrueTypeCollection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

void Figure(const QString& name, double value, const char* unit) {
    std::printf("%s: %.3f %s\n", qPrintable(name), value, unit);
}

void Goal(const QString& name, bool met) {
    std::printf("%s: %s goal\n", qPrintable(name), met ? "yes" : "no");
}

struct TCase {
    const char* Name;
    const char* Path;
    int Face;
    QString Text;
};

QList<quint16> GlyphsOf(const QByteArray& data, int face, const QString& text) {
    TrueTypeCollection c;
    c.Initialize(data);
    TrueTypeFont& font = *c.fonts_collection[size_t(face)];
    font.PrepareFont(TrueTypeCollection::SkipList());
    QList<quint16> glyphs;
    for (QChar ch : text) {
        const quint16 g = font.cmap_table->GetGlyphIndex(ch.unicode());
        if (g != 0 && !glyphs.contains(g)) glyphs << g;
    }
    return glyphs;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 20;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i)
        if (args[i] == QLatin1String("--runs")) runs = std::max(1, args[i + 1].toInt());

    const QString page =
        QStringLiteral("Invoice 2024-0815 Customer: Müller & Søn GmbH, Königstraße 12, 70173 Stuttgart. "
                       "Qty Description Unit price Amount — 3 × Widget (blue) 12,50 € 37,50 €; "
                       "Total due within 30 days: 1.234,56 €. Thank you for your order! "
                       "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123456789 ()[]{}%/\\#@?");
    const TCase cases[] = {
        {"dejavu_sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0, page},
        {"liberation_sans", "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", 0, page},
        {"wqy_collection", "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 1,
         page + QStringLiteral("订单发票客户数量单价金额合计谢谢您的订购报表页")},
    };

    bool ok = true;
    for (const TCase& c : cases) {
        const QString name = QString::fromLatin1(c.Name);
        QFile file(QString::fromLatin1(c.Path));
        if (!file.open(QIODevice::ReadOnly)) {
            std::printf("%s.error: cannot read %s status\n", c.Name, c.Path);
            ok = false;
            continue;
        }
        const QByteArray data = file.readAll();
        const QList<quint16> glyphs = GlyphsOf(data, c.Face, c.Text);

        double best = std::numeric_limits<double>::max();
        qsizetype size = 0;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            TrueTypeCollection collection;
            collection.Initialize(data);
            const QByteArray subset = collection.PackFont(c.Face, glyphs);
            best = std::min(best, double(t.nsecsElapsed()) / 1e6);
            size = subset.size();
        }
        Figure(name + QStringLiteral(".glyphs"), glyphs.size(), "count");
        Figure(name + QStringLiteral(".korvel"), best, "ms");
        Figure(name + QStringLiteral(".korvel_size"), double(size) / 1024, "KiB");

        QStringList peerArgs = {QStringLiteral(KORVEL_BENCH_FONTS "/subset_peer.py"),
                                QString::fromLatin1(c.Path), QString::number(c.Face),
                                QString::number(std::max(3, runs / 4))};
        for (quint16 g : glyphs)
            peerArgs << QString::number(g);
        QProcess peer;
        peer.start(QStringLiteral("/usr/bin/python3"), peerArgs);
        const QStringList out = peer.waitForFinished(600000) && peer.exitCode() == 0
                                    ? QString::fromUtf8(peer.readAllStandardOutput()).split(QLatin1Char(' '))
                                    : QStringList();
        if (out.size() != 2) {
            std::printf("%s.fonttools.error: %s status\n", c.Name,
                        qPrintable(QString::fromUtf8(peer.readAllStandardError()).simplified()));
            ok = false;
            continue;
        }
        const double peerMs = out[0].toDouble();
        Figure(name + QStringLiteral(".fonttools"), peerMs, "ms");
        Figure(name + QStringLiteral(".fonttools_size"), out[1].toDouble() / 1024, "KiB");
        Figure(name + QStringLiteral(".vs_fonttools"), peerMs / best, "x");
        // The export subsets every font of every export: well under a frame, and far below the peer.
        Goal(name + QStringLiteral(".within_5ms"), best <= 5);
        Goal(name + QStringLiteral(".10x_faster_than_fonttools"), peerMs / best >= 10);
    }
    return ok ? 0 : 1;
}
