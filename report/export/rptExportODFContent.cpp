// The content document of the OpenDocument export: fonts, automatic styles from the matrix's
// cell styles, and one table per page (or one for all pages) with its cells.
#include "report/export/rptExportODF.h"

#include "report/core/rptHTMLTags.h"
#include "report/core/rptProgress.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXML.h"
#include "report/export/rptHTMLExport.h"


#include <algorithm>
#include <set>

class TODFContentWriter {
public:
    TODFContentWriter(TrptODFExport& Export, TrptIEMatrix& Matrix)
        : E(Export), M(Matrix), FText(Export.ExportType() == QLatin1String("text")) {}

    void Write(const QString& FileName);

private:
    static QString Length(double px) {
        return FloatToTextWithSeparator(3, QLatin1Char('.'), px / 38.5);
    }
    static QString Colour(TColor c) { return ColorToHtmlHex(c).toLower(); }
    void WriteFonts(TrptXMLItem* Root);
    void WriteStyles();
    void TextProperties(TrptXMLItem* Style, const TrptIEMStyle* s) const;
    void ParagraphProperties(TrptXMLItem* Style, const TrptIEMStyle* s) const;
    bool RowEmpty(int r) const;
    void WriteTable(TrptXMLItem* Body, int First, int Last, int& Page);
    void WriteRow(TrptXMLItem* Table, int r, bool Break);
    void WriteCovered(TrptXMLItem* Row, int& Count) const;
    void WriteCell(TrptXMLItem* Row, int Index, int Dx, int Dy);
    void WriteText(TrptXMLItem* Cell, const TrptIEMObject* o);
    void AddLine(TrptXMLItem* Target, const QString& Line, const TrptIEMObject* o);
    void WritePicture(TrptXMLItem* Parent, TrptIEMObject* o);
    QString SpanStyle(TColor Color, const TFontStyles& Style);
    static QString Markup(const QString& Raw) {
        return TrptODFExport::ProcessControlSymbols(
            TrptODFExport::ProcessTabs(TrptODFExport::ProcessSpaces(TrptODFExport::EscapeCellText(Raw))));
    }

    TrptODFExport& E;
    TrptIEMatrix& M;
    bool FText;
    TrptXMLItem* FStyleNode = nullptr;
    std::set<QString> FRowStyleNames;
    std::vector<TSpanStyle> FStyles;
};

void TODFContentWriter::WriteFonts(TrptXMLItem* Root) {
    TrptXMLItem* decls = Root->Add(QStringLiteral("office:font-face-decls"));
    QStringList names;
    for (int i = 0; i < M.GetStylesCount(); ++i) {
        const QString n = TrptODFExport::XmlSafe(M.GetStyleById(i)->Font()->Name());
        bool found = false;
        for (const QString& k : names)
            if (k.compare(n, Qt::CaseInsensitive) == 0) found = true;
        if (!found) names << n;
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& n : names) {
        TrptXMLItem* f = decls->Add(QStringLiteral("style:font-face"));
        f->SetProp(QStringLiteral("style:name"), n);
        f->SetProp(QStringLiteral("svg:font-family"), QLatin1Char('\'') + n + QLatin1Char('\''));
        f->SetProp(QStringLiteral("style:font-pitch"), QStringLiteral("variable"));
    }
}

void TODFContentWriter::TextProperties(TrptXMLItem* p, const TrptIEMStyle* s) const {
    const TFont* f = s->Font();
    p->SetProp(QStringLiteral("style:font-name"), TrptODFExport::XmlSafe(f->Name()));
    p->SetProp(QStringLiteral("fo:font-size"), QString::number(f->Size()) + QStringLiteral("pt"));
    if (f->Style().Contains(fsUnderline)) {
        p->SetProp(QStringLiteral("style:text-underline-style"), QStringLiteral("solid"));
        p->SetProp(QStringLiteral("style:text-underline-width"), QStringLiteral("auto"));
        p->SetProp(QStringLiteral("style:text-underline-color"), QStringLiteral("font-color"));
    }
    if (f->Style().Contains(fsItalic)) p->SetProp(QStringLiteral("fo:font-style"), QStringLiteral("italic"));
    if (f->Style().Contains(fsBold)) p->SetProp(QStringLiteral("fo:font-weight"), QStringLiteral("bold"));
    p->SetProp(QStringLiteral("fo:color"), Colour(f->Color()));
}

