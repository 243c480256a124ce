"""Prints what a workbook holds, as JSON, read by openpyxl: the sheet names, the frozen panes,
the column widths, every cell as [type, value, number format], and counts of the XML (texts
keeping their spaces, cells naming their place, shared texts). Exits 77 without openpyxl."""
import json
import sys
import zipfile

try:
    import openpyxl
    from openpyxl.utils import get_column_letter
except ImportError:
    print("openpyxl is not installed (Debian: python3-openpyxl)")
    sys.exit(77)


def cell(c):
    value = c.value
    if hasattr(value, "isoformat"):
        value = value.isoformat()
    return [c.data_type, value, c.number_format]


archive = zipfile.ZipFile(sys.argv[1])
sheet_xml = archive.read("xl/worksheets/sheet1.xml")
shared_xml = archive.read("xl/sharedStrings.xml") if "xl/sharedStrings.xml" in archive.namelist() else b""
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
print(json.dumps({
    "sheets": book.sheetnames,
    "freeze": sheet.freeze_panes,
    "widths": [sheet.column_dimensions[get_column_letter(i)].width
               for i in range(1, sheet.max_column + 1)],
    "rows": [[cell(c) for c in row] for row in sheet.iter_rows()],
    "preserved": (sheet_xml + shared_xml).count(b'<t xml:space="preserve">'),
    "placed": sheet_xml.count(b'<c r="'),
    "shared": shared_xml.count(b"<si>"),
}, ensure_ascii=False))
