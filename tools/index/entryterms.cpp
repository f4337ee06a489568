/** @file entryterms.cpp @brief The word terms of a catalogue entry. */
#include "entryterms.h"

#include "analysis/cablenotation.h"
#include "analysis/charclass.h"
#include "analysis/textbrackets.h"
#include "engine/searchtext.h"
#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"

#include <QRegExp>

#include <algorithm>

namespace {
// Caches are dropped whole when they grow past these sizes; catalogues repeat
// names and specifications a lot, so even a fresh cache fills up fast again.
constexpr int MaxCachedSegments = 400000;
constexpr int MaxCachedTexts = 100000;
// Cutting a word again rarely gives anything new after the first round.
constexpr int MaxRounds = 4;

bool isPieceType(EnDocFindType type)
{
    return type == DocMixPpl || type == DocNumPpl;
}
} // namespace

const EntryTermBuilder::WordInfo& EntryTermBuilder::wordInfo(const QString& word)
{
    auto it = m_words.constFind(word);
    if (it != m_words.constEnd())
        return *it;
    WordInfo info;
    info.type = wordFindType(word);
    info.derived = segment(word);
    if (isPieceType(info.type))
        info.derived += splitMixedWord(word, true) + splitAlnumWord(word);
    info.derived.removeDuplicates();
    info.derived.removeAll(word);
    if (m_words.size() >= MaxCachedSegments)
        m_words.clear();
    return *m_words.insert(word, info);
}

const QStringList& EntryTermBuilder::segment(const QString& text)
{
    auto it = m_segments.constFind(text);
    if (it != m_segments.constEnd())
        return *it;
    if (m_segments.size() >= MaxCachedSegments)
        m_segments.clear();
    return *m_segments.insert(text, WordSegment::segmentText(text, true));
}

void EntryTermBuilder::addSegmented(const QString& text, QSet<QString>& words)
{
    if (text.trimmed().isEmpty())
        return;
    for (const QString& word : segment(text))
        words.insert(word);
}

void EntryTermBuilder::addCoreWords(const QString& text, QSet<QString>& words)
{
    // The core-word search asks for each core word and cuts what remains of
    // the text once a length group's core words are taken out.
    const QMap<int, QStringList> groups = SearchUtil::instance()->coreWord(text);
    for (const QStringList& group : groups) {
        QString rest = text;
        for (const QString& coreWord : group) {
            addSegmented(coreWord, words);
            rest.replace(coreWord, QString());
        }
        if (rest != text)
            addSegmented(rest, words);
    }
}

void EntryTermBuilder::addCableWords(const QString& text, QSet<QString>& words)
{
    // The cable path cuts the description at script boundaries and at the
    // separators of its notation, and queries model, prefix, cores, sections
    // and voltage on their own; all in lower case.
    for (const QString& part : spaceScriptBoundaries(text).toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        addSegmented(part, words);

    const SearchUtil* util = SearchUtil::instance();
    const QString cableText = util->cableFormReplace(text);
    const QString model = util->getCabelMainAttr(cableText);
    if (model.isEmpty())
        return;

    const QRegExp separators(QStringLiteral("[-\\(-,: +—（）]"));
    const QRegExp pair(QStringLiteral("[0-9.]{1,}×[0-9.]{1,}.*"));
    const QRegExp prefix(QStringLiteral("(ZG|ZR|ZC|ZB|ZA|N|NH|NG|WDZ|WDZN|WDZC|WDZB|WDZA|WDZCN|WDZBN|WDZAN)"));
    const QRegExp ratedVoltage(QStringLiteral("[0-9.]{1,}/[0-9.]{1,}(KV|V){1}"));
    const QRegExp voltage(QStringLiteral("[0-9.]{1,}(KV|V){1}"));
    const QRegExp unit(QStringLiteral("(KV|V)"));

    QStringList prefixes;
    for (const QString& part : cableText.split(separators, Qt::SkipEmptyParts)) {
        addSegmented(part.toLower(), words);
        if (pair.exactMatch(part)) {
            const int first = part.indexOf(QChar(0x00D7));
            const int last = part.lastIndexOf(QChar(0x00D7));
            addSegmented(part.left(first).toLower(), words);
            addSegmented(part.mid(last + 1).toLower(), words);
        }
        if (prefix.exactMatch(part))
            prefixes << (part == QLatin1String("N") ? QStringLiteral("NH") : part);
        if (ratedVoltage.exactMatch(part) || voltage.exactMatch(part)) {
            QString value = part;
            value.remove(unit);
            addSegmented(value.toLower(), words);
        }
    }
    addSegmented(model.toLower(), words);
    for (const QString& code : qAsConst(prefixes)) {
        addSegmented(code.toLower(), words);
        addSegmented((code + model).toLower(), words);
    }
}

void EntryTermBuilder::collectTextWords(const QString& text, QSet<QString>& words)
{
    if (text.isEmpty())
        return;
    addSegmented(text, words);
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() > 1) {
        for (const QString& part : parts)
            addSegmented(part, words);
    }
    addCoreWords(text, words);
    const QString bare = removeBracketText(text);
    if (bare != text) {
        addSegmented(bare, words);
        addCoreWords(bare, words);
    }
    addCableWords(text, words);
    close(words);
}

void EntryTermBuilder::addTextWords(const QString& text, QSet<QString>& words)
{
    if (text.isEmpty())
        return;
    auto it = m_textWords.constFind(text);
    if (it == m_textWords.constEnd()) {
        QSet<QString> own;
        collectTextWords(text, own);
        if (m_textWords.size() >= MaxCachedTexts)
            m_textWords.clear();
        it = m_textWords.insert(text, own);
    }
    words.unite(*it);
}

void EntryTermBuilder::close(QSet<QString>& words)
{
    // Every word is searched through its own segmentation, and mixed and
    // numeric words also piece by piece: whatever those give must be there.
    QStringList frontier(words.cbegin(), words.cend());
    for (int round = 0; round < MaxRounds && !frontier.isEmpty(); ++round) {
        QStringList next;
        for (const QString& word : qAsConst(frontier)) {
            if (word.isEmpty())
                continue;
            for (const QString& piece : wordInfo(word).derived) {
                if (!piece.isEmpty() && !words.contains(piece)) {
                    words.insert(piece);
                    next << piece;
                }
            }
        }
        frontier = next;
    }
}

QList<WordTerm> EntryTermBuilder::build(const QString& name, const QString& spec)
{
    const QString normName = normalizeSearchText(name);
    const QString normSpec = normalizeSearchText(spec);
    QSet<QString> words;
    addTextWords(normName, words);
    addTextWords(normSpec, words);
    if (!normName.isEmpty() && !normSpec.isEmpty()) {
        // The joined text is what a quota search cuts; it rarely repeats, so
        // it is not cached as a whole.
        QSet<QString> joined;
        collectTextWords(normalizeSearchText(name + QLatin1Char(' ') + spec), joined);
        words.unite(joined);
    }

    QList<WordTerm> terms;
    terms.reserve(words.size());
    for (const QString& word : qAsConst(words)) {
        if (word.trimmed().isEmpty() || word.size() > MaxWordLength)
            continue;
        terms.append(qMakePair(wordInfo(word).type, word));
    }
    std::sort(terms.begin(), terms.end());
    return terms;
}
