/** @file tst_textfunctions.cpp @brief The stateless text functions: one table, a row per case, each result rendered as one string. */
#include "analysis/cablenotation.h"
#include "analysis/charclass.h"
#include "analysis/textbrackets.h"
#include "engine/searchtext.h"
#include "testindex.h"

namespace {

/// @p function applied to @p input, rendered: lists joined by " | ".
QString apply(const QString& f, const QString& input)
{
    if (f == "wordFindType") {
        const EnDocFindType type = wordFindType(input);
        return type == DocChsPpl ? "chs"
            : type == DocMixPpl  ? "mix"
            : type == DocNumPpl  ? "num"
                                 : "en";
    }
    if (f == "splitMixedWord" || f == "splitMixedWord all")
        return splitMixedWord(input, f == "splitMixedWord").join(" | ");
    if (f == "splitAlnumWord")
        return splitAlnumWord(input).join(" | ");
    if (f == "hasNonNumericChar")
        return hasNonNumericChar(input) ? "yes" : "no";
    if (f == "removeBrackets")
        return removeBrackets(input);
    if (f == "removeBracketText")
        return removeBracketText(input);
    if (f == "normalizeSearchText")
        return normalizeSearchText(input);
    if (f == "normKeyHash") // input "code|spec"
        return normKeyHash(input.section('|', 0, 0), input.section('|', 1));
    if (f == "spaceScriptBoundaries")
        return spaceScriptBoundaries(input);
    if (f == "chineseDigitValue")
        return QString::number(chineseDigitValue(input));
    QString text = input; // replaceChineseNumerals
    if (f == "replaceChineseNumerals")
        replaceChineseNumerals(text);
    return f == "replaceChineseNumerals" ? text : "unknown function " + f;
}

} // namespace

