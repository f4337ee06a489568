/** @file tst_charclass.cpp @brief Tests of the word classification and the letter/digit splitters. */
#include "analysis/charclass.h"
#include "utf8text.h"

#include <QtTest>

using utf8text::list;
using utf8text::u8;

class CharClassTest : public QObject
{
    Q_OBJECT

private slots:
    void wordFindType_data();
    void wordFindType();
    void splitters_data();
    void splitters();
    void splitMixedWordKeepsDuplicates_data();
    void splitMixedWordKeepsDuplicates();
    void scanStopsAtZeroCharacter();
    void hasNonNumericChar_data();
    void hasNonNumericChar();
};

void CharClassTest::wordFindType_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("type");

    QTest::newRow("letters and digits") << u8("YJV22") << int(DocMixPpl);
    QTest::newRow("model with hyphen and dot") << u8("BV-2.5") << int(DocMixPpl);
    QTest::newRow("prefixed model and cores") << u8("ZR-YJV3x2.5") << int(DocMixPpl);
    QTest::newRow("A-B1") << u8("A-B1") << int(DocMixPpl);
    QTest::newRow("V.5") << u8("V.5") << int(DocMixPpl);
    QTest::newRow("letters only") << u8("KVV") << int(DocEnPpl);
    QTest::newRow("number") << u8("2.5") << int(DocNumPpl);
    QTest::newRow("Chinese before model") << u8("电缆YJV22") << int(DocChsPpl);
    QTest::newRow("Chinese after model") << u8("YJV22电缆") << int(DocChsPpl);
    QTest::newRow("Chinese and digits") << u8("3芯") << int(DocChsPpl);
    QTest::newRow("Chinese only") << u8("电缆") << int(DocChsPpl);
    QTest::newRow("punctuation only") << u8("//") << int(DocEnPpl);
    QTest::newRow("empty") << QString() << int(DocEnPpl);
    QTest::newRow("first Chinese character U+4E00") << u8("一") << int(DocChsPpl);
    QTest::newRow("last Chinese character U+9FA5") << QString(QChar(0x9FA5)) << int(DocChsPpl);
    QTest::newRow("U+9FA6 is not Chinese here") << QString(QChar(0x9FA6)) << int(DocEnPpl);
    QTest::newRow("U+4DFF is not Chinese here") << QString(QChar(0x4DFF)) << int(DocEnPpl);
    QTest::newRow("ideographic zero 〇") << u8("〇") << int(DocEnPpl);
    QTest::newRow("fullwidth letters") << u8("ＹＪＶ") << int(DocEnPpl);
    QTest::newRow("fullwidth digit with letter") << u8("Ｖ２") << int(DocEnPpl);
    QTest::newRow("fullwidth digit with ASCII letter") << u8("V２") << int(DocEnPpl);
    QTest::newRow("superscript two is no digit") << u8("mm²") << int(DocEnPpl);
    QTest::newRow("Arabic-Indic digit is no digit") << u8("٣") << int(DocEnPpl);
    QTest::newRow("digit and punctuation") << u8("3×4") << int(DocNumPpl);
}

void CharClassTest::wordFindType()
{
    QFETCH(QString, word);
    QFETCH(int, type);
    QCOMPARE(int(::wordFindType(word)), type);
}

