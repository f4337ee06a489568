/** @file postingcache.cpp @brief Postings and norms per index version, and the reader that serves them. */
#include "engine/postingcache_p.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cstring>
#include <limits>

using lucene::document::Document;
using lucene::document::FieldSelector;
using lucene::index::IndexReader;
using lucene::index::Term;
using lucene::index::TermDocs;
using lucene::index::TermEnum;
using lucene::index::TermFreqVector;
using lucene::index::TermPositions;
using lucene::index::TermVectorMapper;

namespace vefinder {

void PostingCache::key(std::wstring& out, const wchar_t* field, const wchar_t* text)
{
    out.assign(field);
    out += L'\0';
    out += text;
}

PostingsPtr PostingCache::find(const wchar_t* field, const wchar_t* text) const
{
    // Searches look terms up many times a call: one key buffer per thread
    // spares an allocation each time.
    thread_local std::wstring k;
    key(k, field, text);
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    const auto it = m_postings.find(k);
    return it == m_postings.end() ? nullptr : it->second;
}

PostingsPtr PostingCache::insert(const wchar_t* field, const wchar_t* text, Postings&& postings)
{
    std::wstring k;
    key(k, field, text);
    const size_t size = sizeof(Postings) + 64 + k.size() * sizeof(wchar_t)
        + postings.docs.size() * 2 * sizeof(int32_t) + postings.bits.size() * sizeof(uint64_t)
        + postings.before.size() * sizeof(int32_t);
    auto held = std::make_shared<const Postings>(std::move(postings));
    const std::unique_lock<std::shared_mutex> lock(m_lock);
    const auto it = m_postings.find(k);
    if (it != m_postings.end())
        return it->second;
    if (makeRoom(size))
        m_postings.emplace(std::move(k), held);
    return held;
}

bool PostingCache::makeRoom(const size_t size)
{
    if (size > kCapBytes)
        return false;
    if (m_postingBytes + size > kCapBytes) {
        // Full (a long run meets many one-off terms, such as codes): start
        // again rather than keep the first terms met for good. Searches still
        // holding postings keep them alive.
        m_postings.clear();
        m_intersections.clear();
        m_postingBytes = 0;
    }
    m_postingBytes += size;
    return true;
}

int32_t nextShared(const std::vector<const Postings*>& lists, std::vector<size_t>& at, int32_t doc)
{
    if (lists.empty())
        return -1;
    for (size_t i = 0; i < lists.size();) {
        const Postings& list = *lists[i];
        at[i] = list.skip(at[i], doc);
        if (at[i] == list.docs.size())
            return -1;
        if (list.docs[at[i]] == doc) {
            ++i;
        } else {
            doc = list.docs[at[i]]; // every list looks on from there
            i = 0;
        }
    }
    return doc;
}

namespace {

/// The documents all of @p postings hold, with their frequencies.
Intersection intersect(const std::vector<const Postings*>& postings)
{
    Intersection out;
    std::vector<size_t> order(postings.size()); // rarest first
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return postings[a]->docs.size() < postings[b]->docs.size();
    });
    std::vector<const Postings*> rarestFirst;
    std::vector<size_t> placeOf(postings.size());
    for (const size_t i : order) {
        placeOf[i] = rarestFirst.size();
        rarestFirst.push_back(postings[i]);
    }
    std::vector<size_t> at(postings.size(), 0);
    for (int32_t doc = 0; (doc = nextShared(rarestFirst, at, doc)) >= 0; ++doc) {
        out.docs.push_back(doc);
        for (size_t i = 0; i < postings.size(); ++i) // in the terms' own order
            out.freqs.push_back(postings[i]->freqs[at[placeOf[i]]]);
        if (doc == std::numeric_limits<int32_t>::max())
            break;
    }
    return out;
}

} // namespace

IntersectionPtr PostingCache::intersection(const std::vector<const Term*>& terms,
                                           const std::vector<const Postings*>& postings)
{
    // A search looks many names up: one key buffer per thread.
    thread_local std::wstring k;
    k.clear();
    for (const Term* term : terms) {
        k += term->field();
        k += L'\0';
        k += term->text();
        k += L'\0';
    }
    {
        const std::shared_lock<std::shared_mutex> lock(m_lock);
        const auto it = m_intersections.find(k);
        if (it != m_intersections.end())
            return it->second;
    }
    auto held = std::make_shared<const Intersection>(intersect(postings));
    const size_t size = sizeof(Intersection) + 64 + k.size() * sizeof(wchar_t)
        + (held->docs.size() + held->freqs.size()) * sizeof(int32_t);
    const std::unique_lock<std::shared_mutex> lock(m_lock);
    const auto it = m_intersections.find(k);
    if (it != m_intersections.end())
        return it->second;
    if (makeRoom(size))
        m_intersections.emplace(k, held);
    return held;
}

