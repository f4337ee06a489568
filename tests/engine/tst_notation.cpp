/** @file tst_notation.cpp @brief Full-width input on an index the real indexer builds. */
#include "catalogueindexer.h"
#include "testindex.h"

#include "engine/vefinder.h"

#include <QTemporaryDir>
#include <QtTest>

class NotationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fullWidthSegment_data();
    void fullWidthSegment();
    void fullWidthNormKeyAndCode();

private:
    QTemporaryDir m_dir;
    QString m_index;
};

// The sample catalogue's kind of rows, some typed with full-width forms and
// an ideographic space.
void NotationTest::initTestCase()
{
    QFile csv(m_dir.filePath("catalogue.csv"));
    QVERIFY(
        csv.open(QIODevice::WriteOnly)
        && csv.write(
               "mat_id,code,name,spec,brand\n"
               "F1,1701,镀锌钢管,ＤＮ２５,\nF2,1701,镀锌钢管,DN32,\n"
               "F3,１７０２,焊接钢管,DN25,\nF4,1702,焊接钢管,DN32,\n"
               "C1,2801,电力电缆,ＹＪＶ　０．６／１ｋＶ　３×２．５,\nC2,2801,电力电缆,YJV 0.6/1kV 3×4,\n"
               "B1,2802,铜芯聚氯乙烯绝缘电线,BV 2.5,\nB2,2802,铜芯聚氯乙烯绝缘电线,BV 4,\n")
            > 0);
    csv.close();
    m_index = m_dir.filePath("index");
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
    QTest::newRow("pipe, spec indexed full-width") << "镀锌钢管ＤＮ２５"
                                                   << "镀锌钢管DN25"
                                                   << "[F1]";
    QTest::newRow("pipe, ideographic space") << "焊接钢管　ＤＮ２５"
                                             << "焊接钢管 DN25"
                                             << "[F3]";
    QTest::newRow("cable, spec indexed full-width") << "ＹＪＶ３×２．５"
                                                    << "YJV3×2.5"
                                                    << "[C1]";
    QTest::newRow("wire") << "ＢＶ２．５"
                          << "BV2.5"
                          << "[B1]";
    QTest::newRow("lower-case full-width letters") << "ｙｊｖ　３×４"
                                                   << "yjv 3×4"
                                                   << "[C2]";
}

// Full-width folding gives the same groups as the half-width text.
void NotationTest::fullWidthSegment()
{
    QFETCH(QString, fullWidth);
    QFETCH(QString, halfWidth);
    QFETCH(QString, firstGroup);
    VeFinder finder;
    QList<QStringList> full, half;
    finder.segmentSearch(full, fullWidth, m_index, true);
    finder.segmentSearch(half, halfWidth, m_index, true);
    QCOMPARE(renderGroups(half.mid(0, 1)), firstGroup);
    QCOMPARE(full, half);
}

// The norm key is taken of the folded code and specification on both sides.
void NotationTest::fullWidthNormKeyAndCode()
{
    VeFinder finder;
    QList<QStringList> result;
    finder.quotaSearch(result, "１７０１", "镀锌钢管", "ＤＮ２５", m_index, nullptr, true);
    QCOMPARE(renderGroups(result.mid(0, 1)), QStringLiteral("[F1]"));
    QStringList ids;
    finder.normCodeSearch(ids, "1702", m_index); // F3's code is written １７０２
    QCOMPARE(ids.join(' '), QStringLiteral("F3 F4"));
    finder.normCodeSearch(ids, "２８０２", m_index);
    QCOMPARE(ids.join(' '), QStringLiteral("B1 B2"));
}

QTEST_GUILESS_MAIN(NotationTest)
#include "tst_notation.moc"
