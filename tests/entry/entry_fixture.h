#pragma once

#include "db/connection.h"
#include "db/dataset.h"
#include "testdb.h"

#include <gtest/gtest.h>

// One database for a suite; each test starts from empty tables and a connection of its own.
struct EntryDbTest : ::testing::Test
{
    static inline testenv::TestDb* db = nullptr;
    static void SetUpTestSuite()
    {
        if (!db)
            db = new testenv::TestDb(QStringLiteral("entry"));
    }
    void SetUp() override
    {
        db->clear();
        db->exec(QStringLiteral("delete from ledrana_zamky"));
        conn.setSettings(db->settings());
        conn.open();
    }
    // Inserts one invoice row from "column = value" pairs given as SQL text.
    long long insertRow(const QString& columns, const QString& values)
    {
        db->exec(QStringLiteral("insert into ledrana (%1) values (%2)").arg(columns, values));
        return db->scalar(QStringLiteral("select max(id) from ledrana")).toLongLong();
    }
    QVariant cell(long long id, const QString& column)
    {
        return db->scalar(QStringLiteral("select %1 from ledrana where id = %2").arg(column).arg(id));
    }
    long long count(const QString& where = QStringLiteral("1"))
    {
        return db->scalar(QStringLiteral("select count(*) from ledrana where ") + where).toLongLong();
    }
    db::Connection conn;
};
