/** @file searchutil_queries.cpp @brief The lexicon queries of SearchUtil: synonyms, material sets, equivalents, word flags. */
#include "lexicon/searchutil.h"

#include "lexicon/lexiconindex_p.h"

#include "analysis/textbrackets.h"
#include "segment/wordsegment.h"

#include <QHash>
#include <QVector>

#include <mutex>
#include <shared_mutex>

// Every query here only reads the store, through const access: the store is
// shared by all host threads without a lock, and even a detach of one of its
// containers would be a write.

namespace {

/// The words of a synonym, segmented once per process: a search builds its
/// word queries several times over and each time segments every synonym of
/// its words, always to the same words. Shared by all threads; the memo is
/// bounded and starts again when full.
QStringList segmentedSynonym(const QString& synonym)
{
    static std::shared_mutex lock;
    static QHash<QString, QStringList> memo;
    constexpr int kCap = 20000;
    {
        const std::shared_lock<std::shared_mutex> reading(lock);
        const auto it = memo.constFind(synonym);
        if (it != memo.constEnd())
            return it.value();
    }
    const QStringList words = WordSegment::segmentText(synonym, true);
    const std::unique_lock<std::shared_mutex> writing(lock);
    if (memo.size() >= kCap)
        memo.clear();
    memo.insert(synonym, words);
    return words;
}

/// Appends @p word to @p out unless @p seen already holds it.
inline void appendUnique(QStringList& out, QSet<QString>& seen, const QString& word)
{
    if (!seen.contains(word)) {
        seen.insert(word);
        out.append(word);
    }
}

/// Calls @p f with every synonym group that holds @p word, in store order.
template <typename F>
void forEachSynonymGroup(const LexiconIndex* index, const QList<QSet<QString>>& groups,
                         const QString& word, F f)
{
    if (index) {
        const auto it = index->synOf.constFind(word);
        if (it != index->synOf.constEnd()) {
            for (int i : it.value())
                f(index->synData.at(i));
        }
        return;
    }
    for (const QSet<QString>& group : groups) {
        if (group.contains(word))
            f(group);
    }
}

/// Calls @p f with every material-set entry whose members hold @p word, in
/// store order; stops when @p f returns false.
template <typename F>
void forEachSetEntry(const LexiconIndex* index, const QList<MatSetEntry>& entries,
                     const QString& word, F f)
{
    if (index) {
        const auto it = index->setOf.constFind(word);
        if (it != index->setOf.constEnd()) {
            for (int i : it.value()) {
                if (!f(index->setData.at(i)))
                    return;
            }
        }
        return;
    }
    for (const MatSetEntry& entry : entries) {
        if (entry.members.contains(word) && !f(entry))
            return;
    }
}

} // namespace

void SearchUtil::buildLexiconIndex()
{
    auto index = std::make_shared<LexiconIndex>();
    index->synData = m_synData;
    index->setData = m_setData;
    index->enCoreData = m_enCoreData;
    for (int i = 0; i < m_synData.size(); ++i) {
        for (const QString& w : m_synData.at(i))
            index->synOf[w].append(i);
    }
    for (int i = 0; i < m_setData.size(); ++i) {
        for (const QString& w : m_setData.at(i).members)
            index->setOf[w].append(i);
    }
    index->enCore = QSet<QString>(m_enCoreData.cbegin(), m_enCoreData.cend());
    index->enCoreWords = CoreWordIndex(m_enCoreData);
    index->coreData = m_coreData;
    index->core = CoreWordIndex(m_coreData);
    index->cableCoreData = m_cableCoreData;
    index->cableCore = QSet<QString>(m_cableCoreData.cbegin(), m_cableCoreData.cend());
    m_index = std::move(index);
}

const LexiconIndex* SearchUtil::lexiconIndex() const
{
    const LexiconIndex* index = m_index.get();
    if (index && index->synData.isSharedWith(m_synData) && index->setData.isSharedWith(m_setData)
        && index->enCoreData.isSharedWith(m_enCoreData) && index->coreData.isSharedWith(m_coreData)
        && index->cableCoreData.isSharedWith(m_cableCoreData))
        return index;
    return nullptr;
}

