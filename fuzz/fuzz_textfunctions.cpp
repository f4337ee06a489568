/** @file fuzz_textfunctions.cpp @brief Fuzzes the stateless text functions on arbitrary UTF-8 and UTF-16 text. */
#include "analysis/cablenotation.h"
#include "analysis/charclass.h"
#include "analysis/textbrackets.h"
#include "analysis/textbrackets_p.h"
#include "analysis/widthfold.h"
#include "engine/searchtext.h"
#include "fuzzsupport.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

using fuzzsupport::check;

namespace {

bool noEmptyString(const QStringList& list)
{
    for (const QString& s : list) {
        if (s.isEmpty())
            return false;
    }
    return true;
}

bool isWide(QChar c)
{
    return (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E) || c.unicode() == 0x3000;
}

void exerciseWidthFolding(const QString& text)
{
    const QString folded = foldWidth(text);
    check(folded.size() == text.size(), "folding keeps the length");
    check(foldWidth(folded) == folded, "folding is idempotent");
    bool wide = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        wide = wide || isWide(c);
        check(!isWide(folded.at(i)), "folding leaves no full-width form");
        check(isWide(c) ? folded.at(i).unicode() < 0x7F : folded.at(i) == c,
              "folding changes only full-width forms, into ASCII");
    }
    check(wide || folded == text, "a text without full-width forms stays as it is");
}

void exercise(const QString& text)
{
    exerciseWidthFolding(text);

    const QString normalised = normalizeSearchText(text);
    check(normalised.size() <= text.size() || text.toLower().size() > text.size(),
          "normalising only drops characters");
    for (const QChar c :
         {QChar(QLatin1Char('\n')), QChar(QLatin1Char('\r')), QChar(QLatin1Char('#')),
          QChar(0x3001), QChar(0x03C6), QChar(0x03A6), QChar(0x0444)})
        check(!normalised.contains(c), "normalised text holds no dropped character");
    check(normalised == normalised.simplified(), "normalised white space is simplified");

    const QString unbracketed = removeBrackets(text);
    for (const QChar c :
         {QChar(QLatin1Char('(')), QChar(QLatin1Char(')')), QChar(0xFF08), QChar(0xFF09)})
        check(!unbracketed.contains(c), "removeBrackets leaves no bracket");
    check(unbracketed.size() <= text.size(), "removeBrackets only removes");
    const QString unremarked = removeBracketText(text);
    check(unremarked.size() <= text.size(), "removeBracketText only removes");
    check(!unremarked.contains(QChar(0xFF08)) && !unremarked.contains(QChar(0xFF09)),
          "removeBracketText narrows the parentheses it leaves");
    const int open = unremarked.indexOf(QLatin1Char('('));
    check(open < 0 || unremarked.indexOf(QLatin1Char(')'), open) < 0,
          "removeBracketText leaves no remark closed");
    // The forms made in a kept buffer, whatever the buffer held before.
    thread_local QString bareBuffer;
    thread_local QString plainBuffer;
    check(removeBrackets(text, bareBuffer) == unbracketed, "removeBrackets in a buffer");
    check(removeBracketText(text, plainBuffer) == unremarked, "removeBracketText in a buffer");

    const EnDocFindType type = wordFindType(text);
    check(type == DocChsPpl || type == DocMixPpl || type == DocNumPpl || type == DocEnPpl,
          "wordFindType names a word field");
    check(noEmptyString(splitMixedWord(text, false)), "splitMixedWord gives no empty run");
    check(noEmptyString(splitMixedWord(text, true)), "splitMixedWord gives no empty run");
    const QStringList alnum = splitAlnumWord(text);
    check(noEmptyString(alnum), "splitAlnumWord gives no empty run");
    QStringList unique = alnum;
    check(unique.removeDuplicates() == 0, "splitAlnumWord gives each run once");
    (void)hasNonNumericChar(text);

    const QString spaced = spaceScriptBoundaries(text);
    check(spaced == spaced.simplified(), "spaceScriptBoundaries simplifies white space");

    QString numerals = text;
    replaceChineseNumerals(numerals);

    check(chineseDigitValue(text) == -1 || text.size() == 1,
          "only one character has a digit value");
    for (const QChar c : text) {
        const int value = chineseDigitValue(QString(c));
        check(value >= -1 && value <= 10, "a digit value lies in 1 to 10");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::ensureApplication();
    exercise(QString::fromUtf8(reinterpret_cast<const char*>(data), int(size)));
    // The same bytes as UTF-16 code units, unpaired surrogates included.
    exercise(QString(reinterpret_cast<const QChar*>(data), int(size / 2)));
    return 0;
}
