/** @file vefinder_cable.cpp @brief Cable attributes, the cable query sequence and its ranking. */
#include "engine/hitranking_p.h"
#include "engine/vefinder_p.h"

#include "analysis/cableparse.h"
#include "analysis/charclass.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

using lucene::search::BooleanClause;
using lucene::search::BooleanQuery;

namespace {

/// A cable query takes at most this many words.
constexpr int kWordCap = 1000;

/// The texts joined with one space between each two, empty ones included; the
/// word split of the cable query drops the gaps that empty texts leave.
QString joinWords(std::initializer_list<QString> texts)
{
    QStringList list;
    for (const QString& t : texts)
        list.append(t);
    return list.join(QLatin1Char(' '));
}

} // namespace

void VeFinder::setCableAttribute(VeCableAttribute& attribute, const QStringList& parts,
                                 const QString& mainAttr)
{
    attribute = parseCableAttribute(parts, mainAttr);
}

QList<QStringList> VeFinder::searchCablePpl(IndexSearcher* searcher,
                                            const VeCableAttribute& attribute, const QString& text,
                                            const QString& code)
{
    std::unique_ptr<BooleanQuery> query(mkBooleanQuery(code));
    std::unique_ptr<BooleanQuery> words(_CLNEW BooleanQuery(false));
    const QStringList list = text.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < list.size() && i < kWordCap; ++i)
        words->add(mkWordPplQuery(list.at(i)), true, BooleanClause::MUST);
    query->add(words.release(), true, BooleanClause::MUST);
    // The same words under the same code make the same query: its first run
    // delivered every hit it has, so a second one delivers nothing. The
    // observer still sees it run.
    QString key = QString::number(code.size());
    key += QLatin1Char(':');
    key += code;
    key += list.mid(0, kWordCap).join(QLatin1Char(' '));
    if (m_cableQueried.contains(key)) {
        noteQuery(query.get());
        return {};
    }
    m_cableQueried.insert(key);
    return addCableSortAdvance(attribute, searcher, query.release());
}

void VeFinder::doCableSearchFuzzy(QList<QStringList>& result, IndexSearcher* searcher,
                                  const VeCableAttribute& attribute, const QString& code,
                                  int* foundCount)
{
    const QString& p = attribute.prefixCode;
    const QString& m = attribute.model;
    const QString& c = attribute.cores;
    const QString& s = attribute.sections;
    const QString& v = attribute.voltage;

    const auto run = [&](const char* step, const QString& text) {
        vefinder::StepScope scope(m_step, step);
        result += searchCablePpl(searcher, attribute, text, code);
    };
    const auto found = [this] { return !m_deliveredIds.empty(); };

    // From all attributes together down to the bare model.
    run("cable1", joinWords({p, m, c, s, v}));
    run("cable2", joinWords({m, c, s, v}));
    if (!v.isEmpty()) {
        run("cable3", joinWords({p, m, c, s}));
        run("cable4", joinWords({m, c, s}));
    }
    if (!m_deepSearch)
        return;
    if (!s.isEmpty())
        run("cable5", joinWords({p, m, c}));
    if (found() && code.isEmpty())
        return;
    if (!p.isEmpty()) {
        run("cable6", joinWords({p, m}));
        run("cable7", p + m);
    }
    if (!p.isEmpty() && !found() && (!c.isEmpty() || !s.isEmpty()))
        run("cable8", joinWords({m, c, s}));
    run("cable9", m);
    if (found() && code.isEmpty())
        return;

    // The letter runs of a model that mixes letters and digits (YJV of YJV22).
    if (wordFindType(m) == DocMixPpl) {
        for (const QString& piece : splitMixedWord(m, true)) {
            if (wordFindType(piece) != DocEnPpl)
                continue;
            run("cable10", joinWords({piece, c, s}));
            if (!s.isEmpty())
                run("cable10", joinWords({piece, c}));
            if (!found())
                run("cable10", piece);
        }
    }

    if (foundCount)
        *foundCount = int(m_deliveredIds.size());
}

QList<QStringList> VeFinder::addCableSortAdvance(const VeCableAttribute& attribute,
                                                 IndexSearcher* searcher, Query* query)
{
    std::unique_ptr<Query> owned(query);
    if (!searcher || !query)
        return {};
    noteQuery(query);

    const vefinder::StoredFieldsPtr fields =
        vefinder::storedFieldsFor(searcher, vefinder::storedFieldNames());
    const vefinder::TextTable& specs = fields->specs;
    const auto cableValue = cableSortValuer(attribute);
    vefinder::prepareDelivered(m_delivered, m_deliveredIds, *fields);
    vefinder::RankedScratch scratch;
    std::vector<vefinder::RankedHit>& hits = scratch.hits();
    vefinder::readHits(searcher, query, *fields, specs, m_delivered, nullptr, cableValue, hits);
    vefinder::sortRanked(hits);

    // Sort value, then specification length, shortest first.
    QMap<double, QMap<int, QStringList>> groups;
    for (const vefinder::RankedHit& hit : hits) {
        const QString& matId = fields->matIds.at(hit.matIdOf);
        vefinder::markDelivered(m_delivered, m_deliveredIds, hit.matIdOf);
        groups[hit.sortValue][specs.texts.at(hit.text).length()].append(matId);
        noteDelivered(matId, hit.sortValue);
    }

    QList<QStringList> result;
    for (auto value = groups.constEnd(); value != groups.constBegin();) {
        --value;
        for (const QStringList& ids : value.value())
            result.append(ids);
    }
    return result;
}

void VeFinder::setCableValue(QList<VeDocInfo>& docs, const VeCableAttribute& attribute,
                             IndexSearcher* searcher, Query* query)
{
    if (!searcher || !query)
        return;
    const vefinder::StoredFieldsPtr fields =
        vefinder::storedFieldsFor(searcher, vefinder::storedFieldNames());
    const auto cableValue = cableSortValuer(attribute);
    vefinder::prepareDelivered(m_delivered, m_deliveredIds, *fields);
    for (const vefinder::RankedHit& hit : vefinder::readHits(
             searcher, query, *fields, fields->specs, m_delivered, nullptr, cableValue))
        docs.append(vefinder::toDocInfo(hit, *fields, fields->specs));
}

void VeFinder::setCableSortValue(VeDocInfo& doc, const VeCableAttribute& attribute)
{
    doc.sortValue = cableSortValue(doc.name, attribute);
}
