// Times the grid against QTableWidget on the same work: fill 100,000 rows by 10 text columns, sort by
// a numeric and by a text column, sum a column, paint one screen and scroll to the last row. Each
// side runs in a child process of its own, so their peak memory is measured apart. A third child
// fills the grid with ten times the rows (--paint-rows) and paints again: a screen must cost the same
// however many rows lie behind it. Prints one "name: value unit" line per figure.

#include "grid/GxGrid.h"
#include "platform/gfx/Colors.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QTableWidget>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int kCols = 10;
constexpr int kWidth = 1000, kHeight = 700;
constexpr int kRepaints = 5;

// The text of every cell, the same on both sides: column 0 a number with a fraction, column 1 a
// word-like text, the rest short labels.
QString CellText(int r, int c) {
    const quint32 h = quint32(r) * 2654435761u + quint32(c) * 40503u;
    switch (c) {
    case 0: return QString::number(h % 1000000) + QStringLiteral(".5");
    case 1: {
        static const char* syll[] = {"ka", "lo", "mi", "ne", "su", "ta", "ro", "vi"};
        QString s;
        for (int k = 0, v = int(h >> 3); k < 4; ++k, v >>= 3)
            s += QLatin1String(syll[v & 7]);
        return s;
    }
    default: return QStringLiteral("r%1c%2").arg(r).arg(c);
    }
}

// Peak resident memory of this process, in KiB.
long PeakKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

struct TFigures {
    QMap<QString, double> Ms; // best time per step
    double FirstPaint = -1;   // the first run's paint: new buffers, first use of the fonts
    double Sum = 0;
    QString First, Last;
};

double Time(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

void Keep(TFigures& fig, const QString& step, double ms) {
    auto it = fig.Ms.find(step);
    if (it == fig.Ms.end() || ms < *it) fig.Ms[step] = ms;
}

// The texts of a block of rows, made before the fill's timed part: making them (QString::arg
// above all) cost five times what the grid does with them, the same on both sides, and hid the
// difference between the two. A block at a time, so no more than a block is held beside the cells.
constexpr int kBlock = 1000;
struct TTextBlock {
    int First = 0;
    std::vector<QString> Texts;
    void Make(int first, int n) {
        First = first;
        Texts.resize(size_t(n) * kCols);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < kCols; ++c)
                Texts[size_t(r) * kCols + size_t(c)] = CellText(first + r, c);
    }
    int Rows() const { return int(Texts.size() / kCols); }
    const QString& At(int r, int c) const { return Texts[size_t(r - First) * kCols + size_t(c)]; }
};

// Fills block by block: Fill(block) runs timed, the making of each block's texts does not.
// Keeps "fill" (the calls only) and "fill_with_texts" (everything, as the figure was first taken).
void TimeFill(TFigures& fig, int rows, const std::function<void()>& before,
              const std::function<void(const TTextBlock&)>& fill, const std::function<void()>& after) {
    QElapsedTimer all, part;
    all.start();
    qint64 ns = 0;
    part.start();
    before();
    ns += part.nsecsElapsed();
    TTextBlock block;
    for (int r = 0; r < rows; r += kBlock) {
        block.Make(r, std::min(kBlock, rows - r));
        part.start();
        fill(block);
        ns += part.nsecsElapsed();
    }
    part.start();
    after();
    ns += part.nsecsElapsed();
    Keep(fig, "fill_with_texts", all.nsecsElapsed() / 1e6);
    Keep(fig, "fill", ns / 1e6);
}

// The image both sides render into: made and written once per child before anything is timed,
// so that no figure includes the first touch of the benchmark's own memory (on a virtual machine
// the first write to fresh pages costs tens of milliseconds for one screen).
QImage& Target() {
    static QImage image = [] {
        QImage i(kWidth, kHeight, QImage::Format_RGB32);
        i.fill(Qt::black);
        return i;
    }();
    return image;
}