void TODFContentWriter::ParagraphProperties(TrptXMLItem* p, const TrptIEMStyle* s) const {
    switch (s->HAlign) {
    case haLeft: p->SetProp(QStringLiteral("fo:text-align"), QStringLiteral("start")); break;
    case haCenter: p->SetProp(QStringLiteral("fo:text-align"), QStringLiteral("center")); break;
    case haRight: p->SetProp(QStringLiteral("fo:text-align"), QStringLiteral("end")); break;
    default: break;
    }
    if (s->GapX != 0) {
        const QString gap = Length(s->GapX) + QStringLiteral("cm");
        p->SetProp(QStringLiteral("fo:margin-left"), gap);
        p->SetProp(QStringLiteral("fo:margin-right"), gap);
    }
}

void TODFContentWriter::WriteStyles() {
    TrptXMLItem* pb = FStyleNode->Add(QStringLiteral("style:style"));
    pb->SetProp(QStringLiteral("style:name"), QStringLiteral("pagebreak"));
    pb->SetProp(QStringLiteral("style:family"), QStringLiteral("paragraph"));
    pb->SetProp(QStringLiteral("style:parent-style-name"), QStringLiteral("Default"));
    pb->Add(QStringLiteral("style:paragraph-properties"))->SetProp(QStringLiteral("fo:break-after"), QStringLiteral("page"));

    std::set<QString> widths;
    for (int i = 1; i < M.Width(); ++i) widths.insert(Length(M.GetXPosById(i) - M.GetXPosById(i - 1)));
    for (const QString& w : widths) {
        TrptXMLItem* st = FStyleNode->Add(QStringLiteral("style:style"));
        st->SetProp(QStringLiteral("style:name"), QStringLiteral("co") + w);
        st->SetProp(QStringLiteral("style:family"), QStringLiteral("table-column"));
        TrptXMLItem* p = st->Add(QStringLiteral("style:table-column-properties"));
        p->SetProp(QStringLiteral("fo:break-before"), QStringLiteral("auto"));
        p->SetProp(QStringLiteral("style:column-width"), w + QStringLiteral("cm"));
    }

    TrptXMLItem* ta = FStyleNode->Add(QStringLiteral("style:style"));
    ta->SetProp(QStringLiteral("style:name"), QStringLiteral("ta1"));
    ta->SetProp(QStringLiteral("style:family"), QStringLiteral("table"));
    ta->SetProp(QStringLiteral("style:master-page-name"), QStringLiteral("PageDef"));
    TrptXMLItem* tp = ta->Add(QStringLiteral("style:table-properties"));
    tp->SetProp(QStringLiteral("table:display"), QStringLiteral("true"));
    tp->SetProp(QStringLiteral("style:writing-mode"), QStringLiteral("lr-tb"));

    TrptXMLItem* ceb = FStyleNode->Add(QStringLiteral("style:style"));
    ceb->SetProp(QStringLiteral("style:name"), QStringLiteral("ceb"));
    ceb->SetProp(QStringLiteral("style:family"), QStringLiteral("table-cell"));
    ceb->SetProp(QStringLiteral("style:display"), QStringLiteral("false"));

    auto numeric = [&](int i) { return M.GetStyleById(i)->DisplayFormat()->Kind() == fkNumeric; };
    for (int i = 0; i < M.GetStylesCount(); ++i) {
        if (!numeric(i)) continue;
        const QString fmt = M.GetStyleById(i)->DisplayFormat()->FormatStr();
        // "%2.2f" names its decimals as a number; a picture such as "#,##0.00" shows them as
        // placeholders, which read as a number would be none.
        int decimals = 0;
        const qsizetype dot = fmt.indexOf(QLatin1Char('.'));
        if (dot >= 0 && fmt.startsWith(QLatin1Char('%'))) {
            QString digits;
            for (QChar c : fmt.mid(dot + 1))
                if (c.isDigit() && c.unicode() < 128) digits += c;
            decimals = std::min(digits.left(3).toInt(), 15);
        } else if (dot >= 0) {
            for (qsizetype k = dot + 1; k < fmt.size() && (fmt[k] == QLatin1Char('0') || fmt[k] == QLatin1Char('#')); ++k)
                ++decimals;
        }
        const QString places = QString::number(decimals);
        TrptXMLItem* ns = FStyleNode->Add(QStringLiteral("number:number-style"));
        ns->SetProp(QStringLiteral("style:name"), QStringLiteral("N%1").arg(i));
        TrptXMLItem* nn = ns->Add(QStringLiteral("number:number"));
        nn->SetProp(QStringLiteral("number:decimal-places"), places);
        nn->SetProp(QStringLiteral("number:min-integer-digits"), QStringLiteral("1"));
    }

    for (int i = 0; i < M.GetStylesCount(); ++i) {
        const TrptIEMStyle* s = M.GetStyleById(i);
        TrptXMLItem* st = FStyleNode->Add(QStringLiteral("style:style"));
        st->SetProp(QStringLiteral("style:name"), QStringLiteral("ce%1").arg(i));
        st->SetProp(QStringLiteral("style:family"), QStringLiteral("table-cell"));
        st->SetProp(QStringLiteral("style:parent-style-name"), QStringLiteral("Default"));
        if (numeric(i)) st->SetProp(QStringLiteral("style:data-style-name"), QStringLiteral("N%1").arg(i));
        if (!FText) {
            TextProperties(st->Add(QStringLiteral("style:text-properties")), s);
            ParagraphProperties(st->Add(QStringLiteral("style:paragraph-properties")), s);
        }
        TrptXMLItem* cp = st->Add(QStringLiteral("style:table-cell-properties"));
        cp->SetProp(QStringLiteral("fo:background-color"),
                    s->Color == clNone ? QStringLiteral("transparent") : Colour(s->Color));
        cp->SetProp(QStringLiteral("style:repeat-content"), QStringLiteral("false"));
        if (s->Rotation > 0) {
            cp->SetProp(QStringLiteral("style:rotation-angle"), QString::number(s->Rotation));
            cp->SetProp(QStringLiteral("style:rotation-align"), QStringLiteral("none"));
        }
        switch (s->VAlign) {
        case vaCenter: cp->SetProp(QStringLiteral("style:vertical-align"), QStringLiteral("middle")); break;
        case vaTop: cp->SetProp(QStringLiteral("style:vertical-align"), QStringLiteral("top")); break;
        case vaBottom: cp->SetProp(QStringLiteral("style:vertical-align"), QStringLiteral("bottom")); break;
        }
        const struct {
            TrptFrameType Side;
            const char* Name;
        } sides[] = {{ftLeft, "fo:border-left"}, {ftRight, "fo:border-right"}, {ftTop, "fo:border-top"},
                     {ftBottom, "fo:border-bottom"}};
        for (const auto& sd : sides) {
            if (!s->FrameTyp.Contains(sd.Side)) continue;
            cp->SetProp(QLatin1String(sd.Name), Length(s->FrameWidth) + QStringLiteral("cm ") +
                                                    (s->FrameStyle == fsDouble ? QStringLiteral("double")
                                                                               : QStringLiteral("solid")) +
                                                    QLatin1Char(' ') + Colour(s->FrameColor));
        }
        if (s->WordWrap) cp->SetProp(QStringLiteral("fo:wrap-option"), QStringLiteral("wrap"));
    }

    if (FText) {
        TrptXMLItem* hidden = FStyleNode->Add(QStringLiteral("style:style"));
        hidden->SetProp(QStringLiteral("style:name"), QStringLiteral("pb"));
        hidden->SetProp(QStringLiteral("style:family"), QStringLiteral("paragraph"));
        hidden->SetProp(QStringLiteral("style:display"), QStringLiteral("false"));
        for (int i = 0; i < M.GetStylesCount(); ++i) {
            const TrptIEMStyle* s = M.GetStyleById(i);
            TrptXMLItem* st = FStyleNode->Add(QStringLiteral("style:style"));
            st->SetProp(QStringLiteral("style:name"), QStringLiteral("p%1").arg(i));
            st->SetProp(QStringLiteral("style:family"), QStringLiteral("paragraph"));
            st->SetProp(QStringLiteral("style:parent-style-name"), QStringLiteral("Default"));
            TrptXMLItem* tp2 = st->Add(QStringLiteral("style:text-properties"));
            tp2->SetProp(QStringLiteral("fo:letter-spacing"),
                         FloatToTextWithSeparator(4, QLatin1Char('.'), s->CharSpacing / 96) + QStringLiteral("in"));
            TextProperties(tp2, s);
            ParagraphProperties(st->Add(QStringLiteral("style:paragraph-properties")), s);
        }
    }

    TrptXMLItem* gr = FStyleNode->Add(QStringLiteral("style:style"));
    gr->SetProp(QStringLiteral("style:name"), QStringLiteral("gr1"));
    gr->SetProp(QStringLiteral("style:family"), QStringLiteral("graphic"));
    TrptXMLItem* gp = gr->Add(QStringLiteral("style:graphic-properties"));
    const char* const props[][2] = {
        {"draw:stroke", "none"},
        {"draw:fill", "none"},
        {"draw:textarea-horizontal-align", "left"},
        {"draw:textarea-vertical-align", "top"},
        {"draw:color-mode", "standard"},
        {"draw:luminance", "0%"},
        {"draw:contrast", "0%"},
        {"draw:gamma", "100%"},
        {"draw:red", "0%"},
        {"draw:green", "0%"},
        {"draw:blue", "0%"},
        {"fo:clip", "rect(0cm 0cm 0cm 0cm)"},
        {"draw:image-opacity", "100%"},
        {"style:mirror", "none"},
    };
    for (const auto& p : props) gp->SetProp(QLatin1String(p[0]), QLatin1String(p[1]));
}

