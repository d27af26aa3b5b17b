// Outline (bookmarks) and link annotations of the PDF export. Links are collected while their
// page is written, with their object numbers reserved and listed in the page's /Annots; Finish
// writes the outline tree and then the annotations.
//
// Destinations go to the position of the target page among the pages actually written, so page
// lists and cancelled exports never index past the written pages: a link whose target the export
// does not write is left out, and the outline drops items (with their children) on such pages.

#include "report/export/rptPDFExport.h"

#include "report/core/rptClassReport.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXML.h"

#include "platform/rtl/StringList.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// The URI as 7-bit bytes: printable ASCII stays, blanks, controls and every non-ASCII character
// are percent-encoded (UTF-8). Parentheses and backslashes are escaped when the string is written.
QByteArray UriBytes(const QString& Url) {
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = Url.toUtf8();
    QByteArray r;
    r.reserve(utf8.size());
    for (char ch : utf8) {
        const auto b = static_cast<unsigned char>(ch);
        if (b > 0x20 && b < 0x7F)
            r.append(ch);
        else
            r.append('%').append(hex[b >> 4]).append(hex[b & 15]);
    }
    return r;
}

struct TrptPDFOutlineNode {
    int Number = 0;
    int Dest = -1; // position among the written pages
    int Top = 0;
    QString Title;
    TrptPDFOutlineNode* Parent = nullptr;
    int Index = 0; // among the parent's children
    std::vector<std::unique_ptr<TrptPDFOutlineNode>> Kids;
};

} // namespace

void TrptPDFExport::ReadPageList() {
    FPreparedCount = Report() && Report()->PreviewPages() ? Report()->PreviewPages()->GetCount() : -1;
    FPageListAll = true;
    FPageList.clear();
    if (FPreparedCount < 0 || PageNumbers().isEmpty()) return;
    TStringList list;
    try {
        FPageListAll = ParsePageRanges(PageNumbers(), list, FPreparedCount) == TrptPageSelection::AllPages;
    } catch (const EConvertError&) {
        // The export loop refuses such a list before it starts; nothing to narrow here.
        return;
    }
    for (int i = 0; i < list.Count(); ++i)
        FPageList.push_back(list.Strings(i).toInt());
}

bool TrptPDFExport::ExportablePage(int PageIndex) const {
    if (PageIndex < 0) return false;
    if (FPreparedCount >= 0 && PageIndex >= FPreparedCount) return false;
    if (FPageListAll) return true;
    return std::find(FPageList.begin(), FPageList.end(), PageIndex + 1) != FPageList.end();
}

int TrptPDFExport::WrittenPosition(int PageIndex) const {
    if (PageIndex < 0) return -1;
    for (size_t i = 0; i < FPageIndexes.size(); ++i)
        if (FPageIndexes[i] == PageIndex && i < FPagesRef.size()) return static_cast<int>(i);
    return -1;
}

void TrptPDFExport::AddLinkForUrl(const QString& URL, const TObjectBox& Box) {
    if (URL.isEmpty()) return;
    auto annot = std::make_unique<TrptPDFAnnot>();
    if (URL.startsWith(QLatin1Char('#')) || URL.startsWith(QLatin1Char('@'))) {
        int page = -1;
        double y = 0;
        bool ok = false;
        if (URL.startsWith(QLatin1Char('#'))) {
            auto* prepared = Report() ? dynamic_cast<TrptPreviewPages*>(Report()->PreviewPages()) : nullptr;
            TrptXMLItem* anchor = prepared ? prepared->FindAnchor(URL.mid(1)) : nullptr;
            if (!anchor) return;
            page = anchor->GetProp(QStringLiteral("page")).toInt(&ok);
            if (!ok) return;
            y = anchor->GetProp(QStringLiteral("top")).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
            if (!ok || !std::isfinite(y)) y = 0;
        } else {
            // "@" and a page number; anything else names no page.
            const QString rest = URL.mid(1).trimmed();
            const qint64 n = rest.toLongLong(&ok);
            if (!ok || n < 1 || n > INT_MAX) return;
            page = static_cast<int>(n - 1);
        }
        if (!ExportablePage(page)) return;
        annot->DestPage = page;
        annot->DestY = RoundEven(PdfY(y));
    } else {
        annot->Hyperlink = UriBytes(URL);
    }
    annot->Number = NewObjectNumber();
    FPageAnnots.Int(annot->Number).Add(" 0 R").Eol();
    annot->Rect = PdfFloat(Box.Left) + ' ' + PdfFloat(Box.Bottom) + ' ' + PdfFloat(Box.Right) + ' ' + PdfFloat(Box.Top);
    FAnnots.push_back(std::move(annot));
}

