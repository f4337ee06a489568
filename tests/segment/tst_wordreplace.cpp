/** @file tst_wordreplace.cpp @brief The replacement table beside the application (data/word-replace-rules.txt) and its line rules, seen through segmentation. */
#include "segment/wordsegment.h"

#include <QtTest>

class TestWordReplace : public QObject
{
    Q_OBJECT

private slots:
    void lineRules_data();
    void lineRules();
};

// The rules file: a byte-order mark and comments, "x1 y1 z1" (third word
// ignored), "x2 y2" then "x2 z2" (later line wins), tabs and runs of spaces,
// an ideographic space, trailing words, "#x6 y6" (a comment), a one-word line.
void TestWordReplace::lineRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    const auto row = [](const char* name, const char* text, const char* words) {
        QTest::newRow(name) << QString(text) << QString(words);
    };
    row("three words: the third ignored", "x1", "y1");
    row("later line wins", "x2", "z2");
    row("tabs and runs of spaces", "x3", "y3");
    row("trailing words ignored", "x5", "y5");
    row("a hash line is a comment", "x6", "x6");
    row("last line without a line break", "x7", "y7");
    row("ideographic space separates", "C30砼", "c30 混凝土");
    row("one-word line: no rule", "单词", "单词");
    row("every occurrence", "x2 x7 x2", "z2 y7");
}

void TestWordReplace::lineRules()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QCOMPARE(WordSegment::segmentText(text, true).join(QLatin1Char(' ')), words);
}

QTEST_GUILESS_MAIN(TestWordReplace)
#include "tst_wordreplace.moc"
