#include "ShellGridSupport.h"

#include "app/dbStringGridEx.h"
#include "app/uSQL.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

namespace {

QStringList ParamTexts(const TParams& params) {
    QStringList r;
    for (int i = 0; i < params.Count(); ++i)
        r << params[i].AsString();
    return r;
}

TGridFilter Filter(TGridFilterKind kind, const char* table, const char* field, const char* op = "",
                   const char* text = "") {
    TGridFilter f;
    f.Kind = kind;
    f.Name = QStringLiteral("ctl");
    f.Table = QString::fromUtf8(table);
    f.Field = QString::fromUtf8(field);
    f.Operator = QString::fromUtf8(op);
    f.Text = QString::fromUtf8(text);
    return f;
}

class GridQuery : public SchemaTest {};

} // namespace

TEST_F(GridQuery, StatementsForGridAndControlConfigurations) {
    TGridFilter ticked = Filter(gfCheckBox, "customers", "vip");
    ticked.Checked = true;
    TGridFilter combo = Filter(gfComboBox, "cities", "name");
    combo.ForeignKey = "customers.id_cities";
    combo.Id = 3;
    TGridFilter plainGrid = Filter(gfGrid, "customers", "");
    plainGrid.Id = 7;
    TGridFilter linkGrid = Filter(gfGrid, "orders.id_customers", "");
    linkGrid.Id = 8;
    const QString day = "2014-04-28 00:00:00.000";
    auto picker = [&](const char* table, const char* field, const char* op) {
        return Filter(gfDatePicker, table, field, op, day.toUtf8().constData());
    };

    struct Case {
        const char* Name;
        TGridQueryDef Query;
        const char* Sql;
        QStringList Params;
    } cases[] = {
        {"one join and sort",
         Def("orders", "orders.number,customers.name", "", "orders.number", true),
         "SELECT DISTINCT [orders].[number],[customers].[name],[orders].id FROM [orders] LEFT OUTER JOIN "
         "[customers] ON [orders].[id_customers]=[customers].id ORDER BY orders.number ASC",
         {}},
        {"a join waits for the table its ON clause names",
         Def("order_lines", "customers.name,orders.number", "", "", true),
         "SELECT DISTINCT [customers].[name],[orders].[number],[order_lines].id FROM [order_lines] LEFT "
         "OUTER "
         "JOIN [orders] ON [order_lines].[id_orders]=[orders].id LEFT OUTER JOIN [customers] ON "
         "[orders].[id_customers]=[customers].id",
         {}},
        {"dictionaries after the tables that reference them",
         Def("customers", "customers.name,cities.name,countries.name", "", "customers.name", false),
         "SELECT DISTINCT [customers].[name],[cities].[name],[countries].[name],[customers].id FROM "
         "[customers] "
         "LEFT OUTER JOIN [cities] ON [customers].[id_cities]=[cities].id LEFT OUTER JOIN [countries] ON "
         "[cities].[id_countries]=[countries].id ORDER BY customers.name DESC",
         {}},
        {"the main table referenced by the joined one",
         Def("customers", "customers.name,orders.number", "", "", true),
         "SELECT DISTINCT [customers].[name],[orders].[number],[customers].id FROM [customers] LEFT OUTER "
         "JOIN "
         "[orders] ON [customers].id=[orders].[id_customers]",
         {}},
        {"row numbers and calculated fields",
         Def("orders", "#,orders.status", "", "", true),
         "SELECT DISTINCT \"$autoinc\",CASE WHEN [orders].[paid]=1 THEN 'paid' ELSE 'open' END AS "
         "'orders.status',[orders].id FROM [orders]",
         {}},
        {"a reference name as the main table",
         Def("orders.id_customers2", "customers.name", "", "", true),
         "SELECT DISTINCT [customers].[name],[customers].id FROM [customers]",
         {}},
        {"no field list selects the ids",
         Def("orders", "", "", "", true),
         "SELECT DISTINCT [orders].id FROM [orders]",
         {}},
        {"edit equal, containment and comparison, upper-cased unless exempt",
         Def("customers", "customers.name", "", "", true, "", -1,
             {Filter(gfEdit, "customers", "name", "=", "ab"),
              Filter(gfEdit, "customers", "email", "%s%", "Ab"),
              Filter(gfEdit, "customers", "record_count", ">", "12")}),
         "SELECT DISTINCT [customers].[name],[customers].id FROM [customers] WHERE [customers].[name] LIKE ? "
         "AND "
         "[customers].[email] LIKE ? AND [customers].[record_count]>?",
         {"AB", "%Ab%", "12"}},
        {"memo, counter, check boxes, combo box and its join",
         Def("customers", "customers.name", "", "", true, "", -1,
             {Filter(gfMemo, "customers", "notes", "", "x"), Filter(gfEditCount, "customers", "", "", "5"),
              Filter(gfCheckBox, "customers", "vip"), ticked, combo}),
         "SELECT DISTINCT [customers].[name],[customers].id FROM [customers] LEFT OUTER JOIN [cities] ON "
         "[customers].[id_cities]=[cities].id WHERE [customers].[notes] LIKE ? AND [customers].record_count "
         "= ? "
         "AND [customers].[vip]=0 AND [customers].[vip]=1 AND customers.id_cities=3",
         {"X", "5"}},
        {"grids as filters",
         Def("orders", "orders.number", "", "", true, "", -1, {plainGrid, linkGrid}),
         "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] WHERE [orders].[id_customers]=7 AND "
         "[orders].[id_customers]=8",
         {}},
        {"date pickers name their own table",
         Def("orders", "orders.number", "", "", true, "", -1,
             {picker("customers", "birthday", "="), picker("orders", "created", "="),
              picker("orders", "created", ">"), picker("orders", "created", ">="),
              picker("orders", "created", "<"), picker("orders", "created", "<="),
              picker("orders", "number", "=")}),
         "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] LEFT OUTER JOIN [customers] ON "
         "[orders].[id_customers]=[customers].id WHERE [customers].[birthday] = ? AND ([orders].[created] >= "
         "? AND "
         "[orders].[created] < ?) AND [orders].[created] > ? AND [orders].[created] >= ? AND "
         "[orders].[created] < ? "
         "AND [orders].[created] <= ?",
         {day, day, "2014-04-28 23:59:59.999", "2014-04-28 23:59:59.999", day, day,
          "2014-04-28 23:59:59.999"}},
        {"calendars filter DATE fields only",
         Def("orders", "orders.number", "", "", true, "", -1,
             {Filter(gfMonthCalendar, "orders", "date", ">=", day.toUtf8().constData()),
              Filter(gfMonthCalendar, "orders", "created", "=", day.toUtf8().constData())}),
         "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] WHERE [orders].[date] >= ?",
         {day}},
        {"the grid's filter joins a search",
         Def("orders", "orders.number", "paid=1", "", true, "", -1,
             {Filter(gfEdit, "orders", "number", "=", "n1")}),
         "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] WHERE [orders].[number] LIKE ? AND "
         "(paid=1)",
         {"N1"}},
        {"the grid's filter alone",
         Def("orders", "orders.number", "paid=1", "", true),
         "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] WHERE (paid=1)",
         {}},
        {"a parent link replaces the controls",
         Def("orders", "orders.number", "", "", true, "customers", 5,
             {Filter(gfEdit, "orders", "number", "=", "x")}),
         "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] WHERE ([orders].[id_customers]=5)",
         {}},
        {"a parent link and the grid's filter",
         Def("orders", "orders.number", "paid=1", "", true, "customers", 0),
         "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] WHERE ([orders].[id_customers]=0) AND "
         "(paid=1)",
         {}},
        {"a mistyped parent link shows nothing",
         Def("orders", "orders.number", "", "", true, "customer", 5),
         "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] WHERE (0)",
         {}},
    };
    for (const Case& c : cases) {
        const TGridQuery q = BuildGridQuery(c.Query);
        EXPECT_EQ(q.SQL, QString::fromUtf8(c.Sql)) << c.Name;
        EXPECT_EQ(ParamTexts(q.Params), c.Params) << c.Name;
        EXPECT_TRUE(q.NotNumbers.empty()) << c.Name;
    }
}

