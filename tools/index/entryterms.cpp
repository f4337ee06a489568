/** @file entryterms.cpp @brief The word terms of a catalogue entry. */
#include "entryterms.h"

#include "analysis/cablenotation.h"
#include "analysis/cableparse.h"
#include "analysis/charclass.h"
#include "analysis/textbrackets.h"
#include "analysis/widthfold.h"
#include "engine/searchtext.h"
#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"

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

void EntryTermBuilder::addSpacedParts(const QString& text, QSet<QString>& words)
{
    // The cable path cuts the description at script boundaries and queries
    // the lower-case parts one by one.
    for (const QString& part :
         spaceScriptBoundaries(text).toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        addSegmented(part, words);
}

bool EntryTermBuilder::addCableWords(const QString& text, QSet<QString>& words)
{
    // The cable path also cuts the normalised notation at its separators and
    // queries model, prefix, cores, sections and voltage on their own; all in
    // lower case. The parts are cut by the functions the searches use.
    const SearchUtil* util = SearchUtil::instance();
    const QString cableText = util->cableFormReplace(text);
    const QString model = util->getCabelMainAttr(cableText);
    if (model.isEmpty())
        return false;

    QStringList prefixes;
    for (const QString& part : cableParts(cableText)) {
        addSegmented(part.toLower(), words);
        QString cores;
        QString section;
        if (cableCoreSection(part, &cores, &section)) {
            addSegmented(cores.toLower(), words);
            addSegmented(section.toLower(), words);
        }
        const QString prefix = cablePrefixCode(part);
        if (!prefix.isEmpty())
            prefixes << prefix;
        const QString voltage = cableVoltage(part);
        if (!voltage.isNull())
            addSegmented(voltage.toLower(), words);
    }
    addSegmented(model.toLower(), words);
    for (const QString& code : qAsConst(prefixes)) {
        addSegmented(code.toLower(), words);
        addSegmented((code + model).toLower(), words);
    }
    return true;
}

bool EntryTermBuilder::collectTextWords(const QString& text, QSet<QString>& words, TextKind kind)
{
    if (text.isEmpty())
        return false;
    addSegmented(text, words);
    // The space-separated and the script-boundary parts of name and
    // specification together are those of the name and those of the
    // specification, which are collected on their own.
    if (kind == OwnText) {
        const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() > 1) {
            for (const QString& part : parts)
                addSegmented(part, words);
        }
        addSpacedParts(text, words);
    }
    addCoreWords(text, words);
    const QString bare = removeBracketText(text);
    if (bare != text) {
        addSegmented(bare, words);
        addCoreWords(bare, words);
    }
    // A cable model lies within one part of the notation, so name and
    // specification together describe a cable only if one of them does; but
    // prefix and model may come one from each.
    const bool cable = kind != JoinedPlainTexts && addCableWords(text, words);
    close(words);
    return cable;
}

const EntryTermBuilder::TextWords& EntryTermBuilder::textWords(const QString& text)
{
    auto it = m_textWords.constFind(text);
    if (it == m_textWords.constEnd()) {
        TextWords own;
        own.cable = collectTextWords(text, own.words, OwnText);
        if (m_textWords.size() >= MaxCachedTexts)
            m_textWords.clear();
        it = m_textWords.insert(text, own);
    }
    return *it;
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

QList<WordTerm> EntryTermBuilder::build(const QString& rawName, const QString& rawSpec)
{
    // Full-width forms are folded first, as the searches fold their texts.
    const QString name = foldWidth(rawName);
    const QString spec = foldWidth(rawSpec);
    const QString normName = normalizeSearchText(name);
    const QString normSpec = normalizeSearchText(spec);
    QSet<QString> words = textWords(normName).words;
    const bool nameIsCable = textWords(normName).cable;
    const TextWords& specWords = textWords(normSpec);
    words.unite(specWords.words);
    if (!normName.isEmpty() && !normSpec.isEmpty()) {
        // The joined text is what a quota search cuts; it rarely repeats, so
        // it is not cached as a whole.
        QSet<QString> joined;
        collectTextWords(normalizeSearchText(name + QLatin1Char(' ') + spec), joined,
                         nameIsCable || specWords.cable ? JoinedCableTexts : JoinedPlainTexts);
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
