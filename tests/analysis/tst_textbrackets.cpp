/** @file tst_textbrackets.cpp @brief Tests of parenthesis and remark removal. */
#include "analysis/textbrackets.h"
#include "utf8text.h"

#include <QtTest>

using utf8text::u8;

class TextBracketsTest : public QObject
{
    Q_OBJECT

private slots:
    void brackets_data();
    void brackets();
};

void TextBracketsTest::brackets_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("withoutBrackets");  // removeBrackets
    QTest::addColumn<QString>("withoutRemarks");   // removeBracketText

    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("no parentheses") << u8("电力电缆YJV") << u8("电力电缆YJV") << u8("电力电缆YJV");
    QTest::newRow("ASCII remark") << u8("钢管(镀锌)") << u8("钢管镀锌") << u8("钢管");
    QTest::newRow("fullwidth remark") << u8("钢管（镀锌）DN25") << u8("钢管镀锌DN25")
                                      << u8("钢管DN25");
    QTest::newRow("mixed widths pair up") << u8("电缆（YJV)3") << u8("电缆YJV3") << u8("电缆3");
    QTest::newRow("mixed widths the other way") << u8("电缆(YJV）3") << u8("电缆YJV3")
                                                << u8("电缆3");
    QTest::newRow("several remarks") << u8("a(1)b(2)c") << u8("a1b2c") << u8("abc");
    QTest::newRow("nested: cut at the first closing")
        << u8("a(b(x)d)e") << u8("abxde") << u8("ad)e");
    QTest::newRow("closing before opening stays") << u8("a)b(x)") << u8("abx") << u8("a)b");
    QTest::newRow("unclosed remark stops the removal") << u8("a(b)c(d") << u8("abcd")
                                                       << u8("ac(d");
    QTest::newRow("lone fullwidth closing becomes ASCII") << u8("a）b") << u8("ab") << u8("a)b");
    QTest::newRow("lone fullwidth opening becomes ASCII") << u8("a（b") << u8("ab") << u8("a(b");
    QTest::newRow("doubled fullwidth") << u8("（（x））") << u8("x") << u8(")");
    QTest::newRow("empty remark") << u8("a()b") << u8("ab") << u8("ab");
    QTest::newRow("spaces kept") << u8("钢管 (镀锌) DN25") << u8("钢管 镀锌 DN25")
                                 << u8("钢管  DN25");
    QTest::newRow("other brackets untouched") << u8("a[b]{c}【d】") << u8("a[b]{c}【d】")
                                              << u8("a[b]{c}【d】");
}

void TextBracketsTest::brackets()
{
    QFETCH(QString, text);
    QFETCH(QString, withoutBrackets);
    QFETCH(QString, withoutRemarks);
    QCOMPARE(removeBrackets(text), withoutBrackets);
    QCOMPARE(removeBracketText(text), withoutRemarks);
}

QTEST_GUILESS_MAIN(TextBracketsTest)
#include "tst_textbrackets.moc"
