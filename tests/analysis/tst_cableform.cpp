/** @file tst_cableform.cpp @brief Tests of cable-notation normalisation and cable-model recognition. */
#include "searchutiltestaccess.h"
#include "utf8text.h"

#include <QtTest>

using utf8text::u8;

class CableFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cableFormReplace_data();
    void cableFormReplace();
    void getCabelMainAttr_data();
    void getCabelMainAttr();
    void isCable_data();
    void isCable();

private:
    std::unique_ptr<SearchUtil> m_store;
};

void CableFormTest::initTestCase()
{
    m_store = SearchUtilTestAccess::emptyStore();
    SearchUtilTestAccess::setCableCoreData(
        *m_store, {QStringLiteral("YJV"), QStringLiteral("BV"), QStringLiteral("RVV"),
                   QStringLiteral("KVV"), QStringLiteral("YJV22"), QStringLiteral("KYJV"),
                   QStringLiteral("BYJ"), QStringLiteral("R")});
}

void CableFormTest::cableFormReplace_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normalised");

    // The notations users type for the same cables.
    QTest::newRow("zryjv3x2.5") << u8("zryjv3x2.5") << u8("ZR-YJV-3×2.5");
    QTest::newRow("ZR-YJV 3芯2.5mm²") << u8("ZR-YJV 3芯2.5mm²") << u8("ZR-YJV-3-×2.5");
    QTest::newRow("电力电缆YJV 三芯 2.5") << u8("电力电缆YJV 三芯 2.5") << u8("电力电缆-YJV-3×2.5");
    QTest::newRow("YJV22-3X120") << u8("YJV22-3X120") << u8("YJV22-3×120");
    QTest::newRow("yjv22 3x95+1x50") << u8("yjv22 3x95+1x50") << u8("YJV22-3×95+1×50");
    QTest::newRow("RVV3X1.5") << u8("RVV3X1.5") << u8("RVV-3×1.5");
    QTest::newRow("BV2.5") << u8("BV2.5") << u8("BV-2.5");
    QTest::newRow("WDZBYJ 2.5") << u8("WDZBYJ 2.5") << u8("WDZ-BYJ-2.5");
    QTest::newRow("KYJV 10X1.5") << u8("KYJV 10X1.5") << u8("KYJV-10×1.5");
    QTest::newRow("bv.r") << u8("bv.r") << u8("BV-R");
    QTest::newRow("电缆二十五") << u8("电缆二十五") << u8("电缆25");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("normalised text stays") << u8("ZR-YJV-3×2.5") << u8("ZR-YJV-3×2.5");
    QTest::newRow("asterisk between numbers") << u8("ZR-YJV 3*2.5") << u8("ZR-YJV-3×2.5");
    QTest::newRow("vertical bar between numbers") << u8("RVV 2|1.5") << u8("RVV-2×1.5");
    QTest::newRow("slash between numbers kept") << u8("RVS 2/1.5") << u8("RVS-2/1.5");
    QTest::newRow("3X2.5X4: only the first pair") << u8("3X2.5X4") << u8("3×2.5X4");
    QTest::newRow("em dash") << u8("ZR—YJV") << u8("ZR-YJV");
    QTest::newRow("percent sign") << u8("BV 95%") << u8("BV-95-");
    QTest::newRow("单芯") << u8("BV单芯2.5") << u8("BV-1×2.5");
    QTest::newRow("两芯") << u8("RVV两芯1.5") << u8("RVV-2×1.5");
    QTest::newRow("一二: values added") << u8("一二") << u8("3");
    QTest::newRow("三芯四平方: numerals apart") << u8("三芯四平方") << u8("三×四平方");
    QTest::newRow("dots between letters, overlapping") << u8("a.b.c") << u8("A-B.C");

    // Hyphen before the core count: only the first model-and-cores match is
    // looked at, but the found cores get a hyphen wherever they occur.
    QTest::newRow("cores hyphenated everywhere") << u8("A3X2.5 B3X2.5")
                                                 << u8("A-3×2.5-B-3×2.5");
    QTest::newRow("second model-and-cores untouched") << u8("A3X2.5 B4X1.5")
                                                      << u8("A-3×2.5-B4×1.5");

    // Prefix letters glued to a model.
    QTest::newRow("ZRVV") << u8("ZRVV") << u8("ZR-VV");
    QTest::newRow("ZRBV2.5") << u8("ZRBV2.5") << u8("ZR-BV-2.5");
    QTest::newRow("NHYJV") << u8("NHYJV") << u8("NH-YJV");
    QTest::newRow("NH-YJV gets a second hyphen") << u8("NH-YJV") << u8("NH--YJV");
    QTest::newRow("WDZNBY") << u8("WDZNBY") << u8("WDZN-BY");
    QTest::newRow("WDZCYJY") << u8("WDZCYJY") << u8("WDZC-YJY");
    QTest::newRow("WDZCNYJY") << u8("WDZCNYJY") << u8("WDZCN-YJY");
    QTest::newRow("ZCYJV") << u8("ZCYJV") << u8("ZC-YJV");
    QTest::newRow("any prefix: ZBYJV") << u8("ZBYJV") << u8("ZB-YJV");
    QTest::newRow("prefix rule: first match, every occurrence")
        << u8("ZRYJV/YJV") << u8("ZR-YJV/-YJV");
    QTest::newRow("prefix rule: first model only") << u8("ZRYJV ZRKVV") << u8("ZR-YJV-ZRKVV");
    QTest::newRow("ABVV YJV3: prefix rule and model digit")
        << u8("ABVV YJV3") << u8("A-BVV-YJV-3");
    QTest::newRow("KYJV skips the prefix rule only") << u8("ZRYJV KYJV4")
                                                     << u8("ZRYJV-KYJV-4");
    QTest::newRow("MYJV skips the prefix rule only") << u8("ABVV MYJV3") << u8("ABVV-MYJV-3");

    // Model glued to its first number; YJV22/32/42 keep their digits.
    QTest::newRow("model digit: first match, every occurrence") << u8("BV2.5 BV2.5")
                                                                << u8("BV-2.5-BV-2.5");
    QTest::newRow("model digit: first model only") << u8("BV2.5 RV1.5") << u8("BV-2.5-RV1.5");
    QTest::newRow("YJV32 skips the model-digit rule") << u8("YJV32 BV2.5")
                                                      << u8("YJV32-BV2.5");
    QTest::newRow("YJV42") << u8("yjv42 3x4") << u8("YJV42-3×4");
    QTest::newRow("YJV62 does not skip") << u8("YJV62 BV2.5") << u8("YJV62-BV-2.5");
    QTest::newRow("BYJ4") << u8("BYJ4") << u8("BYJ-4");
    QTest::newRow("model digit above 5 untouched") << u8("BV6") << u8("BV6");

    // The unit of the section.
    QTest::newRow("MM2") << u8("BV2.5MM2") << u8("BV-2.5");
    QTest::newRow("mm²") << u8("BV-2.5mm²") << u8("BV-2.5");
    QTest::newRow("MM and any one character and 2") << u8("2.5MM^2") << u8("2.5");
    QTest::newRow("MMX2") << u8("2.5MMX2") << u8("2.5");
    QTest::newRow("plain mm") << u8("2.5mm") << u8("2.5");
    QTest::newRow("MM inside a model removed") << u8("HMMA") << u8("HA");
}