bool TODFContentWriter::RowEmpty(int r) const {
    for (int i = 0; i + 1 < M.Width(); ++i)
        if (M.GetCell(i, r) >= 0) return false;
    return true;
}

void TODFContentWriter::WriteTable(TrptXMLItem* Body, int First, int Last, int& Page) {
    while (Last >= First && RowEmpty(Last)) --Last;
    while (First <= Last && RowEmpty(First)) ++First;
    TrptXMLItem* table = Body->Add(QStringLiteral("table:table"));
    table->SetProp(QStringLiteral("table:name"), ReportText(QStringLiteral("8322")) + QLatin1Char(' ') +
                                                     QString::number(Page + 1));
    table->SetProp(QStringLiteral("table:style-name"), QStringLiteral("ta1"));
    for (int i = 0; i + 1 < M.Width(); ++i)
        table->Add(QStringLiteral("table:table-column"))
            ->SetProp(QStringLiteral("table:style-name"),
                      QStringLiteral("co") + Length(M.GetXPosById(i + 1) - M.GetXPosById(i)));
    for (int r = First; r <= Last; ++r) {
        const bool brk = E.ExportPageBreaks() && Page < M.GetPagesCount() && M.GetYPosById(r) >= M.GetPageBreak(Page);
        WriteRow(table, r, brk);
        if (brk) ++Page;
    }
}

