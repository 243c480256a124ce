#pragma once

#include "service/check_findings.h"
#include "service/options.h"

namespace service {

// Looks at what the service would use with `options`, in the working directory, without polling,
// logging or making anything: the port it would poll and whether it opens, "comports.conf",
// "config.dat", and whether the records store can be read and written.
[[nodiscard]] CheckFindings checkThisMachine(const Options& options);

// How the start line names the records store of the working directory: "kvt97.mdb", or the
// table on the server that "records.conf" names.
[[nodiscard]] std::string storeName();

}  // namespace service