const uint8_t* PostingCache::norms(const wchar_t* field, IndexReader* source)
{
    const std::wstring name(field);
    {
        const std::shared_lock<std::shared_mutex> lock(m_lock);
        const auto it = m_norms.find(name);
        if (it != m_norms.end())
            return it->second ? it->second->data() : nullptr;
    }
    // Read outside the lock; the first copy stored wins.
    const uint8_t* read = source->norms(field);
    std::unique_ptr<std::vector<uint8_t>> copy;
    if (read)
        copy = std::make_unique<std::vector<uint8_t>>(read, read + source->maxDoc());
    const std::unique_lock<std::shared_mutex> lock(m_lock);
    auto it = m_norms.find(name);
    if (it == m_norms.end()) {
        m_normBytes += copy ? copy->size() : 0;
        it = m_norms.emplace(name, std::move(copy)).first;
    }
    return it->second ? it->second->data() : nullptr;
}

size_t PostingCache::bytes() const
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    return m_postingBytes + m_normBytes;
}

void Postings::indexDense(const int32_t maxDoc)
{
    if (docs.empty() || int64_t(docs.size()) * kDenseShare < maxDoc)
        return;
    const size_t words = (size_t(std::max(maxDoc, docs.back() + 1)) + 63) / 64;
    bits.assign(words, 0);
    before.assign(words, 0);
    for (const int32_t doc : docs)
        bits[size_t(doc) >> 6] |= uint64_t(1) << (doc & 63);
    int32_t count = 0;
    for (size_t w = 0; w < words; ++w) {
        before[w] = count;
        count += __builtin_popcountll(bits[w]);
    }
}

namespace {

/// Reads what @p reader holds for @p term.
Postings readPostings(IndexReader* reader, Term* term)
{
    Postings postings;
    postings.docFreq = reader->docFreq(term);
    if (postings.docFreq <= 0)
        return postings;
    std::unique_ptr<TermDocs> docs(reader->termDocs(term));
    if (!docs)
        return postings;
    postings.docs.reserve(size_t(postings.docFreq));
    postings.freqs.reserve(size_t(postings.docFreq));
    int32_t d[128];
    int32_t f[128];
    for (int32_t n; (n = docs->read(d, f, 128)) > 0;) {
        postings.docs.insert(postings.docs.end(), d, d + n);
        postings.freqs.insert(postings.freqs.end(), f, f + n);
    }
    docs->close();
    postings.indexDense(reader->maxDoc());
    return postings;
}

/// The postings of one term, enumerated as the index's TermDocs enumerates
/// them.
class CachedTermDocs : public TermDocs
{
public:
    CachedTermDocs(IndexReader* inner, PostingCache& cache) : m_inner(inner), m_cache(cache) {}

    void seek(Term* term) override
    {
        m_postings = m_cache.find(term->field(), term->text());
        if (!m_postings)
            m_postings = m_cache.insert(term->field(), term->text(), readPostings(m_inner, term));
        m_pos = -1;
    }
    void seek(TermEnum* termEnum) override
    {
        Term* term = termEnum->term(false);
        if (term)
            seek(term);
        else {
            m_postings.reset();
            m_pos = -1;
        }
    }
    int32_t doc() const override { return m_postings->docs[size_t(m_pos)]; }
    int32_t freq() const override { return m_postings->freqs[size_t(m_pos)]; }
    bool next() override
    {
        if (size_t(m_pos + 1) >= size())
            return false;
        ++m_pos;
        return true;
    }
    int32_t read(int32_t* docs, int32_t* freqs, int32_t length) override
    {
        const size_t from = size_t(m_pos + 1);
        const size_t count = std::min(size() - std::min(from, size()), size_t(std::max(length, 0)));
        if (count == 0)
            return 0;
        std::memcpy(docs, m_postings->docs.data() + from, count * sizeof(int32_t));
        std::memcpy(freqs, m_postings->freqs.data() + from, count * sizeof(int32_t));
        m_pos += int64_t(count);
        return int32_t(count);
    }
    // Moves on at least one entry, then to the first at or beyond target.
    bool skipTo(const int32_t target) override
    {
        const size_t from = size_t(m_pos + 1);
        if (from >= size())
            return false;
        m_pos = int64_t(m_postings->skip(from, target));
        return size_t(m_pos) < size();
    }
    void close() override {}
    TermPositions* __asTermPositions() override { return nullptr; }

private:
    size_t size() const { return m_postings ? m_postings->docs.size() : 0; }

