#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace records::workbook {

// The parts of a workbook of one sheet other than the sheet itself: the package's list of
// content types and relationships, the workbook naming its sheet, and the cell styles.
struct Part {
    const char* name;
    std::string_view content;
};
extern const std::array<Part, 5> kParts;

inline constexpr const char* kSheetName = "xl/worksheets/sheet1.xml";

// The cell styles of kParts' style sheet.
inline constexpr std::string_view kHeadingStyle = "1";  // bold
inline constexpr std::string_view kDateStyle = "2";     // yyyy-mm-dd hh:mm

// The sheet up to its first row: the heading row frozen, and `count` columns sized, each
// `widths[i]` characters of the default font wide. Then the rows, then kSheetEnd.
[[nodiscard]] std::string sheetStart(const double* widths, std::size_t count);
extern const std::string_view kSheetEnd;

}  // namespace records::workbook