TEST_F(GridQuery, ColumnTypesFollowTheFieldList) {
    const TGridQuery q =
        BuildGridQuery(Def("orders", "#,orders.date,orders.amount,orders.record_count,"
                                     "customers.vip,orders.delivery_time,orders.created,orders.nosuch"));
    EXPECT_EQ(q.ColumnTypes, QStringList({"", "DATE", "REAL", "COUNTER", "BOOLEAN", "TIME", "DATETIME", ""}));
}

TEST_F(GridQuery, ComparisonWithTextThatIsNoNumberAddsNoCondition) {
    TGridQueryDef def = Def("orders", "orders.number");
    def.Filters = {Filter(gfEdit, "orders", "record_count", ">", "12a"),
                   Filter(gfEdit, "orders", "record_count", "<=", "12")};
    const TGridQuery q = BuildGridQuery(def);
    EXPECT_EQ(q.SQL,
              "SELECT DISTINCT [orders].[number],[orders].id FROM [orders] WHERE [orders].[record_count]<=?");
    EXPECT_EQ(q.NotNumbers, std::vector<int>{0});
}

TEST_F(GridQuery, BadDescriptionsAreNamed) {
    TGridQueryDef def = Def("orders", "orders.number");
    def.Filters = {Filter(gfEdit, "orders", "number", "", "1")};
    def.Filters[0].Name = "edNumber";
    try {
        BuildGridQuery(def);
        FAIL() << "an edit without an operator was accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("edNumber")) << e.Message();
    }
    def.Filters = {Filter(gfDatePicker, "orders", "date", "%s%", "2014-01-01 00:00:00.000")};
    EXPECT_THROW(BuildGridQuery(def), EDatabaseError);
    def.Filters = {Filter(gfEdit, "orders", "number", "=1; DROP TABLE orders; --", "1")};
    EXPECT_THROW(BuildGridQuery(def), EDatabaseError);
    try {
        BuildGridQuery(Def("orders", "orders.number,number"));
        FAIL() << "a field without its table was accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("\"number\"")) << e.Message();
    }
}

TEST(GridStatementTable, TableOfAFreeStatement) {
    const struct {
        const char* Sql;
        const char* Table;
    } cases[] = {
        {"SELECT name, id FROM customers WHERE 1", "customers"},
        {"select name\r\n  from Orders", "Orders"},
        {"SELECT a    FROM      t", "t"},
        {"SELECT 1", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TableOfStatement(c.Sql), QString::fromUtf8(c.Table)) << c.Sql;
}
