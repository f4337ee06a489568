/** @file tst_cablenotation.cpp @brief Tests of the stateless cable-notation helpers. */
#include "analysis/cablenotation.h"
#include "analysis/cablenotation_p.h"
#include "utf8text.h"

#include <QtTest>

using utf8text::u8;

class CableNotationTest : public QObject
{
    Q_OBJECT

private slots:
    void spaceScriptBoundaries_data();
    void spaceScriptBoundaries();
    void chineseDigitValue_data();
    void chineseDigitValue();
    void replaceChineseNumerals_data();
    void replaceChineseNumerals();
    void replaceWithinMatchesPlain_data();
    void replaceWithinMatchesPlain();
    void replaceWithinMatchesRegExp_data();
    void replaceWithinMatchesRegExp();
    void replaceWithinMatchesEmptyMatch();
};

void CableNotationTest::spaceScriptBoundaries_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("spaced");

    QTest::newRow("model, cores, section") << u8("YJV三芯2.5") << u8("YJV 三芯 2.5");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("Chinese only") << u8("电力电缆") << u8("电力电缆");
    QTest::newRow("Latin only") << u8("YJV22") << u8("YJV22");
    QTest::newRow("spaces already there") << u8("电力电缆 YJV  三芯 2.5") << u8("电力电缆 YJV 三芯 2.5");
    QTest::newRow("trimmed at both ends") << u8("  电缆  ") << u8("电缆");
    QTest::newRow("tabs and line breaks") << u8("\t电\n缆") << u8("电 缆");
    QTest::newRow("Chinese punctuation is not Chinese") << u8("电缆，YJV") << u8("电缆 ，YJV");
    QTest::newRow("range bounds") << (QString(QChar(0x4E00)) + QChar(0x9FA5) + QChar(0x9FA6))
                                  << (QString(QChar(0x4E00)) + QChar(0x9FA5) + QLatin1Char(' ')
                                      + QChar(0x9FA6));
    QTest::newRow("alternating") << u8("a电b缆c") << u8("a 电 b 缆 c");
}

void CableNotationTest::spaceScriptBoundaries()
{
    QFETCH(QString, text);
    QFETCH(QString, spaced);
    QCOMPARE(::spaceScriptBoundaries(text), spaced);
}

void CableNotationTest::chineseDigitValue_data()
{
    QTest::addColumn<QString>("ch");
    QTest::addColumn<int>("value");

    const char* digits[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};
    for (int i = 0; i < 10; ++i)
        QTest::newRow(digits[i]) << u8(digits[i]) << i + 1;
    QTest::newRow("两") << u8("两") << 2;
    QTest::newRow("单") << u8("单") << 1;
    QTest::newRow("零 has no value") << u8("零") << -1;
    QTest::newRow("百 has no value") << u8("百") << -1;
    QTest::newRow("ASCII digit") << u8("3") << -1;
    QTest::newRow("two numerals") << u8("三三") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void CableNotationTest::chineseDigitValue()
{
    QFETCH(QString, ch);
    QFETCH(int, value);
    QCOMPARE(::chineseDigitValue(ch), value);
}

void CableNotationTest::replaceChineseNumerals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("replaced");

    QTest::newRow("三芯") << u8("三芯") << u8("3芯");
    QTest::newRow("二十五") << u8("二十五") << u8("25");
    QTest::newRow("十三: leading ten") << u8("十三") << u8("13");
    QTest::newRow("十") << u8("十") << u8("10");
    QTest::newRow("二十") << u8("二十") << u8("20");
    QTest::newRow("九十九") << u8("九十九") << u8("99");
    QTest::newRow("两芯") << u8("两芯") << u8("2芯");
    QTest::newRow("单芯") << u8("单芯") << u8("1芯");
    QTest::newRow("in a cable text") << u8("YJV 三芯 2.5") << u8("YJV 3芯 2.5");
    QTest::newRow("电缆二十五") << u8("电缆二十五") << u8("电缆25");
    QTest::newRow("三十五芯") << u8("三十五芯") << u8("35芯");
    QTest::newRow("三芯四平方: numerals apart, unchanged") << u8("三芯四平方") << u8("三芯四平方");
    QTest::newRow("三芯三芯: numerals apart, unchanged") << u8("三芯三芯") << u8("三芯三芯");
    QTest::newRow("一二: values added") << u8("一二") << u8("3");
    QTest::newRow("五三: values added") << u8("五三芯") << u8("8芯");
    QTest::newRow("一十: ten after a digit scales it") << u8("一十") << u8("10");
    QTest::newRow("no numerals") << u8("电力电缆YJV") << u8("电力电缆YJV");
    QTest::newRow("ASCII digits untouched") << u8("3芯2.5") << u8("3芯2.5");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("零 passed over") << u8("零") << u8("零");
    QTest::newRow("every occurrence replaced") << u8("三") << u8("3");
    QTest::newRow("Latin between numerals") << u8("三x三") << u8("三x三");
}

