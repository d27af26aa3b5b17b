#include "platform/data/SQLValue.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <QDate>
#include <QRegularExpression>

#include <cmath>
#include <limits>

QString TSQLValue::AsString() const {
    switch (Kind()) {
    case TSQLValueKind::Null:
        return QString();
    case TSQLValueKind::Integer:
        return QString::number(IntegerValue());
    case TSQLValueKind::Float:
        return FloatToStr(FloatValue());
    case TSQLValueKind::Text:
        return TextValue();
    case TSQLValueKind::Blob:
        return QString::fromUtf8(BlobValue());
    }
    return QString();
}

Int64 TSQLValue::AsLargeInt() const {
    switch (Kind()) {
    case TSQLValueKind::Null:
        return 0;
    case TSQLValueKind::Integer:
        return IntegerValue();
    case TSQLValueKind::Float:
        return Round(FloatValue());
    case TSQLValueKind::Text:
        return StrToInt64(TextValue());
    case TSQLValueKind::Blob:
        return StrToInt64(QString::fromUtf8(BlobValue()));
    }
    return 0;
}

int TSQLValue::AsInteger() const {
    const Int64 v = AsLargeInt();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw EConvertError(QStringLiteral("%1 is not a valid integer value").arg(v));
    return static_cast<int>(v);
}

namespace {

double TextToFloat(const QString& s) {
    double v = 0;
    if (TryStrToFloat(s, v, TFormatSettings::Invariant())) return v;
    return StrToFloat(s); // the locale's form, or its conversion error
}

} // namespace

double TSQLValue::AsFloat() const {
    switch (Kind()) {
    case TSQLValueKind::Null:
        return 0;
    case TSQLValueKind::Integer:
        return static_cast<double>(IntegerValue());
    case TSQLValueKind::Float:
        return FloatValue();
    case TSQLValueKind::Text:
        return TextToFloat(TextValue());
    case TSQLValueKind::Blob:
        return TextToFloat(QString::fromUtf8(BlobValue()));
    }
    return 0;
}

bool TSQLValue::AsBoolean() const {
    switch (Kind()) {
    case TSQLValueKind::Null:
        return false;
    case TSQLValueKind::Integer:
        return IntegerValue() != 0;
    case TSQLValueKind::Float:
        return FloatValue() != 0;
    case TSQLValueKind::Text:
        return StrToBool(TextValue());
    case TSQLValueKind::Blob:
        return StrToBool(QString::fromUtf8(BlobValue()));
    }
    return false;
}

TDateTime TSQLValue::AsDateTime() const {
    switch (Kind()) {
    case TSQLValueKind::Null:
        return 0;
    case TSQLValueKind::Integer:
        return static_cast<double>(IntegerValue());
    case TSQLValueKind::Float:
        return FloatValue();
    case TSQLValueKind::Text:
    case TSQLValueKind::Blob: {
        const QString s = Kind() == TSQLValueKind::Text ? TextValue() : QString::fromUtf8(BlobValue());
        TDateTime v = 0;
        if (TrySQLTextToDateTime(s, v)) return v;
        return StrToDateTime(s);
    }
    }
    return 0;
}

QByteArray TSQLValue::AsBytes() const {
    switch (Kind()) {
    case TSQLValueKind::Null:
        return QByteArray();
    case TSQLValueKind::Blob:
        return BlobValue();
    case TSQLValueKind::Text:
        return TextValue().toUtf8();
    default:
        return AsString().toUtf8();
    }
}

namespace {

const QDate& BaseDate() {
    static const QDate base(1899, 12, 30);
    return base;
}

} // namespace

QString SQLDateTimeText(TDateTime value) {
    // Negative values count the time forward from the day's midnight, like the runtime's.
    double day = std::trunc(value);
    double frac = std::fabs(value - day);
    Int64 ms = static_cast<Int64>(std::llround(frac * 86400000.0));
    if (ms >= 86400000) {
        ms -= 86400000;
        day += value < 0 ? -1 : 1;
    }
    const QDate d = BaseDate().addDays(static_cast<qint64>(day));
    const QTime t = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
    return QStringLiteral("%1-%2-%3 %4:%5:%6.%7")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(t.hour(), 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'))
        .arg(t.msec(), 3, 10, QLatin1Char('0'));
}

bool TrySQLTextToDateTime(const QString& text, TDateTime& value) {
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.(\d{1,3})\d*)?)?)?\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return false;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid()) return false;
    int h = 0, n = 0, s = 0, z = 0;
    if (m.capturedLength(4) > 0) {
        h = m.captured(4).toInt();
        n = m.captured(5).toInt();
        if (m.capturedLength(6) > 0) s = m.captured(6).toInt();
        if (m.capturedLength(7) > 0) {
            QString ms = m.captured(7);
            while (ms.size() < 3)
                ms += QLatin1Char('0');
            z = ms.toInt();
        }
    }
    if (h > 23 || n > 59 || s > 59) return false;
    const double days = static_cast<double>(BaseDate().daysTo(d));
    const double time = (((h * 60.0 + n) * 60.0 + s) * 1000.0 + z) / 86400000.0;
    value = days >= 0 ? days + time : days - time;
    return true;
}
