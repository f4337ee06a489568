/** @file vefinder_strategies.cpp @brief The word strategies of the fuzzy search, strict to loose. */
#include "engine/vefinder_p.h"

#include "analysis/charclass.h"
#include "analysis/charclass_p.h"
#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"

#include <algorithm>
#include <memory>

using lucene::search::BooleanClause;
using lucene::search::BooleanQuery;

namespace {

/// A loop over the words of a text visits at most this many words.
constexpr int kWordCap = 1000;

using WordQueryMaker = BooleanQuery* (*)(const QString&);

/// Whether @p parent can take one more clause. CLucene throws on
/// a query with more clauses than its limit; a long description must not fail
/// the whole search, so clauses beyond the limit are left out like the words
/// beyond the word cap.
bool hasRoom(const BooleanQuery* parent)
{
    return parent->getClauseCount() < BooleanQuery::getMaxClauseCount();
}

/// Adds the word query of @p word to @p parent; false (and nothing added)
/// when @p parent is full.
bool addWordClause(BooleanQuery* parent, WordQueryMaker make, const QString& word,
                   BooleanClause::Occur occur)
{
    if (!hasRoom(parent))
        return false;
    parent->add(make(word), true, occur);
    return true;
}

/// The word query of one strategy: the required words (MUST, recorded in
/// order for the repeat check) and the allowed ones (SHOULD).
class StrategyQuery
{
public:
    explicit StrategyQuery(WordQueryMaker make) : m_make(make), m_query(_CLNEW BooleanQuery(false))
    {}

    void require(const QString& word)
    {
        if (addWordClause(m_query.get(), m_make, word, BooleanClause::MUST))
            m_words.append(word);
    }
    void allow(const QString& word)
    {
        addWordClause(m_query.get(), m_make, word, BooleanClause::SHOULD);
    }
    /// A clause that takes part in the query but not in the word list.
    void addPiece(const QString& piece, bool required)
    {
        addWordClause(m_query.get(), m_make, piece,
                      required ? BooleanClause::MUST : BooleanClause::SHOULD);
    }

    const QStringList& words() const { return m_words; }
    /// Hands the query over to the caller.
    BooleanQuery* release() { return m_query.release(); }

private:
    WordQueryMaker m_make;
    std::unique_ptr<BooleanQuery> m_query;
    QStringList m_words;
};

/// True when this pass already ran a query with the same required words; else
/// remembers @p words as the last word list and returns false.
bool isRepeat(QStringList* queriedWords, const QStringList& words)
{
    if (!queriedWords)
        return false;
    if (*queriedWords == words)
        return true;
    *queriedWords = words;
    return false;
}

/// The final query: the code restriction (when @p codeQuery is set) and the
/// word query, both required. Takes ownership of both.
BooleanQuery* wrapWithCode(BooleanQuery* codeQuery, BooleanQuery* wordQuery)
{
    std::unique_ptr<BooleanQuery> code(codeQuery);
    std::unique_ptr<BooleanQuery> words(wordQuery);
    std::unique_ptr<BooleanQuery> wrapped(_CLNEW BooleanQuery(false));
    if (code)
        wrapped->add(code.release(), true, BooleanClause::MUST);
    wrapped->add(words.release(), true, BooleanClause::MUST);
    return wrapped.release();
}

bool hasAsciiLetterOrDigit(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return isAsciiDigit(c) || isAsciiLetter(c); });
}

} // namespace

QList<QStringList> VeFinder::runWordQuery(IndexSearcher* searcher, BooleanQuery* wordQuery,
                                          const QStringList& requiredWords,
                                          QStringList* queriedWords, const QString& text,
                                          const QString& code)
{
    std::unique_ptr<BooleanQuery> owned(wordQuery);
    if (isRepeat(queriedWords, requiredWords))
        return {};
    BooleanQuery* query =
        wrapWithCode(code.isEmpty() ? nullptr : mkCodeQuery(code), owned.release());
    return addMatIdsSortAdvance(searcher, query, text, code);
}

