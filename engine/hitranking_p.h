/** @file hitranking_p.h @brief Hits read from the stored-field cache and ranked without reading documents. */
#pragma once

#include "engine/searchhits_p.h"
#include "engine/storedfields_p.h"
#include "engine/vedocinfo.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vefinder {

/// Sizes the delivered-id flags @p flags for @p fields' mat-id numbers.
inline void prepareDelivered(std::vector<char>& flags, std::vector<int>& numbers,
                             const StoredFields& fields)
{
    if (flags.size() != size_t(fields.matIds.size())) {
        flags.assign(size_t(fields.matIds.size()), 0);
        numbers.clear();
    }
}

/// Notes mat-id number @p id as delivered; false when it already was.
inline bool markDelivered(std::vector<char>& flags, std::vector<int>& numbers, int id)
{
    if (flags[size_t(id)])
        return false;
    flags[size_t(id)] = 1;
    numbers.push_back(id);
    return true;
}

} // namespace vefinder

namespace vefinder {

/// Asks for the text block of @p text ahead of its use: a long answer copies
/// mat ids spread over the whole cache, one memory fetch each.
inline void prefetchText(const QString& text)
{
    __builtin_prefetch(const_cast<QString&>(text).data_ptr());
}

/// One hit being ranked: what its VeDocInfo would hold, with the names kept
/// as indexes into the cached field's table.
struct RankedHit {
    int text;         ///< the name: index into the TextTable read from
    int rank;         ///< the name's rank in that table
    int matIdOf;      ///< the mat id's number (StoredFields::matIds)
    double score;     ///< as Hits reports it
    double sortValue; ///< the name's sort value
    qint64 position;  ///< from the location table, 0 without one
};

/// compareDocInfo on the records of @p a and @p b: the name rank stands for
/// the comparison of name lengths and case-insensitive names.
inline bool ranksBefore(const RankedHit& a, const RankedHit& b)
{
    if (a.sortValue != b.sortValue)
        return a.sortValue > b.sortValue;
    if (a.rank != b.rank)
        return a.rank < b.rank;
    if (a.score != b.score)
        return a.score > b.score;
    return a.position < b.position;
}

/// Lends a ranked step the thread's buffer for its hits (kept between steps
/// as kScratchKeep says). A step that begins while another holds it, as one
/// an observer runs from its callback would, gets a buffer of its own.
class RankedScratch
{
public:
    RankedScratch() : m_hits(busy() ? m_own : shared())
    {
        m_leased = !busy();
        busy() = true;
    }
    ~RankedScratch()
    {
        if (m_leased) {
            releaseLarge(m_hits);
            busy() = false;
        }
    }
    RankedScratch(const RankedScratch&) = delete;
    RankedScratch& operator=(const RankedScratch&) = delete;

    std::vector<RankedHit>& hits() { return m_hits; }

private:
    static std::vector<RankedHit>& shared()
    {
        thread_local std::vector<RankedHit> hits;
        return hits;
    }
    static bool& busy()
    {
        thread_local bool inUse = false;
        return inUse;
    }

