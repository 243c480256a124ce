#pragma once

#include <cstdint>
#include <string>

#include "records/store.h"

namespace records {

// The status line of a store that is not storing records: "记录未保存：" and the reason, the
// engine's words in brackets, the time since the last record stored in this run, and the records
// waiting for the server. Empty when the store is ok.
// Example: "记录未保存：记录文件被其他程序锁定（database is locked），上次保存于 12 分钟前".
[[nodiscard]] std::string statusLineText(const StoreHealth& health, std::int64_t nowMsecs);

// Why the store fails, the engine's words in brackets, as the status line says it; for a window
// that tells why it cannot read or clear the store. Empty when the store is ok.
// Example: "记录文件被其他程序锁定（database is locked）".
[[nodiscard]] std::string problemText(const StoreHealth& health);

// The same in English on one line, for standard error and service logs.
// Example: "records not stored: the store is locked by another program (database is locked);
// last record stored 12 min ago".
[[nodiscard]] std::string statusLineEnglish(const StoreHealth& health, std::int64_t nowMsecs);

// Why records are not stored, in English, with the engine's words in brackets: "the store is
// locked by another program (database is locked)". Empty when the store is ok.
[[nodiscard]] std::string reasonEnglish(const StoreHealth& health);

// True when the two say the same reason (problem and the engine's words), whatever their times
// and waiting records: a program prints a reason once, when it first appears.
[[nodiscard]] bool sameReason(const StoreHealth& a, const StoreHealth& b);

}  // namespace records
