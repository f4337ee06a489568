/** @file tst_sheets.cpp @brief Bills as workbooks and GB18030 CSV in, workbooks out, bad workbooks refused; the capped table. */
#include "tooltestsupport.h"
#include "workbookreader.h"

#include <KZip>

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

QString data(const char* name)
{
    return QStringLiteral(TOOLS_TEST_DATA "/") + QString::fromUtf8(name);
}

/// A workbook (zip) of the given parts; @p sheet becomes its only sheet, "S".
QByteArray workbook(const QByteArray& sheet, const QByteArray& sharedStrings = QByteArray())
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    KZip zip(&buffer);
    zip.open(QIODevice::WriteOnly);
    zip.writeFile(QStringLiteral("xl/workbook.xml"),
                  "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    zip.writeFile(QStringLiteral("xl/worksheets/sheet1.xml"), sheet);
    if (!sharedStrings.isEmpty())
        zip.writeFile(QStringLiteral("xl/sharedStrings.xml"), sharedStrings);
    zip.close();
    return bytes;
}

QByteArray inlineRows(int first, int count, const char* text)
{
    QByteArray xml;
    for (int r = first; r < first + count; ++r)
        xml += "<row r=\"" + QByteArray::number(r) + "\"><c t=\"inlineStr\"><is><t>" + text + "</t></is></c></row>";
    return xml;
}

QByteArray sheetXml(const QByteArray& rows, const QByteArray& prologue = QByteArray())
{
    return prologue + "<worksheet><sheetData>" + inlineRows(1, 1, "名称") + rows + "</sheetData></worksheet>";
}

/// "cell|cell;..." of every row of sheet @p index of the workbook at @p path.
QString sheetText(const QString& path, int index)
{
    WorkbookReader reader(path);
    QString error;
    QStringList rows;
    if (!reader.open(&error)
        || !reader.readSheet(
            index,
            [&](const SheetRow& row) {
                rows << row.cells.join(QLatin1Char('|'));
                return true;
            },
            nullptr, &error))
        return error;
    return rows.join(QLatin1Char(';'));
}

} // namespace

class SheetsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsBills_data();
    void readsBills();
    void workbookRoundTrip();
    void badInputs_data();
    void badInputs();
    void cappedTable_data();
    void cappedTable();

private:
    ToolResult batch(const QString& input, const QStringList& extra, const QString& output);

    QTemporaryDir m_dir;
    QString m_index;
};

void SheetsTest::initTestCase()
{
    QString error;
    QVERIFY2(ToolTest::installTools(&error), qPrintable(error));
    const QString catalogue = m_dir.filePath(QStringLiteral("catalogue.csv"));
    QVERIFY(ToolTest::writeFile(catalogue, QStringLiteral("mat_id,code,name,spec,brand\n"
                                                          "M1,04010105,镀锌钢管,DN25,\n"
                                                          "M2,2801010023,电力电缆,YJV 0.6/1kV 3×2.5,\n"
                                                          "M3,C3,闸阀,DN100,\n"
                                                          "M5,LONG,%1,%2,\n")
                                               .arg(QStringLiteral("防火封堵材料说明").repeated(10), QString(120, QLatin1Char('x')))
                                               .toUtf8()));
    m_index = m_dir.filePath(QStringLiteral("index"));
    const ToolResult built = ToolTest::buildIndex(catalogue, m_index);
    QVERIFY2(built.exitCode == 0, qPrintable(built.describe()));
}

ToolResult SheetsTest::batch(const QString& input, const QStringList& extra, const QString& output)
{
    return ToolTest::run(QStringLiteral("vefinder"), QStringList{QStringLiteral("batch"), input, QStringLiteral("--index"),
                                                                 m_index, QStringLiteral("-o"), output} + extra);
}

void SheetsTest::readsBills_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("csv"); // written to input when not empty
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("rows"); // line|id|code|name|spec;...
    QTest::addColumn<QString>("summary");
    QTest::newRow("shared strings, rich text, merged Chinese headers, title and empty rows")
        << data("bill-shared.xlsx") << QByteArray() << QStringList()
        << QStringLiteral("4|1|04010105|镀锌钢管|DN25;6|2||电力电缆|YJV 0.6/1kV 3×2.5;8|3||闸阀|DN100")
        << QStringLiteral("input sheet \"清单\"");
    QTest::newRow("inline strings, numbers as displayed")
        << data("bill-inline.xlsx") << QByteArray() << QStringList()
        << QStringLiteral("2|1|4010105|BV|2.5;3|2||镀锌钢管|25;4|3||钢筋|0.3;5|4||水泥|2.5") << QStringLiteral("Sheet1");
    QTest::newRow("--columns by letter and by header text")
        << data("bill-inline.xlsx") << QByteArray()
        << QStringList{QStringLiteral("--columns"), QStringLiteral("name=C,spec=单位,code=D")}
        << QStringLiteral("2|1|2.5|BV|m;3|2|25|镀锌钢管|;4|3|0.3|钢筋|;5|4|2.5|水泥|0.001") << QStringLiteral("Sheet1");
    const QString chinese = QStringLiteral("材料表\n序号,材料名称,规格型号\n1,镀锌钢管,DN25\n2,电力电缆,\"YJV 3×2.5\"\n");
    QTest::newRow("GB18030 CSV, title row, Chinese headers")
        << QStringLiteral("gb.csv") << QTextCodec::codecForName("GB18030")->fromUnicode(chinese) << QStringList()
        << QStringLiteral("3|1||镀锌钢管|DN25;4|2||电力电缆|YJV 3×2.5") << QStringLiteral("input read as GB18030");
    QTest::newRow("UTF-8 CSV with byte order mark")
        << QStringLiteral("bom.csv") << QByteArray("\xEF\xBB\xBF") + chinese.toUtf8() << QStringList()
        << QStringLiteral("3|1||镀锌钢管|DN25;4|2||电力电缆|YJV 3×2.5") << QStringLiteral("input read as UTF-8 with BOM");
}

