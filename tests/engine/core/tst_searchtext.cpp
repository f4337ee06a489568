/** @file tst_searchtext.cpp @brief Tests of search-text normalisation and the hashed norm key. */
#include "engine/searchtext.h"

#include <QtTest>

class TestSearchText : public QObject
{
    Q_OBJECT

private slots:
    void normalize_data();
    void normalize();
    void normKeyDigest_data();
    void normKeyDigest();
    void normKeyAlike_data();
    void normKeyAlike();
    void normKeyBlankSpec_data();
    void normKeyBlankSpec();
};

void TestSearchText::normalize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only white space") << QStringLiteral(" \t \n ") << QString();
    QTest::newRow("latin lowered, runs of spaces collapsed")
        << QStringLiteral("  A   b  ") << QStringLiteral("a b");
    QTest::newRow("hash sign dropped") << QStringLiteral("32.5#水泥") << QStringLiteral("32.5水泥");
    QTest::newRow("ideographic comma dropped")
        << QStringLiteral("钢管、管件") << QStringLiteral("钢管管件");
    QTest::newRow("line breaks dropped, not turned into spaces")
        << QStringLiteral("镀锌\r\n钢管\n") << QStringLiteral("镀锌钢管");
    QTest::newRow("diameter signs of three scripts dropped")
        << QStringLiteral("Φ20 φ25 ф32 Ф40") << QStringLiteral("20 25 32 40");
    QTest::newRow("tab between words becomes one space")
        << QStringLiteral("电力电缆\tYJV") << QStringLiteral("电力电缆 yjv");
    QTest::newRow("mixed script kept otherwise")
        << QStringLiteral("ZR-YJV-3×2.5（铜芯）") << QStringLiteral("zr-yjv-3×2.5（铜芯）");
    QTest::newRow("dropped character between spaces leaves one space")
        << QStringLiteral("钢管 # DN25") << QStringLiteral("钢管 dn25");
    QTest::newRow("characters outside the BMP kept")
        << QStringLiteral("𠀀A") << QStringLiteral("𠀀a");
}

void TestSearchText::normalize()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(normalizeSearchText(text), expected);
}

// Digests computed independently: printf '%s' TEXT | md5sum, then the hex
// digest as bytes through base64 with the trailing "=" removed.
void TestSearchText::normKeyDigest_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("expected");

    QTest::newRow("latin") << QStringLiteral("YJV") << QStringLiteral("3x2.5")
                           << QStringLiteral("kaWGwnQ1x17Yp2EZqYIXww");
    QTest::newRow("chinese spec hashed as UTF-8")
        << QStringLiteral("ZR-YJV") << QStringLiteral("三芯2.5平方")
        << QStringLiteral("Y3xnG8Kw2/UkGYbAZoDDDA");
    QTest::newRow("upper case and spaces of the spec removed")
        << QStringLiteral("镀锌钢管") << QStringLiteral(" DN 25 ")
        << QStringLiteral("2Mmjp9h89blu1s68ea+ydA");
    QTest::newRow("empty code") << QString() << QStringLiteral("3x2.5")
                                << QStringLiteral("eRiFIEeVuwcWmCof4zGrsQ");
    QTest::newRow("greek capital phi lowered, not removed")
        << QStringLiteral("C-01") << QStringLiteral("Φ20 × 3")
        << QStringLiteral("Or9xy3Na/lacyik71GaI+Q");
    QTest::newRow("surrogate pair encoded as one UTF-8 sequence")
        << QStringLiteral("A") << QStringLiteral("𠀀 B") << QStringLiteral("+o9G3xV8URrY3gIL5UrqNw");
}

void TestSearchText::normKeyDigest()
{
    QFETCH(QString, code);
    QFETCH(QString, spec);
    QFETCH(QString, expected);
    const QString key = normKeyHash(code, spec);
    QCOMPARE(key, expected);
    QCOMPARE(key.size(), 22);
}

void TestSearchText::normKeyAlike_data()
{
    QTest::addColumn<QString>("codeA");
    QTest::addColumn<QString>("specA");
    QTest::addColumn<QString>("codeB");
    QTest::addColumn<QString>("specB");
    QTest::addColumn<bool>("alike");

    QTest::newRow("spaces inside the spec") << QStringLiteral("YJV") << QStringLiteral("3 X 2.5")
                                           << QStringLiteral("YJV") << QStringLiteral("3x2.5")
                                           << true;
    QTest::newRow("tabs and line breaks inside the spec")
        << QStringLiteral("YJV") << QStringLiteral("3\tx\n2.5") << QStringLiteral("YJV")
        << QStringLiteral("3x2.5") << true;
    QTest::newRow("ideographic space inside the spec")
        << QStringLiteral("钢管") << QStringLiteral("DN\u300025") << QStringLiteral("钢管")
        << QStringLiteral("dn25") << true;
    QTest::newRow("code with surrounding spaces")
        << QStringLiteral("  YJV ") << QStringLiteral("3x2.5") << QStringLiteral("YJV")
        << QStringLiteral("3x2.5") << true;
    QTest::newRow("code keeps its case") << QStringLiteral("yjv") << QStringLiteral("3x2.5")
                                         << QStringLiteral("YJV") << QStringLiteral("3x2.5")
                                         << false;
    QTest::newRow("space inside the code counts")
        << QStringLiteral("Y JV") << QStringLiteral("3x2.5") << QStringLiteral("YJV")
        << QStringLiteral("3x2.5") << false;
    QTest::newRow("different spec") << QStringLiteral("YJV") << QStringLiteral("3x2.5")
                                    << QStringLiteral("YJV") << QStringLiteral("3x4") << false;
}

void TestSearchText::normKeyAlike()
{
    QFETCH(QString, codeA);
    QFETCH(QString, specA);
    QFETCH(QString, codeB);
    QFETCH(QString, specB);
    QFETCH(bool, alike);
    const QString a = normKeyHash(codeA, specA);
    const QString b = normKeyHash(codeB, specB);
    QVERIFY(!a.isEmpty());
    QVERIFY(!b.isEmpty());
    QCOMPARE(a == b, alike);
}

void TestSearchText::normKeyBlankSpec_data()
{
    QTest::addColumn<QString>("spec");
    QTest::newRow("null") << QString();
    QTest::newRow("empty") << QStringLiteral("");
    QTest::newRow("spaces") << QStringLiteral("   ");
    QTest::newRow("tab and line break") << QStringLiteral("\t\r\n");
    QTest::newRow("ideographic space") << QStringLiteral("\u3000");
}

void TestSearchText::normKeyBlankSpec()
{
    QFETCH(QString, spec);
    QVERIFY(normKeyHash(QStringLiteral("YJV"), spec).isEmpty());
}

QTEST_GUILESS_MAIN(TestSearchText)
#include "tst_searchtext.moc"
