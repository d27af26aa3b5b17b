#include "report/core/rptPageDump.h"

#include "platform/rtl/Exceptions.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassComponent.h"
#include "report/core/rptClassPage.h"

#include <cmath>

namespace {

QString Quoted(const QString& s) {
    QString r;
    r.reserve(s.size() + 2);
    r += QLatin1Char('"');
    for (QChar ch : s) {
        switch (ch.unicode()) {
        case '\\': r += QLatin1String("\\\\"); break;
        case '"': r += QLatin1String("\\\""); break;
        case '\n': r += QLatin1String("\\n"); break;
        case '\r': r += QLatin1String("\\r"); break;
        case '\t': r += QLatin1String("\\t"); break;
        default: r += ch;
        }
    }
    r += QLatin1Char('"');
    return r;
}

void DumpObject(TrptComponent* Obj, int Level, QString& Out) {
    Out += QString(Level * 2, QLatin1Char(' '));
    Out += ClassInfoOf(Obj)->ClassName();
    Out += QLatin1Char(' ');
    Out += Obj->Name().isEmpty() ? QStringLiteral("(unnamed)") : Obj->Name();
    Out += QLatin1Char(' ') + DumpNumber(Obj->Left()) + QLatin1Char(' ') + DumpNumber(Obj->Top()) + QLatin1Char(' ') +
           DumpNumber(Obj->Width()) + QLatin1Char(' ') + DumpNumber(Obj->Height());
    QString text;
    bool hasText = false;
    if (Obj->IsTextObject()) {
        // Text objects keep their lines with a line break after the last; the dump leaves it out.
        text = Obj->GetXMLText();
        if (text.endsWith(QLatin1String("\r\n")))
            text.chop(2);
        else if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        hasText = true;
    } else if (auto* rc = dynamic_cast<TrptReportComponent*>(Obj)) {
        text = rc->GetComponentText();
        hasText = !text.isEmpty();
    }
    if (hasText) Out += QLatin1Char(' ') + Quoted(text);
    if (!Obj->Visible()) Out += QLatin1String(" hidden");
    Out += QLatin1Char('\n');
    for (TrptComponent* c : Obj->Objects()) DumpObject(c, Level + 1, Out);
}

} // namespace

QString DumpNumber(double Value) {
    double v = std::round(Value * 100) / 100;
    if (v == 0) v = 0; // no "-0.00"
    return QString::number(v, 'f', 2);
}

QString DumpReportObject(TrptComponent* Obj, int Level) {
    QString out;
    if (Obj) DumpObject(Obj, Level, out);
    return out;
}

QString DumpPreparedPage(TrptCustomPreviewPages* Pages, int Index) {
    const int count = Pages ? Pages->Count() : 0;
    QString out = QStringLiteral("page %1 of %2").arg(Index + 1).arg(count);
    try {
        TrptReportPage* page = Pages ? Pages->GetPage(Index) : nullptr;
        if (!page) return out + QStringLiteral(": error: no such page\n");
        TrptComponent* p = page;
        out += QLatin1Char(' ') + p->Name() + QLatin1Char(' ') + DumpNumber(p->Width()) + QStringLiteral(" x ") +
               DumpNumber(p->Height()) + QLatin1Char('\n');
        for (TrptComponent* c : p->Objects()) DumpObject(c, 1, out);
    } catch (const Exception& e) {
        out += QStringLiteral(": error: ") + e.Message() + QLatin1Char('\n');
    }
    return out;
}

QString DumpPreparedPages(TrptCustomPreviewPages* Pages) {
    const int count = Pages ? Pages->Count() : 0;
    if (count == 0) return QStringLiteral("no pages\n");
    QString out;
    for (int i = 0; i < count; ++i) out += DumpPreparedPage(Pages, i);
    return out;
}
