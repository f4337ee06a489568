/** @file cachedscorer.cpp @brief CLucene's boolean and term scoring, run on the postings kept in memory. */
#include "engine/cachedscorer_p.h"

#include "engine/postingcache_p.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <memory>

using lucene::index::IndexReader;
using lucene::index::Term;
using lucene::search::BooleanClause;
using lucene::search::BooleanQuery;
using lucene::search::IndexSearcher;
using lucene::search::Query;
using lucene::search::Similarity;
using lucene::search::TermQuery;

// Each class below follows the CLucene scorer named in its comment, branch
// for branch: the order in which a disjunction meets its matching clauses
// decides the order of the float additions, so the walk through the
// postings has to be the same, not just the set of hits.

namespace {

/// The document a term scorer reports once it has run out.
constexpr int32_t kNoMoreDocs = 0x7FFFFFFF;

/// Counts the clauses matching the current document for a boolean scorer's
/// coordination factor (BooleanScorer2::Coordinator).
struct Coordinator {
    int32_t maxCoord = 0;
    int32_t nrMatchers = 0;
    std::vector<float_t> factors;

    /// Counts @p matchers for @p doc, as a counting scorer does once per
    /// document (@p lastScoredDoc: the last document it counted).
    void count(const int32_t doc, int32_t& lastScoredDoc, const int32_t matchers)
    {
        if (doc >= lastScoredDoc) {
            lastScoredDoc = doc;
            nrMatchers += matchers;
        }
    }
};

/// lucene::search::Scorer. The current document is kept in a field that
/// every next() and skipTo() sets, and term scorers are called without
/// virtual dispatch (see advance()): scoring spends its time in these calls.
class Node
{
public:
    explicit Node(int32_t initialDoc, bool term = false) : m_doc(initialDoc), m_term(term) {}
    virtual ~Node() = default;
    virtual bool next() = 0;
    virtual bool skipTo(int32_t target) = 0;
    virtual float_t score() = 0;
    int32_t doc() const { return m_doc; }
    bool isTerm() const { return m_term; }

protected:
    int32_t m_doc;

private:
    const bool m_term;
};
using NodePtr = std::unique_ptr<Node>;

/// Similarity::decodeNorm for every byte.
const std::array<float_t, 256>& normTable()
{
    static const std::array<float_t, 256> table = [] {
        std::array<float_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = Similarity::decodeNorm(uint8_t(b));
        return t;
    }();
    return table;
}

/// TermScorer: one term's postings, read straight from the cached arrays.
class TermNode final : public Node
{
public:
    static constexpr int32_t kCacheSize = 32; // LUCENE_SCORE_CACHE_SIZE

    TermNode(vefinder::PostingsPtr postings, float_t weightValue, Similarity* similarity,
             const uint8_t* norms)
        : Node(0, true),
          m_postings(std::move(postings)),
          m_docs(m_postings->docs.data()),
          m_freqs(m_postings->freqs.data()),
          m_size(int64_t(m_postings->docs.size())),
          m_weightValue(weightValue),
          m_similarity(similarity),
          m_norms(norms),
          m_normTable(normTable().data())
    {
        for (int32_t i = 0; i < kCacheSize; ++i)
            m_scoreCache[i] = m_similarity->tf(i) * m_weightValue;
    }

    bool next() override { return termNext(); }
    bool skipTo(const int32_t target) override { return termSkipTo(target); }
    float_t score() override { return termScore(); }

    bool termNext()
    {
        if (++m_pos >= m_size)
            return exhausted();
        m_doc = m_docs[m_pos];
        return true;
    }
    // Always moves on by at least one entry, as CLucene's does.
    bool termSkipTo(const int32_t target)
    {
        const size_t at = m_postings->skip(size_t(m_pos + 1), target);
        if (at >= size_t(m_size))
            return exhausted();
        m_pos = int64_t(at);
        m_doc = m_docs[m_pos];
        return true;
    }
    float_t termScore()
    {
        const int32_t f = m_freqs[m_pos];
        const float_t raw = f < kCacheSize ? m_scoreCache[f] : m_similarity->tf(f) * m_weightValue;
        return raw * m_normTable[m_norms[m_doc]];
    }

private:
    bool exhausted()
    {
        m_pos = m_size;
        m_doc = kNoMoreDocs;
        return false;
    }