// With paintOnly the grid is filled and painted, nothing else (the large run).
void RunGrid(int rows, TFigures& fig, bool paintOnly = false) {
    TForm form(nullptr);
    form.SetBounds(0, 0, kWidth, kHeight);
    auto* grid = new TGxGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, kWidth, kHeight);
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goDisableColumnMoving, goFooter});
    grid->SetAppearanceOptions({aoAlphaBlendedSelection});
    grid->SetGridLinesStyle(lsActiveRows);
    grid->SetRowSize(18);
    for (int c = 0; c < kCols; ++c) {
        TGxCustomColumn* col = grid->Columns()->Add<TGxTextColumn>(QStringLiteral("Column %1").arg(c));
        col->SetWidth(95);
        col->SetOptions(col->Options() + coCanSort);
    }
    grid->Columns()->Item(0)->SetSortType(stNumeric);
    grid->Columns()->Item(0)->Footer()->SetFormulaKind(fkSum);
    form.Show();

    TimeFill(
        fig, rows, [&] { grid->BeginUpdate(); },
        [&](const TTextBlock& b) {
            for (int r = b.First, end = b.First + b.Rows(); r < end; ++r) {
                const int row = grid->AddRow(1);
                for (int c = 0; c < kCols; ++c)
                    grid->SetCells(c, row, b.At(r, c));
            }
        },
        [&] { grid->EndUpdate(); });
    if (!paintOnly) {
        Keep(fig, "sort_numeric", Time([&] { grid->SortColumn(grid->Columns()->Item(0), true); }));
        fig.First = grid->GetCells(0, 0);
        Keep(fig, "sort_text", Time([&] { grid->SortColumn(grid->Columns()->Item(1), true); }));
        Keep(fig, "footer_sum", Time([&] { grid->CalculateFooter(false); }));
        fig.Sum = grid->Columns()->Item(0)->Footer()->FormulaValue();
    }
    QImage& image = Target();
    const double paint = Time([&] { grid->Widget()->render(&image); });
    Keep(fig, "paint", paint);
    if (fig.FirstPaint < 0) fig.FirstPaint = paint;
    // The whole screen painted again, several times: steadier than one first paint.
    for (int k = 0; k < kRepaints; ++k)
        Keep(fig, "repaint", Time([&] {
            grid->Invalidate();
            grid->Widget()->render(&image);
        }));
    Keep(fig, "scroll_last", Time([&] {
        grid->ScrollToRow(grid->RowCount() - 1);
        grid->Widget()->render(&image);
    }));
    fig.Last = grid->GetCells(1, grid->RowCount() - 1);
}

void RunTable(int rows, TFigures& fig) {
    QTableWidget table(0, kCols);
    table.resize(kWidth, kHeight);
    table.verticalHeader()->setDefaultSectionSize(18);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int c = 0; c < kCols; ++c) {
        table.setHorizontalHeaderItem(c, new QTableWidgetItem(QStringLiteral("Column %1").arg(c)));
        table.setColumnWidth(c, 95);
    }
    table.show();

    TimeFill(
        fig, rows,
        [&] {
            table.setUpdatesEnabled(false);
            table.setRowCount(rows);
        },
        [&](const TTextBlock& b) {
            for (int r = b.First, end = b.First + b.Rows(); r < end; ++r) {
                for (int c = 0; c < kCols; ++c) {
                    auto* item = new QTableWidgetItem;
                    // The numeric column holds numbers, so that it sorts by value as the grid does.
                    if (c == 0)
                        item->setData(Qt::DisplayRole, b.At(r, c).toDouble());
                    else
                        item->setText(b.At(r, c));
                    table.setItem(r, c, item);
                }
            }
        },
        [&] { table.setUpdatesEnabled(true); });
    Keep(fig, "sort_numeric", Time([&] { table.sortItems(0, Qt::AscendingOrder); }));
    fig.First = table.item(0, 0)->text();
    Keep(fig, "sort_text", Time([&] { table.sortItems(1, Qt::AscendingOrder); }));
    Keep(fig, "footer_sum", Time([&] {
        double sum = 0;
        for (int r = 0; r < table.rowCount(); ++r)
            sum += table.item(r, 0)->data(Qt::DisplayRole).toDouble();
        fig.Sum = sum;
    }));
    QImage& image = Target();
    const double paint = Time([&] { table.render(&image); });
    Keep(fig, "paint", paint);
    if (fig.FirstPaint < 0) fig.FirstPaint = paint;
    for (int k = 0; k < kRepaints; ++k)
        Keep(fig, "repaint", Time([&] { table.render(&image); }));
    Keep(fig, "scroll_last", Time([&] {
        table.scrollToItem(table.item(table.rowCount() - 1, 0));
        table.render(&image);
    }));
    fig.Last = table.item(table.rowCount() - 1, 1)->text();
}

