#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <string>
#include <vector>

#include "postgres_server.h"

namespace records_test {

// A connection to the tests' server made with QtSql directly, as another client would.
class ServerDirect {
  public:
    explicit ServerDirect(const PostgresServer& server, const QString& name = "server_direct")
        : name_(name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db.setHostName(QString::fromStdString(server.socketDirectory()));
        db.setPort(PostgresServer::kPort);
        db.setDatabaseName(QString::fromUtf8(PostgresServer::kDatabase));
        db.setUserName(QString::fromUtf8(PostgresServer::kUser));
        db.setPassword(QString::fromUtf8(PostgresServer::kPassword));
        ok_ = db.open();
    }
    ~ServerDirect() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    ServerDirect(const ServerDirect&) = delete;
    ServerDirect& operator=(const ServerDirect&) = delete;

    bool ok() const { return ok_; }

    bool exec(const std::string& sql) {
        QSqlQuery query(QSqlDatabase::database(name_, false));
        return query.exec(QString::fromStdString(sql));
    }

    // Every result row of `sql`, each column as text ("NULL" for a null value).
    std::vector<std::vector<std::string>> rows(const std::string& sql) {
        std::vector<std::vector<std::string>> result;
        QSqlQuery query(QSqlDatabase::database(name_, false));
        if (!query.exec(QString::fromStdString(sql))) {
            result.push_back({"failed: " + sql});
            return result;
        }
        while (query.next()) {
            std::vector<std::string>& row = result.emplace_back();
            for (int i = 0; i < query.record().count(); ++i) {
                const QVariant value = query.value(i);
                row.push_back(value.isNull() ? "NULL" : value.toString().toStdString());
            }
        }
        return result;
    }

  private:
    QString name_;
    bool ok_ = false;
};

}  // namespace records_test
