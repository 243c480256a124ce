#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/records_store.h"

namespace records {

inline constexpr std::size_t kFieldCount = 10;

// Which records a read takes. Keys grow in the order the records were appended, and records are
// appended in time order, so a key bound is also a time bound.
struct RecordFilter {
    std::optional<std::uint8_t> station;  // "仪表编号"
    std::optional<std::string> fromDate;  // "yyyy-MM-dd": records whose "日期" begins on it or later
    std::optional<std::string> toDate;    // ... on it or earlier
    std::int64_t afterKey = 0;            // only records appended after the record of this key
    std::optional<std::int64_t> upToKey;  // only records up to and including this key
};

// A record as read back: its key and the texts of its ten fields in the order of kFieldNames.
struct StoredRecord {
    std::int64_t key = 0;
    std::array<std::string, kFieldCount> fields;
};

// The ten field texts of one record of a walk; they stay valid only during the call.
using RecordView = std::array<std::string_view, kFieldCount>;
// Gets each record of a walk; returns false to stop the walk.
using RecordSink = std::function<bool(std::int64_t key, const RecordView& fields)>;

// What keeps records from being stored.
enum class StoreProblem {
    None,
    Missing,            // no store where it is looked for, and it could not be made
    NotADatabase,       // the file is something else
    WrongLayout,        // the table or one of its ten fields is missing
    Locked,             // another program holds the store
    ReadOnly,           // the store may not be written
    DiskFull,           // no room for another record
    ServerRefused,      // the server answered, and refused (password, rights, a statement)
    ServerUnreachable,  // the server did not answer
    Other,
};

// Whether records are being stored, and since when they are not.
struct StoreHealth {
    StoreProblem problem = StoreProblem::None;
    std::string detail;                           // the engine's or the server's own words
    std::optional<std::int64_t> lastStoredMsecs;  // when this program last stored a record
    std::int64_t waiting = 0;  // records kept locally until the server takes them

    [[nodiscard]] bool ok() const { return problem == StoreProblem::None; }
    friend bool operator==(const StoreHealth& a, const StoreHealth& b) {
        return a.problem == b.problem && a.detail == b.detail &&
               a.lastStoredMsecs == b.lastStoredMsecs && a.waiting == b.waiting;
    }
    friend bool operator!=(const StoreHealth& a, const StoreHealth& b) { return !(a == b); }
};

// The records store as its users see it: append a record, read the newest, walk in order, count,
// clear, and say why records are not being stored. Every operation reports failure through its
// result and never throws; none waits long (a lock is waited on briefly, a server never from
// the thread that appends). An object is used by one thread at a time; a thread of its own (a
// window reading in the background) makes a store of its own.
class Store {
  public:
    virtual ~Store() = default;

    // Stores one record. True once it is stored, or (a server's store) kept safe on this PC until
    // the server takes it. A failure shows in health() until a record is stored again.
    [[nodiscard]] virtual bool append(const MeasurementRecord& record) = 0;
    // Stores records that are due together (a minute's records of several stations), in one
    // write where the store can make one; whether each is stored, as append() says, in their
    // order. A record is never lost for another's failure. This default stores them one by one.
    [[nodiscard]] virtual std::vector<bool> appendAll(
        const std::vector<MeasurementRecord>& records) {
        std::vector<bool> stored;
        stored.reserve(records.size());
        for (const MeasurementRecord& record : records) {
            stored.push_back(append(record));
        }
        return stored;
    }
    // Up to `limit` of the newest records that pass the filter, oldest first; none when the store
    // cannot be read.
    [[nodiscard]] virtual std::optional<std::vector<StoredRecord>> newest(
        const RecordFilter& filter, std::size_t limit) = 0;
    // How many records pass the filter; none when the store cannot be read.
    [[nodiscard]] virtual std::optional<std::int64_t> count(const RecordFilter& filter) = 0;
    // Every record that passes, oldest first, one at a time, so that any number of them passes
    // through in little memory. False when the walk could not be made or broke off.
    [[nodiscard]] virtual bool walk(const RecordFilter& filter, const RecordSink& sink) = 0;
    // Deletes every record (on a table shared by several buses, this bus's).
    [[nodiscard]] virtual bool clear() = 0;
    // Why records are not being stored now; ok() when they are.
    [[nodiscard]] virtual StoreHealth health() const = 0;
};

// Makes a store of its own for a thread that reads (a window reading in the background); none
// when no store can be made.
using StoreMaker = std::function<std::unique_ptr<Store>()>;

}  // namespace records
