/** @file vefinder_query.cpp @brief Building the code queries and the equivalent-word query. */
#include "engine/vefinder_p.h"

#include "analysis/charclass.h"
#include "analysis/indexfields.h"
#include "lexicon/searchutil.h"

#include <QHash>

#include <memory>
#include <mutex>
#include <shared_mutex>

using lucene::index::Term;
using lucene::search::BooleanClause;
using lucene::search::BooleanQuery;
using lucene::search::TermQuery;

namespace {

/// Words of one equivalent name that go into its conjunction; the rest of a
/// longer list is ignored, which keeps a clause list well inside the index
/// library's limit of 1024.
constexpr int kMaxWordsPerName = 1000;

/// The word query of @p text: any of its equivalent names, each with all of
/// its words (see VeFinder::mkWordPplQuery).
BooleanQuery* wordQuery(const QString& text)
{
    QMap<QString, QStringList> names;
    SearchUtil::instance()->getMatEquivalsPPL(names, text);

    // A boolean query holds at most getMaxClauseCount() clauses and throws
    // beyond; a word with more equivalent names keeps the first ones (in key
    // order) rather than failing the whole search.
    const size_t maxNames = BooleanQuery::getMaxClauseCount();
    std::unique_ptr<BooleanQuery> query(_CLNEW BooleanQuery(false));
    for (auto it = names.constBegin(); it != names.constEnd(); ++it) {
        if (query->getClauseCount() >= maxNames)
            break;
        std::unique_ptr<BooleanQuery> name(_CLNEW BooleanQuery(false));
        const QStringList& words = it.value();
        const int count = qMin(words.size(), kMaxWordsPerName);
        for (int i = 0; i < count; ++i) {
            const QString& word = words.at(i);
            // add() frees the clause itself when it fails
            name->add(vefinder::newTermQuery(IndexFields::name(wordFindType(word)), word), true,
                      BooleanClause::MUST);
        }
        query->add(name.release(), true, BooleanClause::SHOULD);
    }
    return query.release();
}

/// The shared word queries kept at most; a full table starts again empty
/// (searches holding a query keep it alive).
constexpr int kSharedWordQueryCap = 1024;

struct SharedWordQueries {
    std::shared_mutex lock; // guards byText
    QHash<QPair<QString, size_t>, std::shared_ptr<BooleanQuery>> byText;
};

SharedWordQueries& sharedWordQueries()
{
    static SharedWordQueries queries;
    return queries;
}

} // namespace

std::shared_ptr<lucene::search::BooleanQuery> vefinder::sharedWordQuery(const QString& text)
{
    // The clause limit shapes the query and a host may change it.
    const QPair<QString, size_t> key(text, BooleanQuery::getMaxClauseCount());
    SharedWordQueries& queries = sharedWordQueries();
    {
        const std::shared_lock<std::shared_mutex> reading(queries.lock);
        const auto it = queries.byText.constFind(key);
        if (it != queries.byText.constEnd())
            return it.value();
    }
    std::shared_ptr<BooleanQuery> built(wordQuery(text),
                                        [](BooleanQuery* query) { _CLLDELETE(query); });
    const std::unique_lock<std::shared_mutex> writing(queries.lock);
    // Another thread may have built it meanwhile: theirs serves both.
    const auto it = queries.byText.constFind(key);
    if (it != queries.byText.constEnd())
        return it.value();
    if (queries.byText.size() >= kSharedWordQueryCap)
        queries.byText.clear();
    queries.byText.insert(key, built);
    return built;
}

TermQuery* vefinder::newTermQuery(const wchar_t* field, const QString& text)
{
    // CLucene's wide characters (surrogate pairs joined, wchar_t holding 32
    // bits). The term copies the text: the thread's buffer serves every call.
    thread_local std::wstring value;
    value.resize(size_t(text.size()));
    value.resize(size_t(text.toWCharArray(&value[0])));
    Term* term = _CLNEW Term(field, value.c_str());
    TermQuery* query = nullptr;
    try {
        query = _CLNEW TermQuery(term);
    } catch (...) {
        _CLDECDELETE(term);
        throw;
    }
    _CLDECDELETE(term);
    return query;
}

VeFinder::BooleanQuery* VeFinder::mkCodeQuery(const QString& code)
{
    std::unique_ptr<BooleanQuery> query(_CLNEW BooleanQuery(false));
    query->add(vefinder::newTermQuery(fieldTerm(DocCode), code), true, BooleanClause::MUST);
    return query.release();
}

VeFinder::BooleanQuery* VeFinder::mkBooleanQuery(const QString& code)
{
    std::unique_ptr<BooleanQuery> query(_CLNEW BooleanQuery(false));
    if (!code.isEmpty())
        query->add(mkCodeQuery(code), true, BooleanClause::MUST);
    return query.release();
}

VeFinder::BooleanQuery* VeFinder::mkWordPplQuery(const QString& text)
{
    return wordQuery(text);
}
