// The grid's column layout in INI files and the settings store, and its content as separated text,
// delimited text files, HTML and XML.

#include "grid/GxCustomGridControl.h"

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Registry.h"
#include "platform/ui/UIServices.h"

#include <QFileInfo>

#include <memory>

namespace {

const QString kCRLF = QStringLiteral("\r\n");

QString ColumnKey(int Index) {
    return QStringLiteral("Column") + QString::number(Index);
}

void WriteLayout(TGxCustomGridControl& Grid, TCustomIniFile& Ini, const QString& ID) {
    TGxColumns* columns = Grid.Columns();
    Ini.WriteInteger(QStringLiteral("Common") + ID, QStringLiteral("ColumnsCount"), columns->Count());
    for (int i = 0; i < columns->Count(); ++i) {
        TGxCustomColumn* column = columns->Item(i);
        const QString key = ColumnKey(i);
        Ini.WriteString(QStringLiteral("Columns Sort Kind") + ID, key,
                        column->SortKind() == skDescending ? QStringLiteral("Descending") : QStringLiteral("Ascending"));
        Ini.WriteBool(QStringLiteral("Visible Columns") + ID, key, column->Visible());
        Ini.WriteBool(QStringLiteral("Sorted") + ID, key, column->Sorted());
        Ini.WriteInteger(QStringLiteral("Positions") + ID, key, column->Position());
        Ini.WriteInteger(QStringLiteral("Columns Sizes") + ID, key, column->Width());
    }
    Ini.UpdateFile();
}

void ReadLayout(TGxCustomGridControl& Grid, TCustomIniFile& Ini, const QString& ID) {
    TGxColumns* columns = Grid.Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        TGxCustomColumn* column = columns->Item(i);
        const QString key = ColumnKey(i);
        const QString kind =
            Ini.ReadString(QStringLiteral("Columns Sort Kind") + ID, key, QStringLiteral("Ascending"));
        column->SetSortKind(kind == QLatin1String("Ascending") ? skAscending : skDescending);
        column->SetVisible(Ini.ReadBool(QStringLiteral("Visible Columns") + ID, key, true));
        column->SetSorted(Ini.ReadBool(QStringLiteral("Sorted") + ID, key, false));
        const int position = Ini.ReadInteger(QStringLiteral("Positions") + ID, key, i);
        // A position outside the list (a layout of a grid with more columns) leaves the column put.
        if (position >= 0 && position < columns->Count()) columns->SetPositionItem(position, column);
        column->SetWidth(Ini.ReadInteger(QStringLiteral("Columns Sizes") + ID, key, column->Width()));
        columns->UpdateColumns(true);
    }
}

// Delimited-file quoting: quotes doubled, a line break becomes M on the same line, and the cell is
// enclosed in quotes when it holds the separator or a quote.
QString QuoteCell(const QString& Cell, QChar S, QChar M) {
    QString result;
    result.reserve(Cell.size() + 2);
    for (int i = 0; i < Cell.size(); ++i) {
        const QChar ch = Cell[i];
        if (ch == QLatin1Char('"')) {
            result += QStringLiteral("\"\"");
        } else if (ch == QLatin1Char('\r')) {
            result += M;
            if (i + 1 < Cell.size() && Cell[i + 1] == QLatin1Char('\n')) ++i;
        } else if (ch == QLatin1Char('\n')) {
            // A bare line feed is a line break too; dropping it would join two lines.
            result += M;
        } else {
            result += ch;
        }
    }
    if (Cell.contains(S) || Cell.contains(QLatin1Char('"')))
        result = QLatin1Char('"') + result + QLatin1Char('"');
    return result;
}

// The HTML cell rule: trimmed of blanks and control characters, escaped, "&nbsp;" when empty.
QString HtmlCell(const QString& Text) {
    int b = 0, e = Text.size();
    while (b < e && Text[b] <= QLatin1Char(' '))
        ++b;
    while (e > b && Text[e - 1] <= QLatin1Char(' '))
        --e;
    const QString trimmed = Text.mid(b, e - b);
    return trimmed.isEmpty() ? QStringLiteral("&nbsp;") : trimmed.toHtmlEscaped();
}

QString XmlEscape(const QString& Text) {
    QString result;
    result.reserve(Text.size());
    for (const QChar ch : Text) {
        switch (ch.unicode()) {
        case '&': result += QStringLiteral("&amp;"); break;
        case '<': result += QStringLiteral("&lt;"); break;
        case '>': result += QStringLiteral("&gt;"); break;
        case '"': result += QStringLiteral("&quot;"); break;
        case '\'': result += QStringLiteral("&apos;"); break;
        default: result += ch;
        }
    }
    return result;
}