// A child: one side, several runs, figures on stdout.
int Child(const QString& side, int rows, int runs) {
    // Freed memory stays with the process and is used again by the next run, on both sides alike.
    // Left to itself the allocator moves its thresholds as large blocks come and go, so whether a
    // run gets fresh pages (each one's first write costs a fault, which on a virtual machine is
    // dear) would depend on what the previous run happened to free. The first run, which gets
    // fresh pages on both sides, is shown apart as paint_first_run.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
    Target();
    const long base = PeakKiB();
    TFigures fig;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
        if (side == QLatin1String("grid"))
            RunGrid(rows, fig);
        else if (side == QLatin1String("grid_large"))
            RunGrid(rows, fig, true);
        else
            RunTable(rows, fig);
        if (i == 0) peak = PeakKiB();
    }
    for (auto it = fig.Ms.begin(); it != fig.Ms.end(); ++it)
        std::printf("%s.%s: %.1f ms\n", qPrintable(side), qPrintable(it.key()), it.value());
    std::printf("%s.paint_first_run: %.1f ms\n", qPrintable(side), fig.FirstPaint);
    std::printf("%s.memory: %.1f MiB\n", qPrintable(side), (peak - base) / 1024.0);
    std::printf("%s.sum: %.1f value\n", qPrintable(side), fig.Sum);
    std::printf("%s.first_numeric: %s value\n", qPrintable(side), qPrintable(fig.First));
    std::printf("%s.last_text: %s value\n", qPrintable(side), qPrintable(fig.Last));
    return 0;
}

QMap<QString, QString> RunSide(const QString& program, const QString& side, int rows, int runs, bool& ok) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, {QStringLiteral("--child"), side, QStringLiteral("--rows"), QString::number(rows),
                      QStringLiteral("--runs"), QString::number(runs)});
    ok = p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    QMap<QString, QString> values;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const int colon = line.indexOf(": ");
        if (colon < 0) continue;
        std::printf("%s\n", line.constData());
        values[QString::fromUtf8(line.left(colon))] = QString::fromUtf8(line.mid(colon + 2));
    }
    return values;
}

