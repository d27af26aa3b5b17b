#include "platform/automation/XlsxFile.h"

#include <QFile>

#include <xlsxwriter.h>

#include <cmath>
#include <list>
#include <set>
#include <utility>
#include <vector>

namespace {

lxw_color_t Rgb(int bgr) {
    // Automation colours are red + 256 * green + 65536 * blue; the file wants 0xRRGGBB.
    const unsigned v = unsigned(bgr) & 0xFFFFFF;
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

uint8_t BorderKind(const TBorderLine& l) {
    const bool medium = l.Weight == -4138, thick = l.Weight == 4;
    switch (l.LineStyle) {
    case xlContinuous:
        return l.Weight == 1 ? LXW_BORDER_HAIR : thick ? LXW_BORDER_THICK : medium ? LXW_BORDER_MEDIUM : LXW_BORDER_THIN;
    case -4115: return medium || thick ? LXW_BORDER_MEDIUM_DASHED : LXW_BORDER_DASHED;
    case -4118: return LXW_BORDER_DOTTED;
    case -4119: return LXW_BORDER_DOUBLE;
    case 4: return medium || thick ? LXW_BORDER_MEDIUM_DASH_DOT : LXW_BORDER_DASH_DOT;
    case 5: return medium || thick ? LXW_BORDER_MEDIUM_DASH_DOT_DOT : LXW_BORDER_DASH_DOT_DOT;
    case 13: return LXW_BORDER_SLANT_DASH_DOT;
    default: return LXW_BORDER_NONE;
    }
}

// Text as the file can hold it: characters XML forbids (NUL and the other C0 controls but tab,
// line feed and carriage return; U+FFFE, U+FFFF) are dropped, and a surrogate without its partner
// becomes U+FFFD. A NUL would otherwise end the text early in the writer.
QByteArray XmlUtf8(const QString& s) {
    QString r;
    r.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
            r += s[i];
            r += s[++i];
        } else if (QChar::isSurrogate(u)) {
            r += QChar(0xFFFD);
        } else if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF) {
            continue;
        } else {
            r += s[i];
        }
    }
    return r.toUtf8();
}

class Writer {
public:
    Writer(const TWorkbookData& book, const QString& fileName) : FBook(book), FFileName(fileName) {}

    void Run() {
        const QByteArray path = QFile::encodeName(FFileName);
        lxw_workbook* wb = workbook_new(path.constData());
        if (!wb) Fail(QStringLiteral("the writer could not start"));
        FWorkbook = wb;
        try {
            WriteSheets();
        } catch (...) {
            // A half-written file is worth nothing; the caller learns why from the exception.
            workbook_close(wb);
            QFile::remove(FFileName);
            throw;
        }
        const lxw_error rc = workbook_close(wb);
        if (rc != LXW_NO_ERROR) Fail(QString::fromUtf8(lxw_strerror(rc)));
    }

private:
    void WriteSheets() {
        lxw_worksheet* active = nullptr;
        for (size_t i = 0; i < FBook.Sheets.size(); ++i) {
            const TSheetData& sheet = *FBook.Sheets[i];
            const QByteArray name = sheet.Name.toUtf8();
            lxw_worksheet* ws = workbook_add_worksheet(FWorkbook, name.constData());
            if (!ws) Fail(QStringLiteral("the sheet name \"%1\" was refused").arg(sheet.Name));
            WriteSheet(ws, sheet);
            if (int(i) == FBook.ActiveSheet) active = ws;
        }
        if (active) worksheet_activate(active);
    }

