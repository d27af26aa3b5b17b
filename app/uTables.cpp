#include "app/uTables.h"

#include "app/uSQL.h"
#include "platform/rtl/IniFiles.h"

#include "platform/sys/Program.h"

namespace {

QString& TablesFile() {
    static QString file;
    return file;
}

QString MapType(const QString& type) {
    if (type == QLatin1String("DATE") || type == QLatin1String("TIME") || type == QLatin1String("DATETIME"))
        return QStringLiteral("TEXT");
    if (type == QLatin1String("BOOLEAN")) return QStringLiteral("INTEGER");
    if (type == QLatin1String("IMAGE") || type == QLatin1String("FILE")) return QStringLiteral("BLOB");
    return type;
}

} // namespace

void SetTablesFileName(const QString& fileName) { TablesFile() = fileName; }

QString TablesFileName() {
    if (!TablesFile().isEmpty()) return TablesFile();
    return ProgramFolder() + QStringLiteral("tables.ini");
}

std::unique_ptr<TStringList> TablesToSQL(const QString& fileName) {
    auto result = std::make_unique<TStringList>();
    TMemIniFile ini(fileName);
    TStringList sections, keys;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        const QString table = sections.Get(s);
        QString sql = QStringLiteral("CREATE TABLE [") + table + QStringLiteral("] (id INTEGER PRIMARY KEY ASC");
        ini.ReadSection(table, keys);
        for (int k = 0; k < keys.Count(); ++k) {
            const QString key = keys.Get(k);
            if (key.isEmpty()) continue;
            const QChar prefix = key[0];
            const QString name = key.mid(1);
            if (prefix == u'_' || prefix == u'-') {
                const QString suffix = prefix == u'-' ? QStringLiteral(" NOT NULL") : QString();
                const QString type = MapType(ini.ReadString(table, key, QString()));
                sql += QStringLiteral(", [") + name + QStringLiteral("] ") + type + suffix;
                if (type == QLatin1String("BLOB"))
                    sql += QStringLiteral(", [") + name + QStringLiteral("_filename] TEXT") + suffix;
            } else if (prefix == u'+' || prefix == u'>' || prefix == u'^') {
                sql += QStringLiteral(", [") + name + QStringLiteral("] INTEGER");
                if (prefix != u'>') sql += QStringLiteral(" NOT NULL");
            } else if (prefix == u'*') {
                sql += QStringLiteral(", [") + name + QStringLiteral("] INTEGER");
            }
        }
        for (int k = 0; k < keys.Count(); ++k) {
            const QString key = keys.Get(k);
            if (!key.startsWith(u'^')) continue;
            sql += QStringLiteral(", FOREIGN KEY(") + key.mid(1) + QStringLiteral(") REFERENCES ") +
                   ini.ReadString(table, key, QString()) + QStringLiteral("(id) ON DELETE CASCADE");
        }
        sql += QStringLiteral("); ");
        result->Add(sql);
    }
    return result;
}

void LoadSchema(const QString& fileName) {
    SchemaFieldList = std::make_unique<TStringList>();
    CalculatedFieldList = std::make_unique<TStringList>();
    TMemIniFile ini(fileName);
    TStringList sections, keys;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        const QString table = sections.Get(s);
        ini.ReadSection(table, keys);
        for (int k = 0; k < keys.Count(); ++k) {
            QString key = keys.Get(k);
            if (key == QLatin1String("isdictionary")) continue;
            const QString value = ini.ReadString(table, key, QString());
            QString type = value;
            if (key.startsWith(u'%')) {
                key.remove(0, 1);
                CalculatedFieldList->Add(table + '.' + key + '=' + value);
            } else {
                const QChar prefix = key.isEmpty() ? QChar() : key[0];
                if (prefix == u'>' || prefix == u'^' || prefix == u'+') type = QStringLiteral("INTEGER");
                if (QStringLiteral("_->^+*").contains(prefix) && !key.isEmpty()) key.remove(0, 1);
            }
            SchemaFieldList->Add(table + '=' + key + '=' + type);
        }
    }
}

bool IsDictionaryIn(const QString& fileName, const QString& table) {
    TMemIniFile ini(fileName);
    return ini.ReadInteger(table, QStringLiteral("isdictionary"), 0) != 0;
}

bool IsDictionary(const QString& table) { return IsDictionaryIn(TablesFileName(), table); }
