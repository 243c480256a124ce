#pragma once

#include <QSqlDatabase>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/records_store.h"
#include "records/sql/store_fault.h"

namespace records::sql {

// Records waiting on this PC for the server: an SQLite file of its own with each record, its
// site and the time it was logged, in the order they were logged. Several connections (the
// thread that logs, the one that sends) share the file; each Spool object is one connection, made
// in the thread that first uses it.
//
// On a connection that keeps records, a record added is on the disk when add() returns, so that
// neither a killed program nor a power cut loses it. The sender's removals are not waited for
// until they are on the disk: one lost by a power cut sends its record again, which the server's
// unique key stores once.
class Spool {
  public:
    struct Waiting {
        std::int64_t id = 0;
        MeasurementRecord record;
        std::string site;
        std::int64_t loggedMsecs = 0;
    };

    enum class Use { Keep, Send };

    Spool(QString path, Use use);
    ~Spool();
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    [[nodiscard]] Fault add(const MeasurementRecord& record, const std::string& site,
                            std::int64_t loggedMsecs);
    // Adds records in one transaction, with one wait for the disk: all of them, or none.
    [[nodiscard]] Fault addAll(const std::vector<MeasurementRecord>& records,
                               const std::string& site, std::int64_t loggedMsecs);
    // Up to `limit` of the oldest records.
    [[nodiscard]] Fault oldest(std::size_t limit, std::vector<Waiting>& found);
    [[nodiscard]] Fault remove(std::int64_t id);
    // Removes every record up to and including `id`.
    [[nodiscard]] Fault removeUpTo(std::int64_t id);
    [[nodiscard]] Fault count(std::int64_t& waiting);

  private:
    // Deletes the waiting records whose id passes `condition` ("id = ?"), bound to `id`.
    Fault removeWhere(const char* condition, std::int64_t id);
    Fault ready();
    Fault failed(const class QSqlError& error);
    void close();

    QString path_;
    Use use_;
    QString connectionName_;
    QSqlDatabase db_;
};

}  // namespace records::sql