void TODFContentWriter::WriteRow(TrptXMLItem* Table, int r, bool Break) {
    const QString h = Length(M.GetYPosById(r + 1) - M.GetYPosById(r));
    const QString name = QStringLiteral("ro") + h + (Break ? QStringLiteral("b") : QString());
    if (FRowStyleNames.insert(name.toLower()).second) {
        TrptXMLItem* st = FStyleNode->Add(QStringLiteral("style:style"));
        st->SetProp(QStringLiteral("style:name"), name);
        st->SetProp(QStringLiteral("style:family"), QStringLiteral("table-row"));
        TrptXMLItem* p = st->Add(QStringLiteral("style:table-row-properties"));
        p->SetProp(QStringLiteral("fo:break-before"), Break ? QStringLiteral("page") : QStringLiteral("auto"));
        p->SetProp(QStringLiteral("style:row-height"), h + QStringLiteral("cm"));
    }
    TrptXMLItem* row = Table->Add(QStringLiteral("table:table-row"));
    row->SetProp(QStringLiteral("table:style-name"), name);
    int pending = 0;
    for (int i = 0; i + 1 < M.Width(); ++i) {
        const int id = M.GetCell(i, r);
        if (id < 0) {
            WriteCovered(row, pending);
            row->Add(QStringLiteral("table:table-cell"));
            continue;
        }
        TrptIEMObject* o = M.GetObjectById(id);
        if (o->Counter != 0) {
            ++pending;
            continue;
        }
        WriteCovered(row, pending);
        o->Counter = 1;
        int x = 0, y = 0, dx = 1, dy = 1;
        M.GetObjectPos(id, x, y, dx, dy);
        WriteCell(row, id, dx, dy);
    }
    WriteCovered(row, pending);
}

