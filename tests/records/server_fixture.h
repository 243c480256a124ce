#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <memory>
#include <string>

#include "postgres_server.h"
#include "records/records_store.h"
#include "records/server_settings.h"
#include "server_direct.h"
#include "store_dir.h"

namespace records_test {

// The password file the settings of the tests name, in the working directory.
inline constexpr const char* kPasswordFile = "records.password";

// Writes `text` to `path` and gives the file `mode`.
inline void writeFile(const std::string& path, const std::string& text, mode_t mode) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(text.data(), static_cast<qint64>(text.size())),
              static_cast<qint64>(text.size()));
    file.close();
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

// The ten fields behind the key, as a table made by hand without "站点" and without a unique key.
inline std::string tableWithoutSite() {
    std::string sql = "CREATE TABLE \"数据监测\" (\"序号\" bigserial PRIMARY KEY";
    for (const std::string& field : records::kFieldNames) {
        sql += ", \"" + field + "\" " + (field == records::kFieldNames[0] ? "smallint" : "text");
    }
    return sql + ")";
}

// Tests on the tests' own PostgreSQL server, started once for all the tests of an executable and
// skipped when it cannot be started. Each test begins in a working directory of its own that
// holds the password file, on a server without the records table and not paused.
class ServerTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = std::make_unique<PostgresServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (!server_->problem().empty()) {
            GTEST_SKIP() << "PostgreSQL server unavailable: " << server_->problem();
        }
        if (!server_->running()) {
            ASSERT_TRUE(server_->start()) << server_->problem();
        }
        direct_ = std::make_unique<ServerDirect>(*server_);
        ASSERT_TRUE(direct_->ok());
        ASSERT_TRUE(direct_->exec("DROP TABLE IF EXISTS \"数据监测\""));
        writeFile(dir_.path(kPasswordFile), PostgresServer::kPassword, 0600);
    }

    void TearDown() override {
        if (server_->paused()) {
            EXPECT_TRUE(server_->resume()) << server_->problem();
        }
    }

    // A settings file in the working directory naming the server and `site`.
    void writeSettings(const std::string& site, const char* name = records::kServerSettingsFile) {
        writeFile(dir_.path(name), server_->settings(kPasswordFile, site), 0644);
    }

    inline static std::unique_ptr<PostgresServer> server_;
    StoreDir dir_;
    std::unique_ptr<ServerDirect> direct_;
};

}  // namespace records_test
