// korvel_demodb: makes a new database the way Korvel does on its first start (the tables of
// tables.ini) and fills it with the rows of an SQL file, so the demo opens on data.
//
//   korvel_demodb DATABASE TABLES_INI DATA_SQL
//
// An existing DATABASE is never touched. Everything runs in one transaction; on any error the
// new file is removed and the message names the file and the statement that failed.

#include "app/uTables.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/Exceptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

void Print(FILE* f, const QString& s) {
    std::fputs(s.toLocal8Bit().constData(), f);
    std::fputc('\n', f);
}

void Fill(TSQLConnection& db, const QString& tablesIni, const QString& dataSql) {
    const auto tables = TablesToSQL(tablesIni);
    QFile data(dataSql);
    if (!data.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open %1: %2").arg(dataSql, data.errorString()));
    const QString rows = QString::fromUtf8(data.readAll());
    db.StartTransaction();
    for (int i = 0; i < tables->Count(); ++i) {
        try {
            db.ExecuteDirect(tables->Strings(i));
        } catch (const Exception& e) {
            throw EDatabaseError(QStringLiteral("%1, table %2: %3").arg(tablesIni).arg(i + 1).arg(e.Message()));
        }
    }
    try {
        db.ExecuteDirect(rows);
    } catch (const Exception& e) {
        throw EDatabaseError(QStringLiteral("%1: %2").arg(dataSql, e.Message()));
    }
    db.Commit();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: korvel_demodb DATABASE TABLES_INI DATA_SQL\n");
        return 2;
    }
    const QString& database = args[0];
    if (QFileInfo::exists(database)) {
        Print(stderr, QStringLiteral("%1 exists already: left as it is").arg(database));
        return 1;
    }
    if (!QFileInfo::exists(args[1])) {
        Print(stderr, QStringLiteral("%1: no such file").arg(args[1]));
        return 1;
    }
    bool ok = false;
    {
        TSQLConnection db;
        db.SetParamValue(QStringLiteral("Database"), database);
        db.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
        try {
            db.Open();
            Fill(db, args[1], args[2]);
            ok = true;
        } catch (const Exception& e) {
            Print(stderr, e.Message());
        }
    }
    if (!ok) {
        QFile::remove(database);
        return 1;
    }
    return 0;
}