void TODFContentWriter::WriteCovered(TrptXMLItem* Row, int& Count) const {
    if (Count <= 0) return;
    TrptXMLItem* c = Row->Add(QStringLiteral("table:covered-table-cell"));
    c->SetProp(QStringLiteral("table:style-name"), QStringLiteral("ceb"));
    if (Count > 1) c->SetProp(QStringLiteral("table:number-columns-repeated"), QString::number(Count));
    Count = 0;
}

void TODFContentWriter::WriteCell(TrptXMLItem* Row, int Index, int Dx, int Dy) {
    TrptIEMObject* o = M.GetObjectById(Index);
    TrptXMLItem* cell = Row->Add(QStringLiteral("table:table-cell"));
    cell->SetProp(QStringLiteral("table:style-name"), QStringLiteral("ce") + QString::number(o->StyleIndex));
    if (Dx > 1 || Dy > 1) {
        cell->SetProp(QStringLiteral("table:number-columns-spanned"), QString::number(Dx));
        cell->SetProp(QStringLiteral("table:number-rows-spanned"), QString::number(Dy));
    }
    if (!o->IsText) {
        const bool meta = o->Metafile() && o->Metafile()->Width() > 0 && o->Metafile()->Height() > 0;
        const bool bitmap = o->Image() && o->Image()->Width() > 0;
        if (!meta && !bitmap) return;
        WritePicture(FText ? cell->Add(QStringLiteral("text:p")) : cell, o);
        return;
    }
    WriteText(cell, o);
}

void TODFContentWriter::WriteText(TrptXMLItem* Cell, const TrptIEMObject* o) {
    QString text = o->Memo()->Text();
    if (text.endsWith(QStringLiteral("\r\n"))) text.chop(2);
    else if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    const TrptFormat* format = o->Style ? o->Style->DisplayFormat() : nullptr;
    QString value;
    if (format && format->Kind() == fkNumeric) value = TrptODFExport::NumericValue(TrptODFExport::XmlSafe(text), format);
    if (!value.isEmpty()) {
        Cell->SetProp(QStringLiteral("office:value-type"), QStringLiteral("float"));
        Cell->SetProp(QStringLiteral("office:value"), value);
    } else {
        Cell->SetProp(QStringLiteral("office:value-type"), QStringLiteral("string"));
    }
    // Lines end at CR LF, CR or LF (split by hand: a pattern split costs more than the cell).
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines << text.mid(from, i - from);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        from = i + 1;
    }
    lines << text.mid(from);
    // Links the document could follow; page references inside the report are left out.
    const QString href = o->URL.startsWith(QLatin1Char('#')) || o->URL.startsWith(QLatin1Char('@'))
                             ? QString()
                             : TrptHTMLExport::SafeLink(TrptODFExport::XmlSafe(o->URL));
    for (const QString& line : lines) {
        TrptXMLItem* p = Cell->Add(QStringLiteral("text:p"));
        if (FText) p->SetProp(QStringLiteral("text:style-name"), QStringLiteral("p%1").arg(o->StyleIndex));
        TrptXMLItem* target = p;
        if (!href.isEmpty()) {
            target = p->Add(QStringLiteral("text:a"));
            target->SetProp(QStringLiteral("xlink:type"), QStringLiteral("simple"));
            target->SetProp(QStringLiteral("xlink:href"), href);
        }
        AddLine(target, line, o);
    }
}

