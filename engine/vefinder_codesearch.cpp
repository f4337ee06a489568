/** @file vefinder_codesearch.cpp @brief The code-driven entries quotaSearch and normCodeSearch, and their lookups. */
#include "engine/hitranking_p.h"
#include "engine/searchhits_p.h"
#include "engine/searchtext.h"
#include "engine/storedfields_p.h"
#include "engine/vefinder_p.h"

#include "analysis/widthfold.h"
#include "lexicon/searchutil.h"

#include <memory>

using lucene::search::BooleanClause;

void VeFinder::quotaSearch(QList<QStringList>& result, const QString& rawCode,
                           const QString& rawName, const QString& rawSpec, const QString& indexPath,
                           int* foundCount, bool deepSearch)
{
    // Full-width forms folded before anything else, the norm key included:
    // the indexer folds the catalogue's texts the same way.
    const QString code = foldWidth(rawCode);
    const QString name = foldWidth(rawName);
    const QString spec = foldWidth(rawSpec);
    m_deepSearch = deepSearch;
    result.clear();
    withIndex(indexPath, [&](IndexSearcher* searcher) {
        const QString normKey = getNormSearchKey(searcher, code, spec);
        {
            vefinder::StepScope step(m_step, "precise");
            result.append(findNormPrecise(searcher, normKey, normalizeSearchText(name),
                                          normalizeSearchText(spec)));
        }
        doSearchFuzzy(result, searcher, normalizeSearchText(name + QLatin1Char(' ') + spec),
                      normKey, foundCount);
        vefinder::StepScope step(m_step, "code");
        result.append(findByNormCode(searcher, normKey));
    });
}

void VeFinder::normCodeSearch(QStringList& result, const QString& rawCode, const QString& indexPath)
{
    const QString code = foldWidth(rawCode);
    m_deepSearch = true;
    result.clear();
    withIndex(indexPath, [&](IndexSearcher* searcher) {
        vefinder::StepScope step(m_step, "code");
        result = addMatIdsNormal(searcher, mkCodeQuery(code));
    });
}

QString VeFinder::getNormSearchKey(IndexSearcher* searcher, const QString& code, QString spec)
{
    const QString key = normKeyHash(code, spec);
    if (key.isEmpty())
        return code;
    std::unique_ptr<BooleanQuery> query(mkCodeQuery(key));
    const bool held = !vefinder::collectHits(searcher, query.get()).empty();
    return held ? key : code;
}

QStringList VeFinder::findNormPrecise(IndexSearcher* searcher, const QString& normKey,
                                      const QString& name, const QString& spec)
{
    std::unique_ptr<BooleanQuery> query(mkCodeQuery(normKey));
    query->add(vefinder::newTermQuery(fieldTerm(DocTitle), name), true, BooleanClause::MUST);
    query->add(vefinder::newTermQuery(fieldTerm(DocSpec), spec), true, BooleanClause::MUST);
    return addMatIdsNormal(searcher, query.release());
}

QStringList VeFinder::findByNormCode(IndexSearcher* searcher, const QString& normKey)
{
    return addMatIdsNormal(searcher, mkCodeQuery(normKey));
}

QStringList VeFinder::addMatIdsNormal(IndexSearcher* searcher, Query* query)
{
    std::unique_ptr<Query> owned(query);
    if (!searcher || !query)
        return {};
    noteQuery(query);
    // As the hit reading of the ranked steps does, without the names' sort
    // values (these ids go out in hit order).
    if (m_sortWordMaps.isEmpty())
        m_sortWordMaps = SearchUtil::instance()->getSortWordMap(QString());
    const vefinder::StoredFieldsPtr fields =
        vefinder::storedFieldsFor(searcher, vefinder::storedFieldNames());
    const std::vector<vefinder::ScoredDoc> hits = vefinder::collectHits(searcher, query);
    vefinder::prepareDelivered(m_delivered, m_deliveredIds, *fields);
    QStringList ids;
    std::vector<int> numbers;
    ids.reserve(int(hits.size()));
    numbers.reserve(hits.size());
    for (const vefinder::ScoredDoc& hit : hits) {
        const vefinder::DocFields& entry = fields->docs.at(hit.doc);
        if (entry.matIdOf < 0 || m_delivered[size_t(entry.matIdOf)])
            continue;
        ids.append(fields->matIds.at(entry.matIdOf));
        numbers.push_back(entry.matIdOf);
    }
    // Added after all hits are read: a mat id that two documents carry is
    // listed for both.
    for (size_t i = 0; i < numbers.size(); ++i) {
        vefinder::markDelivered(m_delivered, m_deliveredIds, numbers[i]);
        noteDelivered(ids.at(int(i)), 1.0);
    }
    return ids;
}
