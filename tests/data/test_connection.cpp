#include "platform/data/SQLConnection.h"
#include "platform/data/SQLText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Db : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FConn.Params().Add(QStringLiteral("Database=") + FDir.filePath(QStringLiteral("t.db")));
        FConn.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
        FConn.ExecuteDirect(QStringLiteral(
            "CREATE TABLE t (id INTEGER PRIMARY KEY ASC, s TEXT, b BLOB, r REAL, n INTEGER);"));
    }
    int Count(const QString& table) {
        return FConn.ExecuteQuery(QStringLiteral("SELECT count(*) FROM ") + table)->Fields()[0]->AsInteger();
    }
    QTemporaryDir FDir;
    TSQLConnection FConn;
};

QString MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return QStringLiteral("<no EDatabaseError>");
}

} // namespace

TEST(Connection, FailIfMissingRefusesToCreate) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing.db"));
    TSQLConnection c;
    c.Params().Add(QStringLiteral("Database=") + path);
    c.Params().Add(QStringLiteral("FailIfMissing=True"));
    const QString msg = MessageOf([&] { c.Open(); });
    EXPECT_TRUE(msg.contains(QStringLiteral("unable to open database file"))) << msg.toStdString();
    EXPECT_TRUE(msg.contains(path)) << msg.toStdString();
    EXPECT_FALSE(c.Connected());
    EXPECT_FALSE(QFile::exists(path));

    // The default is to fail as well; only "False" lets the driver create the file.
    TSQLConnection d;
    d.Params().Add(QStringLiteral("Database=") + path);
    EXPECT_THROW(d.Open(), EDatabaseError);
    d.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
    d.ExecuteDirect(QStringLiteral("PRAGMA foreign_keys=ON;"));
    EXPECT_TRUE(d.Connected());
    EXPECT_TRUE(QFile::exists(path));
}

TEST(Connection, FileThatIsNoDatabaseFailsWithItsName) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("junk.db"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    TSQLConnection c;
    c.Params().Add(QStringLiteral("Database=") + path);
    const QString msg = MessageOf([&] { c.Open(); });
    EXPECT_TRUE(msg.contains(QStringLiteral("not a database")) && msg.contains(path)) << msg.toStdString();
}

TEST_F(Db, ErrorsCarrySQLiteText) {
    EXPECT_EQ(MessageOf([&] { FConn.ExecuteQuery(QStringLiteral("SELECT * FROM foo")); }),
              QStringLiteral("no such table: foo"));
    EXPECT_EQ(MessageOf([&] { FConn.ExecuteDirect(QStringLiteral("SELEC 1")); }),
              QStringLiteral("near \"SELEC\": syntax error"));
    EXPECT_EQ(MessageOf([&] {
                  FConn.ExecuteDirect(
                      QStringLiteral("INSERT INTO t (id) VALUES (1); INSERT INTO t (id) VALUES (1);"));
              }),
              QStringLiteral("UNIQUE constraint failed: t.id"));
    // The first statement of the text ran before the second failed.
    EXPECT_EQ(Count(QStringLiteral("t")), 1);
    EXPECT_EQ(MessageOf([&] {
                  FConn.ExecuteDirect(QStringLiteral("SELECT 1;") + QChar(0) +
                                      QStringLiteral("DROP TABLE t"));
              }),
              QStringLiteral("The SQL text contains a NUL character"));
    EXPECT_EQ(Count(QStringLiteral("t")), 1);
}

