/** @file searchhits_p.h @brief Hits of one search, run so that CLucene frees every scorer it builds. */
#pragma once

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace vefinder {

/// Elements a per-thread scratch buffer keeps between searches. Long answers
/// reuse the memory of the last one (allocating it anew each time cost them a
/// seventh of their time); a buffer beyond this is freed after use, so that a
/// thread that once met a huge answer does not hold its memory for good.
constexpr size_t kScratchKeep = size_t(1) << 16;

/// Frees @p scratch when it holds more than kScratchKeep elements' room.
template <typename T>
void releaseLarge(std::vector<T>& scratch)
{
    if (scratch.capacity() > kScratchKeep)
        std::vector<T>().swap(scratch);
}

/// The most distinct keys fewDistinctKeys tells apart.
constexpr size_t kFewKeys = 64;

/// The distinct keys among @p count keys (@p keyOf(i), called once for each
/// in order): into @p indexes each key's index among them in order of first
/// appearance, into @p byKey those indexes in ascending order of their keys,
/// and their number into @p distinct. False when there are more than
/// kFewKeys. The sorts of long answers order by these: a broad word's hits
/// hold few distinct scores and sort values. A key equal to the one before
/// is not looked up.
template <typename KeyOf>
bool fewDistinctKeys(size_t count, const KeyOf& keyOf, std::vector<uint8_t>& indexes,
                     std::array<uint8_t, kFewKeys>& byKey, size_t& distinct)
{
    constexpr size_t kSlots = 2 * kFewKeys; // open addressing, at most half full
    std::array<uint64_t, kSlots> slotKey;
    std::array<uint8_t, kSlots> slotIndex{}; // 1 + the key's index; 0 free
    std::array<uint64_t, kFewKeys> seen;     // the keys in order of appearance
    indexes.resize(count);
    distinct = 0;
    uint64_t last = 0;
    uint8_t lastIndex = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint64_t key = keyOf(i);
        if (i == 0 || key != last) {
            size_t slot = size_t((key * 0x9E3779B97F4A7C15ull) >> 57); // 7 bits
            while (slotIndex[slot] != 0 && slotKey[slot] != key)
                slot = (slot + 1) & (kSlots - 1);
            if (slotIndex[slot] == 0) {
                if (distinct == kFewKeys)
                    return false;
                slotKey[slot] = key;
                seen[distinct] = key;
                slotIndex[slot] = uint8_t(++distinct);
            }
            last = key;
            lastIndex = uint8_t(slotIndex[slot] - 1);
        }
        indexes[i] = lastIndex;
    }
    for (size_t k = 0; k < distinct; ++k)
        byKey[k] = uint8_t(k);
    std::sort(byKey.begin(), byKey.begin() + distinct,
              [&seen](uint8_t a, uint8_t b) { return seen[a] < seen[b]; });
    return true;
}

/// One hit: its document number and its score as Hits reports it.
struct ScoredDoc {
    int32_t doc;
    float_t score;
};

/// Every hit of @p query on @p searcher, collected in one pass (no stored
/// field is read): the same documents, order and scores as the Hits of
/// `searcher->search(query)` give, that is documents scoring above zero,
/// higher score first and lower document number first among equal scores,
/// every score divided by the top score when that is above 1. A query that
/// provably matches nothing is not searched; one scoreCached covers is scored
/// on the postings the searcher's reader keeps; any other runs through
/// CLucene on the guarded copy of the query (see SearchHits). The query stays
/// the caller's. The hits replace the contents of @p hits, whose capacity
/// is reused: long answers need no fresh memory in a thread's next search.
void collectHits(lucene::search::IndexSearcher* searcher, lucene::search::Query* query,
                 std::vector<ScoredDoc>& hits);

/// collectHits into a vector of its own.
inline std::vector<ScoredDoc> collectHits(lucene::search::IndexSearcher* searcher,
                                          lucene::search::Query* query)
{
    std::vector<ScoredDoc> hits;
    collectHits(searcher, query, hits);
    return hits;
}

/// The hits of @p query on @p searcher, with the same documents, scores and
/// order as `searcher->search(query)`.
///
/// Why not search the query directly: a boolean scorer of CLucene
/// builds its inner scorers when it is created, but hands them to the scorer
/// that owns them only when it is first advanced. A nested boolean query whose
/// scorer is never advanced (a conjunction stops at its first clause that
/// matches nothing; an optional clause is never looked at when the required
/// part matches nothing) leaks every scorer below it. So the search runs on a
/// copy of the rewritten query whose boolean parts advance a scorer that was
/// never advanced just before freeing it. Scoring passes straight through to
/// CLucene's own scorers.
///
/// The query stays the caller's and must outlive this object; the copy lives
/// as long as the hits, which may search again while they are paged through.
class SearchHits
{
public:
    SearchHits(lucene::search::IndexSearcher* searcher, lucene::search::Query* query);
    ~SearchHits();
    SearchHits(const SearchHits&) = delete;
    SearchHits& operator=(const SearchHits&) = delete;

    lucene::search::Hits* operator->() const { return m_hits; }
    lucene::search::Hits& operator*() const { return *m_hits; }

    /// The query the search ran: the guarded copy, or the caller's own query
    /// when it rewrites to something without boolean parts.
    lucene::search::Query* searchedQuery() const { return m_searched; }

    /// The guarded copy of @p query rewritten for @p searcher's index, or
    /// null when the rewritten query holds no boolean part. The caller owns
    /// the copy. Exposed for tests.
    static lucene::search::Query* guardedCopy(lucene::search::IndexSearcher* searcher,
                                              lucene::search::Query* query);

private:
    lucene::search::Query* m_copy = nullptr;
    lucene::search::Query* m_searched = nullptr;
    lucene::search::Hits* m_hits = nullptr;
};

} // namespace vefinder
