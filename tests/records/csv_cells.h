#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace records_test {

using CsvLine = std::vector<std::string>;

// The cells of CSV text as a spreadsheet splits it: fields separated by commas, a quoted field
// may hold commas, line ends and doubled quotes; lines end in CR LF or LF. A byte-order mark at
// the start is dropped.
inline std::vector<CsvLine> csvCells(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::vector<CsvLine> lines;
    CsvLine line;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"' && cell.empty()) {
            quoted = true;
        } else if (c == ',') {
            line.push_back(cell);
            cell.clear();
        } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            i += c == '\r' ? 1 : 0;
            line.push_back(cell);
            cell.clear();
            lines.push_back(line);
            line.clear();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || !line.empty()) {
        line.push_back(cell);
        lines.push_back(line);
    }
    return lines;
}

// One record line's cells by their heading.
inline std::map<std::string, std::string> cellsByHeading(const CsvLine& heading,
                                                         const CsvLine& line) {
    std::map<std::string, std::string> cells;
    for (std::size_t i = 0; i < heading.size() && i < line.size(); ++i) {
        cells[heading[i]] = line[i];
    }
    return cells;
}

}  // namespace records_test