    std::vector<RankedHit> m_own;
    std::vector<RankedHit>& m_hits;
    bool m_leased = false;
};

namespace detail {

/// A hit's ranking keys as unsigned words that order as ranksBefore does.
struct RankKey {
    uint64_t value;    ///< sort value, greater first
    uint64_t rankScore; ///< name rank, smaller first; then score, greater first
    uint64_t position; ///< smaller first
    uint32_t index;    ///< the hit's place before sorting (not compared)
};

inline bool keyBefore(const RankKey& a, const RankKey& b)
{
    if (a.value != b.value)
        return a.value < b.value;
    if (a.rankScore != b.rankScore)
        return a.rankScore < b.rankScore;
    return a.position < b.position;
}

/// Greater @p f, smaller key; equal values (0.0 and -0.0 too), equal keys.
template <typename Float, typename Bits>
inline Bits descendingKey(Float f)
{
    static_assert(sizeof(Float) == sizeof(Bits), "a key as wide as the value");
    constexpr int top = int(sizeof(Bits)) * 8 - 1;
    if (f == Float(0))
        f = Float(0);
    Bits bits;
    std::memcpy(&bits, &f, sizeof bits);
    return ~(bits >> top ? ~bits : bits | (Bits(1) << top));
}

/// Puts @p hits in the order of the sorted @p keys (each naming its hit's
/// place before sorting); the thread's scratch is kept as kScratchKeep says.
template <typename Key>
void takeOrder(std::vector<RankedHit>& hits, std::vector<Key>& keys)
{
    thread_local std::vector<RankedHit> sorted;
    sorted.resize(hits.size());
    for (size_t i = 0; i < keys.size(); ++i)
        sorted[i] = hits[keys[i].index];
    hits.swap(sorted);
    releaseLarge(sorted);
    releaseLarge(keys);
}

/// A hit's ranking keys in one word (see sortRankedInWords).
struct WordKey {
    uint64_t key;
    uint32_t index; ///< the hit's place before sorting (not compared)
};

/// The bits that hold every number up to @p n.
inline int bitsFor(uint64_t n)
{
    int bits = 0;
    for (; n != 0; n >>= 1)
        ++bits;
    return bits;
}

/// sortRanked on one-word keys, when the hits have no positions and their
/// sort values are few: the place of a hit's sort value among them, its
/// name rank less the smallest and its score key order as the three do. As
/// every comparison comes out as before, std::sort leaves the same order.
/// False, leaving @p hits as they are, when the keys do not fit.
inline bool sortRankedInWords(std::vector<RankedHit>& hits)
{
    int minRank = hits.front().rank;
    int maxRank = minRank;
    bool positions = false;
    thread_local std::vector<uint8_t> valueOf; // kept by the thread
    std::array<uint8_t, kFewKeys> byValue;
    size_t valueCount = 0;
    const bool few = fewDistinctKeys(
        hits.size(),
        [&](size_t i) {
            const RankedHit& hit = hits[i];
            positions = positions || hit.position != 0;
            minRank = std::min(minRank, hit.rank);
            maxRank = std::max(maxRank, hit.rank);
            return descendingKey<double, uint64_t>(hit.sortValue);
        },
        valueOf, byValue, valueCount);
    const int rankBits = bitsFor(uint64_t(int64_t(maxRank) - minRank));
    if (!few || positions || bitsFor(valueCount - 1) + rankBits > 32) {
        releaseLarge(valueOf);
        return false;
    }
    std::array<uint64_t, kFewKeys> placeOf; // a value's place among them, smallest key first
    for (size_t p = 0; p < valueCount; ++p)
        placeOf[byValue[p]] = p;

    thread_local std::vector<WordKey> keys;
    keys.resize(hits.size());
    for (size_t i = 0; i < hits.size(); ++i) {
        const RankedHit& hit = hits[i];
        const uint64_t nameRank = uint64_t(int64_t(hit.rank) - minRank);
        keys[i] = WordKey{(placeOf[valueOf[i]] << rankBits | nameRank) << 32
                              | descendingKey<float, uint32_t>(float(hit.score)),
                          uint32_t(i)};
    }
    releaseLarge(valueOf);
    std::sort(keys.begin(), keys.end(), [](const WordKey& a, const WordKey& b) { return a.key < b.key; });
    takeOrder(hits, keys);
    return true;
}

} // namespace detail

/// Sorts @p hits as std::sort with ranksBefore does, to the same order also
/// among hits that rank alike: std::sort runs the same comparisons and moves
/// on keys that compare as ranksBefore compares the hits, only on smaller
/// records with a cheaper comparison. Long answers spend much of their time
/// here.
inline void sortRanked(std::vector<RankedHit>& hits)
{
    bool keyed = hits.size() > 64 && hits.size() < (size_t(1) << 32);
    for (size_t i = 0; keyed && i < hits.size(); ++i)
        keyed = !std::isnan(hits[i].sortValue) && float(hits[i].score) == hits[i].score;
    if (!keyed) { // NaN orders no way a key can
        std::sort(hits.begin(), hits.end(), ranksBefore);
        return;
    }
    if (detail::sortRankedInWords(hits))
        return;
    // Scratch kept by the thread (see kScratchKeep).
    thread_local std::vector<detail::RankKey> keys;
    keys.resize(hits.size());
    for (size_t i = 0; i < hits.size(); ++i) {
        const RankedHit& hit = hits[i];
        keys[i] = detail::RankKey{
            detail::descendingKey<double, uint64_t>(hit.sortValue),
            uint64_t(uint32_t(hit.rank) ^ 0x80000000u) << 32
                | detail::descendingKey<float, uint32_t>(float(hit.score)),
            uint64_t(hit.position) ^ (uint64_t(1) << 63), uint32_t(i)};
    }
    // A lambda, not a function pointer: the comparison is inlined.
    std::sort(keys.begin(), keys.end(),
              [](const detail::RankKey& a, const detail::RankKey& b) { return detail::keyBefore(a, b); });
    detail::takeOrder(hits, keys);
}

/// Each distinct name's sort value within one ranked step, worked out once.
/// Looked up by name index in a table the thread keeps per name table it
/// meets (a slot belongs to this step when its stamp is this step's), or in
/// a hash for name tables too large to keep a table for.
class NameValues
{
public:
    explicit NameValues(const TextTable& names) : m_names(names)
    {
        if (size_t(names.texts.size()) > kScratchKeep * 4)
            return;
        Table* tables = threadTables();
        m_table = tables[0].names == &names ? &tables[0] : &tables[1];
        if (m_table->names != &names || m_table->slots.size() != size_t(names.texts.size())) {
            m_table->names = &names;
            m_table->slots.assign(size_t(names.texts.size()), Slot{0, 0.0});
        }
        m_stamp = ++stamp();
    }

