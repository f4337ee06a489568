/** @file cablenotation.cpp @brief Stateless helpers of cable notation. */
#include "analysis/cablenotation.h"
#include "analysis/cablenotation_p.h"

namespace {

bool isChineseChar(QChar c)
{
    return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FA5;
}

template <typename Rewrite>
void rewriteMatches(QString& text, QRegExp& outer, Rewrite rewrite)
{
    const QString original = text;
    int pos = 0;
    while ((pos = outer.indexIn(original, pos)) != -1) {
        const QString matched = outer.cap(0);
        QString rewritten = matched;
        rewrite(rewritten);
        text.replace(matched, rewritten);
        // An expression that can match the empty string would otherwise
        // find the same empty match for ever.
        pos += matched.isEmpty() ? 1 : matched.size();
        if (pos > original.size())
            break;
    }
}

} // namespace

QString spaceScriptBoundaries(const QString& text)
{
    QString spaced;
    spaced.reserve(text.size() * 2);
    bool previousChinese = true;
    for (const QChar c : text) {
        const bool chinese = isChineseChar(c);
        if (chinese != previousChinese)
            spaced += QLatin1Char(' ');
        spaced += c;
        previousChinese = chinese;
    }
    return spaced.simplified();
}

int chineseDigitValue(const QString& ch)
{
    if (ch.size() != 1)
        return -1;
    switch (ch.at(0).unicode()) {
    case 0x5341: // 十
        return 10;
    case 0x4E5D: // 九
        return 9;
    case 0x516B: // 八
        return 8;
    case 0x4E03: // 七
        return 7;
    case 0x516D: // 六
        return 6;
    case 0x4E94: // 五
        return 5;
    case 0x56DB: // 四
        return 4;
    case 0x4E09: // 三
        return 3;
    case 0x4E8C: // 二
    case 0x4E24: // 两
        return 2;
    case 0x4E00: // 一
    case 0x5355: // 单
        return 1;
    default:
        return -1;
    }
}

void replaceChineseNumerals(QString& text)
{
    // The numeral characters of the whole text are gathered, scanning from the
    // end so that 十 scales the digits before it. Only when they stand together
    // in the text does the gathered string occur, and get replaced.
    QString collected;
    qint64 multiplier = 1;
    qint64 total = 0;
    for (int i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        if (!isChineseChar(c))
            continue;
        const QString ch(c);
        const int value = chineseDigitValue(ch);
        if (value == 10) {
            multiplier = 10;
            collected.prepend(c);
            // A leading 十 counts as ten; after a digit it only scales it.
            if (i == 0 || chineseDigitValue(QString(text.at(i - 1))) < 0)
                total += 10;
        } else if (value > 0) {
            total += value * multiplier;
            collected.prepend(c);
        }
    }
    if (total == 0)
        return;
    text.replace(collected, QString::number(total));
}

void replaceWithinMatches(QString& text, QRegExp outer, const QString& pattern,
                          const QString& replacement)
{
    rewriteMatches(text, outer, [&](QString& piece) { piece.replace(pattern, replacement); });
}

void replaceWithinMatches(QString& text, QRegExp outer, const QRegExp& pattern,
                          const QString& replacement)
{
    rewriteMatches(text, outer, [&](QString& piece) { piece.replace(pattern, replacement); });
}