void CharClassTest::splitters_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("mixed");
    QTest::addColumn<QStringList>("alnum");

    // Worked examples.
    QTest::newRow("YJV22") << u8("YJV22") << list({"YJV", "22"}) << list({"YJV", "22"});
    QTest::newRow("BV-2.5") << u8("BV-2.5") << list({"BV", "2.5"}) << list({"BV", "2.5"});
    QTest::newRow("ZR-YJV3x2.5") << u8("ZR-YJV3x2.5") << list({"ZR-YJV", "x", "3", "2.5"})
                                 << list({"ZR-YJV", "x", "3", "2.5", "ZR", "YJV"});
    QTest::newRow("A-B1") << u8("A-B1") << list({"A-B", "1"}) << list({"A-B", "1", "A", "B"});
    QTest::newRow("V.5: dot after a letter") << u8("V.5") << list({"V", "5"})
                                             << list({"V", "5", ".5"});
    QTest::newRow("KVV: letters only") << u8("KVV") << QStringList() << list({"KVV"});
    QTest::newRow("2.5: digits only") << u8("2.5") << QStringList() << list({"2.5"});
    QTest::newRow("电缆YJV22: Chinese in front") << u8("电缆YJV22") << QStringList() << QStringList();
    QTest::newRow("//: nothing to split") << u8("//") << QStringList() << QStringList();

    // Edge cases.
    QTest::newRow("empty") << QString() << QStringList() << QStringList();
    QTest::newRow("YJV22电缆: Chinese at the end") << u8("YJV22电缆") << QStringList()
                                                 << QStringList();
    QTest::newRow("Y电2: Chinese in the middle") << u8("Y电2") << QStringList() << QStringList();
    QTest::newRow("BV，2: fullwidth comma cut back") << u8("BV，2") << list({"BV", "2"})
                                                    << list({"BV", "2"});
    QTest::newRow("BV×2: Latin-1 sign cut back") << u8("BV×2") << list({"BV", "2"})
                                                 << list({"BV", "2"});
    QTest::newRow("A×B1: sign between letters kept") << u8("A×B1") << list({"A×B", "1"})
                                                    << list({"A×B", "1", "A", "B"});
    QTest::newRow("ＢV2: fullwidth letter is other") << u8("ＢV2") << list({"V", "2"})
                                                    << list({"V", "2"});
    QTest::newRow("Ｖ２: fullwidth only") << u8("Ｖ２") << QStringList() << QStringList();
    QTest::newRow("AB -C1: space after a letter separates")
        << u8("AB -C1") << list({"AB", "-C", "1"}) << list({"AB", "-C", "1", "C"});
    QTest::newRow("A -1: token without a letter stays whole")
        << u8("A -1") << list({"A", "-", "1"}) << list({"A", "-", "1"});
    QTest::newRow("A1A1: duplicates removed") << u8("A1A1") << list({"A", "1"})
                                              << list({"A", "1"});
    QTest::newRow("2.5mm: dot between digits") << u8("2.5mm") << list({"mm", "2.5"})
                                               << list({"mm", "2.5"});
    QTest::newRow(".5V: leading dot") << u8(".5V") << list({"V", ".5"}) << list({"V", ".5"});
    QTest::newRow("3x95+1x50: plus after a digit")
        << u8("3x95+1x50") << list({"x", "3", "95", "1", "50"})
        << list({"x", "3", "95", "1", "50"});
    QTest::newRow("DN25 PN1.6: space after a digit")
        << u8("DN25 PN1.6") << list({"DN", "PN", "25", "1.6"})
        << list({"DN", "PN", "25", "1.6"});
    QTest::newRow("mm²2: Latin-1 superscript after letters")
        << u8("mm²2") << list({"mm", "2"}) << list({"mm", "2"});
    QTest::newRow("Bé1: accented letter is other") << u8("Bé1") << list({"B", "1"})
                                                  << list({"B", "1"});
    QTest::newRow("3.5.2: several dots") << u8("a3.5.2") << list({"a", "3.5.2"})
                                         << list({"a", "3.5.2"});
    QTest::newRow("BV²: letters and sign, no digit") << u8("BV²") << QStringList()
                                                    << list({"BV"});
    QTest::newRow("  DN  25  : runs of spaces") << u8("  DN  25  ") << list({"DN", "25"})
                                                << list({"DN", "25"});
}

void CharClassTest::splitters()
{
    QFETCH(QString, word);
    QFETCH(QStringList, mixed);
    QFETCH(QStringList, alnum);
    QCOMPARE(splitMixedWord(word, true), mixed);
    QCOMPARE(splitAlnumWord(word), alnum);
}

void CharClassTest::splitMixedWordKeepsDuplicates_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("mixed");

    QTest::newRow("A1A1") << u8("A1A1") << list({"A", "A", "1", "1"});
    QTest::newRow("3x95+1x50") << u8("3x95+1x50") << list({"x", "x", "3", "95", "1", "50"});
    QTest::newRow("YJV22") << u8("YJV22") << list({"YJV", "22"});
}

void CharClassTest::splitMixedWordKeepsDuplicates()
{
    QFETCH(QString, word);
    QFETCH(QStringList, mixed);
    QCOMPARE(splitMixedWord(word, false), mixed);
}

void CharClassTest::scanStopsAtZeroCharacter()
{
    // The word qualifies (it holds a digit), but the scan ends at the zero.
    const QString word = QStringLiteral("AB") + QChar(0) + QStringLiteral("C1");
    QCOMPARE(splitMixedWord(word, true), QStringList{QStringLiteral("AB")});
    QCOMPARE(splitAlnumWord(word), QStringList{QStringLiteral("AB")});
}

void CharClassTest::hasNonNumericChar_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("nonNumeric");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("2.5") << u8("2.5") << false;
    QTest::newRow("100") << u8("100") << false;
    QTest::newRow("dots only") << u8("..") << false;
    QTest::newRow("fullwidth digits are digits") << u8("２５") << false;
    QTest::newRow("Arabic-Indic digits are digits") << u8("٢٥") << false;
    QTest::newRow("3×4") << u8("3×4") << true;
    QTest::newRow("3*4") << u8("3*4") << true;
    QTest::newRow("minus sign") << u8("-1") << true;
    QTest::newRow("letter") << u8("25a") << true;
    QTest::newRow("space") << u8("2 5") << true;
    QTest::newRow("Chinese") << u8("3芯") << true;
    QTest::newRow("superscript two") << u8("2²") << true;
}

void CharClassTest::hasNonNumericChar()
{
    QFETCH(QString, text);
    QFETCH(bool, nonNumeric);
    QCOMPARE(::hasNonNumericChar(text), nonNumeric);
}

QTEST_GUILESS_MAIN(CharClassTest)
#include "tst_charclass.moc"
