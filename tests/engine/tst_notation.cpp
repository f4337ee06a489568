/** @file tst_notation.cpp @brief Real-world notation: full-width input and cable pairs written with x. */
#include "catalogueindexer.h"
#include "recordingobserver.h"
#include "testindex.h"

#include "engine/vefinder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

/// The sample catalogue's kind of rows, some typed with full-width forms and
/// an ideographic space, indexed by the real indexer.
const char kCatalogue[] = "mat_id,code,name,spec,brand\n"
                          "F1,1701,镀锌钢管,ＤＮ２５,\n"
                          "F2,1701,镀锌钢管,DN32,\n"
                          "F3,１７０２,焊接钢管,DN25,\n"
                          "F4,1702,焊接钢管,DN32,\n"
                          "C1,2801,电力电缆,ＹＪＶ　０．６／１ｋＶ　３×２．５,\n"
                          "C2,2801,电力电缆,YJV 0.6/1kV 3×4,\n"
                          "B1,2802,铜芯聚氯乙烯绝缘电线,BV 2.5,\n"
                          "B2,2802,铜芯聚氯乙烯绝缘电线,BV 4,\n";

} // namespace

class NotationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fullWidthSegment_data();
    void fullWidthSegment();
    void fullWidthNormKeyAndCode();
    void crossWrittenAsX_data();
    void crossWrittenAsX();
    void exactEntryFirstWhateverItsSeparator();

private:
    QTemporaryDir m_dir;
    QString m_index;
};

void NotationTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile csv(m_dir.filePath(QStringLiteral("catalogue.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(kCatalogue) > 0);
    csv.close();
    m_index = m_dir.filePath(QStringLiteral("index"));
    CatalogueIndexer::Options options;
    options.csvPath = csv.fileName();
    options.indexPath = m_index;
    options.progress = false;
    const CatalogueIndexer::Result built = CatalogueIndexer(options).run();
    QVERIFY2(built.ok && built.rowsIndexed == 8, qPrintable(built.error));
}

void NotationTest::fullWidthSegment_data()
{
    QTest::addColumn<QString>("fullWidth");
    QTest::addColumn<QString>("halfWidth");
    QTest::addColumn<QString>("firstGroup");
    QTest::newRow("pipe, spec indexed full-width") << u("镀锌钢管ＤＮ２５") << u("镀锌钢管DN25") << "[F1]";
    QTest::newRow("pipe, ideographic space") << u("焊接钢管　ＤＮ２５") << u("焊接钢管 DN25") << "[F3]";
    QTest::newRow("cable, spec indexed full-width") << u("ＹＪＶ３×２．５") << u("YJV3×2.5") << "[C1]";
    QTest::newRow("cable, spec indexed half-width") << u("ＹＪＶ３×４") << u("YJV3×4") << "[C2]";
    QTest::newRow("wire") << u("ＢＶ２．５") << u("BV2.5") << "[B1]";
    QTest::newRow("lower-case full-width letters") << u("ｙｊｖ　３×４") << u("yjv 3×4") << "[C2]";
}

void NotationTest::fullWidthSegment()
{
    QFETCH(QString, fullWidth);
    QFETCH(QString, halfWidth);
    QFETCH(QString, firstGroup);
    VeFinder finder;
    QList<QStringList> full;
    QList<QStringList> half;
    finder.segmentSearch(full, fullWidth, m_index, true);
    finder.segmentSearch(half, halfWidth, m_index, true);
    QCOMPARE(renderGroups(half.mid(0, 1)), firstGroup);
    QCOMPARE(renderGroups(full), renderGroups(half));
}

void NotationTest::fullWidthNormKeyAndCode()
{
    // The norm key is taken of the folded code and specification on both
    // sides, so the precise group (the first) holds the entry.
    VeFinder finder;
    QList<QStringList> result;
    finder.quotaSearch(result, u("１７０１"), u("镀锌钢管"), u("ＤＮ２５"), m_index, nullptr, true);
    QCOMPARE(renderGroups(result.mid(0, 1)), QStringLiteral("[F1]"));
    QStringList ids;
    finder.normCodeSearch(ids, u("1702"), m_index); // F3's code is written １７０２
    QCOMPARE(renderIds(ids), QStringLiteral("F3 F4"));
    finder.normCodeSearch(ids, u("２８０２"), m_index);
    QCOMPARE(renderIds(ids), QStringLiteral("B1 B2"));
}

void NotationTest::crossWrittenAsX_data()
{
    // The index holds specifications in lower case: YJY-3X6 arrives as yjy-3x6.
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("sortValue");
    QTest::newRow("3×6") << u("yjy-3×6") << "4";
    QTest::newRow("3*6") << u("yjy-3*6") << "4";
    QTest::newRow("3x6") << u("yjy-3x6") << "4";
    QTest::newRow("3X6") << u("yjy-3X6") << "4";
    QTest::newRow("3 x 6") << u("yjy 0.6/1kv 3 x 6") << "4";
    QTest::newRow("13x6 is not 3") << u("yjy-13x6") << "3";
    QTest::newRow("3x60 is not 6") << u("yjy-3x60") << "3";
    QTest::newRow("3x6.5 is not 6") << u("yjy-3x6.5") << "3";
}

void NotationTest::crossWrittenAsX()
{
    QFETCH(QString, spec);
    QFETCH(QString, sortValue);
    const QString index = m_dir.filePath(QStringLiteral("x-") + QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(writeTestIndex(index, {TestDoc(QStringLiteral("Y1")).withSpec(spec).words({QStringLiteral("yjy")})}));
    VeFinder finder;
    RecordingObserver observer;
    finder.setObserver(&observer);
    QList<QStringList> result;
    finder.segmentSearch(result, u("YJY 3×6"), index, true);
    QCOMPARE(renderGroups(result), QStringLiteral("[Y1]"));
    QCOMPARE(observer.deliveries().size(), 1);
    QCOMPARE(observer.deliveries().constFirst().section(QLatin1Char(' '), -1), sortValue);
}

void NotationTest::exactEntryFirstWhateverItsSeparator()
{
    // Equal pair counts rank the shorter specification first; the exact
    // entry written with x no longer falls behind a longer one written with *.
    const QString index = m_dir.filePath(QStringLiteral("x-order"));
    QVERIFY(writeTestIndex(index, {TestDoc(QStringLiteral("LONG")).withSpec(u("wdzb1n-yjy-3*6")).words({QStringLiteral("yjy")}),
                                   TestDoc(QStringLiteral("EXACT")).withSpec(u("yjy-3x6")).words({QStringLiteral("yjy")})}));
    VeFinder finder;
    QList<QStringList> result;
    finder.segmentSearch(result, u("YJY 3×6"), index, true);
    QCOMPARE(renderGroups(result), QStringLiteral("[EXACT] [LONG]"));
}

QTEST_GUILESS_MAIN(NotationTest)
#include "tst_notation.moc"
