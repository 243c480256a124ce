#pragma once

#include <memory>

#include "platform/records_binding.h"

namespace platform::qt {

// The records binding of a window: over the table on the PostgreSQL server that "records.conf"
// names when that file is in the working directory, otherwise over the SQLite file.
std::unique_ptr<RecordsBinding> recordsBindingForWorkingDirectory();

}  // namespace platform::qt
