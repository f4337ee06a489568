/** @file fuzz_sheetreader.cpp @brief Fuzzes the xlsx reader: a whole zip container, or a sheet's XML inside a valid workbook. */
#include "fuzzsupport.h"
#include "workbookreader.h"

#include <KZip>

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

const char ContentTypes[] =
    "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";
const char Workbook[] =
    "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
    "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const char WorkbookRels[] =
    "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/></Relationships>";
const char SharedStrings[] =
    "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<si><t>名称</t></si><si><r><t>规格</t></r><rPh><t>x</t></rPh></si><si><t>YJV</t></si></sst>";

/// A workbook whose only sheet is @p sheet.
QByteArray wrap(const QByteArray& sheet)
{
    QByteArray zipped;
    QBuffer buffer(&zipped);
    KZip zip(&buffer);
    zip.setCompression(KZip::NoCompression);
    zip.open(QIODevice::WriteOnly);
    zip.writeFile(QStringLiteral("[Content_Types].xml"), QByteArray(ContentTypes));
    zip.writeFile(QStringLiteral("xl/workbook.xml"), QByteArray(Workbook));
    zip.writeFile(QStringLiteral("xl/_rels/workbook.xml.rels"), QByteArray(WorkbookRels));
    zip.writeFile(QStringLiteral("xl/sharedStrings.xml"), QByteArray(SharedStrings));
    zip.writeFile(QStringLiteral("xl/worksheets/sheet1.xml"), sheet);
    zip.close();
    return zipped;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::ensureApplication();
    QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    if (!bytes.startsWith("PK"))
        bytes = wrap(bytes);
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    WorkbookReader reader(&device, QStringLiteral("fuzz.xlsx"));
    QString error;
    if (!reader.open(&error)) {
        fuzzsupport::check(!error.isEmpty(), "a failed open says why");
        return 0;
    }
    for (int sheet = 0; sheet < reader.sheetNames().size(); ++sheet) {
        QVector<SheetMerge> merges;
        int rows = 0;
        const bool ok = reader.readSheet(
            sheet,
            [&](const SheetRow& row) {
                fuzzsupport::check(row.number >= 1 && row.number <= WorkbookReader::MaxRows,
                                   "row numbers in range");
                fuzzsupport::check(row.cells.size() <= WorkbookReader::MaxColumns,
                                   "columns in range");
                fuzzsupport::check(!row.cells.isEmpty() && !row.cells.last().isEmpty(),
                                   "no trailing empty cell");
                return ++rows < 10000;
            },
            &merges, &error);
        fuzzsupport::check(ok || !error.isEmpty(), "a failed sheet says why");
    }
    return 0;
}
