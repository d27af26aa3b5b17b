#pragma once
// The connection to an SQLite database file, and queries on it.
//
// Parameters (Params, "Name=Value" lines): "Database" names the file (":memory:" for a private
// in-memory database); "FailIfMissing" ("True" unless it says "False") refuses to create a file
// that does not exist. Other lines are kept and ignored.
//
// Every error SQLite reports becomes an EDatabaseError whose message is SQLite's own text
// ("no such table: foo"); failing to open the file adds the file name.

#include "platform/data/DataSet.h"
#include "platform/data/Params.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"

#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3;
class TSQLQuery;

class TSQLConnection : public TObject {
public:
    TSQLConnection();
    ~TSQLConnection() override;

    const QString& ConnectionName() const { return FConnectionName; }
    void SetConnectionName(const QString& value) { FConnectionName = value; }
    const QString& DriverName() const { return FDriverName; }
    void SetDriverName(const QString& value) { FDriverName = value; }
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool value) { FLoginPrompt = value; }

    // The parameter lines. Values are looked up by name without regard to letter case; the
    // first line of a name wins.
    TStringList& Params() { return FParams; }
    const TStringList& Params() const { return FParams; }
    QString ParamValue(const QString& name) const;
    // Replaces the value of the first line of that name, or adds a line.
    void SetParamValue(const QString& name, const QString& value);

    bool Connected() const { return FHandle != nullptr; }
    void SetConnected(bool value);
    void Open();
    void Close();

    // Runs every statement of the text, without a result. Opens the connection when needed.
    // Returns the rows changed by the last statement.
    int ExecuteDirect(const QString& sql);
    // Runs the text with the parameters bound (params may be null when the text has none).
    // Returns the rows changed by the last statement.
    int Execute(const QString& sql, const TParams* params);
    // As above; resultSet receives the open result of the last statement that returns columns,
    // or null when none does.
    int Execute(const QString& sql, const TParams* params, std::unique_ptr<TSQLQuery>& resultSet);
    // Runs a query and returns its open result; EDatabaseError when the text returns no columns.
    std::unique_ptr<TSQLQuery> ExecuteQuery(const QString& sql, const TParams* params = nullptr);

    Int64 LastInsertRowId() const;
    // Rows changed by the last statement that changed rows.
    int RowsAffected() const { return FRowsAffected; }

    void StartTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const;

    // The statement runner behind Execute and TSQLQuery: the result of the last statement with
    // columns (Columns empty when none has them).
    TResultSet Run(const QString& sql, const TParams* params, int* rowsAffected = nullptr);
    // Result columns of the text's first statement, without running it.
    std::vector<TResultColumn> Describe(const QString& sql);

    sqlite3* Handle() const { return FHandle; }

private:
    [[noreturn]] void RaiseError() const;

    QString FConnectionName;
    QString FDriverName = QStringLiteral("Sqlite");
    bool FLoginPrompt = false;
    TStringList FParams;
    sqlite3* FHandle = nullptr;
    int FRowsAffected = 0;
};

// A query on a connection: SQL text with parameters, read whole when it opens.
class TSQLQuery : public TDataSet {
public:
    TSQLQuery() = default;
    explicit TSQLQuery(TSQLConnection* connection) : FConnection(connection) {}

    TSQLConnection* SQLConnection() const { return FConnection; }
    void SetSQLConnection(TSQLConnection* value) { FConnection = value; }
    const QString& SQL() const { return FSQL; }
    // Changing the text closes the query.
    void SetSQL(const QString& value);
    TParams& Params() { return FParams; }
    const TParams& Params() const { return FParams; }
    TParam& ParamByName(const QString& name) { return FParams.ParamByName(name); }

    // Runs the text without a result; returns the rows changed.
    int ExecSQL();
    int RowsAffected() const { return FRowsAffected; }

protected:
    TResultSet OpenCursor() override;
    std::vector<TResultColumn> DescribeColumns() override;

private:
    friend class TSQLConnection;
    TSQLConnection& CheckConnection() const;

    TSQLConnection* FConnection = nullptr;
    QString FSQL;
    TParams FParams;
    int FRowsAffected = 0;
};

// Begins a transaction and rolls it back when the scope ends without Commit.
class TSQLTransactionGuard {
public:
    explicit TSQLTransactionGuard(TSQLConnection& connection);
    ~TSQLTransactionGuard();
    TSQLTransactionGuard(const TSQLTransactionGuard&) = delete;
    TSQLTransactionGuard& operator=(const TSQLTransactionGuard&) = delete;
    void Commit();

private:
    TSQLConnection& FConnection;
    bool FDone = false;
};
