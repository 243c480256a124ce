#pragma once

#include <string>
#include <vector>

namespace service {

enum class Finding {
    Fine,     // what the service will use, and it is usable
    Note,     // worth knowing; the service runs all the same
    Problem,  // the service cannot do its work until this is put right
};

// One thing the check looked at: "port COM1 (/dev/ttyUSB0): usable".
struct CheckItem {
    Finding finding = Finding::Fine;
    std::string text;
};

// Everything the check found: each part of the configuration (the port, the port and start
// files, the records store, and whatever else a service runs beside polling) adds its items.
class CheckFindings {
  public:
    void add(Finding finding, std::string text);
    [[nodiscard]] const std::vector<CheckItem>& items() const { return items_; }
    [[nodiscard]] int problems() const;
    // One line per item, "ok", "note" or "problem" in front, and a last line after the program's
    // name that says whether the service can run.
    [[nodiscard]] std::string report(const std::string& program) const;

  private:
    std::vector<CheckItem> items_;
};

}  // namespace service
