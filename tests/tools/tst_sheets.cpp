/** @file tst_sheets.cpp @brief Bills as workbooks and GB18030 CSV in, workbooks out, bad workbooks refused; the capped table. */
#include "tooltestsupport.h"
#include "workbookreader.h"

#include <KZip>

using namespace ToolTest;

namespace {

/// A zip of the given files (name, contents, name, contents, ...).
QByteArray zipOf(const QList<QByteArray>& files)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    KZip zip(&buffer);
    zip.open(QIODevice::WriteOnly);
    for (int i = 0; i + 1 < files.size(); i += 2)
        if (!files.at(i + 1).isEmpty())
            zip.writeFile(QString::fromUtf8(files.at(i)), files.at(i + 1));
    zip.close();
    return bytes;
}

/// A workbook whose only sheet "S" holds a header row and @p rows.
QByteArray workbook(const QByteArray& rows, const QByteArray& prologue = {},
                    const QByteArray& sharedStrings = {})
{
    return zipOf({"xl/workbook.xml",
                  "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" "
                  "r:id=\"rId1\"/></sheets></workbook>",
                  "xl/worksheets/sheet1.xml",
                  prologue
                      + "<worksheet><sheetData><row r=\"1\"><c t=\"inlineStr\"><is><t>名称</t>"
                        "</is></c></row>"
                      + rows + "</sheetData></worksheet>",
                  "xl/sharedStrings.xml", sharedStrings});
}

QByteArray inlineRows(int first, int count, const char* text)
{
    QByteArray xml;
    for (int r = first; r < first + count; ++r)
        xml += "<row r=\"" + QByteArray::number(r) + "\"><c t=\"inlineStr\"><is><t>" + text
            + "</t></is></c></row>";
    return xml;
}

/// "cell|cell;..." of every row of sheet @p index of the workbook at @p path.
QString sheetText(const QString& path, int index)
{
    WorkbookReader reader(path);
    QString error;
    QStringList rows;
    const auto add = [&](const SheetRow& row) {
        rows << row.cells.join('|');
        return true;
    };
    if (!reader.open(&error) || !reader.readSheet(index, add, nullptr, &error))
        return error;
    return rows.join(';');
}

/// The rows of a JSON Lines output file.
QList<QJsonObject> jsonLines(const QString& path)
{
    QFile file(path);
    QList<QJsonObject> rows;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty())
                rows << QJsonDocument::fromJson(line).object();
    return rows;
}

} // namespace

class SheetsTest : public QObject
{
    Q_OBJECT

private slots:

    void initTestCase()
    {
        const QString catalogue = m_dir.filePath("catalogue.csv");
        QVERIFY(writeFile(catalogue,
                          QString("mat_id,code,name,spec,brand\nM1,04010105,镀锌钢管,DN25,\n"
                                  "M2,2801010023,电力电缆,YJV 0.6/1kV 3×2.5,\n"
                                  "M3,C3,闸阀,DN100,\nM5,LONG,%1,%2,\n")
                              .arg(QString("防火封堵材料说明").repeated(10), QString(120, 'x'))
                              .toUtf8()));
        const ToolResult built = buildIndex(catalogue, m_index);
        QVERIFY2(built.exitCode == 0, qPrintable(built.describe()));
    }