    [[noreturn]] void Fail(const QString& why) const {
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(FFileName, why));
    }

    lxw_format* Format(const TCellFormat& f) {
        if (f.IsEmpty()) return nullptr;
        // Neighbouring cells mostly share a format: compare with the last few before building a key.
        for (const auto& [recent, x] : FRecent)
            if (recent == f) return x;
        const QString key = f.Key();
        if (auto it = FFormats.find(key); it != FFormats.end()) return Remember(f, it->second);
        lxw_format* x = workbook_add_format(FWorkbook);
        if (f.FontName) format_set_font_name(x, XmlUtf8(*f.FontName).constData());
        if (f.FontSize) format_set_font_size(x, *f.FontSize);
        if (f.Bold.value_or(false)) format_set_bold(x);
        if (f.Italic.value_or(false)) format_set_italic(x);
        if (f.Underline && *f.Underline != xlNone)
            format_set_underline(x, *f.Underline == xlUnderlineStyleDouble ? LXW_UNDERLINE_DOUBLE : LXW_UNDERLINE_SINGLE);
        if (f.FontColor) format_set_font_color(x, Rgb(*f.FontColor));
        if (f.InteriorColor) {
            format_set_pattern(x, LXW_PATTERN_SOLID);
            format_set_bg_color(x, Rgb(*f.InteriorColor));
        }
        if (f.HorizontalAlignment) {
            switch (*f.HorizontalAlignment) {
            case xlLeft: format_set_align(x, LXW_ALIGN_LEFT); break;
            case xlRight: format_set_align(x, LXW_ALIGN_RIGHT); break;
            case xlCenter: format_set_align(x, LXW_ALIGN_CENTER); break;
            case xlJustify: format_set_align(x, LXW_ALIGN_JUSTIFY); break;
            case 5: format_set_align(x, LXW_ALIGN_FILL); break;
            case 7: format_set_align(x, LXW_ALIGN_CENTER_ACROSS); break;
            default: break;
            }
        }
        if (f.VerticalAlignment) {
            switch (*f.VerticalAlignment) {
            case xlTop: format_set_align(x, LXW_ALIGN_VERTICAL_TOP); break;
            case xlCenter: format_set_align(x, LXW_ALIGN_VERTICAL_CENTER); break;
            case xlJustify: format_set_align(x, LXW_ALIGN_VERTICAL_JUSTIFY); break;
            default: format_set_align(x, LXW_ALIGN_VERTICAL_BOTTOM); break;
            }
        }
        if (f.WrapText.value_or(false)) format_set_text_wrap(x);
        if (f.ShrinkToFit.value_or(false)) format_set_shrink(x);
        if (f.Orientation && *f.Orientation != 0) format_set_rotation(x, int16_t(*f.Orientation));
        if (f.NumberFormat) format_set_num_format(x, XmlUtf8(*f.NumberFormat).constData());
        using SetBorder = void (*)(lxw_format*, uint8_t);
        using SetColor = void (*)(lxw_format*, lxw_color_t);
        static const SetBorder setBorder[4] = {format_set_left, format_set_top, format_set_right, format_set_bottom};
        static const SetColor setColor[4] = {format_set_left_color, format_set_top_color, format_set_right_color,
                                             format_set_bottom_color};
        for (size_t e = 0; e < 4; ++e) {
            if (!f.Borders[e]) continue;
            const uint8_t kind = BorderKind(*f.Borders[e]);
            if (kind == LXW_BORDER_NONE) continue;
            setBorder[e](x, kind);
            if (f.Borders[e]->Color != 0) setColor[e](x, Rgb(f.Borders[e]->Color));
        }
        FFormats.emplace(key, x);
        return Remember(f, x);
    }

    void WriteCell(lxw_worksheet* ws, int row, int col, const TSheetCell* cell, TCellFormat f) {
        const lxw_row_t r = lxw_row_t(row - 1);
        const lxw_col_t c = lxw_col_t(col - 1);
        const Variant v = cell ? cell->Value : Variant();
        if (v.VType() == varDate && !f.NumberFormat) {
            const double d = v.ToDouble();
            f.NumberFormat = d == std::floor(d) ? QStringLiteral("yyyy-mm-dd") : QStringLiteral("yyyy-mm-dd hh:mm:ss");
        }
        lxw_format* fmt = Format(f);
        lxw_error rc = LXW_NO_ERROR;
        if (cell && cell->IsFormula) {
            rc = worksheet_write_formula(ws, r, c, XmlUtf8(v.ToString()).constData(), fmt);
        } else if (v.IsEmpty() || v.IsNull() || v.VType() == varError) {
            if (fmt) rc = worksheet_write_blank(ws, r, c, fmt);
        } else if (v.VType() == varBoolean) {
            rc = worksheet_write_boolean(ws, r, c, v.ToBool() ? 1 : 0, fmt);
        } else if (v.IsText()) {
            // The file format holds at most 32767 characters in a cell.
            rc = worksheet_write_string(ws, r, c, XmlUtf8(v.ToString().left(32767)).constData(), fmt);
        } else {
            rc = worksheet_write_number(ws, r, c, v.ToDouble(), fmt);
        }
        if (rc != LXW_NO_ERROR) Fail(QStringLiteral("cell %1: %2").arg(CellName(row, col), QString::fromUtf8(lxw_strerror(rc))));
    }

    void WriteColumns(lxw_worksheet* ws, const TSheetData& sheet) {
        std::set<int> cols;
        for (const auto& [c, w] : sheet.ColumnWidths) cols.insert(c);
        for (const auto& [c, f] : sheet.ColumnFormats) cols.insert(c);
        const bool sheetFormat = !sheet.DefaultFormat.IsEmpty();
        lxw_format* defFmt = Format(sheet.DefaultFormat);
        int next = 1; // first column not yet written
        for (int c : cols) {
            if (sheetFormat && c > next)
                worksheet_set_column(ws, lxw_col_t(next - 1), lxw_col_t(c - 2), TSheetData::DefaultColumnWidth, defFmt);
            TCellFormat f = sheet.DefaultFormat;
            if (auto it = sheet.ColumnFormats.find(c); it != sheet.ColumnFormats.end()) f.MergeFrom(it->second);
            worksheet_set_column(ws, lxw_col_t(c - 1), lxw_col_t(c - 1), sheet.ColumnWidth(c), Format(f));
            next = c + 1;
        }
        if (sheetFormat && next <= SheetMaxColumns)
            worksheet_set_column(ws, lxw_col_t(next - 1), lxw_col_t(SheetMaxColumns - 1), TSheetData::DefaultColumnWidth, defFmt);
    }

    void WriteRows(lxw_worksheet* ws, const TSheetData& sheet) {
        std::set<int> rows;
        for (const auto& [r, h] : sheet.RowHeights) rows.insert(r);
        for (const auto& [r, f] : sheet.RowFormats) rows.insert(r);
        for (int r : rows) {
            TCellFormat f;
            if (auto it = sheet.RowFormats.find(r); it != sheet.RowFormats.end()) {
                f = sheet.DefaultFormat;
                f.MergeFrom(it->second);
            }
            const double h = sheet.RowHeight(r);
            if (h == 0) {
                lxw_row_col_options hidden{1, 0, 0};
                worksheet_set_row_opt(ws, lxw_row_t(r - 1), LXW_DEF_ROW_HEIGHT, Format(f), &hidden);
            } else {
                worksheet_set_row(ws, lxw_row_t(r - 1), h, Format(f));
            }
        }
    }

    void WritePageSetup(lxw_worksheet* ws, const TSheetData& sheet) {
        const TPageSetupData& p = sheet.PageSetup;
        worksheet_set_margins(ws, p.LeftMargin / 72, p.RightMargin / 72, p.TopMargin / 72, p.BottomMargin / 72);
        if (!p.CenterHeader.isEmpty()) {
            lxw_header_footer_options o{p.HeaderMargin / 72, nullptr, nullptr, nullptr};
            worksheet_set_header_opt(ws, XmlUtf8(QStringLiteral("&C") + p.CenterHeader).constData(), &o);
        }
        if (!p.CenterFooter.isEmpty()) {
            lxw_header_footer_options o{p.FooterMargin / 72, nullptr, nullptr, nullptr};
            worksheet_set_footer_opt(ws, XmlUtf8(QStringLiteral("&C") + p.CenterFooter).constData(), &o);
        }
        if (p.Orientation == 2) worksheet_set_landscape(ws);
        else worksheet_set_portrait(ws);
        if (p.PaperSize > 0) worksheet_set_paper(ws, uint8_t(p.PaperSize));
        if (p.Zoom > 0 && p.Zoom != 100) worksheet_set_print_scale(ws, uint16_t(p.Zoom));
        if (p.FitToPagesWide > 0 || p.FitToPagesTall > 0)
            worksheet_fit_to_pages(ws, uint16_t(p.FitToPagesWide), uint16_t(p.FitToPagesTall));
        if (p.CenterHorizontally) worksheet_center_horizontally(ws);
        if (p.CenterVertically) worksheet_center_vertically(ws);

        // The writer keeps the arrays' addresses until the workbook is closed.
        auto& rowBreaks = FBreaks.emplace_back();
        for (int r : sheet.RowBreaks) rowBreaks.push_back(lxw_row_t(r - 1));
        if (!rowBreaks.empty()) {
            rowBreaks.push_back(0);
            worksheet_set_h_pagebreaks(ws, rowBreaks.data());
        }
        auto& colBreaks = FColBreaks.emplace_back();
        for (int c : sheet.ColumnBreaks) colBreaks.push_back(lxw_col_t(c - 1));
        if (!colBreaks.empty()) {
            colBreaks.push_back(0);
            worksheet_set_v_pagebreaks(ws, colBreaks.data());
        }
    }

    void WritePictures(lxw_worksheet* ws, const TSheetData& sheet) {
        for (const TSheetPicture& p : sheet.Pictures) {
            if (p.PixelWidth <= 0 || p.PixelHeight <= 0 || p.Png.isEmpty()) continue;
            // The cell under the picture's corner, walking the edges once.
            int col = 1;
            double left = 0;
            while (col < SheetMaxColumns && left + TSheetData::ColumnPixels(sheet.ColumnWidth(col)) * 0.75 <= p.Left)
                left += TSheetData::ColumnPixels(sheet.ColumnWidth(col++)) * 0.75;
            int row = 1;
            double top = 0;
            while (row < SheetMaxRows && top + sheet.RowHeight(row) <= p.Top) top += sheet.RowHeight(row++);
            lxw_image_options o{};
            o.x_offset = int32_t(std::lround((p.Left - left) / 0.75));
            o.y_offset = int32_t(std::lround((p.Top - top) / 0.75));
            o.x_scale = p.Width / 0.75 / p.PixelWidth;
            o.y_scale = p.Height / 0.75 / p.PixelHeight;
            const lxw_error rc = worksheet_insert_image_buffer_opt(
                ws, lxw_row_t(row - 1), lxw_col_t(col - 1), reinterpret_cast<const unsigned char*>(p.Png.constData()),
                size_t(p.Png.size()), &o);
            if (rc != LXW_NO_ERROR) Fail(QStringLiteral("a picture: %1").arg(QString::fromUtf8(lxw_strerror(rc))));
        }
    }

    void WriteSheet(lxw_worksheet* ws, const TSheetData& sheet) {
        WriteColumns(ws, sheet);
        WriteRows(ws, sheet);
        for (const TCellArea& m : sheet.Merges) {
            const lxw_error rc = worksheet_merge_range(ws, lxw_row_t(m.Top - 1), lxw_col_t(m.Left - 1), lxw_row_t(m.Bottom - 1),
                                                       lxw_col_t(m.Right - 1), "", Format(sheet.EffectiveFormat(m.Top, m.Left)));
            if (rc != LXW_NO_ERROR)
                Fail(QStringLiteral("merging %1: %2").arg(AreaName(m), QString::fromUtf8(lxw_strerror(rc))));
            // Each covered cell keeps its own frame, so the merged block shows the frames set on its edges.
            for (int r = m.Top; r <= m.Bottom; ++r)
                for (int c = m.Left; c <= m.Right; ++c)
                    if (r != m.Top || c != m.Left) {
                        if (lxw_format* f = Format(sheet.EffectiveFormat(r, c)))
                            worksheet_write_blank(ws, lxw_row_t(r - 1), lxw_col_t(c - 1), f);
                    }
        }
        for (const auto& [key, cell] : sheet.Cells) {
            const auto [row, col] = key;
            const TCellArea* m = sheet.MergeAt(row, col);
            if (m && (m->Top != row || m->Left != col)) continue;
            WriteCell(ws, row, col, &cell, sheet.EffectiveFormat(row, col));
        }
        WritePageSetup(ws, sheet);
        if (!sheet.DisplayGridlines) worksheet_gridlines(ws, LXW_HIDE_ALL_GRIDLINES);
        WritePictures(ws, sheet);
    }

    const TWorkbookData& FBook;
    QString FFileName;
    lxw_workbook* FWorkbook = nullptr;
    std::map<QString, lxw_format*> FFormats;
    std::vector<std::pair<TCellFormat, lxw_format*>> FRecent; // the last formats asked for, newest last

    lxw_format* Remember(const TCellFormat& f, lxw_format* x) {
        if (FRecent.size() >= 8) FRecent.erase(FRecent.begin());
        FRecent.emplace_back(f, x);
        return x;
    }
    std::list<std::vector<lxw_row_t>> FBreaks;
    std::list<std::vector<lxw_col_t>> FColBreaks;
};

} // namespace

void WriteWorkbookXlsx(const TWorkbookData& book, const QString& fileName) {
    if (book.Sheets.empty()) throw EFCreateError(QStringLiteral("Cannot create file \"%1\". The workbook has no sheet").arg(fileName));
    Writer(book, fileName).Run();
}