void TODFContentWriter::AddLine(TrptXMLItem* Target, const QString& Line, const TrptIEMObject* o) {
    if (!o->HTMLTags) {
        Target->SetValue(Markup(Line));
        return;
    }
    QString plain = TrptODFExport::XmlSafe(Line);
    if (plain.isEmpty()) return;
    const TFont* font = o->Style ? o->Style->Font() : nullptr;
    TrptHTMLTagsList list;
    list.SetAllowTags(true);
    list.SetDefaults(font ? font->Color() : 0, 0, font ? font->Style() : TFontStyles());
    list.ExpandHTMLTags(plain);
    std::vector<TrptHTMLTag> tags;
    for (int l = 0; l < list.Count(); ++l)
        for (int k = 0; k < list.Items(l).Count(); ++k) tags.push_back(list.Items(l)[k]);
    if (tags.size() != static_cast<size_t>(plain.size())) {
        // The runs do not match the characters: the text as it stands, without formatting.
        Target->SetValue(Markup(Line));
        return;
    }
    qsizetype start = 0;
    for (qsizetype i = 1; i <= plain.size(); ++i) {
        const TrptHTMLTag& a = tags[static_cast<size_t>(start)];
        if (i < plain.size()) {
            const TrptHTMLTag& b = tags[static_cast<size_t>(i)];
            if (b.Color == a.Color && b.Style == a.Style) continue;
        }
        TrptXMLItem* span = Target->Add(QStringLiteral("text:span"));
        span->SetProp(QStringLiteral("text:style-name"), SpanStyle(a.Color, a.Style));
        span->SetValue(Markup(plain.mid(start, i - start)));
        start = i;
    }
}

QString TODFContentWriter::SpanStyle(TColor Color, const TFontStyles& Style) {
    for (const TSpanStyle& s : FStyles)
        if (s.Color == Color && s.Style == Style) return s.Name;
    TSpanStyle s;
    s.Color = Color;
    s.Style = Style;
    s.Name = QStringLiteral("ss-%1").arg(FStyles.size() + 1);
    FStyles.push_back(s);
    TrptXMLItem* st = FStyleNode->Add(QStringLiteral("style:style"));
    st->SetProp(QStringLiteral("style:name"), s.Name);
    st->SetProp(QStringLiteral("style:family"), QStringLiteral("text"));
    st->Add(QStringLiteral("style:text-properties"))->SetProp(QStringLiteral("fo:color"), Colour(Color));
    if (Style.Contains(fsItalic)) {
        TrptXMLItem* p = st->Add(QStringLiteral("style:text-properties"));
        p->SetProp(QStringLiteral("fo:font-style"), QStringLiteral("italic"));
        p->SetProp(QStringLiteral("style:font-style-asian"), QStringLiteral("italic"));
        p->SetProp(QStringLiteral("style:font-style-complex"), QStringLiteral("italic"));
    }
    if (Style.Contains(fsBold)) {
        TrptXMLItem* p = st->Add(QStringLiteral("style:text-properties"));
        p->SetProp(QStringLiteral("fo:font-weight"), QStringLiteral("bold"));
        p->SetProp(QStringLiteral("style:font-weight-asian"), QStringLiteral("bold"));
        p->SetProp(QStringLiteral("style:font-weight-complex"), QStringLiteral("bold"));
    }
    if (Style.Contains(fsUnderline)) {
        TrptXMLItem* p = st->Add(QStringLiteral("style:text-properties"));
        p->SetProp(QStringLiteral("style:text-underline-style"), QStringLiteral("solid"));
        p->SetProp(QStringLiteral("style:text-underline-width"), QStringLiteral("auto"));
        p->SetProp(QStringLiteral("style:text-underline-color"), QStringLiteral("font-color"));
    }
    return s.Name;
}