void SheetsTest::readsBills()
{
    QFETCH(QString, input);
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, options);
    QFETCH(QString, rows);
    QFETCH(QString, summary);
    QTemporaryDir dir;
    if (!csv.isEmpty())
        QVERIFY(ToolTest::writeFile(input = dir.filePath(input), csv));
    const ToolResult result = batch(input, options, dir.filePath(QStringLiteral("out.jsonl")));
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QVERIFY2(result.errText().contains(summary), qPrintable(result.errText()));
    QFile out(dir.filePath(QStringLiteral("out.jsonl")));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QStringList got;
    for (const QByteArray& line : out.readAll().split('\n')) {
        const QJsonObject row = QJsonDocument::fromJson(line).object();
        if (!row.isEmpty())
            got << QStringLiteral("%1|%2|%3|%4|%5").arg(row.value(QStringLiteral("line")).toInt()).arg(
                row.value(QStringLiteral("id")).toString(), row.value(QStringLiteral("code")).toString(),
                row.value(QStringLiteral("name")).toString(), row.value(QStringLiteral("spec")).toString());
    }
    QCOMPARE(got.join(QLatin1Char(';')), rows);
}

void SheetsTest::workbookRoundTrip()
{
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("out.xlsx"));
    const ToolResult result = batch(data("bill-shared.xlsx"), {}, output);
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    WorkbookReader reader(output);
    QString error;
    QVERIFY2(reader.open(&error), qPrintable(error));
    QCOMPARE(reader.sheetNames(), (QStringList{QStringLiteral("results"), QStringLiteral("groups")}));
    // The input columns (the merged 规格型号 over D and E), then the best entry's stored fields.
    QCOMPARE(sheetText(output, 0),
             QStringLiteral("序号|材料编码|材料名称|规格型号|规格型号|found|best mat ids|best code|best name|best spec|error;"
                            "1|04010105|镀锌钢管|DN25||1|M1|04010105|镀锌钢管|dn25;"
                            "2||电力电缆|YJV 0.6/1kV 3×2.5||1|M2|2801010023|电力电缆|yjv 0.6/1kv 3×2.5;"
                            "3||闸阀|DN100||1|M3|C3|闸阀|dn100"));
    // Sheet 2 holds the groups the JSON Lines output gives, with the stored fields.
    const QHash<QString, QString> stored{{QStringLiteral("M1"), QStringLiteral("04010105|镀锌钢管|dn25")},
                                         {QStringLiteral("M2"), QStringLiteral("2801010023|电力电缆|yjv 0.6/1kv 3×2.5")},
                                         {QStringLiteral("M3"), QStringLiteral("C3|闸阀|dn100")}};
    const ToolResult lines = batch(data("bill-shared.xlsx"), {}, dir.filePath(QStringLiteral("out.jsonl")));
    QFile jsonl(dir.filePath(QStringLiteral("out.jsonl")));
    QVERIFY(lines.exitCode == 0 && jsonl.open(QIODevice::ReadOnly));
    QStringList groups{QStringLiteral("id|group|kind|mat id|code|name|spec")};
    for (const QByteArray& line : jsonl.readAll().split('\n')) {
        const QJsonObject row = QJsonDocument::fromJson(line).object();
        const QJsonArray list = row.value(QStringLiteral("groups")).toArray();
        for (int g = 0; g < list.size(); ++g) {
            const QString kind = g == 0 ? QStringLiteral("precise") : g + 1 == list.size() ? QStringLiteral("code") : QStringLiteral("fuzzy");
            const QString head = QStringLiteral("%1|%2|%3").arg(row.value(QStringLiteral("id")).toString()).arg(g + 1).arg(kind);
            if (list.at(g).toArray().isEmpty())
                groups << head;
            for (const QJsonValue& id : list.at(g).toArray())
                groups << head + QLatin1Char('|') + id.toString() + QLatin1Char('|') + stored.value(id.toString());
        }
    }
    QCOMPARE(sheetText(output, 1), groups.join(QLatin1Char(';')));
    KZip zip(output);
    QVERIFY(zip.open(QIODevice::ReadOnly));
    const QByteArray sheet = zip.directory()->file(QStringLiteral("xl/worksheets/sheet1.xml"))->data();
    QVERIFY(sheet.contains("state=\"frozen\"") && sheet.contains("<cols>"));
}