    vefinder::PostingsPtr m_postings; // keeps the arrays alive
    const int32_t* m_docs;
    const int32_t* m_freqs;
    int64_t m_size;
    int64_t m_pos = -1;
    float_t m_weightValue;
    Similarity* m_similarity;
    const uint8_t* m_norms;
    const float_t* m_normTable;
    float_t m_scoreCache[kCacheSize];
};

/// @p node's next(), skipTo() and score(), a term scorer's called directly.
inline bool advance(Node* node)
{
    return node->isTerm() ? static_cast<TermNode*>(node)->termNext() : node->next();
}
inline bool advance(Node* node, int32_t target)
{
    return node->isTerm() ? static_cast<TermNode*>(node)->termSkipTo(target)
                          : node->skipTo(target);
}
inline float_t scoreOf(Node* node)
{
    return node->isTerm() ? static_cast<TermNode*>(node)->termScore() : node->score();
}

/// ConjunctionScorer, and BooleanScorer2's counting one when given a
/// coordinator.
class ConjunctionNode final : public Node
{
public:
    ConjunctionNode(std::vector<NodePtr> scorers, Coordinator* coordinator)
        : Node(-1),
          m_scorers(std::move(scorers)),
          m_coordinator(coordinator),
          m_requiredNrMatchers(int32_t(m_scorers.size()))
    {
        const int32_t n = int32_t(m_scorers.size());
        m_coord = Similarity::getDefault()->coord(n, n);
    }

    bool next() override
    {
        if (m_firstTime)
            init(0);
        else if (m_more)
            m_more = advance(m_scorers.back().get());
        return doNext();
    }
    bool skipTo(const int32_t target) override
    {
        if (m_firstTime)
            return init(target);
        if (m_more)
            m_more = advance(m_scorers.back().get(), target);
        return doNext();
    }
    float_t score() override
    {
        if (m_coordinator)
            m_coordinator->count(doc(), m_lastScoredDoc, m_requiredNrMatchers);
        float_t sum = 0.0f;
        for (const NodePtr& scorer : m_scorers)
            sum += scoreOf(scorer.get());
        return sum * m_coord;
    }

private:
    bool doNext()
    {
        size_t first = 0;
        Node* lastScorer = m_scorers.back().get();
        Node* firstScorer;
        // m_doc is ConjunctionScorer's lastDoc.
        while (m_more && (firstScorer = m_scorers[first].get())->doc() < (m_doc = lastScorer->doc())) {
            m_more = advance(firstScorer, m_doc);
            lastScorer = firstScorer;
            first = first == m_scorers.size() - 1 ? 0 : first + 1;
        }
        return m_more;
    }
    bool init(const int32_t target)
    {
        m_firstTime = false;
        m_more = m_scorers.size() > 1;
        for (const NodePtr& scorer : m_scorers) {
            m_more = target == 0 ? advance(scorer.get()) : advance(scorer.get(), target);
            if (!m_more)
                return false;
        }
        // CLucene sorts with glibc's qsort, a stable merge sort at these sizes.
        std::stable_sort(m_scorers.begin(), m_scorers.end(),
                         [](const NodePtr& a, const NodePtr& b) { return a->doc() < b->doc(); });
        doNext();
        // All but the last reversed, in CLucene's own way.
        const int32_t end = int32_t(m_scorers.size() - 1) - 1;
        for (int32_t i = 0; i < (end >> 1); ++i)
            std::swap(m_scorers[size_t(i)], m_scorers[size_t(end - i)]);
        return m_more;
    }

    std::vector<NodePtr> m_scorers;
    Coordinator* m_coordinator;
    int32_t m_requiredNrMatchers;
    int32_t m_lastScoredDoc = -1;
    float_t m_coord;
    bool m_firstTime = true;
    bool m_more = false;
};

/// DisjunctionSumScorer over a ScorerDocQueue, counting for BooleanScorer2.
class DisjunctionNode final : public Node
{
public:
    DisjunctionNode(std::vector<NodePtr> scorers, int32_t minimumNrMatchers, Coordinator* coordinator)
        : Node(-1),
          m_scorers(std::move(scorers)),
          m_minimumNrMatchers(minimumNrMatchers),
          m_coordinator(coordinator),
          m_heap(m_scorers.size() + 1)
    {}

