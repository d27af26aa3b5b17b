#include "app/uSQL.h"

#include "app/uTables.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"

#include <QRegularExpression>

std::unique_ptr<TStringList> SchemaFieldList;
std::unique_ptr<TStringList> CalculatedFieldList;
std::unique_ptr<TStringList> UpperCaseExemptList;

namespace {

struct SchemaEntry {
    QString Table, Field, Type;
};

// "table=field=type": split at the first and at the next "=".
SchemaEntry SplitSchemaEntry(const QString& entry) {
    SchemaEntry e;
    const int first = entry.indexOf('=');
    if (first < 0) {
        e.Table = entry;
        return e;
    }
    e.Table = entry.left(first);
    const int second = entry.indexOf('=', first + 1);
    if (second < 0) {
        e.Field = entry.mid(first + 1);
        return e;
    }
    e.Field = entry.mid(first + 1, second - first - 1);
    e.Type = entry.mid(second + 1);
    return e;
}

struct CalculatedEntry {
    QString Table, Field, Expression;
};

// "table.field=expression": the name part splits at its first ".".
CalculatedEntry SplitCalculatedEntry(const QString& entry) {
    CalculatedEntry e;
    const int eq = entry.indexOf('=');
    const QString name = eq < 0 ? entry : entry.left(eq);
    if (eq >= 0) e.Expression = entry.mid(eq + 1);
    const int dot = name.indexOf('.');
    e.Table = dot < 0 ? name : name.left(dot);
    if (dot >= 0) e.Field = name.mid(dot + 1);
    return e;
}

QString CalculatedName(const QString& entry) {
    const int eq = entry.indexOf('=');
    return eq < 0 ? entry : entry.left(eq);
}

bool ExemptIgnoringCase(const QString& field) {
    if (!UpperCaseExemptList) return false;
    const QString wanted = AnsiLowerCase(field);
    for (int i = 0; i < UpperCaseExemptList->Count(); ++i)
        if (AnsiLowerCase(UpperCaseExemptList->Get(i)) == wanted) return true;
    return false;
}

bool ExemptExactly(const QString& field) {
    if (!UpperCaseExemptList) return false;
    for (int i = 0; i < UpperCaseExemptList->Count(); ++i)
        if (UpperCaseExemptList->Get(i) == field) return true;
    return false;
}

} // namespace

bool FieldExists(const QString& table, const QString& field) {
    if (!SchemaFieldList) return false;
    for (int i = 0; i < SchemaFieldList->Count(); ++i) {
        const SchemaEntry e = SplitSchemaEntry(SchemaFieldList->Get(i));
        if (e.Table == table && e.Field == field) return true;
    }
    return false;
}

QString FieldType(const QString& table, const QString& field) {
    if (!SchemaFieldList) return {};
    for (int i = 0; i < SchemaFieldList->Count(); ++i) {
        const SchemaEntry e = SplitSchemaEntry(SchemaFieldList->Get(i));
        if (e.Table == table && e.Field == field)
            return field == QLatin1String("record_count") ? QStringLiteral("COUNTER") : e.Type;
    }
    return {};
}

QString TableColumnList(const QString& table) {
    QString result;
    if (!SchemaFieldList) return result;
    for (int i = 0; i < SchemaFieldList->Count(); ++i) {
        const SchemaEntry e = SplitSchemaEntry(SchemaFieldList->Get(i));
        if (e.Table != table) continue;
        result += QStringLiteral("[%1].[%2],").arg(table, e.Field);
        if (e.Type == QLatin1String("FILE") || e.Type == QLatin1String("IMAGE"))
            result += QStringLiteral("[%1].[%2_filename],").arg(table, e.Field);
    }
    if (result.endsWith(',')) result.chop(1);
    return result;
}

bool IsCalculatedField(const QString& name) {
    if (!CalculatedFieldList) return false;
    for (int i = 0; i < CalculatedFieldList->Count(); ++i)
        if (CalculatedName(CalculatedFieldList->Get(i)) == name) return true;
    return false;
}

QString ExpandCalculatedExpression(const QString& expression) {
    QString r = expression;
    r.replace(QLatin1String("\\r\\n"), QLatin1String(" "));
    r.replace(QLatin1String("^equally^"), QLatin1String("="));
    return r;
}

