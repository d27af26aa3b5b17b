#include "ShellGridSupport.h"

#include "app/uSQL.h"
#include "app/uSQLiteFunctions.h"
#include "app/uTables.h"

#include <QVariant>

QString SchemaTest::Fixture(const QString& name) {
    return QStringLiteral(KORVEL_TEST_DATA "/") + name;
}

void SchemaTest::SetUp() {
    SetTablesFileName(Fixture("tables.ini"));
    LoadSchema(Fixture("tables.ini"));
    UpperCaseExemptList = std::make_unique<TStringList>();
    UpperCaseExemptList->Add("customers.email");
}

void SchemaTest::TearDown() {
    SchemaFieldList.reset();
    CalculatedFieldList.reset();
    UpperCaseExemptList.reset();
    SetTablesFileName(QString());
}

void DatabaseTest::SetUp() {
    SchemaTest::SetUp();
    FDb.SetParamValue("Database", ":memory:");
    FDb.Open();
    RegisterUnicodeFunctions(FDb);
    auto statements = TablesToSQL(Fixture("tables.ini"));
    for (int i = 0; i < statements->Count(); ++i)
        FDb.ExecuteDirect(statements->Get(i));
}

void DatabaseTest::Exec(const QString& sql, const QVariantList& values) {
    TParams params;
    for (const QVariant& v : values) {
        TParam& p = params.CreateParam(ftUnknown, QString(), ptInput);
        if (v.isNull())
            p.Clear();
        else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
            p.SetAsLargeInt(v.toLongLong());
        else if (v.typeId() == QMetaType::Double)
            p.SetAsFloat(v.toDouble());
        else
            p.SetAsString(v.toString());
    }
    FDb.Execute(sql, &params);
}

QString DatabaseTest::Rows(const QString& sql) {
    const TResultSet r = FDb.Run(sql, nullptr);
    QStringList rows;
    for (const auto& row : r.Rows) {
        QStringList cells;
        for (const TSQLValue& v : row)
            cells << (v.IsNull() ? QStringLiteral("<null>") : v.AsString());
        rows << cells.join('|');
    }
    return rows.join('/');
}