TEST_F(Db, ResultNavigationAndFieldNames) {
    FConn.ExecuteDirect(QStringLiteral("INSERT INTO t (s, n) VALUES ('a', 1), ('b', 2), ('c', 3);"));
    auto q =
        FConn.ExecuteQuery(QStringLiteral("SELECT s AS \"Mixed Name\", n, n * 2, [t].id FROM t ORDER BY n"));
    ASSERT_EQ(q->FieldCount(), 4);
    EXPECT_EQ(q->FieldNames(), (QStringList{QStringLiteral("Mixed Name"), QStringLiteral("n"),
                                            QStringLiteral("n * 2"), QStringLiteral("id")}));
    EXPECT_EQ(q->RecordCount(), 3);
    QStringList seen;
    for (q->First(); !q->Eof(); q->Next())
        seen << q->Fields()[0]->AsString() + q->FieldByName(QStringLiteral("N * 2"))->AsString();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("a2"), QStringLiteral("b4"), QStringLiteral("c6")}));
    // Next on the last record keeps it; Prior walks back to the start.
    EXPECT_EQ(q->Fields()[0]->AsString(), QStringLiteral("c"));
    q->Prior();
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->Fields()[0]->AsString(), QStringLiteral("b"));
    q->Prior();
    q->Prior();
    EXPECT_TRUE(q->Bof());
    EXPECT_EQ(q->RecNo(), 1);

    const TBookmark mark = [&] {
        q->Next();
        return q->GetBookmark();
    }();
    q->Last();
    q->GotoBookmark(mark);
    EXPECT_EQ(q->Fields()[0]->AsString(), QStringLiteral("b"));

    EXPECT_EQ(q->FindField(QStringLiteral("nothing")), nullptr);
    EXPECT_EQ(MessageOf([&] { q->FieldByName(QStringLiteral("nothing")); }),
              QStringLiteral("Field 'nothing' not found"));

    auto empty = FConn.ExecuteQuery(QStringLiteral("SELECT s FROM t WHERE 0"));
    EXPECT_TRUE(empty->Eof());
    EXPECT_EQ(empty->RecordCount(), 0);
    EXPECT_EQ(empty->FieldNames(), QStringList{QStringLiteral("s")});
    EXPECT_TRUE(empty->Fields()[0]->IsNull());
}

TEST_F(Db, FieldKindsAndTextForms) {
    TFormatSettingsScope locale(QStringLiteral("ru_RU"));
    FConn.ExecuteDirect(QStringLiteral(
        "INSERT INTO t (s, b, r, n) VALUES ('x', X'0001', 3.5, 42), (NULL, NULL, NULL, NULL);"));
    auto q = FConn.ExecuteQuery(
        QStringLiteral("SELECT s, b, r, n, 1.25, 7, 'e', NULL, (SELECT max(n) FROM t) FROM t ORDER BY id"));
    struct Case {
        int column;
        TFieldType type;
        bool blob;
        QString text;
        TSQLValueKind kind;
    };
    const Case cases[] = {
        {0, ftWideString, false, QStringLiteral("x"), TSQLValueKind::Text},
        {1, ftBlob, true, QString::fromUtf8(QByteArray("\0\1", 2)), TSQLValueKind::Blob},
        {2, ftFloat, false, QStringLiteral("3,5"), TSQLValueKind::Float},
        {3, ftLargeint, false, QStringLiteral("42"), TSQLValueKind::Integer},
        {4, ftFloat, false, QStringLiteral("1,25"), TSQLValueKind::Float},
        {5, ftLargeint, false, QStringLiteral("7"), TSQLValueKind::Integer},
        {6, ftWideString, false, QStringLiteral("e"), TSQLValueKind::Text},
        {7, ftWideString, false, QString(), TSQLValueKind::Null},
        {8, ftLargeint, false, QStringLiteral("42"), TSQLValueKind::Integer},
    };
    for (const Case& c : cases) {
        TField* f = q->Fields()[c.column];
        SCOPED_TRACE(f->FieldName().toStdString());
        EXPECT_EQ(f->DataType(), c.type);
        EXPECT_EQ(f->IsBlob(), c.blob);
        EXPECT_EQ(dynamic_cast<TBlobField*>(f) != nullptr, c.blob);
        EXPECT_EQ(f->AsString(), c.text);
        EXPECT_EQ(f->ValueKind(), c.kind);
    }
    EXPECT_DOUBLE_EQ(q->FieldByName(QStringLiteral("r"))->AsFloat(), 3.5);
    EXPECT_EQ(q->FieldByName(QStringLiteral("r"))->AsInteger(), 4); // rounded half to even
    EXPECT_EQ(q->FieldByName(QStringLiteral("n"))->AsLargeInt(), 42);
    EXPECT_TRUE(q->FieldByName(QStringLiteral("n"))->AsBoolean());
    EXPECT_THROW(q->FieldByName(QStringLiteral("s"))->AsInteger(), EConvertError);
    q->Next();
    for (int i = 0; i < 4; ++i) {
        TField* f = q->Fields()[i];
        EXPECT_TRUE(f->IsNull());
        EXPECT_EQ(f->AsString(), QString());
        EXPECT_EQ(f->AsInteger(), 0);
        EXPECT_TRUE(f->AsVariant().IsNull());
    }
}

