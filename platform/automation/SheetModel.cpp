#include "platform/automation/SheetModel.h"

#include "platform/rtl/SysUtils.h"

#include <QRegularExpression>

#include <cmath>

QString ColumnName(int column) {
    QString s;
    while (column > 0) {
        const int d = (column - 1) % 26;
        s.prepend(QChar(u'A' + d));
        column = (column - 1) / 26;
    }
    return s;
}

int ColumnNumber(const QString& letters) {
    if (letters.isEmpty() || letters.size() > 3) return 0;
    int n = 0;
    for (QChar ch : letters) {
        const char16_t c = ch.toUpper().unicode();
        if (c < u'A' || c > u'Z') return 0;
        n = n * 26 + (c - u'A' + 1);
    }
    return n <= SheetMaxColumns ? n : 0;
}

QString CellName(int row, int column, bool absolute) {
    const QString d = absolute ? QStringLiteral("$") : QString();
    return d + ColumnName(column) + d + QString::number(row);
}

QString AreaName(const TCellArea& a, bool absolute) {
    const QString d = absolute ? QStringLiteral("$") : QString();
    if (a.IsWholeColumns() && !a.IsWholeRows())
        return d + ColumnName(a.Left) + QStringLiteral(":") + d + ColumnName(a.Right);
    if (a.IsWholeRows() && !a.IsWholeColumns())
        return d + QString::number(a.Top) + QStringLiteral(":") + d + QString::number(a.Bottom);
    const QString first = CellName(a.Top, a.Left, absolute);
    if (a.Top == a.Bottom && a.Left == a.Right) return first;
    return first + QStringLiteral(":") + CellName(a.Bottom, a.Right, absolute);
}

namespace {

[[noreturn]] void BadReference(const QString& text, const QString& part) {
    throw EAutomationError(QStringLiteral("Method 'Range' failed: \"%1\" is not a cell reference (at \"%2\")").arg(text, part));
}

// One corner: "A1", "$A$1", a column "A" (row 0) or a row "1" (column 0): an optional "$", up to
// three letters, an optional "$", up to seven digits (a final line break allowed, as a pattern's
// end would). Read by hand: a range of a thousand cells is read once per cell.
bool ParseCorner(QStringView s, int& row, int& col) {
    const qsizetype n = s.size();
    qsizetype i = 0;
    if (i < n && s[i] == u'$') ++i;
    const qsizetype l0 = i;
    while (i < n && i - l0 < 4 && ((s[i] >= u'A' && s[i] <= u'Z') || (s[i] >= u'a' && s[i] <= u'z')))
        ++i;
    const QStringView letters = s.mid(l0, i - l0);
    if (letters.size() > 3) return false;
    if (i < n && s[i] == u'$') ++i;
    const qsizetype d0 = i;
    while (i < n && i - d0 < 8 && s[i] >= u'0' && s[i] <= u'9')
        ++i;
    const QStringView digits = s.mid(d0, i - d0);
    if (digits.size() > 7) return false;
    if (!(i == n || (i == n - 1 && s[i] == u'\n'))) return false;
    if (s.isEmpty()) return false;
    if (letters.isEmpty() && digits.isEmpty()) return false;
    col = 0;
    row = 0;
    if (!letters.isEmpty()) {
        col = ColumnNumber(letters.toString());
        if (col == 0) return false;
    }
    if (!digits.isEmpty()) {
        row = digits.toInt();
        if (row < 1 || row > SheetMaxRows) return false;
    }
    return true;
}

} // namespace

std::vector<TCellArea> ParseReference(const QString& text) {
    std::vector<TCellArea> areas;
    const qsizetype n = text.size();
    for (qsizetype from = 0; from <= n;) {
        qsizetype to = from;
        while (to < n && text[to] != u',' && text[to] != u';')
            ++to;
        const QStringView part = QStringView(text).mid(from, to - from).trimmed();
        from = to + 1;
        const qsizetype colon = part.indexOf(u':');
        if (colon >= 0 && part.indexOf(u':', colon + 1) >= 0) BadReference(text, part.toString());
        int r1, c1, r2, c2;
        if (!ParseCorner(colon < 0 ? part : part.left(colon), r1, c1)) BadReference(text, part.toString());
        if (colon >= 0) {
            if (!ParseCorner(part.mid(colon + 1), r2, c2)) BadReference(text, part.toString());
        } else {
            r2 = r1;
            c2 = c1;
        }
        // Both corners must be of one kind: cells, whole columns or whole rows.
        if ((r1 == 0) != (r2 == 0) || (c1 == 0) != (c2 == 0)) BadReference(text, part.toString());
        if (colon < 0 && (r1 == 0 || c1 == 0)) BadReference(text, part.toString());
        TCellArea a;
        a.Top = r1 == 0 ? 1 : std::min(r1, r2);
        a.Bottom = r1 == 0 ? SheetMaxRows : std::max(r1, r2);
        a.Left = c1 == 0 ? 1 : std::min(c1, c2);
        a.Right = c1 == 0 ? SheetMaxColumns : std::max(c1, c2);
        areas.push_back(a);
    }
    return areas;
}