    bool next() override
    {
        if (!m_queueInitialised)
            initQueue();
        return m_size >= m_minimumNrMatchers && advanceAfterCurrent();
    }
    bool skipTo(const int32_t target) override
    {
        if (!m_queueInitialised)
            initQueue();
        if (m_queueSize < m_minimumNrMatchers)
            return false;
        if (target <= m_doc)
            return true;
        do {
            if (m_heap[1].doc >= target)
                return advanceAfterCurrent();
            if (!checkAdjustElsePop(advance(m_heap[1].scorer, target))) {
                if (--m_queueSize < m_minimumNrMatchers)
                    return false;
            }
        } while (true);
    }
    float_t score() override
    {
        m_coordinator->count(doc(), m_lastScoredDoc, m_nrMatchers);
        return m_currentScore;
    }

private:
    struct Heaped {
        Node* scorer = nullptr;
        int32_t doc = 0;
    };

    void initQueue()
    {
        m_queueInitialised = true;
        m_queueSize = 0;
        for (const NodePtr& scorer : m_scorers) {
            if (advance(scorer.get())) {
                put(scorer.get());
                ++m_queueSize;
            }
        }
    }
    bool advanceAfterCurrent()
    {
        do {
            m_doc = m_heap[1].doc; // DisjunctionSumScorer's currentDoc
            m_currentScore = scoreOf(m_heap[1].scorer);
            m_nrMatchers = 1;
            do {
                if (!checkAdjustElsePop(advance(m_heap[1].scorer))) {
                    if (--m_queueSize == 0)
                        break;
                }
                if (m_heap[1].doc != m_doc)
                    break;
                m_currentScore += scoreOf(m_heap[1].scorer);
                ++m_nrMatchers;
            } while (true);
            if (m_nrMatchers >= m_minimumNrMatchers)
                return true;
            if (m_queueSize < m_minimumNrMatchers)
                return false;
        } while (true);
    }

    // ScorerDocQueue
    void put(Node* scorer)
    {
        ++m_size;
        m_heap[size_t(m_size)] = Heaped{scorer, scorer->doc()};
        upHeap();
    }
    bool checkAdjustElsePop(const bool cond)
    {
        if (cond) {
            m_heap[1].doc = m_heap[1].scorer->doc();
        } else {
            m_heap[1] = m_heap[size_t(m_size)];
            m_heap[size_t(m_size)] = Heaped{};
            --m_size;
        }
        downHeap();
        return cond;
    }
    void upHeap()
    {
        int32_t i = m_size;
        const Heaped node = m_heap[size_t(i)];
        int32_t j = i >> 1;
        while (j > 0 && node.doc < m_heap[size_t(j)].doc) {
            m_heap[size_t(i)] = m_heap[size_t(j)];
            i = j;
            j = j >> 1;
        }
        m_heap[size_t(i)] = node;
    }
    void downHeap()
    {
        int32_t i = 1;
        const Heaped node = m_heap[size_t(i)];
        int32_t j = i << 1;
        int32_t k = j + 1;
        if (k <= m_size && m_heap[size_t(k)].doc < m_heap[size_t(j)].doc)
            j = k;
        while (j <= m_size && m_heap[size_t(j)].doc < node.doc) {
            m_heap[size_t(i)] = m_heap[size_t(j)];
            i = j;
            j = i << 1;
            k = j + 1;
            if (k <= m_size && m_heap[size_t(k)].doc < m_heap[size_t(j)].doc)
                j = k;
        }
        m_heap[size_t(i)] = node;
    }

