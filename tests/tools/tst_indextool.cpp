/** @file tst_indextool.cpp @brief vefinder-index: the round trip through the searches, damaged rows, safe replacement. */
#include "tooltestsupport.h"

#include "analysis/indexfields.h"

#include "analysis/charclass.h"
#include "engine/searchtext.h"
#include "engine/vefinder.h"
#include "segment/wordsegment.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString testData(const QString& name)
{
    return QStringLiteral(TOOLS_TEST_DATA "/") + name;
}

/// Lines reported as rejected in the tool's standard error for @p csv.
QList<int> rejectedLines(const QString& err, const QString& csv)
{
    QList<int> lines;
    const QString prefix = csv + QLatin1Char(':');
    for (const QString& line : err.split(QLatin1Char('\n'))) {
        if (!line.startsWith(prefix) || !line.contains(QLatin1String(": rejected: ")))
            continue;
        lines << line.mid(prefix.size()).section(QLatin1Char(':'), 0, 0).toInt();
    }
    return lines;
}

} // namespace

class VeFinderIndexTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void codeSearchFindsRows_data();
    void codeSearchFindsRows();
    void preciseGroup_data();
    void preciseGroup();
    void segmentSearchFindsRow_data();
    void segmentSearchFindsRow();
    void everyEntryFindsItself_data();
    void everyEntryFindsItself();
    void storedFieldsAndCodeTerms_data();
    void storedFieldsAndCodeTerms();
    void wordTerms_data();
    void wordTerms();

    void badRowsAreReported_data();
    void badRowsAreReported();
    void failedBuildKeepsOldIndex_data();
    void failedBuildKeepsOldIndex();
    void refusesToReplaceOtherDirectory();
    void replacesExistingIndex();
    void usageErrors_data();
    void usageErrors();

private:
    QTemporaryDir m_dir;
    QString m_index;
};

void VeFinderIndexTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    QVERIFY2(ToolTest::installTools(&error), qPrintable(error));
    m_index = m_dir.filePath(QStringLiteral("index"));
    const ToolResult built = ToolTest::buildIndex(testData(QStringLiteral("catalogue.csv")), m_index);
    QVERIFY2(built.exitCode == 0 && !built.crashed, qPrintable(built.describe()));
}

void VeFinderIndexTest::codeSearchFindsRows_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("one entry") << QStringLiteral("0401001") << QStringList{QStringLiteral("T001")};
    QTest::newRow("two brands share a code") << QStringLiteral("0101001")
                                             << QStringList{QStringLiteral("T007"), QStringLiteral("T008")};
    QTest::newRow("cable") << QStringLiteral("2801001") << QStringList{QStringLiteral("T004")};
    QTest::newRow("code with spaces around it in the CSV") << QStringLiteral("0801001")
                                                            << QStringList{QStringLiteral("T012")};
    QTest::newRow("entry without specification") << QStringLiteral("0901001") << QStringList{QStringLiteral("T013")};
    QTest::newRow("unknown code") << QStringLiteral("9999999") << QStringList();
    QTest::newRow("prefix of a code") << QStringLiteral("0401") << QStringList();
    QTest::newRow("empty code matches nothing") << QString() << QStringList();
}

void VeFinderIndexTest::codeSearchFindsRows()
{
    QFETCH(QString, code);
    QFETCH(QStringList, ids);
    VeFinder finder;
    QStringList result;
    finder.normCodeSearch(result, code, m_index);
    result.sort();
    QCOMPARE(result, ids);
}

