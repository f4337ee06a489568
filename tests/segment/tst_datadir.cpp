/** @file tst_datadir.cpp @brief The data directory named by the host, with no dict/ beside the application. */
#include "lexicon/searchutil.h"
#include "segment/datadir.h"
#include "segment/wordsegment.h"

#include <QtTest>

class DataDirTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsEverythingFromTheDataDir_data();
    void readsEverythingFromTheDataDir();
    void fixedOnceRead();
};

void DataDirTest::initTestCase()
{
    QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/dict")));
    QVERIFY(setVeFinderDataDir(QStringLiteral("/nonexistent")));
    QVERIFY(setVeFinderDataDir(QStringLiteral(VEFINDER_TEST_DATA_DIR))); // replaced before use
}

void DataDirTest::readsEverythingFromTheDataDir_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    // Each row needs one of the three: without the data the words differ.
    QTest::newRow("friso dictionary") << QString::fromUtf8("电力电缆YJV 2.5")
                                      << QString::fromUtf8("电力 电缆 yjv 2.5");
    QTest::newRow("word-replace.txt") << QString::fromUtf8("C30砼") << QString::fromUtf8("c30 混凝土");
}

void DataDirTest::readsEverythingFromTheDataDir()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QCOMPARE(WordSegment::segmentText(text, true).join(QLatin1Char(' ')), words);
    // The lexicons: a synonym group of the sample lexicon.
    QVERIFY(SearchUtil::instance()->getMatEquivals(QString::fromUtf8("焊管"))
                .contains(QString::fromUtf8("直缝焊管")));
}

void DataDirTest::fixedOnceRead()
{
    QVERIFY(!setVeFinderDataDir(QStringLiteral("/elsewhere")));
    QVERIFY(!setVeFinderDataDir(QString()));
    QVERIFY(setVeFinderDataDir(QStringLiteral(VEFINDER_TEST_DATA_DIR)));
}

QTEST_GUILESS_MAIN(DataDirTest)
#include "tst_datadir.moc"