    std::vector<NodePtr> m_scorers;
    int32_t m_minimumNrMatchers;
    Coordinator* m_coordinator;
    int32_t m_lastScoredDoc = -1;
    std::vector<Heaped> m_heap; // 1-based, as CLucene's
    int32_t m_size = 0;
    bool m_queueInitialised = false;
    int32_t m_queueSize = -1;
    int32_t m_nrMatchers = -1;
    float_t m_currentScore = -1.0f;
};

/// DisjunctionSumScorer over clauses that are one and the same query (a
/// description of one word asks for the names of the word as a whole and
/// as segmented). Such clauses always meet the same calls in the same state,
/// so they stay in step: one of them is walked and its score added once per
/// clause, as the disjunction adds theirs.
class TwinsNode final : public Node
{
public:
    TwinsNode(NodePtr scorer, int32_t count, Coordinator* coordinator)
        : Node(-1), m_scorer(std::move(scorer)), m_count(count), m_coordinator(coordinator)
    {}

    bool next() override
    {
        if (!m_started)
            start();
        return m_more && take();
    }
    bool skipTo(const int32_t target) override
    {
        if (!m_started)
            start();
        if (!m_more)
            return false;
        if (target <= m_doc)
            return true;
        if (m_scorer->doc() < target && !(m_more = advance(m_scorer.get(), target)))
            return false;
        return take();
    }
    float_t score() override
    {
        m_coordinator->count(doc(), m_lastScoredDoc, m_count);
        return m_currentScore;
    }

private:
    void start()
    {
        m_started = true;
        m_more = advance(m_scorer.get());
    }
    /// The current document of the clauses, scored; the clauses moved on.
    bool take()
    {
        m_doc = m_scorer->doc();
        const float_t one = scoreOf(m_scorer.get());
        m_currentScore = one;
        for (int32_t i = 1; i < m_count; ++i)
            m_currentScore += one;
        m_more = advance(m_scorer.get());
        return true;
    }

    NodePtr m_scorer;
    int32_t m_count;
    Coordinator* m_coordinator;
    int32_t m_lastScoredDoc = -1;
    float_t m_currentScore = -1.0f;
    bool m_started = false;
    bool m_more = false;
};

/// A boolean query of two or more required terms: BooleanScorer2 over a
/// counting ConjunctionScorer of term scorers, in one scorer that steps
/// through the documents the terms share, kept per index version, instead
/// of leapfrogging the terms' postings. Each score adds the term scores in
/// the order ConjunctionScorer settles on at its first move (see init()),
/// then applies its coordination factor and the boolean one, as the two
/// scorers do.
class AllTermsNode final : public Node
{
public:
    /// One term: its postings, its field's norms and TermScorer's weight.
    struct Part {
        vefinder::PostingsPtr postings;
        const uint8_t* norms = nullptr;
        float_t value = 0.0f;
        float_t scores[TermNode::kCacheSize] = {}; ///< tf(i) * value, filled by the node
    };

    AllTermsNode(vefinder::IntersectionPtr matches, std::vector<Part> parts, Similarity* similarity)
        : Node(-1),
          m_matches(std::move(matches)),
          m_parts(std::move(parts)),
          m_similarity(similarity),
          m_normTable(normTable().data())
    {
        const int32_t n = int32_t(m_parts.size());
        m_coord = Similarity::getDefault()->coord(n, n);
        m_factor = similarity->coord(n, n);
        for (Part& part : m_parts) {
            for (int32_t i = 0; i < TermNode::kCacheSize; ++i)
                part.scores[i] = similarity->tf(i) * part.value;
        }
        m_order.reserve(m_parts.size());
    }

