/** @file vefinder_ranking.cpp @brief Reading hits into records, the name sort value and the ranked collection. */
#include "engine/vefinder_p.h"
#include "engine/searchhits_p.h"

#include "analysis/textbrackets.h"
#include "lexicon/searchutil.h"

#include <algorithm>
#include <memory>

void VeFinder::setDocumentValue(QList<VeDocInfo>& docs, const QString& text,
                                IndexSearcher* searcher, Query* query)
{
    if (!searcher || !query)
        return;
    if (m_sortWordMaps.isEmpty())
        m_sortWordMaps = SearchUtil::instance()->getSortWordMap(text);

    vefinder::SearchHits hits(searcher, query);
    const size_t count = hits->length();
    for (size_t i = 0; i < count; ++i) {
        const int32_t n = static_cast<int32_t>(i);
        Document& doc = hits->doc(n);
        const QString matId = getFieldValue(doc, fieldTerm(DocMatId));
        if (matId.isEmpty() || m_foundIds.contains(matId))
            continue;
        VeDocInfo record(matId, getFieldValue(doc, fieldTerm(DocTitle)), hits->score(n));
        const auto pos = m_posIndex.constFind(matId);
        if (pos != m_posIndex.constEnd()) {
            bool ok = false;
            const qint64 position = pos.value().toLongLong(&ok, 16);
            record.position = ok ? position : 0;
        }
        setNameSortValue(record, m_sortWordMaps);
        docs.append(record);
    }
}

void VeFinder::setNameSortValue(VeDocInfo& doc, const QList<QMap<QString, double>>& maps)
{
    if (maps.isEmpty())
        return;
    const QString lower = doc.name.toLower();
    const QString bare = removeBrackets(lower);       // brackets gone, remarks kept
    const QString plain = removeBracketText(lower);   // remarks gone
    // An exact match ends the map; a value above 1.0 ends the walk, one of
    // 1.0 or below lets the next map try again. An ending word ends it all.
    for (const QMap<QString, double>& map : maps) {
        if (doc.sortValue > 1.0)
            return;
        auto exact = map.constFind(bare);
        if (exact == map.constEnd())
            exact = map.constFind(plain);
        if (exact != map.constEnd()) {
            doc.sortValue = exact.value();
            continue;
        }
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            const QString& word = it.key();
            if (lower.endsWith(word) || plain.endsWith(word)) {
                doc.sortValue = it.value() - 1.0;
                return;
            }
            // A containing word only counts while nothing better has been
            // found; a later one may still replace it.
            if (doc.sortValue <= 1.0 && bare.contains(word))
                doc.sortValue = it.value() - 2.0;
        }
    }
}

bool compareDocInfo(const VeDocInfo& a, const VeDocInfo& b)
{
    if (a.sortValue != b.sortValue)
        return a.sortValue > b.sortValue;
    if (a.name.size() != b.name.size())
        return a.name.size() < b.name.size();
    const int byName = QString::compare(a.name, b.name, Qt::CaseInsensitive);
    if (byName != 0)
        return byName > 0;
    if (a.score != b.score)
        return a.score > b.score;
    return a.position < b.position;
}

QList<QStringList> VeFinder::addMatIdsSortAdvance(IndexSearcher* searcher, Query* query,
                                                  const QString& text, const QString& normKey)
{
    std::unique_ptr<Query> owned(query);
    if (searcher && query)
        noteQuery(query);
    QList<VeDocInfo> docs;
    setDocumentValue(docs, text, searcher, query);
    if (docs.isEmpty())
        return {};
    std::sort(docs.begin(), docs.end(), compareDocInfo);

    const SearchUtil* util = SearchUtil::instance();
    const SearchUtil::EnWordFlag flag = util->wordFlag(text);
    const bool filter = normKey.isEmpty() && flag != SearchUtil::FlagNone;
    QStringList equivals;
    if (filter && flag == SearchUtil::FlagEquivalName)
        equivals = util->getMatEquivals(text);

    QMap<double, QStringList> groups;
    for (const VeDocInfo& doc : qAsConst(docs)) {
        if (filter) {
            bool keep = true;
            switch (flag) {
            case SearchUtil::FlagEquivalName: keep = equivals.contains(doc.name); break;
            case SearchUtil::FlagEndsWith: keep = doc.name.endsWith(text); break;
            case SearchUtil::FlagContains: keep = doc.name.contains(text); break;
            case SearchUtil::FlagNone: break;
            }
            if (!keep)
                continue;
        }
        m_foundIds.insert(doc.matId);
        groups[doc.sortValue].append(doc.matId);
        noteDelivered(doc.matId, doc.sortValue);
    }

    QList<QStringList> result;
    result.reserve(groups.size());
    for (auto it = groups.constEnd(); it != groups.constBegin();) {
        --it;
        result.append(it.value());
    }
    return result;
}
