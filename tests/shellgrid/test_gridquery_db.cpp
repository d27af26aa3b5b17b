#include "ShellGridSupport.h"

#include "app/dbStringGridEx.h"

#include <gtest/gtest.h>

namespace {

class GridQueryRuns : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        Exec("INSERT INTO countries(id, name) VALUES(1, 'Norway')");
        Exec("INSERT INTO cities(id, name, id_countries) VALUES(1, 'Oslo', 1)");
        for (const QString& name : Hostile())
            Exec("INSERT INTO customers(name, id_cities) VALUES(?, 1)", {name});
        Exec("INSERT INTO customers(name, id_cities) VALUES('Smith', 1)");
        Exec("INSERT INTO orders(id, number, date, id_customers, created) VALUES(1, 'A1', '2014-04-28 "
             "00:00:00.000', 1, "
             "'2014-04-28 00:00:00.000')");
        Exec("INSERT INTO orders(id, number, date, id_customers, created) VALUES(2, 'A2', '2014-04-28 "
             "00:00:00.000', 1, "
             "'2014-04-28 23:59:59.000')");
        Exec("INSERT INTO orders(id, number, date, id_customers, created) VALUES(3, 'A3', '2014-04-29 "
             "00:00:00.000', 2, "
             "'2014-04-29 00:00:00.000')");
        Exec("INSERT INTO order_lines(id_orders, quantity, price) VALUES(1, 2, 3.5)");
        Exec("INSERT INTO order_lines(id_orders, quantity, price) VALUES(3, 1, 10)");
    }
    static QStringList Hostile() {
        return {"O\"Brien", "it's", "[name]", "name", "x\"; DROP TABLE orders; --", "a') OR 1=1 --", "%_"};
    }
    QString Run(const TGridQueryDef& def) {
        const TGridQuery q = BuildGridQuery(def);
        const TResultSet r = FDb.Run(q.SQL, &q.Params);
        QStringList rows;
        for (const auto& row : r.Rows) {
            QStringList cells;
            for (const TSQLValue& v : row)
                cells << v.AsString();
            rows << cells.join('|');
        }
        rows.sort();
        return rows.join('/');
    }
    QString Snapshot() {
        return Rows("SELECT name FROM sqlite_master ORDER BY name") + "#" +
               Rows("SELECT count(*) FROM orders") + "#" +
               Rows("SELECT group_concat(name, ',') FROM customers");
    }
};

TGridFilter Edit(const QString& op, const QString& text) {
    TGridFilter f;
    f.Kind = gfEdit;
    f.Name = "edName";
    f.Table = "customers";
    f.Field = "name";
    f.Operator = op;
    f.Text = text;
    return f;
}

} // namespace

TEST_F(GridQueryRuns, HostileSearchTextsNeverChangeTheStatement) {
    const QString before = Snapshot();
    for (const QString& text : Hostile()) {
        TGridQueryDef def = Def("customers", "customers.name");
        def.Filters = {Edit("=", text)};
        const QString found = Run(def);
        if (text == "%_")
            // The equal search is a LIKE by design: its wildcards match every name of two or more letters.
            EXPECT_EQ(found.count('/'), Hostile().size()) << found;
        else
            EXPECT_EQ(found.section('|', 0, 0), text) << text;
        def.Filters = {Edit("%s%", text)};
        EXPECT_TRUE(Run(def).contains(text)) << text;
    }
    // A column's name typed as a value stays a value.
    TGridQueryDef def = Def("customers", "customers.name");
    def.Filters = {Edit("=", "NAME")};
    EXPECT_EQ(Run(def), "name|4");
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(GridQueryRuns, JoinsRunInDependencyOrder) {
    EXPECT_EQ(Run(Def("order_lines", "customers.name,orders.number,order_lines.quantity")),
              "O\"Brien|A1|2|1/it's|A3|1|2");
    EXPECT_EQ(Run(Def("customers", "countries.name,cities.name,customers.name", "", "", true, "", -1,
                      {Edit("=", "smith")})),
              "Norway|Oslo|Smith|8");
}

TEST_F(GridQueryRuns, DatePickerEqualCoversTheWholeDay) {
    TGridFilter picker;
    picker.Kind = gfDatePicker;
    picker.Table = "orders";
    picker.Field = "created";
    picker.Operator = "=";
    picker.Text = "2014-04-28 00:00:00.000";
    EXPECT_EQ(Run(Def("orders", "orders.number", "", "", true, "", -1, {picker})), "A1|1/A2|2");
    picker.Operator = ">";
    EXPECT_EQ(Run(Def("orders", "orders.number", "", "", true, "", -1, {picker})), "A3|3");
    picker.Operator = "<=";
    EXPECT_EQ(Run(Def("orders", "orders.number", "", "", true, "", -1, {picker})), "A1|1/A2|2");
    // A picker on the customer's birthday filters the customers joined to a grid of orders.
    Exec("UPDATE customers SET birthday='1990-01-02 00:00:00.000' WHERE id=2");
    picker.Table = "customers";
    picker.Field = "birthday";
    picker.Operator = "=";
    picker.Text = "1990-01-02 00:00:00.000";
    EXPECT_EQ(Run(Def("orders", "orders.number", "", "", true, "", -1, {picker})), "A3|3");
}

TEST_F(GridQueryRuns, DetailGridsShowOnlyTheirParentsRows) {
    EXPECT_EQ(Run(Def("orders", "orders.number", "", "", true, "customers", 1)), "A1|1/A2|2");
    EXPECT_EQ(Run(Def("orders", "orders.number", "", "", true, "customers", 99)), "");
    EXPECT_EQ(Run(Def("orders", "orders.number", "", "", true, "customer", 1)), "");
}
