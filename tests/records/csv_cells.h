#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace records_test {

using CsvLine = std::vector<std::string>;

// The cells of CSV text as a spreadsheet splits them: a quoted field may hold commas, line ends
// and doubled quotes; lines end in CR LF. A byte-order mark at the start is dropped.
inline std::vector<CsvLine> csvCells(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::vector<CsvLine> lines(1, CsvLine(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string& cell = lines.back().back();
        if (quoted && text.substr(i, 2) == "\"\"") {
            cell += '"';
            ++i;
        } else if (text[i] == '"' && (quoted || cell.empty())) {
            quoted = !quoted;
        } else if (!quoted && text[i] == ',') {
            lines.back().emplace_back();
        } else if (!quoted && text.substr(i, 2) == "\r\n") {
            lines.emplace_back(1);
            ++i;
        } else {
            cell += text[i];
        }
    }
    lines.pop_back();  // after the last line end
    return lines;
}

}  // namespace records_test