class TestTextFunctions : public QObject
{
    Q_OBJECT

private slots:
    void textFunctions_data()
    {
        columns<QString, QString, QString>("function", "input", "expected");
        const auto row = [](const char* function, const char* name, const QString& input,
                            const char* expected) {
            QTest::addRow("%s: %s", function, name)
                << QString::fromLatin1(function) << input << QString::fromUtf8(expected);
        };

        // The word field a word goes to; Chinese means U+4E00 to U+9FA5.
        row("wordFindType", "letters and digits", "YJV22", "mix");
        row("wordFindType", "letters only", "KVV", "en");
        row("wordFindType", "number", "2.5", "num");
        row("wordFindType", "digit and sign", "3×4", "num");
        row("wordFindType", "Chinese before model", "电缆YJV22", "chs");
        row("wordFindType", "Chinese and digits", "3芯", "chs");
        row("wordFindType", "empty", QString(), "en");
        row("wordFindType", "first Chinese character U+4E00", QString(QChar(0x4E00)), "chs");
        row("wordFindType", "last Chinese character U+9FA5", QString(QChar(0x9FA5)), "chs");
        row("wordFindType", "U+9FA6 is not Chinese", QString(QChar(0x9FA6)), "en");
        row("wordFindType", "U+4DFF is not Chinese", QString(QChar(0x4DFF)), "en");
        row("wordFindType", "fullwidth letters and digits", "Ｖ２", "en");
        row("wordFindType", "superscript two is no digit", "mm²", "en");

        // Letter and digit runs of a mixed word.
        row("splitMixedWord", "YJV22", "YJV22", "YJV | 22");
        row("splitMixedWord", "prefixed model and cores", "ZR-YJV3x2.5", "ZR-YJV | x | 3 | 2.5");
        row("splitMixedWord", "Chinese in front: not split", "电缆YJV22", "");
        row("splitMixedWord", "fullwidth comma cut back", "BV，2", "BV | 2");
        row("splitMixedWord", "duplicates removed", "A1A1", "A | 1");
        row("splitMixedWord all", "duplicates kept", "3x95+1x50", "x | x | 3 | 95 | 1 | 50");
        row("splitMixedWord", "scan stops at a zero character",
            QStringLiteral("AB") + QChar(0) + QStringLiteral("C1"), "AB");
        row("splitAlnumWord", "letters only: the word", "KVV", "KVV");
        row("splitAlnumWord", "hyphenated letters split too", "A-B1", "A-B | 1 | A | B");
        row("splitAlnumWord", "Chinese in the middle", "Y电2", "");
        row("hasNonNumericChar", "decimal", "2.5", "no");
        row("hasNonNumericChar", "fullwidth digits are digits", "２５", "no");
        row("hasNonNumericChar", "multiplication sign", "3×4", "yes");

        // Parentheses of both widths.
        row("removeBrackets", "ASCII remark", "钢管(镀锌)", "钢管镀锌");
        row("removeBrackets", "other brackets untouched", "a[b]{c}【d】", "a[b]{c}【d】");
        row("removeBrackets", "both widths, leading and unpaired", "（镀锌）钢管(DN25))", "镀锌钢管DN25");
        row("removeBrackets", "brackets only", "()（）", "");
        row("removeBracketText", "ASCII remark", "钢管(镀锌)", "钢管");
        row("removeBracketText", "fullwidth remark", "钢管（镀锌）DN25", "钢管DN25");
        row("removeBracketText", "mixed widths pair up", "电缆（YJV)3", "电缆3");
        row("removeBracketText", "closing before opening stays", "a)b(x)", "a)b");
        row("removeBracketText", "unclosed remark stops the removal", "a(b)c(d", "ac(d");
        row("removeBracketText", "nested: up to the first closing one", "a((b)c)d", "ac)d");
        row("removeBracketText", "what stays is narrowed", "钢管）（镀锌", "钢管)(镀锌");

        // Search texts and the norm key (MD5 of "code_spec" after trimming the code
        // and lowering and compacting the spec, Base64 without padding).
        row("normalizeSearchText", "lowered, spaces collapsed", "  A   b  ", "a b");
        row("normalizeSearchText", "hash and ideographic comma dropped", "32.5#水泥、管件",
            "32.5水泥管件");
        row("normalizeSearchText", "line breaks dropped, not spaced", "镀锌\r\n钢管\n", "镀锌钢管");
        row("normalizeSearchText", "diameter signs of three scripts dropped", "Φ20 φ25 ф32 Ф40",
            "20 25 32 40");
        row("normalizeSearchText", "dropped character between spaces", "钢管 # DN25", "钢管 dn25");
        row("normKeyHash", "latin", "YJV|3x2.5", "kaWGwnQ1x17Yp2EZqYIXww");
        row("normKeyHash", "chinese spec hashed as UTF-8", "ZR-YJV|三芯2.5平方",
            "Y3xnG8Kw2/UkGYbAZoDDDA");
        row("normKeyHash", "code trimmed, spec compacted and lowered", "  YJV\t| 3 X 2.5 ",
            "kaWGwnQ1x17Yp2EZqYIXww");
        row("normKeyHash", "empty code", "|3x2.5", "eRiFIEeVuwcWmCof4zGrsQ");
        row("normKeyHash", "code keeps its case", "yjv|3x2.5", "xmnfoLcNmBM/xLu99AeWdg");
        row("normKeyHash", "blank spec: no key", "YJV| \t\u3000", "");

        // Cable notation helpers.
        row("spaceScriptBoundaries", "model, cores, section", "YJV三芯2.5", "YJV 三芯 2.5");
        row("spaceScriptBoundaries", "Chinese punctuation is not Chinese", "电缆，YJV",
            "电缆 ，YJV");
        row("spaceScriptBoundaries", "range bounds U+4E00..U+9FA5",
            QString(QChar(0x4E00)) + QChar(0x9FA5) + QChar(0x9FA6), "\u4E00\u9FA5 \u9FA6");
        row("chineseDigitValue", "两", "两", "2");
        row("chineseDigitValue", "零 has no value", "零", "-1");
        row("chineseDigitValue", "two numerals", "三三", "-1");
        row("replaceChineseNumerals", "三芯", "三芯", "3芯");
        row("replaceChineseNumerals", "二十五", "二十五", "25");
        row("replaceChineseNumerals", "十三: leading ten", "十三", "13");
        row("replaceChineseNumerals", "numerals apart, unchanged", "三芯四平方", "三芯四平方");
    }

    void textFunctions()
    {
        const auto [function, input, expected] =
            fetch<QString, QString, QString>("function", "input", "expected");
        QCOMPARE(apply(function, input), expected);
    }
};

QTEST_GUILESS_MAIN(TestTextFunctions)
#include "tst_textfunctions.moc"