QList<QStringList> VeFinder::searchMatsetAll(IndexSearcher* searcher, const QString& text,
                                             const QString& code)
{
    // The whole text as one word; its query is shared and outlives this
    // search's query, which only refers to it.
    const std::shared_ptr<BooleanQuery> wholeWord = vefinder::sharedWordQuery(text);
    std::unique_ptr<BooleanQuery> whole(_CLNEW BooleanQuery(false));
    whole->add(wholeWord.get(), false, BooleanClause::MUST);

    // The space-separated parts, when there are several.
    std::unique_ptr<BooleanQuery> spaced(_CLNEW BooleanQuery(false));
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() > 1) {
        for (int i = 0; i < parts.size() && i < kWordCap; ++i) {
            if (!addWordClause(spaced.get(), &VeFinder::mkWordPplQuery, parts.at(i),
                               BooleanClause::MUST))
                break;
        }
    }

    // The segmented words.
    std::unique_ptr<BooleanQuery> segmented(_CLNEW BooleanQuery(false));
    const QStringList words = WordSegment::segmentText(text, true);
    for (int i = 0; i < words.size() && i < kWordCap; ++i) {
        // A one-word text asks for the same word query twice: the shared
        // one serves again.
        if (words.at(i) == text && hasRoom(segmented.get()))
            segmented->add(wholeWord.get(), false, BooleanClause::MUST);
        else if (!addWordClause(segmented.get(), &VeFinder::mkWordPplQuery, words.at(i),
                                BooleanClause::MUST))
            break;
    }

    std::unique_ptr<BooleanQuery> any(_CLNEW BooleanQuery(false));
    any->add(whole.release(), true, BooleanClause::SHOULD);
    any->add(spaced.release(), true, BooleanClause::SHOULD);
    any->add(segmented.release(), true, BooleanClause::SHOULD);

    BooleanQuery* query = wrapWithCode(code.isEmpty() ? nullptr : mkCodeQuery(code), any.release());
    return addMatIdsSortAdvance(searcher, query, text, code);
}

QList<QStringList> VeFinder::searchAllMixPpl(IndexSearcher* searcher, const QString& text,
                                             const QString& code, QStringList* queriedWords)
{
    if (!hasAsciiLetterOrDigit(text))
        return {};

    const SearchUtil* util = SearchUtil::instance();
    StrategyQuery q(&VeFinder::mkWordPplQuery);
    const QStringList words = WordSegment::segmentText(text, true);
    for (int i = 0; i < words.size() && i < kWordCap; ++i) {
        const QString& word = words.at(i);
        const EnDocFindType type = wordFindType(word);
        if (util->isEnCore(word)) {
            q.require(word);
        } else if (type == DocMixPpl) {
            for (const QString& piece : splitMixedWord(word, true))
                q.require(piece);
        } else if (type == DocNumPpl && hasNonNumericChar(word)) {
            for (const QString& piece : splitAlnumWord(word))
                q.require(piece);
        } else {
            q.require(word);
        }
    }

    return runWordQuery(searcher, q.release(), q.words(), queriedWords, text, code);
}

QList<QStringList> VeFinder::searchRmEN(IndexSearcher* searcher, const QString& text,
                                        const QStringList& words, const QString& code,
                                        QStringList* queriedWords)
{
    const SearchUtil* util = SearchUtil::instance();
    StrategyQuery q(&VeFinder::mkWordPplQuery);
    for (int i = 0; i < words.size() && i < kWordCap; ++i) {
        const QString& word = words.at(i);
        const EnDocFindType type = wordFindType(word);
        if (util->isEnCore(word)) {
            q.require(word);
        } else if (type == DocMixPpl) {
            // Of a model code only its numbers and English core pieces count.
            for (const QString& piece : splitMixedWord(word, true)) {
                if (wordFindType(piece) == DocNumPpl || util->isEnCore(piece))
                    q.require(piece);
            }
        } else if (type == DocEnPpl) {
            continue;
        } else {
            q.require(word);
        }
    }

    return runWordQuery(searcher, q.release(), q.words(), queriedWords, text, code);
}

