/** @file tst_wordsegmentnodict.cpp @brief The segmenter with no dictionary and no replacement table beside the application. */
#include "segment/wordsegment.h"

#include <QtTest>

class TestWordSegmentNoDict : public QObject
{
    Q_OBJECT

private slots:
    void segmentsWithoutData_data();
    void segmentsWithoutData();
};

void TestWordSegmentNoDict::segmentsWithoutData_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    const auto row = [](const char* name, const char* text, const char* words) {
        QTest::newRow(name) << QString(text) << QString(words);
    };
    // Without a dictionary friso still cuts, Chinese into single characters.
    row("cable", "电力电缆YJV 2.5", "电 力 缆 yjv 2.5");
    row("no replacement table: 砼 stays", "C30砼", "c30 砼");
    row("empty", "", "");
}

void TestWordSegmentNoDict::segmentsWithoutData()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QCOMPARE(WordSegment::segmentText(text, true).join(QLatin1Char(' ')), words);
}

QTEST_GUILESS_MAIN(TestWordSegmentNoDict)
#include "tst_wordsegmentnodict.moc"