void VeFinderIndexTest::preciseGroup_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QStringList>("precise");
    QTest::addColumn<QStringList>("later"); // found after the precise step, restricted to the key or code

    const QStringList none;
    QTest::newRow("CJK name, DN size") << QStringLiteral("0401001") << QStringLiteral("镀锌钢管") << QStringLiteral("DN25")
                                       << QStringList{QStringLiteral("T001")} << none;
    QTest::newRow("cable notation") << QStringLiteral("2801001") << QStringLiteral("电力电缆")
                                    << QStringLiteral("ZR-YJV-0.6/1KV-3×2.5") << QStringList{QStringLiteral("T004")} << none;
    QTest::newRow("two entries under one key") << QStringLiteral("0101001") << QStringLiteral("普通硅酸盐水泥")
                                               << QStringLiteral("P.O 42.5")
                                               << QStringList{QStringLiteral("T007"), QStringLiteral("T008")} << none;
    QTest::newRow("name with comma, quoted in the CSV") << QStringLiteral("0501001") << QStringLiteral("闸阀, 法兰连接")
                                                        << QStringLiteral("Z41H-16 DN100")
                                                        << QStringList{QStringLiteral("T009")} << none;
    QTest::newRow("case and spacing of name and spec normalised")
        << QStringLiteral(" 0801001") << QStringLiteral("MIXED case   name") << QStringLiteral("3  x 2.5")
        << QStringList{QStringLiteral("T012")} << none;
    QTest::newRow("spec written without spaces: same key, found later")
        << QStringLiteral("0801001") << QStringLiteral("Mixed Case Name") << QStringLiteral("3x2.5") << none
        << QStringList{QStringLiteral("T012")};
    QTest::newRow("Φ dropped from the stored spec") << QStringLiteral("0701001") << QStringLiteral("螺纹钢")
                                                    << QStringLiteral("HRB400 Φ12") << QStringList{QStringLiteral("T011")} << none;
    QTest::newRow("brackets in the name") << QStringLiteral("0402001") << QStringLiteral("无缝钢管(热轧)")
                                          << QStringLiteral("Φ89×4") << QStringList{QStringLiteral("T014")} << none;
    QTest::newRow("other name, same code and spec: found later")
        << QStringLiteral("0401001") << QStringLiteral("钢管") << QStringLiteral("DN25") << none
        << QStringList{QStringLiteral("T001")};
    // No empty specification term is indexed, so a blank spec never makes
    // a precise match; the code still reaches the entry.
    QTest::newRow("blank spec: the plain code, found later")
        << QStringLiteral("0901001") << QStringLiteral("施工用水") << QString() << none << QStringList{QStringLiteral("T013")};
}

void VeFinderIndexTest::preciseGroup()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, spec);
    QFETCH(QStringList, precise);
    QFETCH(QStringList, later);

    VeFinder finder;
    QList<QStringList> result;
    finder.quotaSearch(result, code, name, spec, m_index, nullptr, true);
    QVERIFY(result.size() >= 2);
    QStringList first = result.first();
    first.sort();
    QCOMPARE(first, precise);
    QStringList rest;
    for (const QStringList& group : result.mid(1))
        rest += group;
    rest.sort();
    QCOMPARE(rest, later);
}

void VeFinderIndexTest::segmentSearchFindsRow_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("id");
    QTest::newRow("name and DN size") << QStringLiteral("镀锌钢管 DN50") << QStringLiteral("T002");
    QTest::newRow("mixed word split into pieces") << QStringLiteral("镀锌钢管DN25") << QStringLiteral("T001");
    QTest::newRow("cable with Chinese core count") << QStringLiteral("电力电缆YJV 三芯 2.5") << QStringLiteral("T004");
    QTest::newRow("cable written in one word") << QStringLiteral("zryjv3x2.5") << QStringLiteral("T004");
    QTest::newRow("cable with two core-section pairs") << QStringLiteral("yjv22 3x95+1x50") << QStringLiteral("T005");
    QTest::newRow("building wire") << QStringLiteral("BV2.5") << QStringLiteral("T006");
    QTest::newRow("Latin and CJK in one word") << QStringLiteral("PVC排水管 dn110") << QStringLiteral("T010");
    QTest::newRow("synonym of the name") << QStringLiteral("焊管 DN100") << QStringLiteral("T003");
    QTest::newRow("name only") << QStringLiteral("施工用水") << QStringLiteral("T013");
    QTest::newRow("name without its remark") << QStringLiteral("无缝钢管 Φ89×4") << QStringLiteral("T014");
}

void VeFinderIndexTest::segmentSearchFindsRow()
{
    QFETCH(QString, text);
    QFETCH(QString, id);
    VeFinder finder;
    QList<QStringList> result;
    finder.segmentSearch(result, text, m_index, true);
    QVERIFY2(ToolTest::anyGroupContains(result, id), qPrintable(QStringLiteral("%1 not found among %2 group(s)").arg(id).arg(result.size())));
}

