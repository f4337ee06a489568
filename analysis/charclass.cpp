/** @file charclass.cpp @brief Classifying and splitting words by character class. */
#include "analysis/charclass.h"

#include "analysis/charclass_p.h"

namespace {

// The three classes a word is tested for. Each test is the plain form of a
// one-class regular expression ("[\x4e00-\x9fa5]+", "[0-9]+", "[A-Za-z]+"):
// a loop gives the same answer without building an expression per call and is
// trivially safe on any number of threads.

bool isChineseChar(QChar c)
{
    return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FA5;
}

bool isAsciiLetterByte(char b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

bool isAsciiDigitByte(char b)
{
    return b >= '0' && b <= '9';
}

template <typename Pred>
bool containsChar(const QString& word, Pred pred)
{
    for (const QChar c : word) {
        if (pred(c))
            return true;
    }
    return false;
}

bool hasChinese(const QString& word)
{
    return containsChar(word, isChineseChar);
}

bool hasDigit(const QString& word)
{
    return containsChar(word, isAsciiDigit);
}

bool hasLetter(const QString& word)
{
    return containsChar(word, isAsciiLetter);
}

/// The bytes the splitters scan: the Latin-1 form (characters above U+00FF
/// become '?'), up to the first zero byte.
QByteArray scanBytes(const QString& word)
{
    QByteArray bytes = word.toLatin1();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return bytes;
}

QChar latin1Char(char b)
{
    return QChar(static_cast<ushort>(static_cast<uchar>(b)));
}

QStringList tokens(const QString& track)
{
    return track.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

/// @p token up to and including its last Latin letter; whole if it has none.
QString cutAfterLastLetter(const QString& token)
{
    for (int i = token.size() - 1; i >= 0; --i) {
        if (isAsciiLetter(token.at(i)))
            return token.left(i + 1);
    }
    return token;
}

} // namespace

EnDocFindType wordFindType(const QString& word)
{
    if (hasChinese(word))
        return DocChsPpl;
    if (hasDigit(word) && hasLetter(word))
        return DocMixPpl;
    if (hasDigit(word))
        return DocNumPpl;
    return DocEnPpl;
}

QStringList splitMixedWord(const QString& word, bool removeDuplicates)
{
    if (hasChinese(word) || !hasDigit(word) || !hasLetter(word))
        return QStringList();

    const QByteArray bytes = scanBytes(word);
    QString letters;
    QString digits;
    letters.reserve(bytes.size());
    digits.reserve(bytes.size());
    const QChar space(QLatin1Char(' '));
    // Punctuation right after a letter belongs to the letter run (ZR-YJV,
    // V.5); elsewhere only a dot is kept, as part of a number.
    bool afterLetter = false;
    for (const char b : bytes) {
        if (isAsciiLetterByte(b)) {
            letters += latin1Char(b);
            digits += space;
            afterLetter = true;
        } else if (isAsciiDigitByte(b)) {
            letters += space;
            digits += latin1Char(b);
            afterLetter = false;
        } else if (afterLetter) {
            letters += latin1Char(b);
            digits += space;
        } else if (b == '.') {
            letters += space;
            digits += latin1Char(b);
        } else {
            letters += space;
            digits += space;
        }
    }

    QStringList result;
    for (const QString& token : tokens(letters))
        result.append(cutAfterLastLetter(token));
    result += tokens(digits);
    if (removeDuplicates)
        result.removeDuplicates();
    return result;
}

QStringList splitAlnumWord(const QString& word)
{
    QStringList result = splitMixedWord(word, true);
    if (!hasChinese(word) && (hasDigit(word) || hasLetter(word))) {
        const QByteArray bytes = scanBytes(word);
        QString letters;
        QString digits;
        letters.reserve(bytes.size());
        digits.reserve(bytes.size());
        const QChar space(QLatin1Char(' '));
        for (const char b : bytes) {
            if (isAsciiLetterByte(b)) {
                letters += latin1Char(b);
                digits += space;
            } else if (isAsciiDigitByte(b) || b == '.') {
                letters += space;
                digits += latin1Char(b);
            } else {
                letters += space;
                digits += space;
            }
        }
        result += tokens(letters);
        result += tokens(digits);
    }
    result.removeDuplicates();
    return result;
}

bool hasNonNumericChar(const QString& text)
{
    for (const QChar c : text) {
        if (!c.isDigit() && c != QLatin1Char('.'))
            return true;
    }
    return false;
}