double Number(const QString& valueAndUnit) {
    return valueAndUnit.section(QLatin1Char(' '), 0, 0).toDouble();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    int rows = 100000, runs = 3, paintRows = 1000000;
    QString side;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows")) rows = args[i + 1].toInt();
        if (args[i] == QLatin1String("--runs")) runs = std::max(1, args[i + 1].toInt());
        if (args[i] == QLatin1String("--paint-rows")) paintRows = args[i + 1].toInt();
        if (args[i] == QLatin1String("--child")) side = args[i + 1];
    }
    if (!side.isEmpty()) {
        InitApplication();
        UseClassicSystemColors();
        const int rc = Child(side, rows, runs);
        DoneApplication();
        return rc;
    }

    std::printf("rows: %d value\nruns: %d value\npaint_rows: %d value\n", rows, runs, paintRows);
    bool okGrid = false, okTable = false, okLarge = true;
    const auto grid = RunSide(app.applicationFilePath(), QStringLiteral("grid"), rows, runs, okGrid);
    const auto table = RunSide(app.applicationFilePath(), QStringLiteral("table"), rows, runs, okTable);
    QMap<QString, QString> large;
    if (paintRows > 0)
        large = RunSide(app.applicationFilePath(), QStringLiteral("grid_large"), paintRows, runs, okLarge);
    if (!okGrid || !okTable || !okLarge) {
        std::printf("run: failed status\n");
        return 1;
    }
    int rc = 0;
    for (const char* step :
         {"fill", "sort_numeric", "sort_text", "footer_sum", "paint", "repaint", "scroll_last", "memory"}) {
        const QString key = QString::fromLatin1(step);
        const double g = Number(grid.value(QStringLiteral("grid.") + key));
        const double t = Number(table.value(QStringLiteral("table.") + key));
        // How many times the grid is faster (or, for memory, how many times smaller).
        const double ratio = g > 0 ? t / g : std::numeric_limits<double>::infinity();
        std::printf("%s.grid_vs_table: %.2f x\n", step, ratio);
        // Fill and sorts: this many times faster; paint, scroll and the sum: not slower; memory:
        // at most half the table's.
        const double goal = key == QLatin1String("fill")           ? 3
                            : key == QLatin1String("sort_numeric") ? 8
                            : key == QLatin1String("sort_text")    ? 5
                            : key == QLatin1String("memory")       ? 2
                                                                   : 1;
        if (key == QLatin1String("memory"))
            std::printf("memory.at_most_half: %s goal\n", ratio >= goal ? "yes" : "no");
        else
            std::printf("%s.at_least_%gx: %s goal\n", step, goal, ratio >= goal ? "yes" : "no");
    }
    {
        // For information: the fill as first measured, with the making of the texts inside.
        const double g = Number(grid.value(QStringLiteral("grid.fill_with_texts")));
        const double t = Number(table.value(QStringLiteral("table.fill_with_texts")));
        std::printf("fill_with_texts.grid_vs_table: %.2f x\n", g > 0 ? t / g : std::numeric_limits<double>::infinity());
    }
    {
        // For information: the first run's paint, cold (the grid makes its back buffer then).
        const double g = Number(grid.value(QStringLiteral("grid.paint_first_run")));
        const double t = Number(table.value(QStringLiteral("table.paint_first_run")));
        std::printf("paint_first_run.grid_vs_table: %.2f x\n", g > 0 ? t / g : std::numeric_limits<double>::infinity());
    }
    if (paintRows > 0) {
        // The same screen over paintRows rows: the cost of a full repaint must not grow with the
        // rows (within the run-to-run spread of a few milliseconds' work). The first paint and the
        // scroll to the last row are shown for information; that scroll walks the rows it passes.
        for (const char* step : {"repaint", "paint", "scroll_last"}) {
            const QString key = QString::fromLatin1(step);
            const double small = Number(grid.value(QStringLiteral("grid.") + key));
            const double big = Number(large.value(QStringLiteral("grid_large.") + key));
            const double ratio = small > 0 ? big / small : std::numeric_limits<double>::infinity();
            std::printf("%s.rows_%d_vs_%d: %.2f x\n", step, paintRows, rows, ratio);
            if (key == QLatin1String("repaint"))
                std::printf("repaint.same_at_%d_rows: %s goal\n", paintRows, ratio <= 1.15 ? "yes" : "no");
        }
    }
    // Both sides did the same work: the same sum and the same rows at the ends after sorting.
    for (const char* check : {"sum", "first_numeric", "last_text"}) {
        const QString key = QString::fromLatin1(check);
        const QString g = grid.value(QStringLiteral("grid.") + key), t = table.value(QStringLiteral("table.") + key);
        const bool same = key == QLatin1String("sum") ? qAbs(Number(g) - Number(t)) < 1e-3 * qMax(1.0, qAbs(Number(t)))
                                                      : Number(g) == Number(t) || g == t;
        if (!same) {
            std::printf("%s.mismatch: %s vs %s status\n", check, qPrintable(g), qPrintable(t));
            rc = 1;
        }
    }
    std::printf("checksums: %s status\n", rc == 0 ? "agree" : "differ");
    return rc;
}