void VeFinderIndexTest::everyEntryFindsItself_data()
{
    ToolTest::addCatalogueRows(testData(QStringLiteral("catalogue.csv")), 10);
}

void VeFinderIndexTest::everyEntryFindsItself()
{
    // Whatever a search makes of an entry's own name and specification, the
    // entry must hold every word the search asks for.
    QFETCH(QString, id);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, spec);
    ToolTest::checkEntryFindsItself(m_index, id, code, name, spec);
}

void VeFinderIndexTest::storedFieldsAndCodeTerms_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("terms");

    QStringList cable = {QStringLiteral("2801001"), normKeyHash(QStringLiteral("2801001"), QStringLiteral("ZR-YJV-0.6/1KV-3×2.5"))};
    cable.sort();
    QTest::newRow("code and norm key") << QStringLiteral("T004") << QStringLiteral("code_fvl_idx") << cable;
    QTest::newRow("no norm key without a spec") << QStringLiteral("T013") << QStringLiteral("code_fvl_idx")
                                                << QStringList{QStringLiteral("0901001")};
    QStringList trimmed = {QStringLiteral("0801001"), normKeyHash(QStringLiteral("0801001"), QStringLiteral("3x2.5"))};
    trimmed.sort();
    QTest::newRow("code trimmed, key of the spec without white space") << QStringLiteral("T012")
                                                                       << QStringLiteral("code_fvl_idx") << trimmed;
    QTest::newRow("title normalised") << QStringLiteral("T012") << QStringLiteral("title_fvl_idx")
                                      << QStringList{QStringLiteral("mixed case name")};
    QTest::newRow("spec normalised") << QStringLiteral("T012") << QStringLiteral("spec_fvl_idx")
                                     << QStringList{QStringLiteral("3 x 2.5")};
    QTest::newRow("Φ removed from the spec") << QStringLiteral("T011") << QStringLiteral("spec_fvl_idx")
                                             << QStringList{QStringLiteral("hrb400 12")};
    QTest::newRow("title keeps the comma") << QStringLiteral("T009") << QStringLiteral("title_fvl_idx")
                                           << QStringList{QStringLiteral("闸阀, 法兰连接")};
    QTest::newRow("no empty spec term") << QStringLiteral("T013") << QStringLiteral("spec_fvl_idx") << QStringList();
    QTest::newRow("brand") << QStringLiteral("T001") << QStringLiteral("brand_fvl_idx") << QStringList{QStringLiteral("华岐")};
    QTest::newRow("mat id") << QStringLiteral("T005") << QStringLiteral("mat_id") << QStringList{QStringLiteral("T005")};
}

void VeFinderIndexTest::storedFieldsAndCodeTerms()
{
    QFETCH(QString, id);
    QFETCH(QString, field);
    QFETCH(QStringList, terms);
    QCOMPARE(ToolTest::termsOf(m_index, id, field), terms);
}

void VeFinderIndexTest::wordTerms_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("terms");

    const QString chs = QStringLiteral("chs_ppl_idx");
    const QString mix = QStringLiteral("mix_ppl_idx");
    const QString num = QStringLiteral("num_ppl_idx");
    const QString en = QStringLiteral("en_ppl_idx");
    QTest::newRow("mixed word and its pieces") << QStringLiteral("T001") << mix << QStringList{QStringLiteral("dn25")};
    QTest::newRow("letter piece of a mixed word") << QStringLiteral("T001") << en << QStringList{QStringLiteral("dn")};
    QTest::newRow("digit piece of a mixed word") << QStringLiteral("T001") << num << QStringList{QStringLiteral("25")};
    QTest::newRow("cable prefix, model, prefix with model") << QStringLiteral("T004") << en
                                                           << QStringList{QStringLiteral("yjv"), QStringLiteral("zr"),
                                                                          QStringLiteral("zryjv")};
    QTest::newRow("cable cores and section") << QStringLiteral("T004") << num
                                             << QStringList{QStringLiteral("2.5"), QStringLiteral("3")};
    QTest::newRow("cable words of the name") << QStringLiteral("T004") << chs
                                             << QStringList{QStringLiteral("电力"), QStringLiteral("电缆")};
    QTest::newRow("armoured cable model") << QStringLiteral("T005") << mix << QStringList{QStringLiteral("yjv22")};
    QTest::newRow("model letters of an armoured cable") << QStringLiteral("T005") << en << QStringList{QStringLiteral("yjv")};
    QTest::newRow("two core-section pairs") << QStringLiteral("T005") << num
                                            << QStringList{QStringLiteral("1"), QStringLiteral("3"),
                                                           QStringLiteral("50"), QStringLiteral("95")};
    QTest::newRow("building wire model and section") << QStringLiteral("T006") << en << QStringList{QStringLiteral("bv")};
    QTest::newRow("building wire section") << QStringLiteral("T006") << num << QStringList{QStringLiteral("2.5")};
    QTest::newRow("name without its remark") << QStringLiteral("T014") << QString()
                                             << WordSegment::segmentText(QStringLiteral("无缝钢管"), true);
    QTest::newRow("name with its remark") << QStringLiteral("T014") << QString()
                                          << WordSegment::segmentText(QStringLiteral("无缝钢管(热轧)"), true);
}

