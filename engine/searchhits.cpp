/** @file searchhits.cpp @brief Hits of one search: none when the required terms rule them out, scored on kept postings where that is covered, else by CLucene on a copy of the query whose boolean scorers are always freed whole. */
#include "engine/searchhits_p.h"

#include "engine/cachedscorer_p.h"
#include "engine/postingcache_p.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene/search/Scorer.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using lucene::index::IndexReader;
using lucene::search::BooleanClause;
using lucene::search::BooleanQuery;
using lucene::search::Explanation;
using lucene::search::HitCollector;
using lucene::search::Hits;
using lucene::search::IndexSearcher;
using lucene::search::Query;
using lucene::search::Scorer;
using lucene::search::Searcher;
using lucene::search::TermQuery;
using lucene::search::Weight;

namespace {

/// Passes everything to the boolean scorer it owns. One that was never
/// advanced is advanced once before it is freed: only then does it hand its
/// inner scorers to the scorer that frees them.
class GuardedScorer : public Scorer
{
public:
    explicit GuardedScorer(Scorer* inner) : Scorer(inner->getSimilarity()), m_inner(inner) {}
    ~GuardedScorer() override
    {
        if (!m_advanced) {
            try {
                m_inner->next();
            } catch (...) {
                // freeing goes on; at worst the inner scorers stay behind
            }
        }
        _CLLDELETE(m_inner);
    }
    GuardedScorer(const GuardedScorer&) = delete;
    GuardedScorer& operator=(const GuardedScorer&) = delete;

    void score(HitCollector* hc) override
    {
        m_advanced = true;
        m_inner->score(hc);
    }
    bool score(HitCollector* results, const int32_t maxDoc) override
    {
        m_advanced = true;
        return m_inner->score(results, maxDoc);
    }
    bool next() override
    {
        m_advanced = true;
        return m_inner->next();
    }
    bool skipTo(int32_t target) override
    {
        m_advanced = true;
        return m_inner->skipTo(target);
    }
    int32_t doc() const override { return m_inner->doc(); }
    float_t score() override { return m_inner->score(); }
    Explanation* explain(int32_t doc) override { return m_inner->explain(doc); }
    TCHAR* toString() override { return m_inner->toString(); }

private:
    Scorer* m_inner;
    bool m_advanced = false;
};

/// The boolean weight of CLucene, its scorers wrapped.
class GuardedWeight : public Weight
{
public:
    explicit GuardedWeight(Weight* inner) : m_inner(inner) {}
    ~GuardedWeight() override { _CLLDELETE(m_inner); }
    GuardedWeight(const GuardedWeight&) = delete;
    GuardedWeight& operator=(const GuardedWeight&) = delete;