TEST_F(Db, DateTextAndDateParameters) {
    TParams p;
    p.CreateParam(ftDateTime, QStringLiteral("d"), ptInput)
        .SetAsDateTime(EncodeDateTime(2024, 2, 29, 13, 5, 9, 120));
    FConn.Execute(QStringLiteral("INSERT INTO t (s) VALUES (:d)"), &p);
    auto q = FConn.ExecuteQuery(QStringLiteral("SELECT s FROM t"));
    EXPECT_EQ(q->Fields()[0]->AsString(), QStringLiteral("2024-02-29 13:05:09.120"));
    EXPECT_NEAR(q->Fields()[0]->AsDateTime(), EncodeDateTime(2024, 2, 29, 13, 5, 9, 120), 1e-9);
}

TEST_F(Db, ParametersByNameAndPosition) {
    TParams p;
    p.CreateParam(ftWideString, QStringLiteral("S"), ptInput).SetAsString(QStringLiteral("named"));
    p.CreateParam(ftInteger, QStringLiteral("n"), ptInput).SetAsInteger(5);
    p.CreateParam(ftFloat, QStringLiteral("r"), ptInput).Clear(); // NULL
    EXPECT_EQ(FConn.Execute(QStringLiteral("INSERT INTO t (s, n, r) VALUES (:s, :N, :r)"), &p), 1);
    const Int64 first = FConn.LastInsertRowId();
    EXPECT_EQ(FConn.Execute(QStringLiteral("INSERT INTO t (s, n, r) VALUES (?, ?, ?)"), &p), 1);
    EXPECT_EQ(FConn.LastInsertRowId(), first + 1);

    auto q = FConn.ExecuteQuery(QStringLiteral("SELECT s, n, r FROM t ORDER BY id"));
    ASSERT_EQ(q->RecordCount(), 2);
    for (q->First(); !q->Eof(); q->Next()) {
        EXPECT_EQ(q->Fields()[0]->AsString(), QStringLiteral("named"));
        EXPECT_EQ(q->Fields()[1]->AsInteger(), 5);
        EXPECT_TRUE(q->Fields()[2]->IsNull());
    }
    EXPECT_EQ(FConn.Execute(QStringLiteral("UPDATE t SET n = n + 1"), nullptr), 2);
    EXPECT_EQ(FConn.RowsAffected(), 2);
    EXPECT_EQ(FConn.ExecuteDirect(QStringLiteral("CREATE TABLE u (x)")), 0);
    EXPECT_EQ(FConn.Execute(QStringLiteral("DELETE FROM t WHERE 0"), nullptr), 0);

    // A parameter without a value is an error, never a silent NULL.
    EXPECT_EQ(MessageOf([&] { FConn.Execute(QStringLiteral("DELETE FROM t WHERE id = :missing"), &p); }),
              QStringLiteral("No value for parameter ':missing'"));
    EXPECT_EQ(MessageOf([&] { FConn.ExecuteDirect(QStringLiteral("DELETE FROM t WHERE id = $id")); }),
              QStringLiteral("No value for parameter '$id'"));
    EXPECT_EQ(MessageOf([&] { FConn.Execute(QStringLiteral("SELECT ?, ?, ?, ?"), &p); }),
              QStringLiteral("No value for parameter '?4'"));
    EXPECT_EQ(Count(QStringLiteral("t")), 2);
}

TEST_F(Db, ExecuteGivesResultOnlyForQueries) {
    std::unique_ptr<TSQLQuery> rs;
    FConn.Execute(QStringLiteral("INSERT INTO t (s) VALUES ('a')"), nullptr, rs);
    EXPECT_EQ(rs, nullptr);
    // Several statements: the result is that of the last one with columns.
    FConn.Execute(
        QStringLiteral("INSERT INTO t (s) VALUES ('b'); SELECT s FROM t ORDER BY s; UPDATE t SET n = 1;"),
        nullptr, rs);
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(FConn.RowsAffected(), 2);
    EXPECT_THROW(FConn.ExecuteQuery(QStringLiteral("DELETE FROM t WHERE 0")), EDatabaseError);
}