QString FormatSelectList(const QString& list, bool withTable) {
    if (list.isEmpty()) return {};
    QStringList items = list.split(',');
    for (QString& item : items) {
        if (!CalculatedFieldList) break;
        for (int i = 0; i < CalculatedFieldList->Count(); ++i) {
            const CalculatedEntry e = SplitCalculatedEntry(CalculatedFieldList->Get(i));
            if (item != QStringLiteral("[%1].[%2]").arg(e.Table, e.Field)) continue;
            const QString alias = withTable ? e.Table + '.' + e.Field : e.Field;
            item = ExpandCalculatedExpression(e.Expression) + QStringLiteral(" AS '") + alias + '\'';
            break;
        }
    }
    QString result = items.join(',');
    if (result.endsWith(',')) result.chop(1);
    return result;
}

std::unique_ptr<TStringList> TablesOfFields(const QString& table, const QString& list) {
    auto tables = std::make_unique<TStringList>();
    tables->SetCaseSensitive(false);
    tables->SetDuplicates(dupIgnore);
    tables->SetSorted(true);
    for (const QString& item : list.split(',')) {
        const int dot = item.indexOf('.');
        const QString name = dot < 0 ? QString() : item.left(dot);
        if (name != table) tables->Add(name);
    }
    tables->SetSorted(false);
    // Dictionaries go to the end, so that the tables that reference them are joined first.
    const int last = tables->Count() - 1;
    for (int i = 0; i <= last; ++i)
        if (IsDictionary(tables->Get(i))) tables->Exchange(i, last);
    return tables;
}

Int64 LastInsertId(TSQLConnection& connection, const QString& table) {
    auto query = connection.ExecuteQuery(QStringLiteral("SELECT last_insert_rowid() FROM [") + table + ']');
    query->First();
    if (query->Eof()) return -1;
    return query->Fields().Get(0)->AsLargeInt();
}

Int64 NextCounterValue(TSQLConnection& connection, const QString& table, Int64 beginValue) {
    auto query = connection.ExecuteQuery(QStringLiteral("SELECT max(record_count) FROM [") + table + ']');
    Int64 value = 0;
    query->First();
    if (!query->Eof()) {
        try {
            value = query->Fields().Get(0)->AsLargeInt() + 1;
        } catch (const Exception&) {
            value = -1;
        }
    }
    return value != -1 && value < beginValue ? beginValue : value;
}

QString ForeignKeyTable(const QString& name) {
    const int dot = name.indexOf('.');
    if (dot < 0) return name;
    QString r = name.mid(dot + 1).mid(3);
    for (int pass = 0; pass < 2; ++pass)
        if (!r.isEmpty() && r.back() >= u'1' && r.back() <= u'9') r.chop(1);
    return r;
}

QString DropTablePrefix(const QString& name) {
    const int dot = name.indexOf('.');
    return dot < 0 ? name : name.mid(dot + 1);
}

QString FormatSQLDateTime(const QString& text, const QString& format) {
    // Read independently of the locale: the stored form is fixed, and a locale whose decimal
    // separator is not "." must still read the milliseconds.
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(\d{1,4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.(\d{1,3}))?)?)?\s*$)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return {};
    auto num = [&](int i) { return m.captured(i).isEmpty() ? 0 : m.captured(i).toInt(); };
    QString ms = m.captured(7);
    while (!ms.isEmpty() && ms.size() < 3) ms += '0';
    TDateTime value;
    if (!TryEncodeDateTime(num(1), num(2), num(3), num(4), num(5), num(6), ms.isEmpty() ? 0 : ms.toInt(), value))
        return {};
    return FormatDateTime(format, value);
}

QString EscapeQuotes(const QString& text, const QString& field) {
    QString r = text;
    if (!ExemptIgnoringCase(field)) {
        bool high = false;
        for (QChar c : r)
            if (c.unicode() >= 247) {
                high = true;
                break;
            }
        if (high) r = AnsiUpperCase(r);
    }
    r.replace(QLatin1String("\""), QLatin1String("\"\""));
    return r;
}

QString UpperUnlessDisabled(const QString& text, const QString& field) {
    return ExemptExactly(field) ? text : AnsiUpperCase(text);
}

QString NormalizeCyrillicCase(const QString& text, const QString& field) {
    if (ExemptIgnoringCase(field)) return text;
    bool cyrillic = false;
    for (QChar c : text)
        if (c.unicode() >= 0x0410 && c.unicode() <= 0x044F) {
            cyrillic = true;
            break;
        }
    if (!cyrillic) return text;
    const int n = std::min<int>(text.size(), 50);
    for (int i = 0; i < n; ++i)
        if (text[i].unicode() >= 0x0430 && text[i].unicode() <= 0x044F) return text;
    QString r = AnsiLowerCase(text);
    if (!r.isEmpty()) r[0] = AnsiUpperCase(QString(r[0]))[0];
    return r;
}
