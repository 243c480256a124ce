#pragma once

#include <QSqlDatabase>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "records/sql/dialect.h"
#include "records/store.h"

class QSqlQuery;
class QThread;

namespace records::sql {

// The records store over QtSql, for any engine a Dialect describes.
//
// The connection is made when first needed, in the thread that uses the store; a store used by
// another thread later makes a new one there. A failed operation closes the connection and the
// next one opens it again, so a store left read-only or locked by a failure is opened read-write
// once it can be; the dialect may ask for a new connection too (a file replaced under its name).
//
// health() tells what the last append came to; reads report their failures there only while no
// append failure is shown, and clear only what a read reported.
class SqlStore final : public Store {
  public:
    SqlStore(std::unique_ptr<Dialect> dialect, platform::Clock& clock);
    ~SqlStore() override;
    SqlStore(const SqlStore&) = delete;
    SqlStore& operator=(const SqlStore&) = delete;

    // Opens the store now, as an append would, so that health() tells at once whether records can
    // be stored. False when it cannot be opened.
    [[nodiscard]] bool open();

    [[nodiscard]] bool append(const MeasurementRecord& record) override;
    // Appends a record with the given site (where the table takes one). True once it is stored,
    // or found there already.
    [[nodiscard]] bool appendWithSite(const MeasurementRecord& record, const std::string& site);
    [[nodiscard]] std::vector<bool> appendAll(
        const std::vector<MeasurementRecord>& records) override;
    [[nodiscard]] std::optional<std::vector<StoredRecord>> newest(const RecordFilter& filter,
                                                                  std::size_t limit) override;
    [[nodiscard]] std::optional<std::int64_t> count(const RecordFilter& filter) override;
    [[nodiscard]] bool walk(const RecordFilter& filter, const RecordSink& sink) override;
    [[nodiscard]] bool clear() override;
    [[nodiscard]] StoreHealth health() const override { return health_; }

  private:
    enum class Kind { Append, Read };

    // Opens the connection in this thread when there is none that can be used.
    bool ready(Kind kind);
    void closeConnection();
    // Keeps the fault in health() as the rules above say, and closes the connection.
    void failed(const Fault& fault, Kind kind);
    void succeeded(Kind kind);
    // Inserts one record on the open connection: what came of it.
    Fault insert(const MeasurementRecord& record, const std::string& site);
    // The filter's bounds with its days narrowed to keys; none when that failed.
    std::optional<Bounds> boundsOf(const RecordFilter& filter);
    // The smallest and largest key in the scope; none when that failed, {0, -1} when empty.
    std::optional<std::pair<std::int64_t, std::int64_t>> keyRange();
    std::optional<std::int64_t> single(const Statement& statement);

    std::unique_ptr<Dialect> dialect_;
    platform::Clock& clock_;
    QString connectionName_;
    QSqlDatabase db_;
    QThread* thread_ = nullptr;  // of the open connection
    std::unique_ptr<QSqlQuery> insert_;
    StoreHealth health_;
    bool readProblem_ = false;  // health_ shows a read's failure
};

}  // namespace records::sql