void SheetsTest::badInputs_data()
{
    QTest::addColumn<QByteArray>("bytes"); // the input, or empty for the committed fixture
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    QByteArray noWorkbook;
    {
        QBuffer buffer(&noWorkbook);
        KZip zip(&buffer);
        zip.open(QIODevice::WriteOnly);
        zip.writeFile(QStringLiteral("hello.txt"), "hi");
        zip.close();
    }
    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>";
    QTest::newRow("not a zip") << QByteArray("id,name\n1,x\n") << QStringList() << QStringLiteral("not an xlsx workbook");
    QTest::newRow("zip without a workbook") << noWorkbook << QStringList() << QStringLiteral("zip file without a workbook");
    QTest::newRow("missing sheet") << QByteArray() << QStringList{QStringLiteral("--sheet"), QStringLiteral("9")}
                                   << QStringLiteral("no sheet \"9\"; the workbook holds \"清单\", \"说明\"");
    QTest::newRow("no header row (second sheet)") << QByteArray() << QStringList{QStringLiteral("--sheet"), QStringLiteral("说明")}
                                                  << QStringLiteral("sheet \"说明\": no header row");
    QTest::newRow("cell reference out of range")
        << workbook(sheetXml("<row r=\"2\"><c r=\"XFE2\"><v>1</v></c></row>")) << QStringList()
        << QStringLiteral("sheet \"S\": row 2: cell reference \"XFE2\" out of range");
    QTest::newRow("row number out of range") << workbook(sheetXml(inlineRows(1048577, 1, "x"))) << QStringList()
                                             << QStringLiteral("row number \"1048577\" out of range");
    QTest::newRow("shared string missing") << workbook(sheetXml("<row r=\"2\"><c r=\"A2\" t=\"s\"><v>7</v></c></row>"))
                                           << QStringList() << QStringLiteral("row 2: cell A2 names shared string \"7\"");
    QTest::newRow("entity expansion (billion laughs)") << workbook(sheetXml(inlineRows(2, 1, "&c;"), laughs))
                                                       << QStringList() << QStringLiteral("document type declaration (DTD); refused");
    QTest::newRow("zip bomb: shared strings beyond 128 MB")
        << workbook(sheetXml({}), "<sst><si><t>" + QByteArray(129 << 20, ' ') + "</t></si></sst>") << QStringList()
        << QStringLiteral("xl/sharedStrings.xml: decompresses to more than 128 MB");
    QTest::newRow("sheet of more than 100,000 rows") << workbook(sheetXml(inlineRows(2, 100100, "电缆"))) << QStringList()
                                                     << QStringLiteral("row 100021: more than 100000 rows");
}

void SheetsTest::badInputs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString input = data("bill-shared.xlsx");
    if (!bytes.isEmpty())
        QVERIFY(ToolTest::writeFile(input = dir.filePath(QStringLiteral("bill.xlsx")), bytes));
    const ToolResult result = batch(input, options, dir.filePath(QStringLiteral("out.xlsx")));
    QVERIFY2(!result.crashed && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.errText().contains(input + QStringLiteral(": ") ) && result.errText().contains(message),
             qPrintable(result.errText()));
    // Nothing written, not even a temporary file.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("out")), QStringList());
}

void SheetsTest::cappedTable_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("cell"); // how a long text shows
    QTest::addColumn<QString>("full"); // what must not show
    QTest::newRow("CJK name: 19 characters (38 columns) and the ellipsis")
        << QStringLiteral("LONG") << QStringLiteral("防火封堵材料说明防火封堵材料说明防火封…")
        << QStringLiteral("防火封堵材料说明防火封堵材料说明防火封堵");
    QTest::newRow("ASCII spec: 39 characters and the ellipsis")
        << QStringLiteral("LONG") << QString(39, QLatin1Char('x')) + QStringLiteral("…") << QString(40, QLatin1Char('x'));
    QTest::newRow("short texts as they are") << QStringLiteral("C3") << QStringLiteral("闸阀  dn100") << QStringLiteral("…");
}

void SheetsTest::cappedTable()
{
    QFETCH(QString, code);
    QFETCH(QString, cell);
    QFETCH(QString, full);
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder"), {QStringLiteral("code"), code, QStringLiteral("--index"), m_index});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QVERIFY2(result.outText().contains(cell) && !result.outText().contains(full), qPrintable(result.outText()));
    // The widths come from the rows shown: nothing pads a short result out to the long entry.
    for (const QString& line : result.outText().split(QLatin1Char('\n')))
        QVERIFY2(line.size() <= 110, qPrintable(line));
}

QTEST_GUILESS_MAIN(SheetsTest)
#include "tst_sheets.moc"