void VeFinderIndexTest::wordTerms()
{
    QFETCH(QString, id);
    QFETCH(QString, field);
    QFETCH(QStringList, terms);
    const QString givenField = field;
    for (const QString& term : terms) {
        field = givenField;
        // Without a field given, each word belongs where its class puts it.
        if (field.isEmpty())
            field = QString::fromWCharArray(IndexFields::wordField(wordFindType(term)));
        const QStringList held = ToolTest::termsOf(m_index, id, field);
        QVERIFY2(held.contains(term), qPrintable(QStringLiteral("%1 lacks %2:%3; it holds %4")
                                                    .arg(id, field, term, held.join(QLatin1Char(' ')))));
    }
}

void VeFinderIndexTest::badRowsAreReported_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QList<int>>("rejected");
    QTest::addColumn<int>("lastLine");

    // Every row's code is "c" and its line number, so the test can tell
    // which rows made it into the index.
    QTest::newRow("missing and blank mat id")
        << QByteArray("mat_id,code,name,spec,brand\n"
                      "A2,c2,钢管,DN20,x\n"
                      ",c3,钢管,DN25,x\n"
                      "  ,c4,钢管,DN32,x\n"
                      "A5,c5,钢管,DN40,x\n")
        << QList<int>{3, 4} << 5;
    QTest::newRow("too few and too many fields")
        << QByteArray("mat_id,code,name,spec,brand\n"
                      "A2,c2,钢管,DN20\n"
                      "A3,c3,钢管,DN25,x,extra\n"
                      "A4,c4,钢管,DN32,x\n")
        << QList<int>{2, 3} << 4;
    QTest::newRow("invalid UTF-8: stray byte, overlong, surrogate, truncated")
        << QByteArray("mat_id,code,name,spec,brand\n"
                      "A2,c2,\xff\xfe,DN20,x\n"
                      "A3,c3,\xc0\xaf,DN25,x\n"
                      "A4,c4,\xed\xa0\x80,DN32,x\n"
                      "A5,c5,\xe9\x92,DN40,x\n"
                      "A6,c6,\xe9\x92\xa2\xe7\xae\xa1,DN50,x\n")
        << QList<int>{2, 3, 4, 5} << 6;
    QTest::newRow("quoted line breaks keep the line count")
        << QByteArray("mat_id,code,name,spec,brand\n"
                      "A2,c2,\"钢管\n第二行\",DN20,x\n"
                      "A4,c4,钢管,DN25\n"
                      "A5,c5,\"say \"\"hi\"\"\",DN32,x\n")
        << QList<int>{4} << 5;
    QTest::newRow("CRLF line ends")
        << QByteArray("mat_id,code,name,spec,brand\r\n"
                      "A2,c2,钢管,DN20,x\r\n"
                      ",c3,钢管,DN25,x\r\n"
                      "A4,c4,钢管,DN32,x\r\n")
        << QList<int>{3} << 4;
    QTest::newRow("unterminated quote at the end")
        << QByteArray("mat_id,code,name,spec,brand\n"
                      "A2,c2,钢管,DN20,x\n"
                      "A3,c3,\"钢管,DN25,x\n")
        << QList<int>{3} << 3;
    const char nulRow[] = "A4,c4,钢\0管,DN32,x\n";
    QTest::newRow("overlong field and NUL character")
        << QByteArray("mat_id,code,name,spec,brand\nA2,c2,") + QByteArray(17000, 'x') + QByteArray(",DN20,x\n")
               + QByteArray("A3,c3,钢管,DN25,x\n") + QByteArray(nulRow, sizeof(nulRow) - 1)
               + QByteArray("A5,c5,") + QByteArray(15000, 'y') + QByteArray(",DN40,x\n")
        << QList<int>{2, 4} << 5;
    // U+20000 (a CJK character beyond U+FFFF) would be stored as U+0000 and
    // spoil the index's term order for the other rows.
    QTest::newRow("character beyond U+FFFF")
        << QByteArray("mat_id,code,name,spec,brand\n"
                      "A2,c2,钢管,DN20,x\n"
                      "A3,c3,\xf0\xa0\x80\x80钢管,DN25,x\n"
                      "A4,c4,钢管,DN32,\xf0\x9f\x94\xa7\n"
                      "A5,c5,钢管,DN40,x\n")
        << QList<int>{3, 4} << 5;
    QTest::newRow("byte order mark and an empty line")
        << QByteArray("\xef\xbb\xbfmat_id,code,name,spec,brand\n"
                      "A2,c2,钢管,DN20,x\n"
                      "\n"
                      "A4,c4,钢管,DN32\n")
        << QList<int>{4} << 4;
}