    Query* getQuery() override { return m_inner->getQuery(); }
    float_t getValue() override { return m_inner->getValue(); }
    float_t sumOfSquaredWeights() override { return m_inner->sumOfSquaredWeights(); }
    void normalize(float_t norm) override { m_inner->normalize(norm); }
    Scorer* scorer(IndexReader* reader) override
    {
        Scorer* inner = m_inner->scorer(reader);
        return inner ? _CLNEW GuardedScorer(inner) : nullptr;
    }
    Explanation* explain(IndexReader* reader, int32_t doc) override
    {
        return m_inner->explain(reader, doc);
    }
    TCHAR* toString() override { return m_inner->toString(); }

private:
    Weight* m_inner;
};

/// A boolean query like any other, whose weight hands out guarded scorers.
/// Rewriting or cloning gives a plain boolean query, so copies are made only
/// of queries already rewritten.
class GuardedBooleanQuery : public BooleanQuery
{
public:
    GuardedBooleanQuery(bool disableCoord, int32_t minShouldMatch) : BooleanQuery(disableCoord)
    {
        minNrShouldMatch = minShouldMatch;
    }

protected:
    Weight* _createWeight(Searcher* searcher) override
    {
        return _CLNEW GuardedWeight(BooleanQuery::_createWeight(searcher));
    }
};

bool isBoolean(const Query* query)
{
    return query->instanceOf(BooleanQuery::getClassName());
}

/// A guarded copy of @p source: boolean parts copied clause by clause (occur,
/// boost, coordination, minimum match kept), every other part cloned.
Query* guardedTree(BooleanQuery& source)
{
    std::unique_ptr<GuardedBooleanQuery> copy(
        _CLNEW GuardedBooleanQuery(source.isCoordDisabled(), source.getMinNrShouldMatch()));
    copy->setBoost(source.getBoost());
    std::vector<BooleanClause*> clauses(source.getClauseCount());
    if (!clauses.empty())
        source.getClauses(clauses.data());
    for (const BooleanClause* clause : clauses) {
        Query* part = clause->getQuery();
        // The clause owns its query from here on, also when add() throws.
        Query* partCopy =
            isBoolean(part) ? guardedTree(*static_cast<BooleanQuery*>(part)) : part->clone();
        copy->add(partCopy, true, clause->getOccur());
    }
    return copy.release();
}

/// Gathers into @p lists the postings of the terms every match of @p query
/// holds: those reached from it through required clauses, or through the one
/// clause of a boolean query without required clauses. False when @p query
/// can match nothing: one of those terms is in no document, or a boolean
/// query has nothing but prohibited clauses. Without cached postings nothing
/// is gathered.
bool requiredPostings(Query* query, IndexReader* reader, std::vector<vefinder::PostingsPtr>& lists)
{
    if (query->instanceOf(TermQuery::getClassName())) {
        vefinder::PostingsPtr postings =
            vefinder::cachedPostings(reader, static_cast<TermQuery*>(query)->getTerm(false));
        if (!postings)
            return true;
        if (postings->docs.empty())
            return false;
        lists.push_back(std::move(postings));
        return true;
    }
    if (!isBoolean(query))
        return true;
    BooleanQuery& boolean = *static_cast<BooleanQuery*>(query);
    if (boolean.getMinNrShouldMatch() > 0)
        return true;
    std::vector<BooleanClause*> clauses(boolean.getClauseCount());
    if (!clauses.empty())
        boolean.getClauses(clauses.data());
    bool required = false;
    Query* optional = nullptr;
    int optionals = 0;
    for (const BooleanClause* clause : clauses) {
        if (clause->isRequired()) {
            required = true;
            if (!requiredPostings(clause->getQuery(), reader, lists))
                return false;
        } else if (!clause->isProhibited()) {
            optional = clause->getQuery();
            ++optionals;
        }
    }
    if (required || optionals > 1)
        return true;
    return optionals == 1 && requiredPostings(optional, reader, lists);
}

/// Whether no document is in all of @p lists.
bool disjoint(const std::vector<vefinder::PostingsPtr>& lists)
{
    if (lists.size() < 2)
        return false;
    std::vector<const vefinder::Postings*> rarestFirst;
    for (const vefinder::PostingsPtr& list : lists)
        rarestFirst.push_back(list.get());
    std::sort(rarestFirst.begin(), rarestFirst.end(),
              [](const auto* a, const auto* b) { return a->docs.size() < b->docs.size(); });
    std::vector<size_t> at(lists.size(), 0);
    return vefinder::nextShared(rarestFirst, at, 0) < 0;
}

/// Whether @p query provably has no hit, found from the postings of its
/// required terms alone. A search that finds nothing still builds and runs
/// every scorer of the query; the deep steps meet many such searches.
bool provablyEmpty(Query* query, IndexReader* reader)
{
    std::vector<vefinder::PostingsPtr> lists;
    return !requiredPostings(query, reader, lists) || disjoint(lists);
}

/// Keeps every document that scores above zero, as the top-documents
/// collector behind Hits does.
class AllHitsCollector : public HitCollector
{
public:
    explicit AllHitsCollector(std::vector<vefinder::ScoredDoc>& hits) : m_hits(hits) {}
    void collect(const int32_t doc, const float_t score) override
    {
        if (score > 0.0f)
            m_hits.push_back(vefinder::ScoredDoc{doc, score});
    }

private:
    std::vector<vefinder::ScoredDoc>& m_hits;
};

/// sortByScore's radix sort when the hits hold few distinct scores, as a
/// broad word's hits do (their scores differ by field length and little
/// else): one stable pass into a bucket per score. False, leaving @p hits
/// as they are, when the scores are many.
template <typename Key>
bool sortByFewScores(std::vector<vefinder::ScoredDoc>& hits, const Key& key)
{
    thread_local std::vector<uint8_t> bucketOf; // kept by the thread
    std::array<uint8_t, vefinder::kFewKeys> byKey;
    size_t buckets = 0;
    if (!vefinder::fewDistinctKeys(
            hits.size(), [&](size_t i) { return uint64_t(key(hits[i])); }, bucketOf, byKey,
            buckets)) {
        vefinder::releaseLarge(bucketOf);
        return false;
    }
    // Each bucket starts where the ones of smaller keys end.
    std::array<uint32_t, vefinder::kFewKeys> start{};
    for (const uint8_t bucket : bucketOf)
        ++start[bucket];
    uint32_t sum = 0;
    for (size_t p = 0; p < buckets; ++p) {
        const uint32_t size = start[byKey[p]];
        start[byKey[p]] = sum;
        sum += size;
    }
    thread_local std::vector<vefinder::ScoredDoc> sorted;
    sorted.resize(hits.size());
    for (size_t i = 0; i < hits.size(); ++i)
        sorted[start[bucketOf[i]]++] = hits[i];
    hits.swap(sorted);
    vefinder::releaseLarge(sorted);
    vefinder::releaseLarge(bucketOf);
    return true;
}

/// Higher score first, lower document number first among equal scores. A
/// scorer delivers documents in increasing order and keeps only positive
/// scores, whose bit patterns order as the scores do: a stable radix sort on
/// those bits gives the order in linear time. Anything else is sorted.
void sortByScore(std::vector<vefinder::ScoredDoc>& hits)
{
    static_assert(sizeof(float_t) == sizeof(uint32_t), "scores are 32-bit floats");
    bool plain = hits.size() >= 256;
    for (size_t i = 0; plain && i < hits.size(); ++i)
        plain = hits[i].score > 0.0f && !std::isinf(hits[i].score)
            && (i == 0 || hits[i].doc > hits[i - 1].doc);
    if (!plain) {
        std::sort(hits.begin(), hits.end(),
                  [](const vefinder::ScoredDoc& a, const vefinder::ScoredDoc& b) {
                      return a.score != b.score ? a.score > b.score : a.doc < b.doc;
                  });
        return;
    }
    const auto key = [](const vefinder::ScoredDoc& hit) {
        uint32_t bits;
        std::memcpy(&bits, &hit.score, sizeof bits);
        return ~bits; // higher score, smaller key
    };
    if (sortByFewScores(hits, key))
        return;
    // The three digits' counts in one pass; a digit all hits share (the
    // high bits of close scores) needs no pass of its own.
    thread_local uint32_t counts[3][2048];
    thread_local std::vector<vefinder::ScoredDoc> other;
    std::memset(counts, 0, sizeof counts);
    for (const vefinder::ScoredDoc& hit : hits) {
        const uint32_t k = key(hit);
        ++counts[0][k & 2047];
        ++counts[1][(k >> 11) & 2047];
        ++counts[2][k >> 22];
    }
    for (int digit = 0; digit < 3; ++digit) {
        const int shift = 11 * digit;
        uint32_t* start = counts[digit];
        if (start[(key(hits.front()) >> shift) & 2047] == uint32_t(hits.size()))
            continue;
        uint32_t sum = 0;
        for (size_t b = 0; b < 2048; ++b) {
            const uint32_t n = start[b];
            start[b] = sum;
            sum += n;
        }
        other.resize(hits.size());
        for (const vefinder::ScoredDoc& hit : hits)
            other[start[(key(hit) >> shift) & 2047]++] = hit;
        hits.swap(other);
    }
    vefinder::releaseLarge(other);
}

} // namespace

