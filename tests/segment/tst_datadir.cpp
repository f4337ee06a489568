/** @file tst_datadir.cpp @brief The data directory named by the host, with no dict/ beside the application. */
#include "lexicon/searchutil.h"
#include "segment/datadir.h"
#include "segment/wordsegment.h"

#include <QtTest>

class DataDirTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(
            !QFileInfo::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/dict")));
        QVERIFY(setVeFinderDataDir(QStringLiteral("/nonexistent")));
        QVERIFY(setVeFinderDataDir(QStringLiteral(VEFINDER_TEST_DATA_DIR))); // replaced before use
    }

    // Each needs its part of the data directory: without it the answers differ.
    void readsEverythingFromTheDataDir()
    {
        QCOMPARE(WordSegment::segmentText("电力电缆YJV 2.5", true).join(' '),
                 QStringLiteral("电力 电缆 yjv 2.5"));
        QCOMPARE(WordSegment::segmentText("C30砼", true).join(' '),
                 QStringLiteral("c30 混凝土")); // word-replace.txt
        QVERIFY(SearchUtil::instance()->getMatEquivals("焊管").contains(
            "直缝焊管")); // the sample lexicons
    }

    void fixedOnceRead()
    {
        QVERIFY(!setVeFinderDataDir(QStringLiteral("/elsewhere")));
        QVERIFY(!setVeFinderDataDir(QString()));
        QVERIFY(setVeFinderDataDir(QStringLiteral(VEFINDER_TEST_DATA_DIR)));
    }
};

QTEST_GUILESS_MAIN(DataDirTest)
#include "tst_datadir.moc"
