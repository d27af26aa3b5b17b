// libFuzzer target over the report library's XML reader (templates, prepared reports, language
// files): any bytes either load, fully or partially, or raise "Invalid file format". A loaded
// document's attributes can be read (a bad character reference raises a conversion error), its
// unloadable elements go to the temporary file and come back, and what it writes loads again
// (unless the writer refuses a character no XML file can hold) and writes the same bytes. The
// dialect itself keeps three texts from coming back exactly, so those documents are only reloaded:
// an attribute text that begins with a blank (the writer then adds none of its own) or ends in one
// (the reader drops one), and one that holds the unload marker ld="0" as an attribute of its own.
// An element with children whose text ends in "/" comes back with "&#47;" for it.
#include "platform/rtl/Exceptions.h"
#include "report/core/rptXML.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

QByteArray Save(TrptXMLDocument& doc) {
    TMemoryStream s;
    doc.SaveToStream(s);
    return s.Bytes();
}

// Reads every attribute whose name the text shows (a word before ="), as callers would.
void ReadAttributes(const TrptXMLItem* item) {
    const QString& text = item->Text();
    qsizetype from = 0;
    for (int n = 0; n < 16; ++n) {
        const qsizetype eq = text.indexOf(QLatin1String("=\""), from);
        if (eq < 0) break;
        qsizetype start = eq;
        while (start > 0 && text.at(start - 1) != u' ' && text.at(start - 1) != u'"') --start;
        const QString name = text.mid(start, eq - start);
        const bool whole = start == 0 || text.at(start - 1) == u' ';
        if (whole && !item->PropExists(name)) __builtin_trap();
        try {
            item->GetProp(name);
        } catch (const EConvertError&) {
        }
        from = eq + 2;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool partial = size > 0 && (data[0] & 1);
    TBytesStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    TrptXMLDocument doc;
    try {
        doc.LoadFromStream(stream, partial);
    } catch (const TrptInvalidXMLException&) {
        return 0;
    }
    int unloaded = 0;
    bool exact = true;
    std::vector<TrptXMLItem*> pending{doc.Root()};
    while (!pending.empty()) {
        TrptXMLItem* item = pending.back();
        pending.pop_back();
        if (!item->Loaded()) {
            // Left in the stream by the partial load: it reads back, goes to the temporary file
            // and reads back from there.
            doc.LoadItem(item);
            if (!item->Loaded()) __builtin_trap();
            if (unloaded++ < 4) {
                const QString text = item->Text();
                const int count = item->Count();
                try {
                    doc.UnloadItem(item);
                } catch (const ErptXMLWriteError&) {
                    return 0;
                }
                doc.LoadItem(item);
                if (item->Text() != text || item->Count() != count) __builtin_trap();
            }
        }
        ReadAttributes(item);
        QStringView text(item->Text());
        if (text.endsWith(u' ')) text.chop(1);
        if (item->Count() > 0 && text.endsWith(u'/')) exact = false;
        if (item->Text().startsWith(u' ') || item->Text().endsWith(u' ') || item->Text().contains(QLatin1String("ld=\"0\""), Qt::CaseInsensitive))
            exact = false;
        for (int i = 0; i < item->Count(); ++i) pending.push_back(item->Items(i));
    }
    QByteArray first;
    try {
        first = Save(doc);
    } catch (const ErptXMLWriteError&) {
        return 0;
    }
    TrptXMLDocument again;
    TBytesStream written(first);
    // What the writer wrote always reads; partially loaded, the same elements stay unloadable.
    again.LoadFromStream(written, partial);
    const QByteArray second = Save(again);
    if (exact && second != first) __builtin_trap();
    return 0;
}
