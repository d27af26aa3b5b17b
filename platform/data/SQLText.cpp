#include "platform/data/SQLText.h"

#include "platform/rtl/Exceptions.h"

namespace {

QString Quote(const QString& text, QChar quote, const char* what) {
    if (text.contains(QChar(0)))
        throw EDatabaseError(QStringLiteral("%1 contains a NUL character and cannot be written into SQL text")
                                 .arg(QLatin1String(what)));
    QString out;
    out.reserve(text.size() + 2);
    out += quote;
    for (QChar c : text) {
        if (c == quote) out += quote;
        out += c;
    }
    out += quote;
    return out;
}

} // namespace

QString QuotedSQL(const QString& text) {
    return Quote(text, QLatin1Char('\''), "A text value");
}

QString QuotedSQLName(const QString& name) {
    return Quote(name, QLatin1Char('"'), "A name");
}

QString SQLBlobLiteral(const QByteArray& bytes) {
    return QStringLiteral("X'") + QString::fromLatin1(bytes.toHex().toUpper()) + QLatin1Char('\'');
}
