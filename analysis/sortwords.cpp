/** @file sortwords.cpp @brief Core words and the weighted sort words of a search text. */
#include "analysis/sortwords.h"

#include "analysis/textbrackets.h"

namespace {

using WeightMap = QMap<QString, double>;

/// The search text itself.
constexpr double kSourceWeight = 99.9;
/// A synonym of the search text: 99.9 - 0.1 in double arithmetic, one unit in
/// the last place above the double nearest 99.8. Rankings compare weights
/// exactly, so the bits matter.
constexpr double kSourceSynonymWeight = 0x1.8F33333333334p+6;
static_assert(kSourceSynonymWeight == kSourceWeight - 0.1, "source synonym weight");
/// A material equivalent of the search text.
constexpr double kSourceEquivalentWeight = 99.7;

/// Level of the first core-word map; each appended map lowers it by 10.
constexpr double kFirstCoreLevel = 89.9;
constexpr double kCoreLevelStep = -10.0;
/// Offsets below the level: the core word, its synonyms, its equivalents.
constexpr double kCoreOffset = 0.3;
constexpr double kCoreSynonymOffset = 0.4;
constexpr double kCoreEquivalentOffset = 0.5;

void insertNew(WeightMap& map, const QString& word, double weight)
{
    const QString key = removeBrackets(word);
    if (!map.contains(key))
        map.insert(key, weight);
}

} // namespace

QMap<int, QStringList> coreWordMap(const QString& text, const QStringList& coreWords)
{
    QStringList matches;
    for (const QString& word : coreWords) {
        if (text.indexOf(word) != -1)
            matches.append(word);
    }
    matches.removeDuplicates();

    // Grouped by length; inside a group the words keep the order of the
    // core-word list (the same as a stable longest-first sort would give).
    QMap<int, QStringList> byLength;
    for (const QString& word : qAsConst(matches))
        byLength[word.size()].append(word);
    return byLength;
}

void appendSourceSortWords(const QString& text, const SortWordLookups& lookups,
                           QList<QMap<QString, double>>& sortMaps)
{
    WeightMap source;
    source.insert(removeBrackets(text), kSourceWeight);
    // The lookups get the text as typed, brackets included.
    for (const QString& synonym : lookups.synonyms(text))
        insertNew(source, synonym, kSourceSynonymWeight);
    for (const QString& equivalent : lookups.equivalents(text))
        insertNew(source, equivalent, kSourceEquivalentWeight);
    sortMaps.append(source);
}

void appendCoreSortWords(const QMap<int, QStringList>& coreWords, const SortWordLookups& lookups,
                         QList<QMap<QString, double>>& sortMaps)
{
    // Every word weighted so far, here or in the source map: a word gets one
    // weight only, the highest it qualifies for.
    WeightMap seen = sortMaps.isEmpty() ? WeightMap() : sortMaps.constFirst();
    double level = kFirstCoreLevel;

    // Longest core words first: they name the material most precisely.
    for (auto group = coreWords.constEnd(); group != coreWords.constBegin();) {
        --group;
        WeightMap levelMap;
        for (const QString& core : group.value()) {
            const QString key = removeBrackets(core);
            if (seen.contains(key))
                continue;
            const double coreWeight = level - kCoreOffset;
            seen.insert(key, coreWeight);
            levelMap.insert(key, coreWeight);

            const double synonymWeight = level - kCoreSynonymOffset;
            for (const QString& synonym : lookups.synonyms(key)) {
                const QString word = removeBrackets(synonym);
                if (seen.contains(word))
                    continue;
                seen.insert(word, synonymWeight);
                levelMap.insert(word, synonymWeight);
            }
            const double equivalentWeight = level - kCoreEquivalentOffset;
            for (const QString& equivalent : lookups.equivalents(key)) {
                const QString word = removeBrackets(equivalent);
                if (seen.contains(word))
                    continue;
                seen.insert(word, equivalentWeight);
                levelMap.insert(word, equivalentWeight);
            }
        }
        // A length whose words were all weighted already adds no map and
        // keeps the levels consecutive.
        if (!levelMap.isEmpty()) {
            sortMaps.append(levelMap);
            level += kCoreLevelStep;
        }
    }
}