    bool next() override
    {
        if (m_order.empty())
            return init(0);
        return moveTo(size_t(m_pos + 1));
    }
    bool skipTo(const int32_t target) override
    {
        if (m_order.empty())
            return init(target);
        const std::vector<int32_t>& docs = m_matches->docs;
        return moveTo(vefinder::skipIndex(docs.data(), size_t(m_pos + 1), docs.size(), target));
    }
    float_t score() override
    {
        const int32_t* freqs = m_matches->freqs.data() + size_t(m_pos) * m_parts.size();
        float_t sum = 0.0f;
        for (const size_t t : m_order) {
            const int32_t f = freqs[t];
            const float_t raw = f < TermNode::kCacheSize
                ? m_parts[t].scores[f]
                : m_similarity->tf(f) * m_parts[t].value;
            sum += raw * m_normTable[m_parts[t].norms[m_doc]];
        }
        const float_t conjunction = sum * m_coord;
        return conjunction * m_factor;
    }

private:
    bool moveTo(const size_t at)
    {
        if (at >= m_matches->docs.size()) {
            m_pos = int64_t(m_matches->docs.size());
            m_doc = kNoMoreDocs;
            return false;
        }
        m_pos = int64_t(at);
        m_doc = m_matches->docs[at];
        return true;
    }
    /// ConjunctionScorer's first move: every term scorer moved to its first
    /// document at or beyond @p target (none left: no match), the scorers
    /// sorted by those documents (glibc's qsort, a stable merge sort at these
    /// sizes), then all but the last reversed in its own way. That order is
    /// the order of the additions from then on.
    bool init(const int32_t target)
    {
        thread_local std::vector<int32_t> first; // not reentered: kept by the thread
        first.resize(m_parts.size());
        for (size_t t = 0; t < m_parts.size(); ++t) {
            const std::vector<int32_t>& docs = m_parts[t].postings->docs;
            const size_t at = m_parts[t].postings->skip(0, target);
            if (at >= docs.size()) {
                m_order.push_back(0); // started
                return moveTo(m_matches->docs.size());
            }
            first[t] = docs[at];
            m_order.push_back(t);
        }
        // A stable sort of a few terms, in place.
        for (size_t i = 1; i < m_order.size(); ++i) {
            const size_t t = m_order[i];
            size_t j = i;
            for (; j > 0 && first[t] < first[m_order[j - 1]]; --j)
                m_order[j] = m_order[j - 1];
            m_order[j] = t;
        }
        const int32_t end = int32_t(m_order.size() - 1) - 1;
        for (int32_t i = 0; i < (end >> 1); ++i)
            std::swap(m_order[size_t(i)], m_order[size_t(end - i)]);
        const std::vector<int32_t>& docs = m_matches->docs;
        return moveTo(vefinder::skipIndex(docs.data(), 0, docs.size(), target));
    }

    vefinder::IntersectionPtr m_matches;
    std::vector<Part> m_parts;
    Similarity* m_similarity;
    const float_t* m_normTable;
    std::vector<size_t> m_order;       // empty before the first move
    int64_t m_pos = -1;
    float_t m_coord;
    float_t m_factor;
};

/// BooleanScorer2::SingleMatchScorer.
class SingleMatchNode final : public Node
{
public:
    SingleMatchNode(NodePtr scorer, Coordinator* coordinator)
        : Node(scorer->doc()), m_scorer(std::move(scorer)), m_coordinator(coordinator)
    {}
    bool next() override { return follow(advance(m_scorer.get())); }
    bool skipTo(const int32_t target) override { return follow(advance(m_scorer.get(), target)); }
    float_t score() override
    {
        m_coordinator->count(doc(), m_lastScoredDoc, 1);
        return scoreOf(m_scorer.get());
    }

private:
    bool follow(const bool more)
    {
        m_doc = m_scorer->doc();
        return more;
    }

    NodePtr m_scorer;
    Coordinator* m_coordinator;
    int32_t m_lastScoredDoc = -1;
};

/// BooleanScorer2::ReqOptSumScorer.
class ReqOptNode final : public Node
{
public:
    ReqOptNode(NodePtr required, NodePtr optional)
        : Node(required->doc()), m_required(std::move(required)), m_optional(std::move(optional))
    {}
    bool next() override { return follow(m_required->next()); }
    bool skipTo(const int32_t target) override { return follow(m_required->skipTo(target)); }
    float_t score() override
    {
        const int32_t curDoc = m_required->doc();
        const float_t reqScore = m_required->score();
        if (m_firstTimeOptional) {
            m_firstTimeOptional = false;
            if (!m_optional->skipTo(curDoc)) {
                m_optional.reset();
                return reqScore;
            }
        } else if (!m_optional) {
            return reqScore;
        } else if (m_optional->doc() < curDoc && !m_optional->skipTo(curDoc)) {
            m_optional.reset();
            return reqScore;
        }
        return m_optional->doc() == curDoc ? reqScore + m_optional->score() : reqScore;
    }

private:
    bool follow(const bool more)
    {
        m_doc = m_required->doc();
        return more;
    }