    IndexReader* m_inner;
    PostingCache& m_cache;
    PostingsPtr m_postings;
    int64_t m_pos = -1;
};

/// The caching reader: see newCachingReader.
class CachingReader : public IndexReader
{
public:
    CachingReader(IndexReader* inner, std::shared_ptr<PostingCache> cache)
        : m_inner(inner), m_cache(std::move(cache))
    {}
    ~CachingReader() override { _CLDELETE(m_inner); }
    CachingReader(const CachingReader&) = delete;
    CachingReader& operator=(const CachingReader&) = delete;

    const char* getObjectName() const override { return "CachingReader"; }

    TermDocs* termDocs() override { return _CLNEW CachedTermDocs(m_inner, *m_cache); }
    int32_t docFreq(const Term* t) override { return postings(t)->docFreq; }

    /// What the index holds for @p t, read whole on a miss: a term counted
    /// is about to be searched.
    PostingsPtr postings(const Term* t)
    {
        PostingsPtr held = m_cache->find(t->field(), t->text());
        if (held)
            return held;
        Term* term = const_cast<Term*>(t);
        return m_cache->insert(t->field(), t->text(), readPostings(m_inner, term));
    }
    IntersectionPtr intersection(const std::vector<const Term*>& terms,
                                 const std::vector<const Postings*>& postings)
    {
        return m_cache->intersection(terms, postings);
    }
    uint8_t* norms(const TCHAR* field) override
    {
        return const_cast<uint8_t*>(m_cache->norms(field, m_inner));
    }

    // Everything else is the inner reader's.
    void norms(const TCHAR* field, uint8_t* bytes) override { m_inner->norms(field, bytes); }
    void getFieldNames(FieldOption option, StringArrayWithDeletor& names) override
    {
        m_inner->getFieldNames(option, names);
    }
    lucene::util::ArrayBase<TermFreqVector*>* getTermFreqVectors(int32_t doc) override
    {
        return m_inner->getTermFreqVectors(doc);
    }
    TermFreqVector* getTermFreqVector(int32_t doc, const TCHAR* field) override
    {
        return m_inner->getTermFreqVector(doc, field);
    }
    void getTermFreqVector(int32_t doc, const TCHAR* field, TermVectorMapper* mapper) override
    {
        m_inner->getTermFreqVector(doc, field, mapper);
    }
    void getTermFreqVector(int32_t doc, TermVectorMapper* mapper) override
    {
        m_inner->getTermFreqVector(doc, mapper);
    }
    int32_t numDocs() override { return m_inner->numDocs(); }
    int32_t maxDoc() const override { return m_inner->maxDoc(); }
    bool document(int32_t n, Document& doc, const FieldSelector* selector) override
    {
        return m_inner->document(n, doc, selector);
    }
    bool isDeleted(const int32_t n) override { return m_inner->isDeleted(n); }
    bool hasDeletions() const override { return m_inner->hasDeletions(); }
    TermEnum* terms() override { return m_inner->terms(); }
    TermEnum* terms(const Term* t) override { return m_inner->terms(t); }
    TermPositions* termPositions() override { return m_inner->termPositions(); }
    lucene::store::Directory* directory() override { return m_inner->directory(); }
    int64_t getVersion() override { return m_inner->getVersion(); }
    bool isCurrent() override { return m_inner->isCurrent(); }
    bool isOptimized() override { return m_inner->isOptimized(); }
    bool hasNorms(const TCHAR* field) override { return m_inner->hasNorms(field); }

protected:
    void doClose() override { m_inner->close(); }
    // A search changes nothing; these are never reached.
    void doSetNorm(int32_t doc, const TCHAR* field, uint8_t value) override
    {
        m_inner->setNorm(doc, field, value);
    }
    void doUndeleteAll() override { m_inner->undeleteAll(); }
    void doDelete(const int32_t doc) override { m_inner->deleteDocument(doc); }

public:
    void doCommit() override { m_inner->flush(); }
    // CLucene keeps its own commit() out of its exported symbols, so a
    // reader of another library has to bring one; this one changes nothing.
    void commit() override {}

private:
    IndexReader* m_inner;
    std::shared_ptr<PostingCache> m_cache;
};

} // namespace

IndexReader* newCachingReader(IndexReader* inner, std::shared_ptr<PostingCache> cache)
{
    return _CLNEW CachingReader(inner, std::move(cache));
}

PostingsPtr cachedPostings(IndexReader* reader, const Term* term)
{
    auto* caching = dynamic_cast<CachingReader*>(reader);
    return caching ? caching->postings(term) : nullptr;
}

IntersectionPtr cachedIntersection(IndexReader* reader, const std::vector<const Term*>& terms,
                                   const std::vector<const Postings*>& postings)
{
    auto* caching = dynamic_cast<CachingReader*>(reader);
    return caching ? caching->intersection(terms, postings) : nullptr;
}

} // namespace vefinder
