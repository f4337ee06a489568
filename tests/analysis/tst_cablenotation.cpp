/** @file tst_cablenotation.cpp @brief Cable notation through the store: normalisation, the model of a description, cable recognition; a row per case. */
#include "lexicon/searchutil.h"
#include "testindex.h"

class TestCableNotation : public QObject
{
    Q_OBJECT

private slots:
    // The store's cable models (lexicons/cablecoreword.txt): YJV BV RVV KVV YJV22 KYJV BYJ R.
    void notation_data()
    {
        columns<QString, QString, QString>("function", "text", "expected");
        const auto row = [](const char* function, const char* name, const char* text,
                            const char* expected) {
            QTest::addRow("%s: %s", function, name)
                << QString::fromLatin1(function) << QString::fromUtf8(text)
                << QString::fromUtf8(expected);
        };

        // The notations users type for the same cables.
        row("cableFormReplace", "prefix, model, cores", "zryjv3x2.5", "ZR-YJV-3×2.5");
        row("cableFormReplace", "芯 and mm²", "ZR-YJV 3芯2.5mm²", "ZR-YJV-3-×2.5");
        row("cableFormReplace", "Chinese numerals", "电力电缆YJV 三芯 2.5", "电力电缆-YJV-3×2.5");
        row("cableFormReplace", "model glued to its section", "BV2.5", "BV-2.5");
        row("cableFormReplace", "WDZ prefix", "WDZBYJ 2.5", "WDZ-BYJ-2.5");
        row("cableFormReplace", "asterisk between numbers", "ZR-YJV 3*2.5", "ZR-YJV-3×2.5");
        row("cableFormReplace", "vertical bar between numbers", "RVV 2|1.5", "RVV-2×1.5");
        row("cableFormReplace", "slash between numbers kept", "RVS 2/1.5", "RVS-2/1.5");
        row("cableFormReplace", "only the first pair", "3X2.5X4", "3×2.5X4");
        row("cableFormReplace", "percent sign", "BV 95%", "BV-95-");
        row("cableFormReplace", "单芯", "BV单芯2.5", "BV-1×2.5");
        row("cableFormReplace", "second model-and-cores untouched", "A3X2.5 B4X1.5",
            "A-3×2.5-B4×1.5");
        row("cableFormReplace", "NH prefix", "NHYJV", "NH-YJV");
        row("cableFormReplace", "prefix rule: first model only", "ZRYJV ZRKVV", "ZR-YJV-ZRKVV");
        row("cableFormReplace", "KYJV skips the prefix rule only", "ZRYJV KYJV4", "ZRYJV-KYJV-4");
        row("cableFormReplace", "MYJV skips the prefix rule only", "ABVV MYJV3", "ABVV-MYJV-3");
        row("cableFormReplace", "model digit: first model only", "BV2.5 RV1.5", "BV-2.5-RV1.5");
        row("cableFormReplace", "YJV22 keeps its digits", "YJV22-3X120", "YJV22-3×120");
        row("cableFormReplace", "YJV32 skips the model-digit rule", "YJV32 BV2.5", "YJV32-BV2.5");
        row("cableFormReplace", "YJV42 keeps its digits", "yjv42 3x4", "YJV42-3×4");
        row("cableFormReplace", "YJV62 does not skip", "YJV62 BV2.5", "YJV62-BV-2.5");
        row("cableFormReplace", "model digit above 5 untouched", "BV6", "BV6");
        row("cableFormReplace", "section unit MM2", "BV2.5MM2", "BV-2.5");
        row("cableFormReplace", "MM inside a model removed", "HMMA", "HA");
        // Without Latin letters, digits and full stops only the spaces, per
        // cent signs and dashes change; a full stop alone still counts.
        row("cableFormReplace", "no notation", "闸阀 明杆（法兰）%—", "闸阀-明杆-(-法兰-)--");
        row("cableFormReplace", "full stops around a bar", "．|．", ".×.");

        // The first whole part naming a model, in text order.
        row("getCabelMainAttr", "prefixed model", "ZR-YJV-3×2.5", "YJV");
        row("getCabelMainAttr", "armoured model", "YJV22-3×95+1×50", "YJV22");
        row("getCabelMainAttr", "first in text order, not list order", "KVV/RVV", "KVV");
        row("getCabelMainAttr", "fullwidth parentheses", "（BV）", "BV");
        // The separators: - ( ) * + , : / — （ ） and space.
        row("getCabelMainAttr", "every separator", "a(b)c*d+e,f:g/h—i j-KVV", "KVV");
        row("getCabelMainAttr", "no other", "a.b;c_d×e KVV=YJV", "");
        row("getCabelMainAttr", "multiplication sign does not split", "YJV×2", "");
        row("getCabelMainAttr", "case-sensitive", "yjv-3×2.5", "");
        row("getCabelMainAttr", "whole parts only", "YJV23-3", "");

        row("isCable", "prefix, model, cores", "zryjv3x2.5", "yes");
        row("isCable", "lower-case model", "yjv", "yes");
        row("isCable", "two pairs", "yjv22 3x95+1x50", "yes");
        row("isCable", "steel pipe", "镀锌钢管DN25", "no");
        row("isCable", "unknown model", "ZR-XYZ-3×2.5", "no");
        row("isCable", "empty", "", "no");
    }

    void notation()
    {
        const auto [function, text, expected] =
            fetch<QString, QString, QString>("function", "text", "expected");
        const SearchUtil* store = SearchUtil::instance();
        QString actual;
        if (function == QLatin1String("cableFormReplace"))
            actual = store->cableFormReplace(text);
        else if (function == QLatin1String("getCabelMainAttr"))
            actual = store->getCabelMainAttr(text);
        else
            actual = store->isCable(text) ? QStringLiteral("yes") : QStringLiteral("no");
        QCOMPARE(actual, expected);
    }
};

QTEST_GUILESS_MAIN(TestCableNotation)
#include "tst_cablenotation.moc"