    /// The sort value of name @p text, from @p sortValueOf the first time.
    template <typename SortValueOf>
    double of(int text, SortValueOf& sortValueOf)
    {
        if (!m_table) {
            auto value = m_hashed.constFind(text);
            if (value == m_hashed.constEnd())
                value = m_hashed.insert(text, sortValueOf(m_names.texts.at(text)));
            return value.value();
        }
        Slot& slot = m_table->slots[size_t(text)];
        if (slot.stamp != m_stamp)
            slot = Slot{m_stamp, sortValueOf(m_names.texts.at(text))};
        return slot.value;
    }

    /// Asks for the slot of name @p text ahead of its use.
    void prefetch(int text) const
    {
        if (m_table)
            __builtin_prefetch(m_table->slots.data() + text);
    }

private:
    struct Slot {
        uint64_t stamp;
        double value;
    };
    struct Table {
        const TextTable* names = nullptr;
        std::vector<Slot> slots;
    };
    static Table* threadTables()
    {
        thread_local Table tables[2]; // titles and specifications, in turn
        return tables;
    }
    static uint64_t& stamp()
    {
        thread_local uint64_t last = 0;
        return last;
    }

    const TextTable& m_names;
    Table* m_table = nullptr;
    uint64_t m_stamp = 0;
    QHash<int, double> m_hashed;
};

/// The hits of @p query in hit order, without those whose mat id is empty or
/// flagged in @p delivered (sized by prepareDelivered); names from @p names (fields.titles or fields.specs), sort
/// values from @p sortValueOf called once per distinct name, positions from
/// @p posIndex when given (hexadecimal; missing or invalid give 0). The hits
/// replace the contents of @p hits, whose capacity is reused.
template <typename SortValueOf>
void readHits(lucene::search::IndexSearcher* searcher, lucene::search::Query* query,
              const StoredFields& fields, const TextTable& names,
              const std::vector<char>& delivered, const QHash<QString, QString>* posIndex,
              SortValueOf sortValueOf, std::vector<RankedHit>& hits)
{
    const bool titles = &names == &fields.titles;
    const bool positions = posIndex && !posIndex->isEmpty();
    thread_local std::vector<ScoredDoc> scored;
    collectHits(searcher, query, scored);
    struct Release { // however this is left
        std::vector<ScoredDoc>& scratch;
        ~Release() { releaseLarge(scratch); }
    } release{scored};
    hits.clear();
    hits.reserve(scored.size());
    NameValues values(names);
    // Hits come spread over the documents, each record, name rank and name
    // slot a memory fetch of its own: the records are asked for well ahead,
    // what they point at once they have come.
    constexpr size_t kRecordsAhead = 16;
    constexpr size_t kNamesAhead = 8;
    const DocFields* records = fields.docs.constData();
    for (size_t i = 0; i < scored.size(); ++i) {
        if (i + kRecordsAhead < scored.size())
            __builtin_prefetch(records + scored[i + kRecordsAhead].doc);
        if (i + kNamesAhead < scored.size()) {
            const DocFields& ahead = records[scored[i + kNamesAhead].doc];
            const int aheadText = titles ? ahead.titleOf : ahead.specOf;
            __builtin_prefetch(names.ranks.constData() + aheadText);
            values.prefetch(aheadText);
        }
        const ScoredDoc& s = scored[i];
        const DocFields& entry = fields.docs.at(s.doc);
        const int id = entry.matIdOf;
        if (id < 0 || delivered[size_t(id)])
            continue;
        const int text = titles ? entry.titleOf : entry.specOf;
        // Filled in place: a record built aside and copied in is read back
        // wider than it was written, which stalls on every hit.
        RankedHit& hit = hits.emplace_back();
        hit.text = text;
        hit.rank = names.ranks.at(text);
        hit.matIdOf = id;
        hit.score = double(s.score);
        hit.sortValue = 1.0;
        hit.position = 0;
        if (positions) {
            const auto pos = posIndex->constFind(fields.matIds.at(id));
            if (pos != posIndex->constEnd()) {
                bool ok = false;
                const qint64 position = pos.value().toLongLong(&ok, 16);
                hit.position = ok ? position : 0;
            }
        }
        hit.sortValue = values.of(text, sortValueOf);
    }
}

/// readHits into a vector of its own.
template <typename SortValueOf>
std::vector<RankedHit> readHits(lucene::search::IndexSearcher* searcher,
                                lucene::search::Query* query, const StoredFields& fields,
                                const TextTable& names, const std::vector<char>& delivered,
                                const QHash<QString, QString>* posIndex, SortValueOf sortValueOf)
{
    std::vector<RankedHit> hits;
    readHits(searcher, query, fields, names, delivered, posIndex, sortValueOf, hits);
    return hits;
}

/// The record of @p hit.
inline VeDocInfo toDocInfo(const RankedHit& hit, const StoredFields& fields, const TextTable& names)
{
    VeDocInfo doc(fields.matIds.at(hit.matIdOf), names.texts.at(hit.text), hit.score);
    doc.sortValue = hit.sortValue;
    doc.position = hit.position;
    return doc;
}

} // namespace vefinder
