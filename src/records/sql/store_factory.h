#pragma once

#include <QString>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "records/sql/store_fault.h"
#include "records/store.h"

namespace records::sql {

// The spool of a store on a server: the records that wait for the server, beside "records.conf".
inline constexpr const char* kSpoolFile = "records-spool.db";

// The store the program logs into, and what it has to say about it once.
struct LoggingStore {
    std::unique_ptr<Store> store;
    std::string notice;         // e.g. "已创建记录文件 kvt97.mdb"; empty: nothing to say
    std::string noticeEnglish;  // the same for standard error
};

// The store the program logs into, for the working directory: the table on the server that
// "records.conf" names when that file is there (records wait in kSpoolFile until the server takes
// them, see ServerStore), else the file "kvt97.mdb", which is created with its table and station
// index when it is missing. The file is opened at once, so its store's health() tells from the
// start whether records can be stored.
[[nodiscard]] LoggingStore openLoggingStore(platform::Clock& clock);

// Makes stores of the same kind for threads that read (a window reading in the background). Each
// store made works on the thread that uses it; it never creates the file.
[[nodiscard]] StoreMaker readingStores(platform::Clock& clock);

// Creates the records file at `path` with its table and station index, unless there is a file
// of that name; a file there is never replaced. A fault when it could not be made.
[[nodiscard]] Fault createStoreFile(const QString& path);

}  // namespace records::sql