QStringList SearchUtil::getSynonyms(const QString& word) const
{
    QStringList result;
    QSet<QString> seen;
    appendUnique(result, seen, word);
    appendUnique(result, seen, removeBrackets(word));

    static const QString star = QStringLiteral("*");
    static const QString times = QStringLiteral("×");
    static const QString dash = QStringLiteral("-");
    static const QString tilde = QStringLiteral("~");
    if (word.contains(star))
        appendUnique(result, seen, QString(word).replace(star, times));
    else if (word.contains(times))
        appendUnique(result, seen, QString(word).replace(times, star));
    else if (word.contains(dash))
        appendUnique(result, seen, QString(word).replace(dash, tilde));
    else if (word.contains(tilde))
        appendUnique(result, seen, QString(word).replace(tilde, dash));

    const LexiconIndex* index = lexiconIndex();
    forEachSynonymGroup(index, m_synData, word, [&](const QSet<QString>& group) {
        for (const QString& w : group)
            appendUnique(result, seen, w);
    });
    forEachSetEntry(index, m_setData, word, [&](const MatSetEntry& entry) {
        for (const QString& w : entry.members)
            appendUnique(result, seen, w);
        return true;
    });
    return result;
}

QStringList SearchUtil::getMaterialSet(const QString& word) const
{
    // A depth-first walk in the order of the natural recursion (the word,
    // then per entry holding it: the members, then each sub-set word's own
    // expansion), kept on an explicit stack. Each word is expanded at most
    // once per call: on data without cycles a second expansion could only
    // repeat words already listed, and on data with cycles it would never end.
    struct Step {
        const MatSetEntry* members; ///< list these members, or, when null,
        QString expand;             ///< expand this word
    };
    QStringList result;
    QSet<QString> seen;
    QSet<QString> expanded;
    QVector<Step> stack;
    stack.append(Step{nullptr, word});
    const LexiconIndex* index = lexiconIndex();
    while (!stack.isEmpty()) {
        const Step step = stack.takeLast();
        if (step.members) {
            for (const QString& w : step.members->members)
                appendUnique(result, seen, w);
            continue;
        }
        if (expanded.contains(step.expand))
            continue;
        expanded.insert(step.expand);
        appendUnique(result, seen, step.expand);

        // Pushed in reverse so that they come off the stack in list order.
        QVector<Step> steps;
        forEachSetEntry(index, m_setData, step.expand, [&](const MatSetEntry& entry) {
            steps.append(Step{&entry, QString()});
            for (const QString& sub : entry.subSets)
                steps.append(Step{nullptr, sub});
            return true;
        });
        for (int i = steps.size() - 1; i >= 0; --i)
            stack.append(steps.at(i));
    }
    return result;
}

QStringList SearchUtil::getMatEquivals(const QString& word) const
{
    QStringList result;
    QSet<QString> seen;
    for (const QString& w : getSynonyms(word))
        appendUnique(result, seen, w);
    // The material set starts with the word itself, whose synonyms are in.
    const QStringList set = getMaterialSet(word);
    for (int i = 1; i < set.size(); ++i) {
        for (const QString& w : getSynonyms(set.at(i)))
            appendUnique(result, seen, w);
    }
    return result;
}

void SearchUtil::getMatEquivalsPPL(QMap<QString, QStringList>& out, const QString& word) const
{
    const LexiconIndex* index = lexiconIndex();
    if (index) {
        const std::shared_lock<std::shared_mutex> reading(index->pplLock);
        const auto it = index->ppl.constFind(word);
        if (it != index->ppl.constEnd()) {
            out = it.value();
            return;
        }
    }
    out.clear();
    for (const QString& e : getMatEquivals(word))
        out.insert(e, segmentedSynonym(e));
    if (index) {
        const std::unique_lock<std::shared_mutex> writing(index->pplLock);
        if (index->ppl.size() >= LexiconIndex::kPplCap)
            index->ppl.clear();
        index->ppl.insert(word, out);
    }
}

bool SearchUtil::isSetCategory(const QString& word, const QString& setWord) const
{
    bool result = false;
    forEachSetEntry(lexiconIndex(), m_setData, setWord, [&](const MatSetEntry& entry) {
        result = entry.members.contains(word);
        return false; // the first entry decides
    });
    return result;
}

bool SearchUtil::isWordCategory(const QString& word, const QString& baseWord) const
{
    return getMatEquivals(baseWord).contains(word);
}

SearchUtil::EnWordFlag SearchUtil::wordFlag(const QString& text) const
{
    if (m_equivalWords.contains(text))
        return FlagEquivalName;
    if (m_suffixWords.contains(text))
        return FlagEndsWith;
    if (m_containWords.contains(text))
        return FlagContains;
    return FlagNone;
}

bool SearchUtil::isEnCore(const QString& word) const
{
    if (const LexiconIndex* index = lexiconIndex())
        return index->enCore.contains(word);
    return m_enCoreData.contains(word);
}

bool SearchUtil::containEnCore(const QString& text) const
{
    if (const LexiconIndex* index = lexiconIndex())
        return index->enCoreWords.containsAny(text);
    for (const QString& w : m_enCoreData) {
        if (text.contains(w))
            return true;
    }
    return false;
}
