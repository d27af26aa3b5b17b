#pragma once
// The schema of data/tables.ini loaded into the shell's lists, and an in-memory database made
// from it.

#include "app/dbStringGridEx.h"
#include "platform/data/SQLConnection.h"

#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <ostream>

// Texts in failure messages.
inline std::ostream& operator<<(std::ostream& os, const QString& s) {
    return os << s.toStdString();
}

// A grid's statement description; the arguments follow the fields of TGridQueryDef.
inline TGridQueryDef Def(const QString& table, const QString& fields, const QString& filter = {},
                         const QString& sort = {}, bool asc = true, const QString& parent = {},
                         int parentId = -1, std::vector<TGridFilter> filters = {}) {
    TGridQueryDef s;
    s.GeneralTable = table;
    s.ListFields = fields;
    s.Filter = filter;
    s.SortField = sort;
    s.SortAsc = asc;
    s.ParentTable = parent;
    s.ParentTableId = parentId;
    s.Filters = std::move(filters);
    return s;
}

class SchemaTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    static QString Fixture(const QString& name);
};

class DatabaseTest : public SchemaTest {
protected:
    void SetUp() override;
    // Runs a statement whose values are bound in order.
    void Exec(const QString& sql, const QVariantList& values = {});
    // Every row of a query, cells joined by "|", rows by "/".
    QString Rows(const QString& sql);
    TSQLConnection FDb;
};
