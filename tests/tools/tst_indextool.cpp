/** @file tst_indextool.cpp @brief vefinder-index: the terms it writes, rejected rows, safe replacement, usage errors. */
#include "tooltestsupport.h"

#include "engine/vefinder.h"

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


    void indexTerms();

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

// The index format is what the engine and other readers rely on: every term
// of every entry of data/catalogue.csv (code and norm key, normalised title and
// spec, brand, the words in their fields, cable words) against
// golden/index-terms.txt. VEFINDER_WRITE_GOLDEN=1 rewrites it after a deliberate change.
void VeFinderIndexTest::indexTerms()
{
    const QString golden = testData(QStringLiteral("../golden/index-terms.txt"));
    const QString terms = ToolTest::indexTerms(m_index).join(QLatin1Char('\n')) + QLatin1Char('\n');
    if (qEnvironmentVariableIsSet("VEFINDER_WRITE_GOLDEN"))
        QVERIFY(ToolTest::writeFile(golden, terms.toUtf8()));
    QFile expected(golden);
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QCOMPARE(terms, QString::fromUtf8(expected.readAll()));
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
