#include "DumpRows.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

bool ParseObject(const QString& Line, TDumpObject& O) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\S+) (\\S+) (-?[0-9.]+) (-?[0-9.]+) (-?[0-9.]+) (-?[0-9.]+)(?: \"(.*)\")?"));
    const QRegularExpressionMatch m = re.match(Line);
    if (!m.hasMatch()) return false;
    O.Class = m.captured(1);
    O.Name = m.captured(2);
    O.Left = m.captured(3).toDouble();
    O.Top = m.captured(4).toDouble();
    O.Width = m.captured(5).toDouble();
    O.Height = m.captured(6).toDouble();
    O.Text = m.captured(7);
    if (O.Text.endsWith(QLatin1String("\\r\\n"))) O.Text.chop(4);
    return true;
}

} // namespace

const TDumpObject* TDumpBand::Find(const QString& Name) const {
    for (const TDumpObject& o : Objects)
        if (o.Name == Name) return &o;
    return nullptr;
}

QString TDumpBand::TextOf(const QString& Name) const {
    const TDumpObject* o = Find(Name);
    return o ? o->Text : QStringLiteral("<none>");
}

QList<TDumpBand> DumpBands(const QString& Dump) {
    QList<TDumpBand> bands;
    int page = -1;
    for (const QString& line : Dump.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("page "))) {
            ++page;
            continue;
        }
        TDumpObject o;
        if (!ParseObject(line, o)) continue;
        if (line.startsWith(QLatin1String("  ")) && !line.startsWith(QLatin1String("    "))) {
            TDumpBand b;
            b.Page = page;
            b.Band = o;
            bands.append(b);
        } else if (!bands.isEmpty()) {
            bands.last().Objects.append(o);
        }
    }
    return bands;
}

QList<TDumpBand> DumpBands(const QString& Dump, const QString& ClassName) {
    QList<TDumpBand> out;
    for (const TDumpBand& b : DumpBands(Dump))
        if (b.Band.Class == ClassName) out.append(b);
    return out;
}

QStringList BandTrail(const QString& Dump) {
    QStringList out;
    for (const TDumpBand& b : DumpBands(Dump)) {
        QString s = b.Band.Name;
        if (!b.Objects.isEmpty() && !b.Objects[0].Text.isEmpty()) s += QLatin1Char('[') + b.Objects[0].Text + QLatin1Char(']');
        out << s;
    }
    return out;
}