namespace vefinder {

void collectHits(IndexSearcher* searcher, Query* query, std::vector<ScoredDoc>& hits)
{
    hits.clear();
    if (provablyEmpty(query, searcher->getReader()))
        return;
    if (!scoreCached(searcher, query, hits)) { // leaves hits empty
        std::unique_ptr<Query> copy(SearchHits::guardedCopy(searcher, query));
        AllHitsCollector collector(hits);
        searcher->_search(copy ? copy.get() : query, nullptr, &collector);
    }
    sortByScore(hits);
    // Hits scales by the reciprocal of the top score, in float, as here.
    if (!hits.empty() && hits.front().score > 1.0f) {
        const float_t norm = 1.0f / hits.front().score;
        for (ScoredDoc& hit : hits)
            hit.score = hit.score * norm;
    }
}

Query* SearchHits::guardedCopy(IndexSearcher* searcher, Query* query)
{
    // The searcher rewrites the copy again; a fully rewritten query comes back
    // as itself, so the guarded parts are the ones that get searched.
    Query* rewritten = searcher->rewrite(query);
    Query* copy = nullptr;
    try {
        if (isBoolean(rewritten))
            copy = guardedTree(*static_cast<BooleanQuery*>(rewritten));
    } catch (...) {
        if (rewritten != query)
            _CLLDELETE(rewritten);
        throw;
    }
    if (rewritten != query)
        _CLLDELETE(rewritten);
    return copy;
}

SearchHits::SearchHits(IndexSearcher* searcher, Query* query)
    : m_copy(guardedCopy(searcher, query)), m_searched(m_copy ? m_copy : query)
{
    try {
        m_hits = searcher->search(m_searched);
    } catch (...) {
        _CLLDELETE(m_copy);
        throw;
    }
}

SearchHits::~SearchHits()
{
    _CLLDELETE(m_hits);
    _CLLDELETE(m_copy);
}

} // namespace vefinder
