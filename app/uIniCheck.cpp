#include "app/uIniCheck.h"

#include "platform/rtl/Streams.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString Place(const QString& fileName, int line, const QString& what) {
    return QStringLiteral("%1, line %2: %3").arg(fileName).arg(line).arg(what);
}

bool HasBracket(const QString& name) {
    return name.contains(u'[') || name.contains(u']');
}

} // namespace

QString CheckIniFile(const QString& fileName, TIniKind kind) {
    QFileInfo info(fileName);
    if (!info.exists()) return QString();
    QFile file(fileName);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: the file cannot be read (%2)").arg(fileName, file.errorString());
    const QString text = TEncoding::DecodeText(file.readAll());
    const QStringList lines = text.split(u'\n');
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        const QString trimmed = line.trimmed();
        const int number = i + 1;
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#')) continue;
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']'))
                return Place(fileName, number,
                             QStringLiteral("the section header \"%1\" has no closing bracket").arg(trimmed));
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            if (name.isEmpty()) return Place(fileName, number, QStringLiteral("the section has no name"));
            if (kind == TIniKind::Tables && HasBracket(name))
                return Place(fileName, number,
                             QStringLiteral("the table name \"%1\" holds a square bracket").arg(name));
            inSection = true;
            continue;
        }
        const int eq = trimmed.indexOf(u'=');
        const QString key = (eq < 0 ? trimmed : trimmed.left(eq)).trimmed();
        if (key.isEmpty())
            return Place(fileName, number,
                         QStringLiteral("the line \"%1\" has no key name before '='").arg(trimmed));
        if (!inSection)
            return Place(fileName, number,
                         QStringLiteral("the key \"%1\" stands before the first [section]").arg(key));
        if (kind == TIniKind::Tables && HasBracket(key))
            return Place(fileName, number,
                         QStringLiteral("the field name \"%1\" holds a square bracket").arg(key));
    }
    return QString();
}
