/** @file vefinder_driver.cpp @brief The fuzzy search: the ordinary strategies or the cable sequence. */
#include "engine/vefinder_p.h"

#include "analysis/cablenotation.h"
#include "analysis/cableparse.h"
#include "analysis/textbrackets.h"
#include "analysis/widthfold.h"
#include "engine/searchtext.h"
#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"

void VeFinder::segmentSearch(QList<QStringList>& result, const QString& text,
                             const QString& indexPath, bool deepSearch)
{
    m_deepSearch = deepSearch;
    result.clear();
    withIndex(indexPath, [&](IndexSearcher* searcher) {
        doSearchFuzzy(result, searcher, normalizeSearchText(foldWidth(text)), QString(), nullptr);
    });
}

void VeFinder::doSearchFuzzy(QList<QStringList>& result, IndexSearcher* searcher,
                             const QString& text, const QString& normKey, int* foundCount)
{
    const SearchUtil* util = SearchUtil::instance();
    const QString cableText = util->cableFormReplace(text);
    const QString mainAttr = util->getCabelMainAttr(cableText);

    if (mainAttr.isEmpty()) {
        // Ordinary description. The weighted words and core words depend on
        // the text only, so they are kept from one call to the next.
        if (text != m_lastText) {
            m_lastText = text;
            m_sortWordMaps.clear();
            util->GetSortWordMapAndCoreWord(text, m_sortWordMaps, m_coreWordMap);
        }
        doNormalSearchFuzzy(result, searcher, text, normKey, foundCount);
        return;
    }

    // Cable description: searched by its attributes; the text cache is not
    // used and stays as it is.
    const QStringList parts = cableParts(cableText);
    VeCableAttribute attribute;
    setCableAttribute(attribute, parts, mainAttr);

    const auto step = [&](const char* name, const QString& words) {
        vefinder::StepScope scope(m_step, name);
        result += searchCablePpl(searcher, attribute, words, normKey);
    };
    step("cableWords", spaceScriptBoundaries(text));
    step("cableParts", parts.join(QLatin1Char(' ')));
    doCableSearchFuzzy(result, searcher, attribute, normKey, foundCount);
}

void VeFinder::doNormalSearchFuzzy(QList<QStringList>& result, IndexSearcher* searcher,
                                   const QString& text, const QString& normKey, int* foundCount)
{
    const auto step = [&](const char* name, const auto& search) {
        vefinder::StepScope scope(m_step, name);
        result += search();
    };
    QStringList queriedWords;

    step("matsetAll", [&] { return searchMatsetAll(searcher, text, normKey); });
    step("allMixPpl", [&] { return searchAllMixPpl(searcher, text, normKey, &queriedWords); });

    // Without a code to hold the looser strategies to, anything found so far
    // is the answer.
    if (!m_deepSearch || (normKey.isEmpty() && !m_deliveredIds.empty()))
        return;

    const QString bareText = removeBracketText(text);
    const QStringList words = WordSegment::segmentText(bareText, true);

    step("rmEN", [&] { return searchRmEN(searcher, bareText, words, normKey, &queriedWords); });
    if (foundCount)
        *foundCount = int(m_deliveredIds.size());
    step("onlyChs",
         [&] { return searchOnlyChs(searcher, bareText, words, normKey, &queriedWords); });

    if (normKey.isEmpty() && !m_deliveredIds.empty())
        return;

    // A removed remark changes the text: its core words are worked out anew.
    const bool recomputeCoreWords = bareText.length() != text.length();
    step("coreWord",
         [&] { return searchCoreWord(searcher, bareText, words, normKey, recomputeCoreWords); });
}