    NodePtr m_required;
    NodePtr m_optional;
    bool m_firstTimeOptional = true;
};

/// BooleanScorer2::NonMatchingScorer.
class NonMatchingNode final : public Node
{
public:
    NonMatchingNode() : Node(kNoMoreDocs) {} // its document is never asked for
    bool next() override { return false; }
    bool skipTo(int32_t) override { return false; }
    float_t score() override { return 0.0f; }
};

/// BooleanScorer2 (no prohibited clauses, no minimum of optional matches).
class BooleanNode final : public Node
{
public:
    explicit BooleanNode(Similarity* similarity) : Node(-1), m_similarity(similarity) {}

    void add(NodePtr scorer, const bool required)
    {
        ++m_coordinator.maxCoord;
        (required ? m_required : m_optional).push_back(std::move(scorer));
    }
    /// The optional clauses: @p count times the same query (their scorer
    /// @p scorer), among @p total (the others match nothing).
    void addOptionalTwins(NodePtr scorer, const int32_t count, const int32_t total)
    {
        m_coordinator.maxCoord += total;
        m_optional.push_back(std::move(scorer));
        m_twins = count;
    }

    bool next() override
    {
        if (!m_counting)
            initCounting();
        return follow(m_counting->next());
    }
    bool skipTo(const int32_t target) override
    {
        if (!m_counting)
            initCounting();
        return follow(m_counting->skipTo(target));
    }
    float_t score() override
    {
        m_coordinator.nrMatchers = 0;
        const float_t sum = m_counting->score();
        return sum * m_coordinator.factors[size_t(m_coordinator.nrMatchers)];
    }

private:
    bool follow(const bool more)
    {
        m_doc = m_counting->doc();
        return more;
    }
    void initCounting()
    {
        m_coordinator.factors.resize(size_t(m_coordinator.maxCoord) + 1);
        for (int32_t i = 0; i <= m_coordinator.maxCoord; ++i)
            m_coordinator.factors[size_t(i)] = m_similarity->coord(i, m_coordinator.maxCoord);
        m_counting = makeCounting();
    }
    NodePtr single(NodePtr scorer) { return std::make_unique<SingleMatchNode>(std::move(scorer), &m_coordinator); }
    NodePtr makeCounting()
    {
        if (m_required.empty()) {
            if (m_optional.empty())
                return std::make_unique<NonMatchingNode>();
            return optionalScorer();
        }
        if (m_optional.empty())
            return std::make_unique<ConjunctionNode>(std::move(m_required), &m_coordinator);
        NodePtr required = m_required.size() == 1
            ? single(std::move(m_required.front()))
            : std::make_unique<ConjunctionNode>(std::move(m_required), &m_coordinator);
        return std::make_unique<ReqOptNode>(std::move(required), optionalScorer());
    }
    NodePtr optionalScorer()
    {
        if (m_twins > 1)
            return std::make_unique<TwinsNode>(std::move(m_optional.front()), m_twins, &m_coordinator);
        if (m_optional.size() > 1)
            return std::make_unique<DisjunctionNode>(std::move(m_optional), 1, &m_coordinator);
        return single(std::move(m_optional.front()));
    }