TEST_F(Db, QueryReopensAndRaisesEvents) {
    TSQLQuery q(&FConn);
    q.SetSQL(QStringLiteral("SELECT count(*) AS c FROM t"));
    QStringList log;
    q.AfterOpen = [&](TDataSet* ds) {
        log << QStringLiteral("open ") + ds->FieldByName(QStringLiteral("c"))->AsString();
    };
    q.BeforeClose = [&](TDataSet*) { log << QStringLiteral("close"); };
    q.Open();
    q.Open(); // already active: nothing happens
    FConn.ExecuteDirect(QStringLiteral("INSERT INTO t (s) VALUES ('a')"));
    q.Close();
    q.SetActive(true);
    EXPECT_EQ(log,
              (QStringList{QStringLiteral("open 0"), QStringLiteral("close"), QStringLiteral("open 1")}));
    q.Close();
    EXPECT_THROW(q.RecordCount(), EDatabaseError);
    q.FieldDefs().Update();
    ASSERT_EQ(q.FieldDefs().Count(), 1);
    EXPECT_EQ(q.FieldDefs().Items(0).Name, QStringLiteral("c"));

    TSQLQuery ins(&FConn);
    ins.SetSQL(QStringLiteral("INSERT INTO t (s) VALUES (:s)"));
    ins.Params().CreateParam(ftWideString, QStringLiteral("s"), ptInput).SetAsString(QStringLiteral("z"));
    EXPECT_EQ(ins.ExecSQL(), 1);
    EXPECT_EQ(Count(QStringLiteral("t WHERE s = 'z'")), 1);
}

TEST_F(Db, TransactionsRollBack) {
    {
        TSQLTransactionGuard tx(FConn);
        FConn.ExecuteDirect(QStringLiteral("INSERT INTO t (s) VALUES ('lost')"));
        EXPECT_TRUE(FConn.InTransaction());
    }
    EXPECT_FALSE(FConn.InTransaction());
    EXPECT_EQ(Count(QStringLiteral("t")), 0);
    {
        TSQLTransactionGuard tx(FConn);
        FConn.ExecuteDirect(QStringLiteral("INSERT INTO t (s) VALUES ('kept')"));
        tx.Commit();
    }
    EXPECT_EQ(Count(QStringLiteral("t")), 1);
    try {
        TSQLTransactionGuard tx(FConn);
        FConn.ExecuteDirect(QStringLiteral("INSERT INTO t (s) VALUES ('lost too')"));
        FConn.ExecuteDirect(QStringLiteral("INSERT INTO nowhere VALUES (1)"));
        tx.Commit();
    } catch (const EDatabaseError&) {
    }
    EXPECT_EQ(Count(QStringLiteral("t")), 1);
    FConn.StartTransaction();
    EXPECT_THROW(FConn.StartTransaction(), EDatabaseError);
    FConn.ExecuteDirect(QStringLiteral("DELETE FROM t"));
    FConn.Rollback();
    EXPECT_EQ(Count(QStringLiteral("t")), 1);
}

TEST_F(Db, PragmaAndCascade) {
    FConn.ExecuteDirect(QStringLiteral("PRAGMA foreign_keys=ON;"));
    EXPECT_EQ(FConn.ExecuteQuery(QStringLiteral("PRAGMA foreign_keys"))->Fields()[0]->AsInteger(), 1);
    FConn.ExecuteDirect(QStringLiteral("CREATE TABLE [c] (id INTEGER PRIMARY KEY ASC, [id_t] INTEGER NOT "
                                       "NULL, FOREIGN KEY(id_t) REFERENCES t(id) ON DELETE CASCADE); "));
    FConn.ExecuteDirect(
        QStringLiteral("INSERT INTO t (id) VALUES (7); INSERT INTO c (id_t) VALUES (7), (7);"));
    EXPECT_THROW(FConn.ExecuteDirect(QStringLiteral("INSERT INTO c (id_t) VALUES (8)")), EDatabaseError);
    FConn.ExecuteDirect(QStringLiteral("DELETE FROM t WHERE id=7"));
    EXPECT_EQ(Count(QStringLiteral("c")), 0);
}

// ---------------------------------------------------------------------------------------------
// Values that must never be taken for SQL

namespace {

QByteArray EveryByte() {
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(static_cast<char>(i));
    return b;
}

QByteArray RandomBytes(int n) {
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(12345);
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>(gen.bounded(256));
    return b;
}

} // namespace

