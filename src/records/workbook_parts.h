#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace records::workbook {

// The parts of a workbook of one sheet other than the sheet itself and its shared texts: the
// package's list of content types and relationships, the workbook naming its sheet, and the cell
// styles.
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

// A text element, "<t>" to "</t>", holding `text`, which is UTF-8 through and through: markup
// escaped; a character XML cannot hold (a control character, U+FFFE, U+FFFF) as the format's
// escape "_xHHHH_", which an underscore that would start one gets itself; a space at an end kept.
// Takes at most textRoom(text.size()) bytes.
[[nodiscard]] char* putText(char* out, std::string_view text);
[[nodiscard]] constexpr std::size_t textRoom(std::size_t bytes) {
    return 32 + bytes * 7;
}

inline constexpr const char* kSharedTextsName = "xl/sharedStrings.xml";

// Texts that many cells hold, each kept once in the workbook's table of shared texts and named
// in those cells by its place there. It takes at most kMostTexts texts of at most kMostBytes
// bytes, so its memory stays small however many records there are; a text it cannot take stays
// in its cell.
class SharedTexts {
  public:
    static constexpr std::size_t kMostTexts = 4096;
    static constexpr std::size_t kMostBytes = 64;

    // The place of `text` in the table, taken now when it is new and there is room.
    [[nodiscard]] std::optional<std::uint32_t> place(std::string_view text);
    // The table as its part of the workbook; `uses` is how many cells name one of its texts.
    [[nodiscard]] std::string part(std::uint64_t uses) const;

  private:
    std::unordered_map<std::string, std::uint32_t> places_;
    std::vector<const std::string*> texts_;  // in the order of their places
};

}  // namespace records::workbook