    Similarity* m_similarity;
    Coordinator m_coordinator;
    std::vector<NodePtr> m_required;
    std::vector<NodePtr> m_optional;
    int32_t m_twins = 0; // m_optional's one scorer stands for this many clauses
    NodePtr m_counting;
};

/// The weight of a query part (TermWeight, BooleanWeight), mirroring the
/// query as CLucene rewrites it.
struct Weighted {
    Query* query = nullptr;
    float_t boost = 1.0f;             // the boost of the rewritten part
    vefinder::PostingsPtr postings;   // set for a term query
    Term* term = nullptr;
    float_t idf = 0.0f;
    float_t queryWeight = 0.0f;
    float_t value = 0.0f;
    std::vector<Weighted> children;
    bool required = false; ///< a required clause of its parent
};

/// The weight tree of @p query as rewritten (BooleanQuery::rewrite: a boolean
/// query of one clause that is not prohibited stands for its clause, its
/// boost multiplied in), without building the rewritten copy. False when it
/// holds a part not covered or @p reader keeps no postings.
bool weigh(Query* query, IndexReader* reader, Weighted& out)
{
    out.query = query;
    out.boost = query->getBoost();
    if (query->instanceOf(TermQuery::getClassName())) {
        out.term = static_cast<TermQuery*>(query)->getTerm(false);
        out.postings = vefinder::cachedPostings(reader, out.term);
        return out.postings != nullptr;
    }
    if (!query->instanceOf(BooleanQuery::getClassName()))
        return false;
    auto* boolean = static_cast<BooleanQuery*>(query);
    if (boolean->getMinNrShouldMatch() != 0 || boolean->isCoordDisabled())
        return false;
    // The clauses of every level being weighed, in one buffer the thread
    // keeps: this level's from base on, until it returns.
    thread_local std::vector<BooleanClause*> clauses;
    const size_t base = clauses.size();
    const size_t count = boolean->getClauseCount();
    struct Pop {
        std::vector<BooleanClause*>& clauses;
        size_t base;
        ~Pop() { clauses.resize(base); }
    } pop{clauses, base};
    clauses.resize(base + count);
    if (count != 0)
        boolean->getClauses(clauses.data() + base);
    for (size_t i = 0; i < count; ++i) {
        if (clauses[base + i]->isProhibited())
            return false;
    }
    if (count == 1) {
        const float_t boost = out.boost;
        if (!weigh(clauses[base]->getQuery(), reader, out))
            return false;
        if (boost != 1.0f)
            out.boost = boost * out.boost;
        return true;
    }
    out.children.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const BooleanClause* clause = clauses[base + i]; // the buffer may move below
        out.children[i].required = clause->isRequired();
        if (!weigh(clause->getQuery(), reader, out.children[i]))
            return false;
    }
    return true;
}

/// TermWeight::sumOfSquaredWeights (Similarity::idf of a term is that of its
/// document frequency and the index's maxDoc), BooleanWeight's.
float_t sumOfSquaredWeights(Weighted& w, Similarity* similarity, int32_t maxDoc)
{
    if (w.term) {
        w.idf = similarity->idf(w.postings->docFreq, maxDoc);
        w.queryWeight = w.idf * w.boost;
        return w.queryWeight * w.queryWeight;
    }
    float_t sum = 0.0f;
    for (Weighted& child : w.children)
        sum += sumOfSquaredWeights(child, similarity, maxDoc);
    sum *= w.boost * w.boost;
    return sum;
}

/// TermWeight::normalize, BooleanWeight::normalize.
void normalize(Weighted& w, float_t norm)
{
    if (w.term) {
        w.queryWeight *= norm;
        w.value = w.queryWeight * w.idf;
        return;
    }
    norm *= w.boost;
    for (Weighted& child : w.children)
        normalize(child, norm);
}

/// The norms of the fields a search meets, looked up once per search.
class NormsOf
{
public:
    explicit NormsOf(IndexReader* reader) : m_reader(reader) {}
    IndexReader* reader() const { return m_reader; }
    const uint8_t* operator()(const wchar_t* field)
    {
        for (const auto& known : m_known) {
            if (known.first == field || std::wcscmp(known.first, field) == 0)
                return known.second;
        }
        const uint8_t* norms = m_reader->norms(field);
        m_known.emplace_back(field, norms);
        return norms;
    }

private:
    IndexReader* m_reader;
    std::vector<std::pair<const wchar_t*, const uint8_t*>> m_known;
};

/// Whether @p a and @p b are the same query with the same weights, so that
/// their scorers match the same documents with the same scores.
bool sameWeight(const Weighted& a, const Weighted& b)
{
    if (a.term || b.term) {
        return a.term && b.term && a.value == b.value && a.postings == b.postings
            && std::wcscmp(a.term->field(), b.term->field()) == 0
            && std::wcscmp(a.term->text(), b.term->text()) == 0;
    }
    if (a.children.size() != b.children.size())
        return false;
    for (size_t i = 0; i < a.children.size(); ++i) {
        if (a.children[i].required != b.children[i].required
            || !sameWeight(a.children[i], b.children[i]))
            return false;
    }
    return true;
}

/// A boolean part matching nothing: one without clauses.
bool matchesNothing(const Weighted& w)
{
    return !w.term && w.children.empty();
}