    // Bills read (the rows as the JSON Lines output gives them, and a line of
    // the summary) or refused (the message, after the input's name; nothing
    // written, not even a temporary file).
    void bills_data()
    {
        // bytes: written to input when not empty
        // rows: line|id|code|name|spec;... null: refused
        columns<QString, QByteArray, QStringList, QString, QString>("input", "bytes", "options",
                                                                    "message", "rows");
        const auto read = [](const char* name, const QString& input, const QByteArray& bytes,
                             const QStringList& options, const char* rows, const char* summary) {
            QTest::newRow(name) << input << bytes << options << QString(summary) << QString(rows);
        };
        const auto refused = [](const char* name, const QByteArray& bytes, const char* message,
                                const QStringList& options = {}) {
            QTest::newRow(name) << (bytes.isEmpty() ? data("bill-shared.xlsx") : "bill.xlsx")
                                << bytes << options << QString(message) << QString();
        };
        read("shared strings, rich text, merged Chinese headers, title and empty rows",
             data("bill-shared.xlsx"), {}, {},
             "4|1|04010105|镀锌钢管|DN25;6|2||电力电缆|YJV 0.6/1kV 3×2.5;8|3||闸阀|DN100",
             "input sheet \"清单\"");
        read("inline strings, numbers as displayed", data("bill-inline.xlsx"), {}, {},
             "2|1|4010105|BV|2.5;3|2||镀锌钢管|25;4|3||钢筋|0.3;5|4||水泥|2.5", "Sheet1");
        read("--columns by letter and by header text", data("bill-inline.xlsx"), {},
             {"--columns", "name=C,spec=单位,code=D"},
             "2|1|2.5|BV|m;3|2|25|镀锌钢管|;4|3|0.3|钢筋|;5|4|2.5|水泥|0.001", "Sheet1");
        const QString chinese =
            "材料表\n序号,材料名称,规格型号\n1,镀锌钢管,DN25\n2,电力电缆,\"YJV 3×2.5\"\n";
        const char* chineseRows = "3|1||镀锌钢管|DN25;4|2||电力电缆|YJV 3×2.5";
        read("GB18030 CSV, title row, Chinese headers", "gb.csv",
             QTextCodec::codecForName("GB18030")->fromUnicode(chinese), {}, chineseRows,
             "input read as GB18030");
        read("UTF-8 CSV with a byte order mark: its first header still named", "bom.csv",
             "\xEF\xBB\xBFid,name,spec\nB1,镀锌钢管,DN25\n", {}, "2|B1||镀锌钢管|DN25", "");

        const QByteArray laughs =
            "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
            "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>";
        refused("not a zip", "id,name\n1,x\n", "not an xlsx workbook");
        refused("zip without a workbook", zipOf({"hello.txt", "hi"}),
                "zip file without a workbook");
        refused("missing sheet", {}, "no sheet \"9\"; the workbook holds \"清单\", \"说明\"",
                {"--sheet", "9"});
        refused("no header row (second sheet)", {}, "sheet \"说明\": no header row",
                {"--sheet", "说明"});
        refused("cell reference out of range",
                workbook("<row r=\"2\"><c r=\"XFE2\"><v>1</v></c></row>"),
                "sheet \"S\": row 2: cell reference \"XFE2\" out of range");
        refused("row number out of range", workbook(inlineRows(1048577, 1, "x")),
                "row number \"1048577\" out of range");
        refused("shared string missing",
                workbook("<row r=\"2\"><c r=\"A2\" t=\"s\"><v>7</v></c></row>"),
                "row 2: cell A2 names shared string \"7\"");
        refused("entity expansion (billion laughs)", workbook(inlineRows(2, 1, "&c;"), laughs),
                "document type declaration (DTD); refused");
        refused("zip bomb: shared strings beyond 128 MB",
                workbook({}, {}, "<sst><si><t>" + QByteArray(129 << 20, ' ') + "</t></si></sst>"),
                "xl/sharedStrings.xml: decompresses to more than 128 MB");
        refused("sheet of more than 100,000 rows", workbook(inlineRows(2, 100100, "电缆")),
                "row 100021: more than 100000 rows");
    }