void VeFinderIndexTest::badRowsAreReported()
{
    QFETCH(QByteArray, csv);
    QFETCH(QList<int>, rejected);
    QFETCH(int, lastLine);

    QTemporaryDir dir;
    const QString csvPath = dir.filePath(QStringLiteral("rows.csv"));
    QVERIFY(ToolTest::writeFile(csvPath, csv));
    const QString index = dir.filePath(QStringLiteral("index"));
    const ToolResult built = ToolTest::run(QStringLiteral("vefinder-index"), {csvPath, index});
    QVERIFY2(built.exitCode == 0 && !built.crashed, qPrintable(built.describe()));
    QCOMPARE(rejectedLines(built.errText(), csvPath), rejected);

    int indexed = 0;
    VeFinder finder;
    for (int line = 2; line <= lastLine; ++line) {
        QStringList ids;
        finder.normCodeSearch(ids, QStringLiteral("c%1").arg(line), index);
        if (!ids.isEmpty())
            ++indexed;
        if (rejected.contains(line))
            QVERIFY2(ids.isEmpty(), qPrintable(QStringLiteral("rejected line %1 was indexed").arg(line)));
    }
    QVERIFY2(built.errText().contains(QStringLiteral("indexed %1 row(s), rejected %2").arg(indexed).arg(rejected.size())),
             qPrintable(built.errText()));
}

void VeFinderIndexTest::failedBuildKeepsOldIndex_data()
{
    QTest::addColumn<QByteArray>("csv"); // null: the file does not exist
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << QByteArray() << QStringList() << QStringLiteral("cannot open the catalogue");
    QTest::newRow("empty file") << QByteArray("") << QStringList() << QStringLiteral("empty file");
    QTest::newRow("header without spec") << QByteArray("mat_id,code,name,brand\nA,c,钢管,x\n") << QStringList()
                                         << QStringLiteral("lacks the column(s) spec");
    QTest::newRow("column named twice") << QByteArray("mat_id,code,name,spec,name\nA,c,钢管,DN20,x\n")
                                        << QStringList() << QStringLiteral("twice");
    QTest::newRow("every row rejected") << QByteArray("mat_id,code,name,spec\n,c,钢管,DN20\nA,c\n") << QStringList()
                                        << QStringLiteral("no row could be indexed");
    QTest::newRow("strict and one bad row") << QByteArray("mat_id,code,name,spec\nA,c,钢管,DN20\n,c,钢管,DN25\n")
                                            << QStringList{QStringLiteral("--strict")} << QStringLiteral("--strict");
}