// TCellFormat

void TCellFormat::MergeFrom(const TCellFormat& o) {
    auto take = [](auto& mine, const auto& theirs) {
        if (theirs) mine = theirs;
    };
    take(FontName, o.FontName);
    take(FontSize, o.FontSize);
    take(Bold, o.Bold);
    take(Italic, o.Italic);
    take(Underline, o.Underline);
    take(FontColor, o.FontColor);
    take(InteriorColor, o.InteriorColor);
    take(HorizontalAlignment, o.HorizontalAlignment);
    take(VerticalAlignment, o.VerticalAlignment);
    take(WrapText, o.WrapText);
    take(ShrinkToFit, o.ShrinkToFit);
    take(Orientation, o.Orientation);
    take(NumberFormat, o.NumberFormat);
    for (size_t i = 0; i < Borders.size(); ++i) take(Borders[i], o.Borders[i]);
}

bool TCellFormat::IsEmpty() const {
    return *this == TCellFormat();
}

QString TCellFormat::Key() const {
    QString k;
    auto add = [&k](const auto& v) {
        using V = std::decay_t<decltype(*v)>;
        if (!v) {
            k += u'|';
        } else if constexpr (std::is_same_v<V, QString>) {
            k += QString::number(v->size()) + u'"' + *v + u'|';
        } else {
            k += QString::number(*v) + u'|';
        }
    };
    add(FontName);
    add(FontSize);
    add(Bold);
    add(Italic);
    add(Underline);
    add(FontColor);
    add(InteriorColor);
    add(HorizontalAlignment);
    add(VerticalAlignment);
    add(WrapText);
    add(ShrinkToFit);
    add(Orientation);
    add(NumberFormat);
    for (const auto& b : Borders)
        k += b ? QStringLiteral("%1/%2/%3|").arg(b->LineStyle).arg(b->Weight).arg(b->Color) : QStringLiteral("|");
    return k;
}

// TSheetData

const TSheetCell* TSheetData::FindCell(int row, int col) const {
    auto it = Cells.find({row, col});
    return it == Cells.end() ? nullptr : &it->second;
}

TCellFormat TSheetData::EffectiveFormat(int row, int col) const {
    TCellFormat f = DefaultFormat;
    if (auto it = ColumnFormats.find(col); it != ColumnFormats.end()) f.MergeFrom(it->second);
    if (auto it = RowFormats.find(row); it != RowFormats.end()) f.MergeFrom(it->second);
    if (const TSheetCell* c = FindCell(row, col)) f.MergeFrom(c->Format);
    return f;
}

void TSheetData::ForEachExistingCell(const TCellArea& area, const std::function<void(int, int, TSheetCell&)>& fn) {
    for (auto it = Cells.lower_bound({area.Top, 0}); it != Cells.end() && it->first.first <= area.Bottom; ++it) {
        const int col = it->first.second;
        if (col >= area.Left && col <= area.Right) fn(it->first.first, col, it->second);
    }
}

