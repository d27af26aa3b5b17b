// Fills a database shaped like the demo application's with 100,000 orders, then times a result
// grid's query into the grid through the shell's own path, and the same SELECT in the sqlite3
// command-line program writing to /dev/null. Prints one "name: value unit" line per figure.

#include "app/dbStringGridEx.h"
#include "app/uLang.h"
#include "app/uSQL.h"
#include "app/uTables.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

const int Orders = 100000, Customers = 2000, Cities = 200, Countries = 20;

void Figure(const QString& name, double value, const char* unit) {
    std::printf("%s: %.3f %s\n", qPrintable(name), value, unit);
}

void Text(const QString& name, const QString& value, const char* unit) {
    std::printf("%s: %s %s\n", qPrintable(name), qPrintable(value), unit);
}

void Fill(TSQLConnection& db, const QString& tablesIni) {
    auto statements = TablesToSQL(tablesIni);
    TSQLTransactionGuard transaction(db);
    for (int i = 0; i < statements->Count(); ++i)
        db.ExecuteDirect(statements->Get(i));
    TParams p;
    auto bind = [&](std::initializer_list<QVariant> values) {
        p.Clear();
        for (const QVariant& v : values) {
            TParam& param = p.CreateParam(ftUnknown, QString(), ptInput);
            if (v.typeId() == QMetaType::Int)
                param.SetAsLargeInt(v.toInt());
            else if (v.typeId() == QMetaType::Double)
                param.SetAsFloat(v.toDouble());
            else
                param.SetAsString(v.toString());
        }
        return &p;
    };
    for (int i = 1; i <= Countries; ++i)
        db.Execute("INSERT INTO countries(id, name, code) VALUES(?, ?, ?)",
                   bind({i, QString("Country %1").arg(i), QString("C%1").arg(i)}));
    for (int i = 1; i <= Cities; ++i)
        db.Execute("INSERT INTO cities(id, name, id_countries) VALUES(?, ?, ?)",
                   bind({i, QString("City %1").arg(i), 1 + i % Countries}));
    for (int i = 1; i <= Customers; ++i)
        db.Execute("INSERT INTO customers(id, name, phone, email, id_cities, vip, record_count) VALUES(?, ?, "
                   "?, ?, ?, ?, ?)",
                   bind({i, QString("Customer %1 Ltd").arg(i), QString("+47 %1").arg(10000000 + i),
                         QString("c%1@example.com").arg(i), 1 + i % Cities, i % 2, i}));
    for (int i = 1; i <= Orders; ++i) {
        const QString day = QString("20%1-%2-%3 00:00:00.000")
                                .arg(10 + i % 15)
                                .arg(1 + i % 12, 2, 10, QChar('0'))
                                .arg(1 + i % 28, 2, 10, QChar('0'));
        db.Execute(
            "INSERT INTO orders(id, record_count, date, id_customers, id_cities, amount, paid, created) "
            "VALUES(?, ?, ?, ?, ?, ?, ?, ?)",
            bind({i, i, day, 1 + i % Customers, 1 + i % Cities, (i % 1000) / 4.0, i % 3 == 0 ? 1 : 0,
                  day.left(11) + "12:30:00.000"}));
    }
    transaction.Commit();
}

struct TRun {
    double Ms = std::numeric_limits<double>::infinity();
    QString Error;
};

TRun RunSqlite(const QString& program, const QString& db, const QString& sql) {
    TRun r;
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, {db, sql});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        r.Error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (r.Error.isEmpty()) r.Error = "failed";
        return r;
    }
    r.Ms = t.nsecsElapsed() / 1e6;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitApplication();
    InitLang();
    int runs = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i)
        if (args[i] == "--runs") runs = std::max(1, args[i + 1].toInt());

    QTemporaryDir dir;
    const QString tablesIni = QStringLiteral(KORVEL_DEMO_DIR "/tables.ini");
    const QString file = dir.filePath("bench.db");
    int status = 0;
    try {
        TSQLConnection db;
        db.SetParamValue("Database", file);
        db.SetParamValue("FailIfMissing", "False");
        Fill(db, tablesIni);
        SetTablesFileName(tablesIni);
        LoadSchema(tablesIni);
        UpperCaseExemptList = std::make_unique<TStringList>();

        TForm form(nullptr);
        auto* grid = new TdbStringGridEx(&form);
        grid->SetParent(&form);
        grid->SetdbSQLConnection(&db);
        grid->SetdbGeneralTable("orders");
        grid->SetdbListFields(
            "orders.record_count,orders.date,customers.name,cities.name,orders.amount,orders.paid");
        grid->SetdbListFooters(",,,,Sum:^,");
        grid->SetdbSortField("orders.record_count");
        const QString sql = grid->dbBuildQuery().SQL;
        Text("grid.sql", '"' + sql + '"', "text");

        double korvel = std::numeric_limits<double>::infinity();
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            t.start();
            grid->dbExecute();
            korvel = std::min(korvel, t.nsecsElapsed() / 1e6);
        }
        Figure("grid.rows", grid->RowCount(), "rows");
        Figure("grid.korvel", korvel, "ms");
        if (grid->RowCount() != Orders) {
            Text("grid.rows.mismatch", QString::number(Orders), "expected");
            status = 1;
        }

        const QString sqlite = QStandardPaths::findExecutable("sqlite3");
        if (sqlite.isEmpty()) {
            Text("grid.sqlite3.error", "sqlite3 is not installed (Debian package sqlite3)", "");
            return 1;
        }
        TRun startup, peer;
        for (int i = 0; i < runs; ++i) {
            const TRun s = RunSqlite(sqlite, file, "SELECT 1");
            const TRun q = RunSqlite(sqlite, file, sql);
            if (!q.Error.isEmpty()) {
                Text("grid.sqlite3.error", q.Error, "");
                return 1;
            }
            startup.Ms = std::min(startup.Ms, s.Ms);
            peer.Ms = std::min(peer.Ms, q.Ms);
        }
        const double peerMs = std::max(0.001, peer.Ms - startup.Ms);
        Figure("grid.sqlite3.startup", startup.Ms, "ms");
        Figure("grid.sqlite3", peerMs, "ms");
        Figure("grid.korvel.vs_sqlite3", korvel / peerMs, "x");
        Text("grid.korvel.within_1_5x_sqlite3", korvel <= 1.5 * peerMs ? "yes" : "no", "goal");
    } catch (const Exception& e) {
        Text("grid.error", e.Message(), "");
        status = 1;
    }
    return status;
}
