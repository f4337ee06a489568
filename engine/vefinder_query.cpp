/** @file vefinder_query.cpp @brief Building the code queries and the equivalent-word query. */
#include "engine/vefinder_p.h"

#include "analysis/charclass.h"
#include "lexicon/searchutil.h"

#include <memory>

using lucene::index::Term;
using lucene::search::BooleanClause;
using lucene::search::TermQuery;

namespace {

/// Words of one equivalent name that go into its conjunction; the rest of a
/// longer list is ignored, which keeps a clause list well inside the index
/// library's limit of 1024.
constexpr int kMaxWordsPerName = 1000;

} // namespace

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
            name->add(vefinder::newTermQuery(fieldTerm(wordFindType(word)), word), true,
                      BooleanClause::MUST);
        }
        query->add(name.release(), true, BooleanClause::SHOULD);
    }
    return query.release();
}