void CableNotationTest::replaceChineseNumerals()
{
    QFETCH(QString, text);
    QFETCH(QString, replaced);
    ::replaceChineseNumerals(text);
    QCOMPARE(text, replaced);
}

void CableNotationTest::replaceWithinMatchesPlain_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("outer");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("result");

    QTest::newRow("dot between letters") << u8("BV.R") << u8("[a-zA-Z]\\.[a-zA-Z]") << u8(".")
                                         << u8("-") << u8("BV-R");
    QTest::newRow("overlapping matches: search goes on after the match")
        << u8("A.B.C") << u8("[a-zA-Z]\\.[a-zA-Z]") << u8(".") << u8("-") << u8("A-B.C");
    QTest::newRow("separate matches") << u8("A.B C.D") << u8("[a-zA-Z]\\.[a-zA-Z]") << u8(".")
                                      << u8("-") << u8("A-B C-D");
    QTest::newRow("no match") << u8("2.5") << u8("[a-zA-Z]\\.[a-zA-Z]") << u8(".") << u8("-")
                              << u8("2.5");
    QTest::newRow("empty text") << QString() << u8("[a-zA-Z]\\.[a-zA-Z]") << u8(".") << u8("-")
                                << QString();
    // Matches come from the text as it was on entry, but each one rewrites
    // every occurrence in the working text, so a repeated piece is rewritten
    // once per match.
    QTest::newRow("repeated piece rewritten per match")
        << u8("AB AB") << u8("A[A-Z]") << u8("A") << u8("AA") << u8("AAAB AAAB");
    QTest::newRow("only matched pieces rewritten")
        << u8("xA.B A.C") << u8("x[A-Z]\\.[A-Z]") << u8(".") << u8("-") << u8("xA-B A.C");
}

void CableNotationTest::replaceWithinMatchesPlain()
{
    QFETCH(QString, text);
    QFETCH(QString, outer);
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    QFETCH(QString, result);
    replaceWithinMatches(text, QRegExp(outer), pattern, replacement);
    QCOMPARE(text, result);
}

void CableNotationTest::replaceWithinMatchesRegExp_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");

    // The separator rule between two numbers.
    QTest::newRow("3X2.5") << u8("3X2.5") << u8("3×2.5");
    QTest::newRow("3*2.5") << u8("3*2.5") << u8("3×2.5");
    QTest::newRow("1|2") << u8("1|2") << u8("1×2");
    QTest::newRow("slash matched but kept") << u8("3/4") << u8("3/4");
    QTest::newRow("3X2.5X4: only the first pair") << u8("3X2.5X4") << u8("3×2.5X4");
    QTest::newRow("two pairs") << u8("3X95+1X50") << u8("3×95+1×50");
    QTest::newRow("same pair twice") << u8("3X4 3X4") << u8("3×4 3×4");
    QTest::newRow("spaces break the pair") << u8("3 X 4") << u8("3 X 4");
    QTest::newRow("letters before") << u8("YJV3X2.5") << u8("YJV3×2.5");
    QTest::newRow("dots count as number") << u8(".X.") << u8(".×.");
}

void CableNotationTest::replaceWithinMatchesRegExp()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    replaceWithinMatches(text, QRegExp(QStringLiteral("[0-9.]{1,}[x|X|/*][0-9.]{1,}")),
                         QRegExp(QStringLiteral("[x|X\\*]")), QString(QChar(0x00D7)));
    QCOMPARE(text, result);
}

void CableNotationTest::replaceWithinMatchesEmptyMatch()
{
    // An outer expression that matches the empty string must still end.
    QString text = QStringLiteral("ab");
    replaceWithinMatches(text, QRegExp(QStringLiteral("x*")), QStringLiteral("x"),
                         QStringLiteral("y"));
    QCOMPARE(text, QStringLiteral("ab"));
}

QTEST_GUILESS_MAIN(CableNotationTest)
#include "tst_cablenotation.moc"
