/** @file vefinder_ranking.cpp @brief Reading hits into records, the name sort value and the ranked collection. */
#include "engine/hitranking_p.h"
#include "engine/searchhits_p.h"
#include "engine/vefinder_p.h"

#include "analysis/textbrackets.h"
#include "analysis/textbrackets_p.h"
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

    const vefinder::StoredFieldsPtr fields =
        vefinder::storedFieldsFor(searcher, vefinder::storedFieldNames());
    vefinder::prepareDelivered(m_delivered, m_deliveredIds, *fields);
    const std::vector<vefinder::RankedHit> hits =
        vefinder::readHits(searcher, query, *fields, fields->titles, m_delivered, &m_posIndex,
                           [this](const QString& name) {
                               VeDocInfo doc(QString(), name, 0.0);
                               setNameSortValue(doc, m_sortWordMaps);
                               return doc.sortValue;
                           });
    for (const vefinder::RankedHit& hit : hits)
        docs.append(vefinder::toDocInfo(hit, *fields, fields->titles));
}

namespace {

/// A bit for @p c among 64.
inline quint64 charBit(QChar c)
{
    return quint64(1) << (c.unicode() & 63);
}

/// The bits of the characters of @p lower and of the two forms derived from
/// it: a word whose first character's bit is missing ends neither and is in
/// neither. A full-width bracket turns into an ASCII one in the form without
/// remarks, so both count.
quint64 charBits(const QString& lower)
{
    quint64 bits = 0;
    for (const QChar c : lower) {
        bits |= charBit(c);
        if (c == QChar(0xFF08))
            bits |= charBit(QLatin1Char('('));
        else if (c == QChar(0xFF09))
            bits |= charBit(QLatin1Char(')'));
    }
    return bits;
}

} // namespace

void VeFinder::setNameSortValue(VeDocInfo& doc, const QList<QMap<QString, double>>& maps)
{
    if (maps.isEmpty())
        return;
    // Names are many: the two forms are made in buffers the thread keeps.
    thread_local QString bareBuffer;
    thread_local QString plainBuffer;
    const QString lower = doc.name.toLower();
    const QString& bare = removeBrackets(lower, bareBuffer);     // brackets gone, remarks kept
    const QString& plain = removeBracketText(lower, plainBuffer); // remarks gone
    const quint64 held = charBits(lower);
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
            if (!word.isEmpty() && !(held & charBit(word.front())))
                continue; // ends none of the forms, in none of them
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
    if (!searcher || !query)
        return {};
    noteQuery(query);
    if (m_sortWordMaps.isEmpty())
        m_sortWordMaps = SearchUtil::instance()->getSortWordMap(text);

    // The hits, each name's sort value worked out once, ranked as
    // compareDocInfo ranks their records.
    const vefinder::StoredFieldsPtr fields =
        vefinder::storedFieldsFor(searcher, vefinder::storedFieldNames());
    const vefinder::TextTable& names = fields->titles;
    vefinder::prepareDelivered(m_delivered, m_deliveredIds, *fields);
    vefinder::RankedScratch scratch;
    std::vector<vefinder::RankedHit>& hits = scratch.hits();
    vefinder::readHits(
        searcher, query, *fields, names, m_delivered, &m_posIndex,
        [this](const QString& name) {
            VeDocInfo doc(QString(), name, 0.0);
            setNameSortValue(doc, m_sortWordMaps);
            return doc.sortValue;
        },
        hits);
    if (hits.empty())
        return {};
    vefinder::sortRanked(hits);

    const SearchUtil* util = SearchUtil::instance();
    const SearchUtil::EnWordFlag flag = util->wordFlag(text);
    const bool filter = normKey.isEmpty() && flag != SearchUtil::FlagNone;
    QStringList equivals;
    if (filter && flag == SearchUtil::FlagEquivalName)
        equivals = util->getMatEquivals(text);
    // Whether a name passes the filter, decided once per distinct name.
    QHash<int, bool> kept;
    const auto keeps = [&](int nameId) {
        auto it = kept.constFind(nameId);
        if (it != kept.constEnd())
            return it.value();
        const QString& name = names.texts.at(nameId);
        bool keep = true;
        switch (flag) {
        case SearchUtil::FlagEquivalName:
            keep = equivals.contains(name);
            break;
        case SearchUtil::FlagEndsWith:
            keep = name.endsWith(text);
            break;
        case SearchUtil::FlagContains:
            keep = name.contains(text);
            break;
        case SearchUtil::FlagNone:
            break;
        }
        kept.insert(nameId, keep);
        return keep;
    };

    // Hits are ranked by sort value first: each run of one value is a group,
    // the runs already best first.
    const QVector<QString>& matIds = fields->matIds;
    QList<QStringList> result;
    for (size_t run = 0; run < hits.size();) {
        size_t end = run + 1;
        while (end < hits.size() && hits[end].sortValue == hits[run].sortValue)
            ++end;
        QStringList ids;
        ids.reserve(int(end - run));
        for (; run < end; ++run) {
            // Mat-id slots well ahead, the texts they hold once they have come.
            if (run + 64 < hits.size())
                __builtin_prefetch(matIds.constData() + hits[run + 64].matIdOf);
            if (run + 32 < hits.size())
                vefinder::prefetchText(matIds.constData()[hits[run + 32].matIdOf]);
            const vefinder::RankedHit& hit = hits[run];
            if (filter && !keeps(hit.text))
                continue;
            const QString& matId = matIds.at(hit.matIdOf);
            vefinder::markDelivered(m_delivered, m_deliveredIds, hit.matIdOf);
            ids.append(matId);
            if (m_observer) // the call skipped for each of thousands of hits
                noteDelivered(matId, hit.sortValue);
        }
        if (!ids.isEmpty())
            result.append(ids);
    }
    return result;
}
