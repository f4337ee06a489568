/** @file searchutil_queries.cpp @brief The lexicon queries of SearchUtil: synonyms, material sets, equivalents, word flags. */
#include "lexicon/searchutil.h"

#include "analysis/textbrackets.h"
#include "segment/wordsegment.h"

#include <QVector>

// Every query here only reads the store, through const access: the store is
// shared by all host threads without a lock, and even a detach of one of its
// containers would be a write.

namespace {

/// Appends @p word to @p out unless @p seen already holds it.
inline void appendUnique(QStringList& out, QSet<QString>& seen, const QString& word)
{
    if (!seen.contains(word)) {
        seen.insert(word);
        out.append(word);
    }
}

} // namespace

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

    for (const QSet<QString>& group : m_synData) {
        if (group.contains(word)) {
            for (const QString& w : group)
                appendUnique(result, seen, w);
        }
    }
    for (const MatSetEntry& entry : m_setData) {
        if (entry.members.contains(word)) {
            for (const QString& w : entry.members)
                appendUnique(result, seen, w);
        }
    }
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
        for (const MatSetEntry& entry : m_setData) {
            if (!entry.members.contains(step.expand))
                continue;
            steps.append(Step{&entry, QString()});
            for (const QString& sub : entry.subSets)
                steps.append(Step{nullptr, sub});
        }
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
    for (const QString& s : getMaterialSet(word)) {
        for (const QString& w : getSynonyms(s))
            appendUnique(result, seen, w);
    }
    return result;
}

void SearchUtil::getMatEquivalsPPL(QMap<QString, QStringList>& out, const QString& word) const
{
    out.clear();
    for (const QString& e : getMatEquivals(word))
        out.insert(e, WordSegment::segmentText(e, true));
}

bool SearchUtil::isSetCategory(const QString& word, const QString& setWord) const
{
    for (const MatSetEntry& entry : m_setData) {
        if (entry.members.contains(setWord))
            return entry.members.contains(word);
    }
    return false;
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
    return m_enCoreData.contains(word);
}

bool SearchUtil::containEnCore(const QString& text) const
{
    for (const QString& w : m_enCoreData) {
        if (text.contains(w))
            return true;
    }
    return false;
}
