#pragma once

#include <QString>
#include <QVariantList>
#include <cstdint>
#include <optional>
#include <string>

#include "records/sql/qt_protected_file_reader.h"
#include "trend/trend_rows.h"

class QSqlQuery;

namespace platform::qt {

// The trend's reader of the records table on a PostgreSQL server ("records.conf"), through a
// QtSql connection of its own that only reads. Keys are "序号"; where the table has "站点" and
// the settings name a site, only that site's records are read. A failed statement closes the
// connection and the next read connects again. No statement waits longer than the records
// server's timeouts, so a read of many records is many short statements.
class PostgresTrendRows final : public trend::TrendRows {
  public:
    explicit PostgresTrendRows(QString settingsFile);
    ~PostgresTrendRows() override;
    PostgresTrendRows(const PostgresTrendRows&) = delete;
    PostgresTrendRows& operator=(const PostgresTrendRows&) = delete;

    [[nodiscard]] std::optional<trend::KeyBounds> bounds() override;
    [[nodiscard]] std::optional<std::size_t> read(const trend::RowRange& range,
                                                  const trend::RowSink& sink) override;
    // Records of one statement: the server keeps its rows apart from readers (no lock), and each
    // statement is a round trip.
    static constexpr std::size_t kReadLimit = 5000;

    [[nodiscard]] std::size_t readLimit() const override { return kReadLimit; }
    // Keys stay valid across connections to the server.
    [[nodiscard]] std::uint64_t generation() const override { return 1; }

  private:
    // Connects when there is no connection, and learns whether the table is scoped to a site.
    bool ready();
    void close();
    std::optional<QSqlQuery> run(const std::string& sql, const QVariantList& values);
    // "WHERE …" with the site condition when scoped, and `condition`.
    std::string where(const std::string& condition) const;
    QVariantList scoped(QVariantList values) const;

    const QString connectionName_;
    const QString settingsFile_;
    records::sql::QtProtectedFileReader passwords_;
    std::string site_;  // empty: every site's records
};

}  // namespace platform::qt