void TSheetData::ForEachFormat(const TCellArea& area, const std::function<void(TCellFormat&)>& fn) {
    if (area.IsWholeSheet()) {
        fn(DefaultFormat);
        for (auto& [c, f] : ColumnFormats) fn(f);
        for (auto& [r, f] : RowFormats) fn(f);
        for (auto& [k, cell] : Cells) fn(cell.Format);
        return;
    }
    if (area.IsWholeRows() || area.IsWholeColumns()) {
        if (area.IsWholeRows() && area.Rows() > 100'000)
            throw EAutomationError(QStringLiteral("The range %1 has too many rows to format one by one").arg(AreaName(area)));
        if (area.IsWholeRows())
            for (int r = area.Top; r <= area.Bottom; ++r) fn(RowFormats[r]);
        else
            for (int c = area.Left; c <= area.Right; ++c) fn(ColumnFormats[c]);
        ForEachExistingCell(area, [&fn](int, int, TSheetCell& cell) { fn(cell.Format); });
        return;
    }
    // Ordinary areas are created cell by cell; a runaway area is refused rather than filled.
    if (qint64(area.Rows()) * area.Columns() > 4'000'000)
        throw EAutomationError(QStringLiteral("The range %1 has too many cells to format one by one").arg(AreaName(area)));
    for (int r = area.Top; r <= area.Bottom; ++r)
        for (int c = area.Left; c <= area.Right; ++c) fn(Cell(r, c).Format);
}

double TSheetData::ColumnWidth(int col) const {
    auto it = ColumnWidths.find(col);
    return it == ColumnWidths.end() ? DefaultColumnWidth : it->second;
}

double TSheetData::RowHeight(int row) const {
    auto it = RowHeights.find(row);
    return it == RowHeights.end() ? DefaultRowHeight : it->second;
}

int TSheetData::ColumnPixels(double width) {
    // The program's layout for its default font: 7 pixels a digit and 5 of padding.
    if (width <= 0) return 0;
    if (width < 1) return int(width * 12 + 0.5);
    return int(width * 7 + 0.5) + 5;
}

double TSheetData::ColumnLeft(int col) const {
    const double defaultPx = ColumnPixels(DefaultColumnWidth);
    double px = (col - 1) * defaultPx;
    for (const auto& [c, w] : ColumnWidths) {
        if (c >= col) break;
        px += ColumnPixels(w) - defaultPx;
    }
    return px * 0.75;
}

double TSheetData::RowTop(int row) const {
    double pt = (row - 1) * DefaultRowHeight;
    for (const auto& [r, h] : RowHeights) {
        if (r >= row) break;
        pt += h - DefaultRowHeight;
    }
    return pt;
}

void TSheetData::Unmerge(const TCellArea& area) {
    std::erase_if(Merges, [&area](const TCellArea& m) { return m.Intersects(area); });
}

void TSheetData::Merge(const TCellArea& area) {
    if (area.Rows() == 1 && area.Columns() == 1) return;
    if (area.IsWholeRows() || area.IsWholeColumns())
        throw EAutomationError(QStringLiteral("Cannot merge whole rows or columns (%1)").arg(AreaName(area)));
    Unmerge(area);
    ForEachExistingCell(area, [&area](int r, int c, TSheetCell& cell) {
        if (r != area.Top || c != area.Left) {
            cell.Value = Variant();
            cell.IsFormula = false;
        }
    });
    Merges.push_back(area);
}

const TCellArea* TSheetData::MergeAt(int row, int col) const {
    for (const TCellArea& m : Merges)
        if (m.Contains(row, col)) return &m;
    return nullptr;
}

// TWorkbookData

std::shared_ptr<TSheetData> TWorkbookData::AddSheet(const QString& name) {
    auto sheet = std::make_shared<TSheetData>();
    if (name.isEmpty()) {
        int n = int(Sheets.size()) + 1;
        auto taken = [this](const QString& s) {
            for (const auto& sh : Sheets)
                if (sh->Name.compare(s, Qt::CaseInsensitive) == 0) return true;
            return false;
        };
        while (taken(QStringLiteral("Sheet%1").arg(n))) ++n;
        sheet->Name = QStringLiteral("Sheet%1").arg(n);
    } else {
        CheckSheetName(name, nullptr);
        sheet->Name = name;
    }
    Sheets.push_back(sheet);
    return sheet;
}

std::shared_ptr<TNamedStyle> TWorkbookData::FindStyle(const QString& name) const {
    for (const auto& s : Styles)
        if (s->Name.compare(name, Qt::CaseInsensitive) == 0) return s;
    return nullptr;
}

void TWorkbookData::CheckSheetName(const QString& name, const TSheetData* except) const {
    static const QRegularExpression bad(QStringLiteral("[:\\\\/?*\\[\\]]"));
    if (name.isEmpty() || name.size() > 31 || name.contains(bad) || name.startsWith(u'\'') || name.endsWith(u'\''))
        throw EAutomationError(QStringLiteral("\"%1\" cannot be a sheet name: it must have 1 to 31 characters and none of : \\ / ? * [ ]")
                            .arg(name));
    for (const auto& s : Sheets)
        if (s.get() != except && s->Name.compare(name, Qt::CaseInsensitive) == 0)
            throw EAutomationError(QStringLiteral("The sheet name \"%1\" is already taken").arg(name));
}

void StoreCellValue(TSheetCell& cell, const Variant& value) {
    cell.IsFormula = false;
    if (value.IsNull() || value.IsEmpty()) {
        cell.Value = Variant();
        return;
    }
    if (value.IsArray() || value.IsDispatch())
        throw EAutomationError(QStringLiteral("A cell cannot hold a value of type %1").arg(VarTypeAsText(value.VType())));
    if (!value.IsText()) {
        if (value.VType() == varBoolean || value.VType() == varDate || value.VType() == varError) {
            cell.Value = value;
        } else {
            cell.Value = Variant(value.ToDouble());
        }
        return;
    }
    const QString s = value.ToString();
    if (s.startsWith(u'\'')) {
        cell.Value = Variant(s.mid(1));
    } else if (s.size() > 1 && s.startsWith(u'=')) {
        cell.Value = Variant(s);
        cell.IsFormula = true;
    } else {
        // Plain numbers, with the point or the user's decimal separator; anything else stays text.
        static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?\\s*$"));
        QString t = s;
        const QChar dec = FormatSettings().DecimalSeparator;
        bool isNumber = false;
        if (number.match(t).hasMatch()) {
            if (t.contains(u',') && dec != u',') {
                isNumber = false;
            } else {
                t.replace(dec, u'.');
                t.toDouble(&isNumber);
            }
        }
        cell.Value = isNumber ? Variant(t.trimmed().toDouble()) : Variant(s);
        if (s.isEmpty()) cell.Value = Variant();
    }
}
