#include "records/workbook_parts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "records/export_fields.h"

namespace records::workbook {

namespace {

// The XML declaration every part begins with, and the namespaces of a sheet and of relationships.
#define XML_DECLARATION "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
#define SHEET_NAMESPACE "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
#define RELATIONSHIP "http://schemas.openxmlformats.org/officeDocument/2006/relationships"

// clang-format off
constexpr std::string_view kContentTypes = XML_DECLARATION
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\""
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
    "</Types>";

constexpr std::string_view kPackageRelationships = XML_DECLARATION
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP "/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";

constexpr std::string_view kWorkbook = XML_DECLARATION
    "<workbook xmlns=\"" SHEET_NAMESPACE "\" xmlns:r=\"" RELATIONSHIP "\">"
    "<bookViews><workbookView/></bookViews>"
    "<sheets><sheet name=\"记录\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

constexpr std::string_view kWorkbookRelationships = XML_DECLARATION
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"" RELATIONSHIP "/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"" RELATIONSHIP "/styles\" Target=\"styles.xml\"/>"
    "<Relationship Id=\"rId3\" Type=\"" RELATIONSHIP "/sharedStrings\" "
    "Target=\"sharedStrings.xml\"/></Relationships>";

// Cell styles: 0 the default, 1 bold, 2 a date and time.
constexpr std::string_view kStyles = XML_DECLARATION
    "<styleSheet xmlns=\"" SHEET_NAMESPACE "\">"
    "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd hh:mm\"/></numFmts>"
    "<fonts count=\"2\">"
    "<font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";
// clang-format on

// A width in characters as Excel keeps it: with the padding of its cells, in 1/256 of the width
// of a digit of the default font (7 pixels, and 5 pixels of padding).
double storedWidth(double characters) {
    constexpr double kDigit = 7;
    constexpr double kPadding = 5;
    return std::floor((characters * kDigit + kPadding) / kDigit * 256) / 256;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Whether an underscore at `at` would start the format's escape of a character, "_xHHHH_".
bool startsEscape(std::string_view text, std::size_t at) {
    return at + 6 < text.size() && text[at + 1] == 'x' && isHexDigit(text[at + 2]) &&
           isHexDigit(text[at + 3]) && isHexDigit(text[at + 4]) && isHexDigit(text[at + 5]) &&
           text[at + 6] == '_';
}

// U+FFFE and U+FFFF, in UTF-8, are characters XML cannot hold either.
bool isNonCharacter(std::string_view text, std::size_t at) {
    return text[at] == '\xEF' && at + 2 < text.size() && text[at + 1] == '\xBF' &&
           (text[at + 2] == '\xBE' || text[at + 2] == '\xBF');
}

bool needsEscape(char c) {
    return c == '&' || c == '<' || c == '>' || c == '_' || c == '\xEF' ||
           static_cast<unsigned char>(c) < 0x20;
}

// A text as XML, at most seven bytes for each byte.
char* putEscaped(char* out, std::string_view text) {
    if (std::none_of(text.begin(), text.end(), needsEscape)) {
        return put(out, text);
    }
    constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto code = static_cast<unsigned char>(c);
        if (c == '&') {
            out = put(out, "&amp;");
        } else if (c == '<') {
            out = put(out, "&lt;");
        } else if (c == '>') {
            out = put(out, "&gt;");
        } else if (code < 0x20 && c != '\t' && c != '\n') {
            out = put(out, "_x00");
            *out++ = kHex[code >> 4];
            *out++ = kHex[code & 0xf];
            *out++ = '_';
        } else if (c == '_' && startsEscape(text, i)) {
            out = put(out, "_x005F_");
        } else if (isNonCharacter(text, i)) {
            out = put(out, text[i + 2] == '\xBE' ? "_xFFFE_" : "_xFFFF_");
            i += 2;
        } else {
            *out++ = c;
        }
    }
    return out;
}

}  // namespace

const std::array<Part, 5> kParts = {{
    {"[Content_Types].xml", kContentTypes},
    {"_rels/.rels", kPackageRelationships},
    {"xl/workbook.xml", kWorkbook},
    {"xl/_rels/workbook.xml.rels", kWorkbookRelationships},
    {"xl/styles.xml", kStyles},
}};

std::string sheetStart(const double* widths, std::size_t count) {
    // clang-format off
    std::string xml = XML_DECLARATION
        "<worksheet xmlns=\"" SHEET_NAMESPACE "\" xmlns:r=\"" RELATIONSHIP "\">"
        "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\">"
        "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
        "<selection pane=\"bottomLeft\"/></sheetView></sheetViews>"
        "<sheetFormatPr defaultRowHeight=\"15\"/><cols>";
    // clang-format on
    char number[32];
    for (std::size_t i = 0; i < count; ++i) {
        const std::string column = std::to_string(i + 1);
        const auto end = std::to_chars(number, number + sizeof number, storedWidth(widths[i])).ptr;
        xml += "<col min=\"" + column + "\" max=\"" + column + "\" width=\"" +
               std::string(number, end) + "\" customWidth=\"1\"/>";
    }
    return xml + "</cols><sheetData>";
}

const std::string_view kSheetEnd =
    "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
    "header=\"0.3\" footer=\"0.3\"/></worksheet>";

char* putText(char* out, std::string_view text) {
    const bool spaceAtEnd = !text.empty() && (isSpace(text.front()) || isSpace(text.back()));
    out = put(out, spaceAtEnd ? "<t xml:space=\"preserve\">" : "<t>");
    return put(putEscaped(out, text), "</t>");
}

std::optional<std::uint32_t> SharedTexts::place(std::string_view text) {
    const std::string key(text);
    if (const auto found = places_.find(key); found != places_.end()) {
        return found->second;
    }
    if (text.size() > kMostBytes || places_.size() >= kMostTexts) {
        return std::nullopt;
    }
    const auto place = static_cast<std::uint32_t>(texts_.size());
    texts_.push_back(&places_.emplace(key, place).first->first);
    return place;
}

std::string SharedTexts::part(std::uint64_t uses) const {
    std::string xml = XML_DECLARATION "<sst xmlns=\"" SHEET_NAMESPACE "\" count=\"" +
                      std::to_string(uses) + "\" uniqueCount=\"" + std::to_string(texts_.size()) +
                      "\">";
    for (const std::string* text : texts_) {
        const std::size_t at = xml.size();
        xml.resize(at + textRoom(text->size()) + 9);
        char* out = put(xml.data() + at, "<si>");
        out = put(putText(out, *text), "</si>");
        xml.resize(static_cast<std::size_t>(out - xml.data()));
    }
    return xml + "</sst>";
}

#undef XML_DECLARATION
#undef SHEET_NAMESPACE
#undef RELATIONSHIP

}  // namespace records::workbook