/// The optional clauses of @p w that match something, when there are two or
/// more and they are all the same query; empty otherwise.
std::vector<Weighted*> optionalTwins(Weighted& w)
{
    std::vector<Weighted*> twins;
    for (size_t i = 0; i < w.children.size(); ++i) {
        if (w.children[i].required || matchesNothing(w.children[i]))
            continue;
        if (!twins.empty() && !sameWeight(*twins.front(), w.children[i]))
            return {};
        twins.push_back(&w.children[i]);
    }
    if (twins.size() < 2)
        twins.clear();
    return twins;
}

/// The scorer of @p w (TermWeight::scorer, BooleanWeight2::scorer); null when
/// a field searched has no norms or the reader keeps no postings.
NodePtr makeScorer(Weighted& w, Similarity* similarity, NormsOf& normsOf)
{
    if (w.term) {
        const uint8_t* norms = normsOf(w.term->field());
        if (!norms)
            return nullptr;
        return std::make_unique<TermNode>(std::move(w.postings), w.value, similarity, norms);
    }
    const bool allTerms = w.children.size() > 1
        && std::all_of(w.children.begin(), w.children.end(), [](const Weighted& c) { return c.term; })
        && std::all_of(w.children.begin(), w.children.end(), [](const Weighted& c) { return c.required; });
    if (allTerms) {
        std::vector<AllTermsNode::Part> parts;
        parts.reserve(w.children.size());
        thread_local std::vector<const Term*> terms;
        thread_local std::vector<const vefinder::Postings*> postings;
        terms.clear();
        postings.clear();
        for (Weighted& child : w.children) {
            const uint8_t* norms = normsOf(child.term->field());
            if (!norms)
                return nullptr;
            terms.push_back(child.term);
            postings.push_back(child.postings.get());
            parts.push_back(AllTermsNode::Part{std::move(child.postings), norms, child.value});
        }
        vefinder::IntersectionPtr matches = vefinder::cachedIntersection(normsOf.reader(), terms, postings);
        if (!matches)
            return nullptr;
        return std::make_unique<AllTermsNode>(std::move(matches), std::move(parts), similarity);
    }
    auto node = std::make_unique<BooleanNode>(similarity);
    const std::vector<Weighted*> twins = optionalTwins(w);
    if (!twins.empty()) {
        for (size_t i = 0; i < w.children.size(); ++i) {
            if (!w.children[i].required)
                continue;
            NodePtr child = makeScorer(w.children[i], similarity, normsOf);
            if (!child)
                return nullptr;
            node->add(std::move(child), true);
        }
        NodePtr twin = makeScorer(*twins.front(), similarity, normsOf);
        if (!twin)
            return nullptr;
        const auto optionals = std::count_if(w.children.begin(), w.children.end(),
                                             [](const Weighted& c) { return !c.required; });
        node->addOptionalTwins(std::move(twin), int32_t(twins.size()), int32_t(optionals));
        return node;
    }
    for (size_t i = 0; i < w.children.size(); ++i) {
        NodePtr child = makeScorer(w.children[i], similarity, normsOf);
        if (!child)
            return nullptr;
        node->add(std::move(child), w.children[i].required);
    }
    return node;
}

} // namespace

namespace vefinder {

bool scoreCached(IndexSearcher* searcher, Query* query, std::vector<ScoredDoc>& hits)
{
    if (BooleanQuery::getUseScorer14() || BooleanQuery::getAllowDocsOutOfOrder())
        return false;
    IndexReader* reader = searcher->getReader();
    Weighted root;
    if (!weigh(query, reader, root))
        return false;
    // Query::weight
    Similarity* similarity = searcher->getSimilarity();
    const float_t sum = sumOfSquaredWeights(root, similarity, searcher->maxDoc());
    normalize(root, similarity->queryNorm(sum));
    NormsOf normsOf(reader);
    NodePtr scorer = makeScorer(root, similarity, normsOf);
    if (!scorer)
        return false;
    // Scorer::score(HitCollector*), BooleanScorer2::score(HitCollector*)
    while (scorer->next()) {
        const int32_t d = scorer->doc();
        const float_t s = scorer->score();
        if (s > 0.0f)
            hits.push_back(ScoredDoc{d, s});
    }
    return true;
}

} // namespace vefinder
