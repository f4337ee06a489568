/** @file tst_wordsegmentnodict.cpp @brief The segmenter with no dictionary and no replacement table beside the application. */
#include "wordsegmenttestaccess.h"

#include <QtTest>

class WordSegmentNoDictTest : public QObject
{
    Q_OBJECT

private slots:
    void segmentsWithoutData_data();
    void segmentsWithoutData();
    void noReplacements();
};

void WordSegmentNoDictTest::segmentsWithoutData_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");

    // Without a dictionary friso still cuts: Chinese into single characters.
    QTest::newRow("cable") << QString::fromUtf8("电力电缆YJV 2.5")
                           << QString::fromUtf8("电 力 缆 yjv 2.5");
    QTest::newRow("abbreviation not replaced") << QString::fromUtf8("C30砼")
                                               << QString::fromUtf8("c30 砼");
    QTest::newRow("empty") << QString() << QString();
}

void WordSegmentNoDictTest::segmentsWithoutData()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QCOMPARE(WordSegment::segmentText(text, true).join(QLatin1Char(' ')), words);
}

void WordSegmentNoDictTest::noReplacements()
{
    QVERIFY(WordSegmentTestAccess::replaceWords(*WordSegment::instance()).isEmpty());
}

QTEST_GUILESS_MAIN(WordSegmentNoDictTest)
#include "tst_wordsegmentnodict.moc"