bool IsXmlNameStart(QChar ch) {
    const ushort u = ch.unicode();
    return u == ':' || u == '_' || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool IsXmlNameChar(QChar ch) {
    const ushort u = ch.unicode();
    return IsXmlNameStart(ch) || u == '-' || u == '.' || (u >= '0' && u <= '9');
}

QString XmlElementName(const QString& Caption, int Index) {
    int i = Caption.left(3).compare(QLatin1String("XML"), Qt::CaseInsensitive) == 0 ? 3 : 0;
    while (i < Caption.size() && !IsXmlNameStart(Caption[i]))
        ++i;
    QString name;
    for (; i < Caption.size(); ++i)
        if (IsXmlNameChar(Caption[i])) name += Caption[i];
    return name.isEmpty() ? QStringLiteral("Column") + QString::number(Index) : name;
}

QString XmlDate(TDateTime Value) {
    if (Value > 3) return FormatDateTime(QStringLiteral("yyyy-mm-dd'T'hh:nn:ss"), Value);
    return FormatDateTime(QStringLiteral("hh:nn:ss"), Value);
}

// Latin-1 as declared; characters beyond it become character references, which XML reads back.
QByteArray ToLatin1Xml(const QString& Text) {
    QByteArray bytes;
    bytes.reserve(Text.size());
    for (int i = 0; i < Text.size(); ++i) {
        const QChar ch = Text[i];
        if (ch.unicode() < 256) {
            bytes += static_cast<char>(ch.unicode());
            continue;
        }
        uint code = ch.unicode();
        if (ch.isHighSurrogate() && i + 1 < Text.size() && Text[i + 1].isLowSurrogate())
            code = QChar::surrogateToUcs4(ch, Text[++i]);
        bytes += "&#" + QByteArray::number(code) + ';';
    }
    return bytes;
}

void WriteFile(const QString& FileName, const QByteArray& Bytes) {
    TFileStream file(FileName, fmCreate);
    file.WriteBuffer(Bytes.constData(), Bytes.size());
}

QByteArray ReadFile(const QString& FileName) {
    TFileStream file(FileName, fmOpenRead);
    QByteArray bytes(static_cast<qsizetype>(file.Size()), '\0');
    if (!bytes.isEmpty()) file.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

QByteArray Utf16Bytes(const QString& Text, bool BigEndian) {
    QByteArray bytes;
    bytes.resize(Text.size() * 2);
    char* p = bytes.data();
    for (const QChar ch : Text) {
        const ushort u = ch.unicode();
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        *p++ = BigEndian ? hi : lo;
        *p++ = BigEndian ? lo : hi;
    }
    return bytes;
}

QString Utf16Text(const char* Data, qsizetype Size, bool BigEndian) {
    QString text;
    text.resize(Size / 2);
    for (qsizetype i = 0; i < Size / 2; ++i) {
        const auto a = static_cast<uchar>(Data[2 * i]), b = static_cast<uchar>(Data[2 * i + 1]);
        text[i] = QChar(BigEndian ? ushort(a << 8 | b) : ushort(b << 8 | a));
    }
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Layout

void TGxCustomGridControl::SaveToIni(const QString& FileName, const QString& ID) {
    TMemIniFile ini(FileName);
    WriteLayout(*this, ini, ID);
}

void TGxCustomGridControl::LoadFromIni(const QString& FileName, const QString& ID) {
    TMemIniFile ini(FileName);
    ReadLayout(*this, ini, ID);
}

void TGxCustomGridControl::SaveToRegistry(const QString& KeyName, const QString& ID, HKEY RootKey) {
    TRegistryIniFile ini(KeyName);
    if (RootKey != HKEY_CURRENT_USER) {
        // Another hive keeps the layout under the same key name as the user's one.
        ini.RegIniFile().SetRootKey(RootKey);
        ini.RegIniFile().OpenKey(KeyName, true);
    }
    WriteLayout(*this, ini, ID);
}

void TGxCustomGridControl::LoadFromRegistry(const QString& KeyName, const QString& ID) {
    TRegistryIniFile ini(KeyName);
    ReadLayout(*this, ini, ID);
}

// ---------------------------------------------------------------------------------------------
// Separated text

// A cell that holds the separator, or starts with a quote, is enclosed in quotes with its quotes
// doubled, so it reads back whole; other cells are written as they are.
QString TGxCustomGridControl::GetTextStr(QChar Separator) {
    const int rows = RowCount(), cols = FColumns->Count();
    const QChar quote = QLatin1Char('"');
    const bool canQuote = Separator != quote;
    QString text;
    text += Separator;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            QString cell = GetCells(c, r);
            cell.replace(kCRLF, QStringLiteral("%\r\n"), Qt::CaseInsensitive);
            // The only cell of a last row must show, or the row would not read back.
            const bool lone = cols == 1 && r == rows - 1 && cell.isEmpty();
            if (canQuote && (cell.contains(Separator) || cell.startsWith(quote) || lone)) {
                cell.replace(quote, QStringLiteral("\"\""));
                cell = quote + cell + quote;
            }
            text += cell;
            if (c < cols - 1) text += Separator;
        }
        if (r < rows - 1) {
            text += Separator;
            text += kCRLF;
        }
    }
    return text;
}

void TGxCustomGridControl::SetTextStr(const QString& Value, QChar Separator) {
    const QChar quote = QLatin1Char('"');
    const bool canQuote = Separator != quote;
    BeginUpdate();
    try {
        ClearRows();
        bool newRow = true;
        int row = -1, col = 0;
        int i = 0;
        const int n = Value.size();
        while (i < n) {
            QString token;
            if (canQuote && Value[i] == quote) {
                ++i;
                while (i < n) {
                    if (Value[i] == quote) {
                        if (i + 1 < n && Value[i + 1] == quote) {
                            token += quote;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    token += Value[i++];
                }
                // Anything between the closing quote and the separator belongs to the cell.
                const int end = Value.indexOf(Separator, i);
                const int stop = end < 0 ? n : end;
                token += Value.mid(i, stop - i);
                i = stop;
            } else {
                const int end = Value.indexOf(Separator, i);
                const int stop = end < 0 ? n : end;
                token = Value.mid(i, stop - i);
                i = stop;
            }
            token.replace(QStringLiteral("%\r\n"), kCRLF);
            if (newRow) {
                row = AddRow(1);
                col = 0;
                newRow = false;
            } else {
                ++col;
            }
            SetCells(col, row, token);
            if (i < n && Value[i] == Separator) {
                ++i;
                if (i + 1 < n + 1 && Value.mid(i, 2) == kCRLF) {
                    i += 2;
                    newRow = true;
                }
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TGxCustomGridControl::SaveToStream(TStream& Stream, QChar Separator) {
    const QByteArray bytes = Utf16Bytes(GetTextStr(Separator), false);
    Stream.WriteBuffer(bytes.constData(), bytes.size());
}

void TGxCustomGridControl::LoadFromStream(TStream& Stream) {
    const Int64 size = Stream.Size(), position = Stream.Position();
    if (size == 1 || position >= size) return;
    QByteArray bytes(static_cast<qsizetype>(size - position), '\0');
    Stream.ReadBuffer(bytes.data(), bytes.size());
    const QString text = Utf16Text(bytes.constData(), bytes.size(), false);
    if (text.isEmpty()) return;
    BeginUpdate();
    try {
        SetTextStr(text.mid(1), text[0]);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// Delimited text files

void TGxCustomGridControl::SaveToTextFile(const QString& FileName, QChar Separator, QChar MultiLineSeparator,
                                          TEncodingKind EncodingKind) {
    QString text;
    const int rows = RowCount(), cols = FColumns->Count();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            if (c > 0) text += Separator;
            text += QuoteCell(GetCells(c, r), Separator, MultiLineSeparator);
        }
        text += kCRLF;
    }
    QByteArray bytes;
    switch (EncodingKind) {
    case ekAnsi: bytes = TEncoding::ANSI().GetBytes(text); break;
    case ekUnicode: bytes = QByteArray("\xFF\xFE", 2) + Utf16Bytes(text, false); break;
    case ekUnicodeBigEndian: bytes = QByteArray("\xFE\xFF", 2) + Utf16Bytes(text, true); break;
    }
    WriteFile(FileName, bytes);
}

void TGxCustomGridControl::LoadFromTextFile(const QString& FileName, QChar Separator, QChar MultiLineSeparator,
                                            int StartRow) {
    const QByteArray bytes = ReadFile(FileName);
    ClearRows();
    QString text;
    if (bytes.size() > 1 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE)
        text = Utf16Text(bytes.constData() + 2, bytes.size() - 2, false);
    else if (bytes.size() > 1 && uchar(bytes[0]) == 0xFE && uchar(bytes[1]) == 0xFF)
        text = Utf16Text(bytes.constData() + 2, bytes.size() - 2, true);
    else
        text = TEncoding::ANSI().GetString(bytes);

    QString cell;
    int quotes = 0, line = 0, row = -1, col = -1;
    bool newLineDue = true;
    auto endCell = [&] {
        quotes = 0;
        if (newLineDue) {
            newLineDue = false;
            if (line >= StartRow) {
                AddRow(1);
                ++row;
            }
            ++line;
            col = -1;
        }
        ++col;
        if (line > StartRow) {
            SetCells(col, row, cell);
            DoLoadProgress(col, row);
        }
        cell.clear();
    };
    for (const QChar ch : text) {
        if (ch == Separator) {
            if (quotes % 2 == 1)
                cell += ch;
            else
                endCell();
        } else if (ch == MultiLineSeparator) {
            cell += kCRLF;
        } else if (ch == QLatin1Char('"')) {
            ++quotes;
            if (quotes % 2 == 1 && (!cell.isEmpty() || quotes == 3)) cell += ch;
        } else if (ch == QLatin1Char('\r')) {
        } else if (ch == QLatin1Char('\n')) {
            endCell();
            newLineDue = true;
        } else {
            cell += ch;
        }
    }
    if (!cell.isEmpty()) endCell();
}

// ---------------------------------------------------------------------------------------------
// HTML

void TGxCustomGridControl::SaveToHtml(const QString& FileName, TGxHtmlSaveSettings SaveSettings) {
    const QFileInfo info(FileName);
    const QString base = info.completeBaseName();
    QStringList lines;
    if (SaveSettings.Contains(hsSaveHeaders)) {
        lines << QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"\r\n"
                                "\t\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">")
              << QStringLiteral("<html>") << QStringLiteral("\t<head>") << QStringLiteral("\t\t<title>Report</title>")
              << QStringLiteral("\t\t<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
        if (SaveSettings.Contains(hsCreateStyleSheet))
            lines << QStringLiteral("\t\t<link href=\"") + (base + QStringLiteral("_styles.css")).toHtmlEscaped() +
                         QStringLiteral("\" rel=\"stylesheet\" type=\"text/css\" />");
        lines << QStringLiteral("\t</head>") << QStringLiteral("\t<body>");
    }
    lines << QStringLiteral("\t\t<table>");
    if (SaveSettings.Contains(hsSaveCaption))
        lines << QStringLiteral("\t\t\t<caption>") + FCaption.toHtmlEscaped() + QStringLiteral("</caption>");

    std::vector<TGxCustomColumn*> shown;
    for (int p = 0; p < FColumns->Count(); ++p)
        if (TGxCustomColumn* column = FColumns->PositionItem(p); column && column->Visible()) shown.push_back(column);

    lines << QStringLiteral("\t\t\t<tr>");
    for (TGxCustomColumn* column : shown)
        lines << QStringLiteral("\t\t\t\t<th>") + HtmlCell(column->Header()->Caption()) + QStringLiteral("</th>");
    lines << QStringLiteral("\t\t\t</tr>");

    const bool allRows = SaveSettings.Contains(hsAllRows);
    for (int r = 0; r < RowCount(); ++r) {
        if (!allRows && !RowVisible(r)) continue;
        RowExporting(r);
        lines << QStringLiteral("\t\t\t<tr>");
        for (TGxCustomColumn* column : shown) {
            const QString text = HtmlCell(GetDrawText(column->Index(), r));
            if (!column->StyleClass().isEmpty())
                lines << QStringLiteral("\t\t\t\t<td class=\"") + column->StyleClass().toHtmlEscaped() +
                             QStringLiteral("\">") + text + QStringLiteral("</td>");
            else
                lines << QStringLiteral("\t\t\t\t<td>") + text + QStringLiteral("</td>");
        }
        lines << QStringLiteral("\t\t\t</tr>");
    }
    if (SaveSettings.Contains(hsSaveFooter)) {
        lines << QStringLiteral("\t\t\t<tr class=\"footer\">");
        for (TGxCustomColumn* column : shown)
            lines << QStringLiteral("\t\t\t\t<td>") + HtmlCell(column->Footer()->DisplayText()) +
                         QStringLiteral("</td>");
        lines << QStringLiteral("\t\t\t</tr>");
    }
    lines << QStringLiteral("\t\t</table>");
    if (SaveSettings.Contains(hsSaveHeaders)) lines << QStringLiteral("\t</body>") << QStringLiteral("</html>");
    // The document says UTF-8, so it is written in UTF-8.
    WriteFile(FileName, (lines.join(kCRLF) + kCRLF + kCRLF).toUtf8());

    if (SaveSettings.Contains(hsCreateStyleSheet)) {
        QStringList css{QStringLiteral("body, table {"),
                        QStringLiteral("\tfont-family: Verdana, Arial, Helvetica, sans-serif;"),
                        QStringLiteral("\tfont-size: small;"),
                        QStringLiteral("}"),
                        QString(),
                        QStringLiteral("table {"),
                        QStringLiteral("\tborder: 1px #CCC;"),
                        QStringLiteral("\tborder-collapse: collapse;"),
                        QStringLiteral("}"),
                        QString(),
                        QStringLiteral("table caption {"),
                        QStringLiteral("\tcolor: #999;"),
                        QStringLiteral("\tfont-style: italic;"),
                        QStringLiteral("}"),
                        QString(),
                        QStringLiteral("td, th {"),
                        QStringLiteral("\tpadding: 2px;"),
                        QStringLiteral("\tborder: 1px solid #CCC;"),
                        QStringLiteral("}"),
                        QString(),
                        QStringLiteral("th {"),
                        QStringLiteral("\tbackground-color: #CCC;"),
                        QStringLiteral("\tborder-bottom: 1px solid black;"),
                        QStringLiteral("\tborder-right: 1px solid black;"),
                        QStringLiteral("}"),
                        QString(),
                        QStringLiteral("tr.footer { border-top: 2px solid black; }"),
                        QString()};
        for (TGxCustomColumn* column : shown)
            if (!column->StyleClass().isEmpty()) css << QStringLiteral("td.") + column->StyleClass() + QStringLiteral(" { }");
        WriteFile(info.absolutePath() + QLatin1Char('/') + base + QStringLiteral("_styles.css"),
                  (css.join(kCRLF) + kCRLF + kCRLF).toUtf8());
    }
}

// ---------------------------------------------------------------------------------------------
// XML

void TGxCustomGridControl::SaveToXMLFile(const QString& FileName, TUniEncoding UniEncoding) {
    if (RowCount() == 0) {
        TMessageRequest request;
        request.Text = QStringLiteral("Nothing to save");
        request.Caption = QStringLiteral("Save to XML");
        request.Icon = TMessageIcon::Warning;
        request.Owner = this;
        UIServices().Message(request);
        return;
    }
    QStringList lines;
    switch (UniEncoding) {
    case enUnspecified: lines << QStringLiteral("<?xml version=\"1.0\" ?>"); break;
    case enISO_8859_1: lines << QStringLiteral("<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>"); break;
    case enUTF_16: lines << QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-16\" ?>"); break;
    case enUTF_8: lines << QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" ?>"); break;
    }
    lines << QStringLiteral("<GxGrid xmlns=\"urn:%1\" createdDate=\"%2\" totalRows=\"%3\">")
                 .arg(XmlEscape(Name()), XmlDate(Now()), QString::number(RowCount()));
    const int cols = FColumns->Count();
    std::vector<QString> names(cols);
    for (int c = 0; c < cols; ++c)
        names[c] = XmlElementName(FColumns->Item(c)->Header()->Caption(), c);
    for (int r = 0; r < RowCount(); ++r) {
        lines << QStringLiteral("<Row>");
        for (int c = 0; c < cols; ++c) {
            QString value;
            if (FColumns->Item(c)->ColumnType() == ctDate) {
                TCellInfo info;
                GetCellInfo(c, r, info);
                value = XmlDate(info.AsDateTime);
            } else {
                value = XmlEscape(GetCells(c, r));
            }
            lines << QStringLiteral("  <") + names[c] + QLatin1Char('>') + value + QStringLiteral("</") + names[c] +
                         QLatin1Char('>');
        }
        lines << QStringLiteral("</Row>");
    }
    lines << QStringLiteral("</GxGrid>");
    const QString text = lines.join(kCRLF) + kCRLF;
    QByteArray bytes;
    switch (UniEncoding) {
    case enISO_8859_1: bytes = ToLatin1Xml(text); break;
    case enUTF_16: bytes = QByteArray("\xFF\xFE", 2) + Utf16Bytes(text, false); break;
    default: bytes = text.toUtf8(); break;
    }
    WriteFile(FileName, bytes);
}