void TODFContentWriter::WritePicture(TrptXMLItem* Parent, TrptIEMObject* o) {
    const int n = E.FPicCount;
    const QString file = QStringLiteral("Pic%1.").arg(n) + PictureTypeExtension(E.PictureType());
    TGraphic* graphic = nullptr;
    if (o->Metafile() && o->Metafile()->Width() > 0 && o->Metafile()->Height() > 0)
        graphic = o->Metafile();
    else
        graphic = o->Image();
    SaveGraphicToFile(*graphic, E.FPictureFolder + file, E.PictureType());
    E.FPictureFiles.push_back(file);
    TrptXMLItem* frame = Parent->Add(QStringLiteral("draw:frame"));
    frame->SetProp(QStringLiteral("draw:z-index"), QStringLiteral("0"));
    frame->SetProp(QStringLiteral("draw:name"), QStringLiteral("Picture%1").arg(n));
    frame->SetProp(QStringLiteral("draw:style-name"), QStringLiteral("gr1"));
    if (FText) frame->SetProp(QStringLiteral("text:anchor-type"), QStringLiteral("as-char"));
    frame->SetProp(QStringLiteral("svg:width"), Length(o->Width) + QStringLiteral("cm"));
    frame->SetProp(QStringLiteral("svg:height"), Length(o->Height) + QStringLiteral("cm"));
    frame->SetProp(QStringLiteral("svg:x"), QStringLiteral("0cm"));
    frame->SetProp(QStringLiteral("svg:y"), QStringLiteral("0cm"));
    TrptXMLItem* img = frame->Add(QStringLiteral("draw:image"));
    img->SetProp(QStringLiteral("xlink:href"), QStringLiteral("Pictures/") + file);
    img->SetProp(QStringLiteral("xlink:type"), QStringLiteral("simple"));
    img->SetProp(QStringLiteral("xlink:show"), QStringLiteral("embed"));
    img->SetProp(QStringLiteral("xlink:actuate"), QStringLiteral("onLoad"));
    ++E.FPicCount;
}

void TODFContentWriter::Write(const QString& FileName) {
    TrptXMLDocument doc;
    TrptXMLItem* root = doc.Root();
    root->SetName(QStringLiteral("office:document-content"));
    E.AddNamespaces(root);
    root->Add(QStringLiteral("office:scripts"));
    WriteFonts(root);
    FStyleNode = root->Add(QStringLiteral("office:automatic-styles"));
    WriteStyles();
    TrptXMLItem* body = root->Add(QStringLiteral("office:body"));
    if (FText) {
        body = body->Add(QStringLiteral("office:text"));
        body->SetProp(QStringLiteral("text:use-soft-page-breaks"), QStringLiteral("true"));
    } else {
        body = body->Add(QStringLiteral("office:spreadsheet"));
    }
    for (int i = 0; i < M.GetObjectsCount(); ++i) M.GetObjectById(i)->Counter = 0;
    const int last = M.Height() - 2;
    TrptProgress* progress = E.FProgress;
    if (E.SingleSheet()) {
        int page = 0;
        WriteTable(body, 0, last, page);
    } else {
        int p = 0, a = 0;
        bool stopped = false;
        for (int r = 0; r <= last; ++r) {
            if (p < M.GetPagesCount() && M.GetYPosById(r) >= M.GetPageBreak(p)) {
                int page = p;
                WriteTable(body, a, r - 1, page);
                // A page break between tables belongs to text documents; a spreadsheet has a
                // sheet per page already and allows no paragraph there.
                if (E.ExportPageBreaks() && FText)
                    body->Add(QStringLiteral("text:p"))->SetProp(QStringLiteral("text:style-name"), QStringLiteral("pagebreak"));
                if (progress) progress->Tick();
                ++p;
                if (E.Cancelled()) {
                    stopped = true;
                    break;
                }
                a = r;
            }
        }
        if (!stopped) {
            int page = p;
            WriteTable(body, a, last, page);
        }
    }
    if (progress) progress->Tick();
    TFileStream out(FileName, fmCreate);
    doc.SaveToStream(out);
}

void TrptODFExport::WriteContent(const QString& Folder) {
    TODFContentWriter writer(*this, *FMatrix);
    writer.Write(Folder + QStringLiteral("content.xml"));
}