QList<QStringList> VeFinder::searchOnlyChs(IndexSearcher* searcher, const QString& text,
                                           const QStringList& words, const QString& code,
                                           QStringList* queriedWords)
{
    const SearchUtil* util = SearchUtil::instance();
    StrategyQuery q(&VeFinder::mkWordPplQuery);
    for (int i = 0; i < words.size() && i < kWordCap; ++i) {
        const QString& word = words.at(i);
        const EnDocFindType type = wordFindType(word);
        if (type == DocChsPpl || util->isEnCore(word)) {
            q.require(word);
            continue;
        }
        q.allow(word);
        if (type == DocMixPpl || (type == DocNumPpl && hasNonNumericChar(word))) {
            for (const QString& piece : splitAlnumWord(word))
                q.addPiece(piece, util->isEnCore(piece));
        }
    }

    return runWordQuery(searcher, q.release(), q.words(), queriedWords, text, code);
}

QList<QStringList> VeFinder::searchCoreWord(IndexSearcher* searcher, const QString& text,
                                            const QStringList& words, const QString& code,
                                            bool recomputeCoreWords)
{
    const SearchUtil* util = SearchUtil::instance();
    const QMap<int, QStringList> coreWords =
        recomputeCoreWords ? util->coreWord(text) : m_coreWordMap;

    QStringList enWords;
    for (const QString& word : words) {
        if (util->isEnCore(word))
            enWords.append(word);
    }

    // Longest core words first; the first group after which anything has
    // been delivered ends the walk.
    QList<QStringList> result;
    for (auto it = coreWords.constEnd(); it != coreWords.constBegin();) {
        --it;
        result = searchCoreWordInner(searcher, text, enWords, it.value(), code);
        if (!m_deliveredIds.empty())
            break;
    }
    return result;
}

QList<QStringList> VeFinder::searchCoreWordInner(IndexSearcher* searcher, const QString& text,
                                                 const QStringList& enWords,
                                                 const QStringList& groupWords, const QString& code)
{
    const SearchUtil* util = SearchUtil::instance();
    std::unique_ptr<BooleanQuery> query(mkBooleanQuery(code));

    std::unique_ptr<BooleanQuery> group(_CLNEW BooleanQuery(false));
    QString rest = text;
    for (const QString& coreWord : groupWords) {
        addWordClause(group.get(), &VeFinder::mkWordPplQuery, coreWord,
                      util->containEnCore(coreWord) ? BooleanClause::MUST : BooleanClause::SHOULD);
        if (!coreWord.isEmpty())
            rest.remove(coreWord, Qt::CaseSensitive);
    }
    query->add(group.release(), true, BooleanClause::MUST);

    for (const QString& word : enWords)
        addWordClause(query.get(), &VeFinder::mkWordPplQuery, word, BooleanClause::MUST);

    bool foundEnCore = false;
    for (const QString& word : WordSegment::segmentText(rest, true)) {
        if (util->isEnCore(word)) {
            foundEnCore = true;
            addWordClause(query.get(), &VeFinder::mkWordPplQuery, word, BooleanClause::MUST);
            continue;
        }
        addWordClause(query.get(), &VeFinder::mkWordPplQuery, word, BooleanClause::SHOULD);
        if (wordFindType(word) == DocMixPpl) {
            for (const QString& piece : splitAlnumWord(word)) {
                const bool core = util->isEnCore(piece);
                foundEnCore = foundEnCore || core;
                addWordClause(query.get(), &VeFinder::mkWordPplQuery, piece,
                              core ? BooleanClause::MUST : BooleanClause::SHOULD);
            }
        }
    }

    if (groupWords.isEmpty() && !foundEnCore)
        return {};
    return addMatIdsSortAdvance(searcher, query.release(), text, code);
}