    void bills()
    {
        auto [input, bytes, options, message, rows] =
            fetch<QString, QByteArray, QStringList, QString, QString>("input", "bytes", "options",
                                                                      "message", "rows");
        QTemporaryDir dir;
        if (!bytes.isEmpty())
            QVERIFY(writeFile(input = dir.filePath(input), bytes));
        const QString output = dir.filePath(rows.isNull() ? "out.xlsx" : "out.jsonl");
        const ToolResult result = batch(input, output, options);
        QVERIFY2(!result.crashed && result.exitCode == (rows.isNull() ? 1 : 0),
                 qPrintable(result.describe()));
        QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
        if (rows.isNull()) {
            QVERIFY2(result.errText().contains(input + ": "), qPrintable(result.errText()));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("out"),
                     QStringList());
            return;
        }
        QStringList got;
        for (const QJsonObject& row : jsonLines(output))
            got << QString::number(row["line"].toInt()) + '|' + row["id"].toString() + '|'
                    + row["code"].toString() + '|' + row["name"].toString() + '|'
                    + row["spec"].toString();
        QCOMPARE(got.join(';'), rows);
    }

    void workbookRoundTrip()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("out.xlsx");
        const ToolResult result = batch(data("bill-shared.xlsx"), output);
        QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
        WorkbookReader reader(output);
        QString error;
        QVERIFY2(reader.open(&error), qPrintable(error));
        QCOMPARE(reader.sheetNames(), (QStringList{"results", "groups"}));
        // The input columns (the merged 规格型号 over D and E), then the best entry's stored fields.
        QCOMPARE(
            sheetText(output, 0),
            QString("序号|材料编码|材料名称|规格型号|规格型号|found|best mat ids|best code|best "
                    "name|best spec|error;1|04010105|镀锌钢管|DN25||1|M1|04010105|镀锌钢管|dn25;"
                    "2||电力电缆|YJV 0.6/1kV 3×2.5||1|M2|2801010023|电力电缆|yjv 0.6/1kv 3×2.5;"
                    "3||闸阀|DN100||1|M3|C3|闸阀|dn100"));
        // Sheet 2: every group of every row, the precise group first and the code group last,
        // each id once per row (M1, precise, is left out of its code group), with stored fields.
        QCOMPARE(sheetText(output, 1),
                 QString("id|group|kind|mat id|code|name|spec;1|1|precise|M1|04010105|镀锌钢管|"
                         "dn25;1|2|code;2|1|precise;2|2|fuzzy|M2|2801010023|电力电缆|yjv 0.6/1kv "
                         "3×2.5;2|3|code;3|1|precise;3|2|fuzzy|M3|C3|闸阀|dn100;3|3|code"));
        KZip zip(output);
        QVERIFY(zip.open(QIODevice::ReadOnly));
        const QByteArray sheet = zip.directory()->file("xl/worksheets/sheet1.xml")->data();
        QVERIFY(sheet.contains("state=\"frozen\"") && sheet.contains("<cols>"));
    }

    void cappedTable_data()
    {
        // cell: how a long text shows
        // full: what must not show
        columns<QString, QString, QString>("code", "cell", "full");
        QTest::newRow("CJK name: 19 characters (38 columns) and the ellipsis")
            << "LONG"
            << "防火封堵材料说明防火封堵材料说明防火封…"
            << "防火封堵材料说明防火封堵材料说明防火封堵";
        QTest::newRow("ASCII spec: 39 characters and the ellipsis")
            << "LONG" << QString(39, 'x') + "…" << QString(40, 'x');
        QTest::newRow("short texts as they are") << "C3"
                                                 << "闸阀  dn100"
                                                 << "…";
    }

    void cappedTable()
    {
        const auto [code, cell, full] = fetch<QString, QString, QString>("code", "cell", "full");
        const ToolResult result = run("vefinder", {"code", code, "--index", m_index});
        QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
        QVERIFY2(result.outText().contains(cell) && !result.outText().contains(full),
                 qPrintable(result.outText()));
        // The widths come from the rows shown: nothing pads a short result out to the long entry.
        for (const QString& line : result.outText().split('\n'))
            QVERIFY2(line.size() <= 110, qPrintable(line));
    }

private:
    ToolResult batch(const QString& input, const QString& output, const QStringList& extra = {})
    {
        return run("vefinder",
                   QStringList{"batch", input, "--index", m_index, "-o", output} + extra);
    }

    QTemporaryDir m_dir;
    QString m_index = m_dir.filePath("index");
};

QTEST_GUILESS_MAIN(SheetsTest)
#include "tst_sheets.moc"