void CableFormTest::cableFormReplace()
{
    QFETCH(QString, text);
    QFETCH(QString, normalised);
    QCOMPARE(m_store->cableFormReplace(text), normalised);
}

void CableFormTest::getCabelMainAttr_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("model");

    QTest::newRow("prefixed model") << u8("ZR-YJV-3×2.5") << u8("YJV");
    QTest::newRow("armoured model") << u8("YJV22-3×95+1×50") << u8("YJV22");
    QTest::newRow("after Chinese") << u8("电力电缆-YJV-3×2.5") << u8("YJV");
    QTest::newRow("first in text order, not list order") << u8("KVV/RVV") << u8("KVV");
    QTest::newRow("parentheses") << u8("(BV)2.5") << u8("BV");
    QTest::newRow("fullwidth parentheses") << u8("（BV）") << u8("BV");
    QTest::newRow("colon") << u8("型号:BV") << u8("BV");
    QTest::newRow("space") << u8("YJV 3") << u8("YJV");
    QTest::newRow("plus") << u8("3+BV") << u8("BV");
    QTest::newRow("asterisk") << u8("3*BV") << u8("BV");
    QTest::newRow("comma") << u8("3,BV") << u8("BV");
    QTest::newRow("em dash") << u8("3—BV") << u8("BV");
    QTest::newRow("multiplication sign does not split") << u8("YJV×2") << QString();
    QTest::newRow("dot does not split") << u8("BV.2") << QString();
    QTest::newRow("fullwidth comma does not split") << u8("RVV，BV") << QString();
    QTest::newRow("quote does not split") << u8("\"BV") << QString();
    QTest::newRow("case-sensitive") << u8("yjv-3×2.5") << QString();
    QTest::newRow("whole parts only") << u8("YJV23-3") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("separators only") << u8("--( )") << QString();
}

void CableFormTest::getCabelMainAttr()
{
    QFETCH(QString, text);
    QFETCH(QString, model);
    QCOMPARE(m_store->getCabelMainAttr(text), model);
}

void CableFormTest::isCable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("cable");

    QTest::newRow("zryjv3x2.5") << u8("zryjv3x2.5") << true;
    QTest::newRow("电力电缆YJV 三芯 2.5") << u8("电力电缆YJV 三芯 2.5") << true;
    QTest::newRow("lower-case model") << u8("yjv") << true;
    QTest::newRow("BV2.5") << u8("bv2.5") << true;
    QTest::newRow("yjv22 3x95+1x50") << u8("yjv22 3x95+1x50") << true;
    QTest::newRow("steel pipe") << u8("镀锌钢管DN25") << false;
    QTest::newRow("unknown model") << u8("ZR-XYZ-3×2.5") << false;
    QTest::newRow("empty") << QString() << false;
}

void CableFormTest::isCable()
{
    QFETCH(QString, text);
    QFETCH(bool, cable);
    QCOMPARE(m_store->isCable(text), cable);
}

QTEST_GUILESS_MAIN(CableFormTest)
#include "tst_cableform.moc"