TEST_F(Db, BlobsRoundTripThroughStreams) {
    const QByteArray blobs[] = {EveryByte(), RandomBytes(3 * 1024 * 1024 + 7), QByteArray(),
                                QByteArray(1, '\0')};
    int id = 0;
    for (const QByteArray& blob : blobs) {
        ++id;
        TMemoryStream in;
        in.WriteBytes(blob);
        TParams p;
        p.CreateParam(ftBlob, QStringLiteral("b"), ptInput).LoadFromStream(in, ftBlob);
        p.CreateParam(ftInteger, QStringLiteral("id"), ptInput).SetAsInteger(id);
        FConn.Execute(QStringLiteral("INSERT INTO t (id, b) VALUES (:id, :b)"), &p);

        TParams key;
        key.CreateParam(ftInteger, QStringLiteral("id"), ptInput).SetAsInteger(id);
        auto q =
            FConn.ExecuteQuery(QStringLiteral("SELECT b, length(b), typeof(b) FROM t WHERE id = :id"), &key);
        ASSERT_EQ(q->RecordCount(), 1);
        TField* f = q->Fields()[0];
        EXPECT_TRUE(f->IsBlob());
        EXPECT_FALSE(f->IsNull()) << "an empty BLOB is not NULL";
        EXPECT_EQ(q->Fields()[2]->AsString(), QStringLiteral("blob"));
        EXPECT_EQ(q->Fields()[1]->AsInteger(), blob.size());
        TMemoryStream out;
        f->SaveToStream(out);
        EXPECT_TRUE(out.Bytes() == blob) << "BLOB of " << blob.size() << " bytes changed";
        EXPECT_TRUE(f->AsBytes() == blob);
    }
    // Positional binding of the same bytes.
    TParams p;
    p.AddParameter().SetAsBlob(EveryByte());
    FConn.Execute(QStringLiteral("INSERT INTO t (id, b) VALUES (100, ?)"), &p);
    EXPECT_TRUE(FConn.ExecuteQuery(QStringLiteral("SELECT b FROM t WHERE id=100"))->Fields()[0]->AsBytes() ==
                EveryByte());
    // The variant form of a BLOB is a byte array.
    const Variant v =
        FConn.ExecuteQuery(QStringLiteral("SELECT b FROM t WHERE id=1"))->Fields()[0]->AsVariant();
    ASSERT_TRUE(v.IsArray());
    EXPECT_EQ(v.HighBound(1), 255);
    EXPECT_EQ(v.GetElement(200).ToInt(), 200);
}

namespace {

std::vector<QString> HostileTexts() {
    QString withNul = QStringLiteral("before");
    withNul += QChar(0);
    withNul += QStringLiteral("after'; DROP TABLE t; --");
    return {
        QStringLiteral("O'Brien"),
        QStringLiteral("''"),
        QStringLiteral("\"double\" \"\""),
        QStringLiteral("back\\slash\\'"),
        QStringLiteral("'; DROP TABLE t; --"),
        QStringLiteral("\"); DROP TABLE t; --"),
        QStringLiteral(":s ? ?1 @s $s"),
        QStringLiteral("%_[]"),
        QStringLiteral("line\r\nbreak\ttab"),
        withNul,
        QString(1024 * 1024, QLatin1Char('x')) + QStringLiteral("'end"),
        QStringLiteral("Пётр Ильич Чайковский — «Щелкунчик»"),
        QStringLiteral("emoji \U0001F600 and CJK 漢字"),
        QString(),
    };
}

} // namespace

