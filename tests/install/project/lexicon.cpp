#include <lexicon/SearchUtil>

// The lexicon header alone declares the store and the stateless text functions.
bool checkLexicon()
{
    QString text = QStringLiteral("三芯");
    replaceChineseNumerals(text);
    return removeBrackets(QStringLiteral("a(b)")) == QStringLiteral("ab")
        && removeBracketText(QStringLiteral("a(b)c")) == QStringLiteral("ac")
        && wordFindType(QStringLiteral("YJV22")) == DocMixPpl
        && splitMixedWord(QStringLiteral("YJV22"), true).size() == 2
        && splitAlnumWord(QStringLiteral("2.5")).size() == 1
        && !hasNonNumericChar(QStringLiteral("2.5"))
        && spaceScriptBoundaries(QStringLiteral("YJV三芯")) == QStringLiteral("YJV 三芯")
        && chineseDigitValue(QStringLiteral("两")) == 2 && text == QStringLiteral("3芯")
        && SearchUtil::numberToChinese(15) == QStringLiteral("十五") && SearchUtil::FlagNone == 3;
}
