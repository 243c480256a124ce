#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "records/sql/server_sender.h"
#include "records/sql/spool.h"
#include "records/sql/sql_store.h"
#include "records/store.h"

namespace records::sql {

// The records store on a PostgreSQL server, for the thread that logs.
//
// An append writes the record, with its site and time, to the spool beside the settings file and
// returns once it is on the disk there; it never waits on the server. A sender on a thread of its
// own takes the spool to the server in order, oldest first, also what an earlier run left there.
// health() tells the server's problem while records wait, and is ok again once the spool is
// empty and the server takes records.
//
// Reads (newest, count, walk, clear) go to the server, on a connection of the thread that reads;
// a window reads on a store of its own (see readingStores) from a thread of its own.
class ServerStore final : public Store {
  public:
    ServerStore(QString settingsFile, QString spoolFile, platform::Clock& clock,
                Backoff backoff = {});
    ~ServerStore() override;
    ServerStore(const ServerStore&) = delete;
    ServerStore& operator=(const ServerStore&) = delete;

    [[nodiscard]] bool append(const MeasurementRecord& record) override;
    [[nodiscard]] std::vector<bool> appendAll(
        const std::vector<MeasurementRecord>& records) override;
    [[nodiscard]] std::optional<std::vector<StoredRecord>> newest(const RecordFilter& filter,
                                                                  std::size_t limit) override;
    [[nodiscard]] std::optional<std::int64_t> count(const RecordFilter& filter) override;
    [[nodiscard]] bool walk(const RecordFilter& filter, const RecordSink& sink) override;
    [[nodiscard]] bool clear() override;
    [[nodiscard]] StoreHealth health() const override;

  private:
    // The site the settings name; read again while they cannot be read.
    std::string site();
    SqlStore& reader();

    const QString settingsFile_;
    platform::Clock& clock_;
    Spool spool_;
    Fault spoolFault_;  // of the last append
    std::optional<std::string> site_;
    std::unique_ptr<ServerSender> sender_;
    std::unique_ptr<SqlStore> reader_;
};

}  // namespace records::sql