TEST_F(Db, HostileTextsAreStoredAsGiven) {
    int id = 0;
    for (const QString& text : HostileTexts()) {
        ++id;
        TParams p;
        p.CreateParam(ftWideString, QStringLiteral("s"), ptInput).SetAsString(text);
        p.CreateParam(ftInteger, QStringLiteral("id"), ptInput).SetAsInteger(id);
        FConn.Execute(QStringLiteral("INSERT INTO t (id, s) VALUES (:id, :s)"), &p);
        // The same value also finds its row through a parameter.
        auto q = FConn.ExecuteQuery(QStringLiteral("SELECT id, s FROM t WHERE s = :s AND id = :id"), &p);
        ASSERT_EQ(q->RecordCount(), 1) << "text #" << id;
        EXPECT_TRUE(q->FieldByName(QStringLiteral("s"))->AsString() == text) << "text #" << id << " changed";
    }
    EXPECT_EQ(Count(QStringLiteral("t")), id);
    EXPECT_EQ(FConn.ExecuteQuery(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='t'"))
                  ->Fields()[0]
                  ->AsInteger(),
              1);
}

TEST_F(Db, LiteralsReadBackAsTheSameValue) {
    for (const QString& text : HostileTexts()) {
        if (text.contains(QChar(0))) {
            EXPECT_THROW(QuotedSQL(text), EDatabaseError);
            continue;
        }
        auto q = FConn.ExecuteQuery(QStringLiteral("SELECT ") + QuotedSQL(text));
        EXPECT_TRUE(q->Fields()[0]->AsString() == text) << text.left(40).toStdString();
        EXPECT_EQ(q->Fields()[0]->ValueKind(), TSQLValueKind::Text);
    }
    EXPECT_EQ(QuotedSQL(QStringLiteral("it's")), QStringLiteral("'it''s'"));
    auto q = FConn.ExecuteQuery(QStringLiteral("SELECT ") + SQLBlobLiteral(EveryByte()));
    EXPECT_TRUE(q->Fields()[0]->AsBytes() == EveryByte());
    FConn.ExecuteDirect(QStringLiteral("CREATE TABLE ") + QuotedSQLName(QStringLiteral("odd \"name\"")) +
                        QStringLiteral(" (x)"));
    EXPECT_EQ(Count(QuotedSQLName(QStringLiteral("odd \"name\""))), 0);
    EXPECT_EQ(Count(QStringLiteral("t")), 0);
}

TEST_F(Db, VariantParametersKeepTheirKind) {
    struct Case {
        Variant value;
        QString type;
        QString text;
    };
    const Case cases[] = {
        {Variant::Null(), QStringLiteral("null"), QString()},
        {Variant(), QStringLiteral("null"), QString()},
        {Variant(42), QStringLiteral("integer"), QStringLiteral("42")},
        {Variant(static_cast<long long>(1) << 40), QStringLiteral("integer"),
         QStringLiteral("1099511627776")},
        {Variant(true), QStringLiteral("integer"), QStringLiteral("1")},
        {Variant(2.5), QStringLiteral("real"), QStringLiteral("2.5")},
        {Variant(QStringLiteral("it's")), QStringLiteral("text"), QStringLiteral("it's")},
        {Variant::FromDate(EncodeDate(2020, 1, 31)), QStringLiteral("text"),
         QStringLiteral("2020-01-31 00:00:00.000")},
        {VarArrayOf({Variant(0), Variant(255)}), QStringLiteral("blob"), QString::fromLatin1("\0\xFF", 2)},
    };
    TFormatSettingsScope locale(QStringLiteral("en_US"));
    for (const Case& c : cases) {
        TParams p;
        p.CreateParam(ftUnknown, QStringLiteral("v"), ptInput).SetAsVariant(c.value);
        auto q = FConn.ExecuteQuery(QStringLiteral("SELECT typeof(:v), CAST(:v AS TEXT), :v"), &p);
        EXPECT_EQ(q->Fields()[0]->AsString(), c.type);
        if (c.type == QLatin1String("blob"))
            EXPECT_TRUE(q->Fields()[2]->AsBytes() == c.text.toLatin1());
        else
            EXPECT_EQ(q->Fields()[1]->AsString(), c.text);
    }
}

TEST_F(Db, DefinitionsAndDataSource) {
    FConn.ExecuteDirect(QStringLiteral("INSERT INTO t (s, n) VALUES ('abcdef', 1), ('xy', NULL);"));
    auto q = FConn.ExecuteQuery(QStringLiteral("SELECT s, n, b FROM t"));
    TFieldDefs& defs = q->FieldDefs();
    ASSERT_EQ(defs.Count(), 3);
    EXPECT_EQ(defs.Items(0).DataType, ftWideString);
    EXPECT_EQ(defs.Items(0).Size, 6); // the longest text of the result
    EXPECT_EQ(q->FieldByName(QStringLiteral("s"))->DisplayWidth(), 6);
    EXPECT_EQ(defs.Find(QStringLiteral("N"))->DataType, ftLargeint);
    EXPECT_EQ(defs.Items(2).DataType, ftBlob);
    EXPECT_EQ(defs.Find(QStringLiteral("none")), nullptr);

    TDataSource source;
    source.SetDataSet(q.get());
    EXPECT_EQ(source.DataSet()->RecordCount(), 2);
}