void VeFinderIndexTest::failedBuildKeepsOldIndex()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, options);
    QFETCH(QString, message);

    QTemporaryDir dir;
    const QString index = dir.filePath(QStringLiteral("index"));
    const ToolResult first = ToolTest::buildIndex(testData(QStringLiteral("catalogue.csv")), index);
    QVERIFY2(first.exitCode == 0, qPrintable(first.describe()));
    const QStringList before = ToolTest::snapshot(index);

    const QString csvPath = dir.filePath(QStringLiteral("bad.csv"));
    if (!csv.isNull())
        QVERIFY(ToolTest::writeFile(csvPath, csv));
    const ToolResult failed = ToolTest::run(QStringLiteral("vefinder-index"), options + QStringList{csvPath, index});
    QVERIFY2(failed.exitCode == 1 && !failed.crashed, qPrintable(failed.describe()));
    QVERIFY2(failed.errText().contains(message), qPrintable(failed.errText()));

    QCOMPARE(ToolTest::snapshot(index), before);
    QStringList leftovers = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    leftovers.removeAll(QStringLiteral("index"));
    leftovers.removeAll(QStringLiteral("bad.csv"));
    QCOMPARE(leftovers, QStringList());
    VeFinder finder;
    QStringList ids;
    finder.normCodeSearch(ids, QStringLiteral("0401001"), index);
    QCOMPARE(ids, QStringList{QStringLiteral("T001")});
}

void VeFinderIndexTest::refusesToReplaceOtherDirectory()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("documents"));
    QVERIFY(QDir().mkpath(target));
    QVERIFY(ToolTest::writeFile(target + QStringLiteral("/precious.txt"), "keep me"));
    const ToolResult result = ToolTest::buildIndex(testData(QStringLiteral("catalogue.csv")), target);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.errText().contains(QStringLiteral("refusing")), qPrintable(result.errText()));
    QCOMPARE(QDir(target).entryList(QDir::Files), QStringList{QStringLiteral("precious.txt")});

    const QString file = dir.filePath(QStringLiteral("plain-file"));
    QVERIFY(ToolTest::writeFile(file, "x"));
    QCOMPARE(ToolTest::buildIndex(testData(QStringLiteral("catalogue.csv")), file).exitCode, 1);
}

void VeFinderIndexTest::replacesExistingIndex()
{
    QTemporaryDir dir;
    const QString index = dir.filePath(QStringLiteral("nested/index"));
    QCOMPARE(ToolTest::buildIndex(testData(QStringLiteral("catalogue.csv")), index).exitCode, 0);
    const QString csvPath = dir.filePath(QStringLiteral("other.csv"));
    QVERIFY(ToolTest::writeFile(csvPath, "mat_id,code,name,spec\nN1,NEW,新材料,A1\n"));
    const ToolResult second = ToolTest::buildIndex(csvPath, index);
    QVERIFY2(second.exitCode == 0, qPrintable(second.describe()));

    VeFinder finder;
    QStringList ids;
    finder.normCodeSearch(ids, QStringLiteral("NEW"), index);
    QCOMPARE(ids, QStringList{QStringLiteral("N1")});
    finder.normCodeSearch(ids, QStringLiteral("0401001"), index);
    QCOMPARE(ids, QStringList());
    QCOMPARE(QDir(dir.filePath(QStringLiteral("nested"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("index")});
}

void VeFinderIndexTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    const QString csv = testData(QStringLiteral("catalogue.csv"));
    QTest::newRow("no arguments") << QStringList() << 2;
    QTest::newRow("catalogue only") << QStringList{csv} << 2;
    QTest::newRow("one argument too many") << QStringList{csv, QStringLiteral("a"), QStringLiteral("b")} << 2;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus"), csv, QStringLiteral("a")} << 2;
    QTest::newRow("jobs zero") << QStringList{QStringLiteral("--jobs"), QStringLiteral("0"), csv, QStringLiteral("a")} << 2;
    QTest::newRow("jobs not a number") << QStringList{QStringLiteral("-j"), QStringLiteral("many"), csv, QStringLiteral("a")} << 2;
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0;
}

void VeFinderIndexTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder-index"), arguments, dir.path());
    QVERIFY2(!result.crashed && result.exitCode == exitCode, qPrintable(result.describe()));
    if (exitCode == 2)
        QVERIFY2(result.errText().contains(QStringLiteral("--help")), qPrintable(result.errText()));
    else
        QVERIFY(result.outText().contains(QStringLiteral("CATALOGUE.csv")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(VeFinderIndexTest)
#include "tst_indextool.moc"
