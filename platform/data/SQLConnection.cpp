#include "platform/data/SQLConnection.h"

#include "platform/rtl/Exceptions.h"

#include <sqlite3.h>

namespace {

// Owns a prepared statement for the length of one run.
struct TStatement {
    sqlite3_stmt* Handle = nullptr;
    TStatement() = default;
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;
    ~TStatement() {
        if (Handle) sqlite3_finalize(Handle);
    }
};

QString ErrorText(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

void CheckText(const QString& sql) {
    // SQLite stops reading at a NUL, which would silently drop the rest of the text.
    if (sql.contains(QChar(0))) throw EDatabaseError(QStringLiteral("The SQL text contains a NUL character"));
}

void BindValue(sqlite3* db, sqlite3_stmt* st, int index, const TSQLValue& v) {
    int rc = SQLITE_OK;
    switch (v.Kind()) {
    case TSQLValueKind::Null:
        rc = sqlite3_bind_null(st, index);
        break;
    case TSQLValueKind::Integer:
        rc = sqlite3_bind_int64(st, index, v.IntegerValue());
        break;
    case TSQLValueKind::Float:
        rc = sqlite3_bind_double(st, index, v.FloatValue());
        break;
    case TSQLValueKind::Text: {
        const QByteArray utf8 = v.TextValue().toUtf8();
        rc = sqlite3_bind_text64(st, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    case TSQLValueKind::Blob: {
        const QByteArray& bytes = v.BlobValue();
        // An empty BLOB is bound as a BLOB of length 0, not as NULL.
        rc = bytes.isEmpty()
                 ? sqlite3_bind_zeroblob(st, index, 0)
                 : sqlite3_bind_blob64(st, index, bytes.constData(),
                                       static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK) throw EDatabaseError(ErrorText(db));
}

void BindParams(sqlite3* db, sqlite3_stmt* st, const TParams* params) {
    const int count = sqlite3_bind_parameter_count(st);
    for (int i = 1; i <= count; ++i) {
        const char* rawName = sqlite3_bind_parameter_name(st, i);
        const TParam* param = nullptr;
        QString label;
        if (!rawName || rawName[0] == '?') {
            // "?" takes the next position, "?NNN" position NNN; both count from 1.
            const int position = rawName ? QByteArray(rawName + 1).toInt() : i;
            label = QStringLiteral("?%1").arg(position);
            if (params && position >= 1 && position <= params->Count()) param = &params->Items(position - 1);
        } else {
            label = QString::fromUtf8(rawName);
            if (params) param = params->FindParam(label.mid(1));
        }
        if (!param) throw EDatabaseError(QStringLiteral("No value for parameter '%1'").arg(label));
        BindValue(db, st, i, param->BindValue());
    }
}

TSQLValue ColumnValue(sqlite3_stmt* st, int c) {
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_INTEGER:
        return TSQLValue::Integer(sqlite3_column_int64(st, c));
    case SQLITE_FLOAT:
        return TSQLValue::Float(sqlite3_column_double(st, c));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        const int n = sqlite3_column_bytes(st, c);
        return TSQLValue::Text(text ? QString::fromUtf8(text, n) : QString());
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(st, c));
        const int n = sqlite3_column_bytes(st, c);
        return TSQLValue::Blob(data ? QByteArray(data, n) : QByteArray());
    }
    default:
        return TSQLValue();
    }
}

std::vector<TResultColumn> Columns(sqlite3_stmt* st) {
    std::vector<TResultColumn> columns;
    const int n = sqlite3_column_count(st);
    for (int c = 0; c < n; ++c) {
        const char* decl = sqlite3_column_decltype(st, c);
        columns.push_back(
            {QString::fromUtf8(sqlite3_column_name(st, c)), decl ? QString::fromUtf8(decl) : QString()});
    }
    return columns;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TSQLConnection

TSQLConnection::TSQLConnection() = default;

TSQLConnection::~TSQLConnection() {
    Close();
}

QString TSQLConnection::ParamValue(const QString& name) const {
    return FParams.Values(name);
}

void TSQLConnection::SetParamValue(const QString& name, const QString& value) {
    if (FParams.IndexOfName(name) < 0)
        FParams.Add(name + QLatin1Char('=') + value);
    else
        FParams.SetValues(name, value);
}

void TSQLConnection::SetConnected(bool value) {
    if (value)
        Open();
    else
        Close();
}

void TSQLConnection::Open() {
    if (FHandle) return;
    const QString database = ParamValue(QStringLiteral("Database"));
    if (database.isEmpty())
        throw EDatabaseError(
            QStringLiteral("No database file is named in the connection parameter \"Database\""));
    if (database.contains(QChar(0)))
        throw EDatabaseError(QStringLiteral("The database file name contains a NUL character"));
    const bool failIfMissing = ParamValue(QStringLiteral("FailIfMissing"))
                                   .trimmed()
                                   .compare(QLatin1String("False"), Qt::CaseInsensitive) != 0;
    const int flags = SQLITE_OPEN_READWRITE | (failIfMissing ? 0 : SQLITE_OPEN_CREATE);
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(database.toUtf8().constData(), &handle, flags, nullptr);
    QString error;
    if (rc != SQLITE_OK) {
        error = handle ? ErrorText(handle) : QString::fromUtf8(sqlite3_errstr(rc));
    } else {
        sqlite3_extended_result_codes(handle, 1);
        sqlite3_busy_timeout(handle, 5000);
        // Reading the schema now makes a file that is no database fail here, with its name.
        if (sqlite3_exec(handle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            error = ErrorText(handle);
    }
    if (!error.isEmpty()) {
        sqlite3_close_v2(handle);
        throw EDatabaseError(QStringLiteral("%1: %2").arg(error, database));
    }
    FHandle = handle;
}

void TSQLConnection::Close() {
    if (!FHandle) return;
    sqlite3_close_v2(FHandle);
    FHandle = nullptr;
}

void TSQLConnection::RaiseError() const {
    throw EDatabaseError(ErrorText(FHandle));
}

TResultSet TSQLConnection::Run(const QString& sql, const TParams* params, int* rowsAffected) {
    CheckText(sql);
    Open();
    const QByteArray text = sql.toUtf8();
    const char* pos = text.constData();
    const char* const end = pos + text.size();
    TResultSet result;
    int changes = 0;
    while (pos < end) {
        TStatement st;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(FHandle, pos, static_cast<int>(end - pos), &st.Handle, &tail) != SQLITE_OK)
            RaiseError();
        const char* const before = pos;
        pos = tail ? tail : end;
        if (!st.Handle) {
            if (pos <= before) break; // only blanks or comments were left
            continue;
        }
        BindParams(FHandle, st.Handle, params);
        const sqlite3_int64 totalBefore = sqlite3_total_changes64(FHandle);
        const bool hasColumns = sqlite3_column_count(st.Handle) > 0;
        TResultSet current;
        if (hasColumns) current.Columns = Columns(st.Handle);
        const int n = static_cast<int>(current.Columns.size());
        for (;;) {
            const int rc = sqlite3_step(st.Handle);
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) RaiseError();
            if (!hasColumns) continue;
            std::vector<TSQLValue> row;
            row.reserve(static_cast<size_t>(n));
            for (int c = 0; c < n; ++c)
                row.push_back(ColumnValue(st.Handle, c));
            current.Rows.push_back(std::move(row));
        }
        if (hasColumns) result = std::move(current);
        // sqlite3_changes keeps the count of the last INSERT, UPDATE or DELETE, so a statement
        // that changed nothing (CREATE TABLE, PRAGMA) must not report it again.
        if (!sqlite3_stmt_readonly(st.Handle))
            changes = sqlite3_total_changes64(FHandle) != totalBefore ? sqlite3_changes(FHandle) : 0;
    }
    FRowsAffected = changes;
    if (rowsAffected) *rowsAffected = changes;
    return result;
}

std::vector<TResultColumn> TSQLConnection::Describe(const QString& sql) {
    CheckText(sql);
    Open();
    const QByteArray text = sql.toUtf8();
    TStatement st;
    if (sqlite3_prepare_v2(FHandle, text.constData(), static_cast<int>(text.size()), &st.Handle, nullptr) !=
        SQLITE_OK)
        RaiseError();
    return st.Handle ? Columns(st.Handle) : std::vector<TResultColumn>();
}

int TSQLConnection::ExecuteDirect(const QString& sql) {
    int changes = 0;
    Run(sql, nullptr, &changes);
    return changes;
}

int TSQLConnection::Execute(const QString& sql, const TParams* params) {
    int changes = 0;
    Run(sql, params, &changes);
    return changes;
}

int TSQLConnection::Execute(const QString& sql, const TParams* params,
                            std::unique_ptr<TSQLQuery>& resultSet) {
    resultSet.reset();
    int changes = 0;
    TResultSet result = Run(sql, params, &changes);
    if (!result.Columns.empty()) {
        auto query = std::make_unique<TSQLQuery>(this);
        query->FSQL = sql;
        if (params) query->FParams = *params;
        query->FRowsAffected = changes;
        query->OpenWithResult(std::move(result));
        resultSet = std::move(query);
    }
    return changes;
}

std::unique_ptr<TSQLQuery> TSQLConnection::ExecuteQuery(const QString& sql, const TParams* params) {
    std::unique_ptr<TSQLQuery> result;
    Execute(sql, params, result);
    if (!result) throw EDatabaseError(QStringLiteral("The statement returns no result set"));
    return result;
}

Int64 TSQLConnection::LastInsertRowId() const {
    return FHandle ? sqlite3_last_insert_rowid(FHandle) : 0;
}

void TSQLConnection::StartTransaction() {
    ExecuteDirect(QStringLiteral("BEGIN"));
}

void TSQLConnection::Commit() {
    ExecuteDirect(QStringLiteral("COMMIT"));
}

void TSQLConnection::Rollback() {
    ExecuteDirect(QStringLiteral("ROLLBACK"));
}

bool TSQLConnection::InTransaction() const {
    return FHandle && !sqlite3_get_autocommit(FHandle);
}

// ---------------------------------------------------------------------------------------------
// TSQLQuery

void TSQLQuery::SetSQL(const QString& value) {
    if (value == FSQL) return;
    Close();
    FSQL = value;
}

TSQLConnection& TSQLQuery::CheckConnection() const {
    if (!FConnection) throw EDatabaseError(QStringLiteral("The query has no connection"));
    return *FConnection;
}

TResultSet TSQLQuery::OpenCursor() {
    TResultSet result = CheckConnection().Run(FSQL, &FParams, &FRowsAffected);
    if (result.Columns.empty()) throw EDatabaseError(QStringLiteral("The statement returns no result set"));
    return result;
}

std::vector<TResultColumn> TSQLQuery::DescribeColumns() {
    return CheckConnection().Describe(FSQL);
}

int TSQLQuery::ExecSQL() {
    Close();
    CheckConnection().Run(FSQL, &FParams, &FRowsAffected);
    return FRowsAffected;
}

// ---------------------------------------------------------------------------------------------
// TSQLTransactionGuard

TSQLTransactionGuard::TSQLTransactionGuard(TSQLConnection& connection) : FConnection(connection) {
    FConnection.StartTransaction();
}

TSQLTransactionGuard::~TSQLTransactionGuard() {
    if (FDone || !FConnection.InTransaction()) return;
    try {
        FConnection.Rollback();
    } catch (const Exception&) {
        // A failed rollback leaves SQLite to undo the transaction when the connection closes.
    }
}

void TSQLTransactionGuard::Commit() {
    FConnection.Commit();
    FDone = true;
}
