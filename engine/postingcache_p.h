/** @file postingcache_p.h @brief The postings and norms of one index version, kept in memory as searches read them. */
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace lucene {
namespace index {
class IndexReader;
class Term;
} // namespace index
} // namespace lucene

namespace vefinder {

/// What the index holds for one term: its document frequency (deleted
/// documents included, as the term dictionary counts them) and the documents
/// and frequencies its TermDocs enumerates (deleted documents left out).
struct Postings {
    int32_t docFreq = 0;
    std::vector<int32_t> docs;
    std::vector<int32_t> freqs;
    /// For a term one document in kDenseShare or more holds: a bit per
    /// document, set for those in docs, and per 64 documents the number of
    /// docs entries before them, so that a skip over a common term finds its
    /// entry without searching. Empty for rarer terms.
    std::vector<uint64_t> bits;
    std::vector<int32_t> before;
    static constexpr int32_t kDenseShare = 32;

    /// Builds bits and before when the term is common among @p maxDoc documents.
    void indexDense(int32_t maxDoc);
    /// The first index in [@p from, docs.size()) whose document is @p target
    /// or beyond; docs.size() when there is none.
    size_t skip(size_t from, int32_t target) const;
};
using PostingsPtr = std::shared_ptr<const Postings>;

/// The first document at or beyond @p doc that every one of @p lists holds,
/// or -1 when there is none. @p at holds each list's entry to look on from
/// and is left at the entries of that document. Rarest lists first is
/// quickest.
int32_t nextShared(const std::vector<const Postings*>& lists, std::vector<size_t>& at, int32_t doc);

/// The documents that hold every one of some terms, ascending, each with the
/// terms' frequencies there: row i of freqs holds them for docs[i], in the
/// order the terms were given.
struct Intersection {
    std::vector<int32_t> docs;
    std::vector<int32_t> freqs;
};
using IntersectionPtr = std::shared_ptr<const Intersection>;

/// The first index in [@p from, @p size) of @p docs (ascending) whose
/// document is @p target or beyond; @p size when there is none. Gallops from
/// @p from: scorers and intersections mostly move a few entries at a time.
inline size_t skipIndex(const int32_t* docs, size_t from, size_t size, int32_t target)
{
    if (from >= size || docs[from] >= target)
        return from;
    size_t low = from; // docs[low] < target from here on
    size_t step = 1;
    while (low + step < size && docs[low + step] < target) {
        low += step;
        step *= 2;
    }
    return size_t(std::lower_bound(docs + low + 1, docs + std::min(low + step + 1, size), target)
                  - docs);
}

inline size_t Postings::skip(const size_t from, const int32_t target) const
{
    if (bits.empty())
        return skipIndex(docs.data(), from, docs.size(), target);
    if (from >= docs.size())
        return docs.size();
    const int32_t first = std::max(target, docs[from]);
    size_t word = size_t(first) >> 6;
    uint64_t rest = word < bits.size() ? bits[word] & (~uint64_t(0) << (first & 63)) : 0;
    while (rest == 0) {
        if (++word >= bits.size())
            return docs.size();
        rest = bits[word];
    }
    const int bit = __builtin_ctzll(rest);
    const uint64_t below = bit == 0 ? 0 : bits[word] & (~uint64_t(0) >> (64 - bit));
    return size_t(before[word]) + size_t(__builtin_popcountll(below));
}

/// The postings of the terms searched on one index version, the documents
/// the terms of a searched name share, and the norms of the fields searched,
/// filled as searches look them up, so that a term is read from the index
/// and a name's terms intersected once per version. Shared between threads.
class PostingCache
{
public:
    /// Bytes of postings and intersections one index version keeps; when a
    /// new one would go beyond, all kept so far are dropped. Norms (one byte
    /// per document and field searched) come on top. With the stored fields
    /// of 100,000 entries (10 MiB), a version stays within about 52 MiB.
    static constexpr size_t kCapBytes = size_t(40) << 20;

    /// The postings held for @p text in @p field, or null.
    PostingsPtr find(const wchar_t* field, const wchar_t* text) const;
    /// Keeps @p postings for @p text in @p field and returns the postings
    /// held for it (another thread's if it came first).
    PostingsPtr insert(const wchar_t* field, const wchar_t* text, Postings&& postings);
    /// The intersection of the postings of @p terms, worked out on the first
    /// call.
    IntersectionPtr intersection(const std::vector<const lucene::index::Term*>& terms,
                                 const std::vector<const Postings*>& postings);
    /// The norms of @p field as @p source reads them, copied on the first
    /// call; valid as long as this cache. Null when @p source has none.
    const uint8_t* norms(const wchar_t* field, lucene::index::IndexReader* source);

    /// Estimated heap bytes held.
    size_t bytes() const;

private:
    /// The map key of @p text in @p field, written into @p out.
    static void key(std::wstring& out, const wchar_t* field, const wchar_t* text);
    /// Whether @p size more bytes may be kept, counted if so; when they
    /// would go beyond the cap, everything kept so far is dropped first.
    /// Called with the lock held.
    bool makeRoom(size_t size);

    mutable std::shared_mutex m_lock; // guards all below
    std::unordered_map<std::wstring, PostingsPtr> m_postings;
    std::unordered_map<std::wstring, IntersectionPtr> m_intersections;
    std::unordered_map<std::wstring, std::unique_ptr<std::vector<uint8_t>>> m_norms;
    size_t m_postingBytes = 0;
    size_t m_normBytes = 0;
};

/// A reader of @p inner's index whose term lookups (document frequencies,
/// TermDocs) and norms come from @p cache, read through @p inner on a miss;
/// everything else is @p inner's. Takes ownership of @p inner: closing the
/// reader closes it, deleting the reader deletes it.
lucene::index::IndexReader* newCachingReader(lucene::index::IndexReader* inner,
                                             std::shared_ptr<PostingCache> cache);

/// The postings of @p term when @p reader was made by newCachingReader (read
/// into its cache on a miss); null for any other reader.
PostingsPtr cachedPostings(lucene::index::IndexReader* reader, const lucene::index::Term* term);

/// The intersection of the postings @p postings of @p terms when @p reader
/// was made by newCachingReader (worked out into its cache on a miss); null
/// for any other reader.
IntersectionPtr cachedIntersection(lucene::index::IndexReader* reader,
                                   const std::vector<const lucene::index::Term*>& terms,
                                   const std::vector<const Postings*>& postings);

} // namespace vefinder