void TrptPDFExport::WriteAnnots() {
    for (const auto& a : FAnnots) {
        SetObjectOffset(a->Number);
        WriteHeader(a->Number);
        pdf.Line("<<");
        pdf.Line("/Type /Annot");
        pdf.Line("/Subtype /Link");
        pdf.Add("/Rect [").Add(a->Rect).Add("]").Eol();
        if (!a->Hyperlink.isEmpty()) {
            pdf.Line("/BS << /W 0 >>");
            pdf.Line("/A <<");
            const QByteArray uri = FProtection ? EncryptBytes(a->Hyperlink, a->Number) : a->Hyperlink;
            pdf.Add("/URI (").Add(PdfEscapeLiteral(uri)).Add(")").Eol();
            pdf.Line("/Type /Action");
            pdf.Line("/S /URI");
            pdf.Line(">>");
        } else {
            const int pos = WrittenPosition(a->DestPage);
            if (pos >= 0) {
                pdf.Line("/Border [16 16 0]");
                pdf.Add("/Dest [");
                WriteRef(FPagesRef[static_cast<size_t>(pos)]);
                pdf.Add(" /XYZ null ").Int(a->DestY).Add(" null]").Eol();
            } else {
                // Its page was listed but not written (the export stopped early): the page
                // already refers to this number, so it stays, as a link that goes nowhere.
                pdf.Line("/Border [0 0 0]");
            }
        }
        pdf.Line(">>");
        pdf.Line("endobj");
        pdf.Check();
    }
}

int TrptPDFExport::WriteOutline() {
    if (!FPreviewOutline) return 0;
    TrptPDFOutlineNode root;
    const int b = static_cast<int>(FXRef.size()) + 1;
    int counter = b;

    // Depth first with an explicit stack, so that deep outlines do not exhaust the call stack.
    struct TLevel {
        TrptPDFOutlineNode* Parent;
        int Next, Count;
    };
    std::vector<TLevel> levels;
    FPreviewOutline->LevelRoot();
    levels.push_back({&root, 0, FPreviewOutline->GetCount()});
    while (!levels.empty()) {
        TLevel& level = levels.back();
        if (level.Next >= level.Count) {
            levels.pop_back();
            if (!levels.empty()) FPreviewOutline->LevelUp();
            continue;
        }
        const int i = level.Next++;
        QString text;
        int page = -1, top = 0;
        FPreviewOutline->GetItem(i, text, page, top);
        const int pos = WrittenPosition(page);
        if (pos < 0) continue;
        TrptPDFOutlineNode* parent = level.Parent;
        auto node = std::make_unique<TrptPDFOutlineNode>();
        node->Number = ++counter;
        node->Dest = pos;
        node->Top = top;
        node->Title = text;
        node->Parent = parent;
        node->Index = static_cast<int>(parent->Kids.size());
        TrptPDFOutlineNode* raw = node.get();
        parent->Kids.push_back(std::move(node));
        FPreviewOutline->LevelDown(i);
        levels.push_back({raw, 0, FPreviewOutline->GetCount()});
    }
    FPreviewOutline->LevelRoot();
    if (root.Kids.empty()) return 0;

    const int r = NewObjectNumber();
    root.Number = r;
    WriteHeader(r);
    pdf.Line("<<");
    pdf.Line("/Type /Outlines");
    pdf.Add("/Count ").Int(static_cast<qint64>(root.Kids.size())).Eol();
    pdf.Add("/First ");
    WriteRef(root.Kids.front()->Number);
    pdf.Eol();
    pdf.Add("/Last ");
    WriteRef(root.Kids.back()->Number);
    pdf.Eol();
    pdf.Line(">>");
    pdf.Line("endobj");

    // Pre-order: an item, its children, then its next sibling; the numbers were given in this order.
    std::vector<TrptPDFOutlineNode*> stack;
    for (auto it = root.Kids.rbegin(); it != root.Kids.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        TrptPDFOutlineNode* node = stack.back();
        stack.pop_back();
        const int n = NewObjectNumber();
        if (n != node->Number) throw EInvalidOperation(QStringLiteral("PDF export: outline numbering is out of step"));
        const auto& siblings = node->Parent->Kids;
        WriteHeader(n);
        pdf.Line("<<");
        pdf.Add("/Title ").Add(TextToPDFString(node->Title, n)).Eol();
        pdf.Add("/Parent ");
        WriteRef(node->Parent->Number);
        pdf.Eol();
        if (node->Index > 0) {
            pdf.Add("/Prev ");
            WriteRef(siblings[static_cast<size_t>(node->Index - 1)]->Number);
            pdf.Eol();
        }
        if (static_cast<size_t>(node->Index + 1) < siblings.size()) {
            pdf.Add("/Next ");
            WriteRef(siblings[static_cast<size_t>(node->Index + 1)]->Number);
            pdf.Eol();
        }
        if (!node->Kids.empty()) {
            pdf.Add("/First ");
            WriteRef(node->Kids.front()->Number);
            pdf.Eol();
            pdf.Add("/Last ");
            WriteRef(node->Kids.back()->Number);
            pdf.Eol();
            pdf.Add("/Count ").Int(static_cast<qint64>(node->Kids.size())).Eol();
        }
        const auto k = static_cast<size_t>(node->Dest);
        pdf.Add("/Dest [");
        WriteRef(FPagesRef[k]);
        pdf.Add(" /XYZ 0 ").Int(RoundEven(FPages[k]->Height - node->Top * 0.75)).Add(" 0]").Eol();
        pdf.Line(">>");
        pdf.Line("endobj");
        pdf.Check();
        for (auto it = node->Kids.rbegin(); it != node->Kids.rend(); ++it)
            stack.push_back(it->get());
    }
    return r;
}
