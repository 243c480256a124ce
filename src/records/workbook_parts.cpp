#include "records/workbook_parts.h"

#include <charconv>
#include <cmath>

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
    "</Relationships>";

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

#undef XML_DECLARATION
#undef SHEET_NAMESPACE
#undef RELATIONSHIP

}  // namespace records::workbook
