#pragma once

#include "db/connection.h"

#include <QString>

namespace testenv {

// A fresh database in the private test server (started by the ctest fixture), created from
// sql/schema.sql and dropped when the object goes. Connect workstations with settings().
class TestDb final
{
public:
    explicit TestDb(const QString& prefix = QStringLiteral("t"));
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    const db::Settings& settings() const { return m_settings; }
    const QString& name() const { return m_settings.database; }

    // A connection of the suite's own, for setting up and checking data.
    db::Connection& admin() { return m_admin; }
    void exec(const QString& sql) { m_admin.execute(sql); }
    QVariant scalar(const QString& sql) { return m_admin.scalar(sql); }

    // Empties both tables.
    void clear();

    static db::Settings serverSettings();

    // Writes ledrana.ini into dir so that a main window started there connects to this
    // database; extra is appended as further INI text (e.g. "[Nastaveni]\nJen_cteni=ano\n").
    void writeSettingsFile(const QString& dir, const QString& extra = QString()) const;

private:
    db::Settings m_settings;
    db::Connection m_admin;
};

} // namespace testenv
