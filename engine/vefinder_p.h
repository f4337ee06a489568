/** @file vefinder_p.h @brief Engine internals shared by the VeFinder sources: index headers, wide text, the close guard. */
#pragma once

#include "engine/vefinder.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace vefinder {

struct StoredFieldNames;
/// The stored fields the ranking reads: mat id, title, specification.
const StoredFieldNames& storedFieldNames();

/// A new TermQuery on @p field = @p text. The query holds its own reference
/// to the term; ours is released before returning.
lucene::search::TermQuery* newTermQuery(const wchar_t* field, const QString& text);

/// VeFinder::mkWordPplQuery(@p text), built once per text (and clause limit)
/// and shared by the searches of every thread, which only read it: a search
/// adds it to its own query without handing over ownership
/// (deleteQuery false) and holds this reference until that query is gone.
std::shared_ptr<lucene::search::BooleanQuery> sharedWordQuery(const QString& text);

/// Runs an entry operation's close step exactly once, whichever way the
/// operation leaves: by finish() on the normal path (a failure of the close
/// step then reaches the caller), or from the destructor when an exception
/// of CLucene unwinds the operation. In the latter case a second
/// failure while closing is dropped so that the first exception reaches the
/// host; reader and searcher are released and the delivered ids emptied
/// either way, so the engine's next call starts clean. VeFinder::withIndex
/// frames every entry operation with it.
class CloseGuard
{
public:
    explicit CloseGuard(std::function<void()> close) : m_close(std::move(close)) {}
    ~CloseGuard()
    {
        if (!m_close)
            return;
        try {
            m_close();
        } catch (...) {
            // an exception is already on its way out; keep that one
        }
    }
    CloseGuard(const CloseGuard&) = delete;
    CloseGuard& operator=(const CloseGuard&) = delete;

    /// Runs the close step now (normal path).
    void finish()
    {
        std::function<void()> close = std::move(m_close);
        m_close = nullptr;
        if (close)
            close();
    }

private:
    std::function<void()> m_close;
};

/// Sets the engine's step name for the observer while a step runs and puts
/// the previous one back afterwards.
class StepScope
{
public:
    StepScope(const char*& step, const char* name) : m_step(step), m_previous(step)
    {
        m_step = name;
    }
    ~StepScope() { m_step = m_previous; }
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;

private:
    const char*& m_step;
    const char* m_previous;
};

} // namespace vefinder
