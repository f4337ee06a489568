/** @file cachedscorer_p.h @brief CLucene's boolean and term scoring, run on the postings kept in memory. */
#pragma once

#include "engine/searchhits_p.h"

#include <vector>

namespace vefinder {

/// Scores @p query, as rewritten for @p searcher, the way CLucene's default
/// scorers do (BooleanScorer2 with its conjunction, disjunction and
/// required-optional scorers over term scorers), step for step and in the
/// same float arithmetic, so that the same documents come with bit-identical
/// scores; but on the postings and norms the searcher's caching reader keeps,
/// without CLucene's virtual term enumerators. The hits scoring above zero
/// are appended to @p hits in document order.
///
/// False, with @p hits untouched, when the query holds something this does
/// not cover (other query kinds, prohibited clauses, a minimum number of
/// optional matches, another scorer setting) or the searcher's reader keeps
/// no postings: the caller then searches with CLucene.
bool scoreCached(lucene::search::IndexSearcher* searcher, lucene::search::Query* query,
                 std::vector<ScoredDoc>& hits);

} // namespace vefinder
