/** @file wordsegmenttestaccess.h @brief Test access to WordSegment: private pools and their state. */
#pragma once

#include "segment/wordsegment.h"

#include <memory>
#include <mutex>

/// Builds pools of its own through the private constructor and observes or
/// drives their free-entry queue and replacement table.
class WordSegmentTestAccess
{
public:
    struct Deleter {
        void operator()(WordSegment* segmenter) const { delete segmenter; }
    };
    using Pool = std::unique_ptr<WordSegment, Deleter>;

    static Pool createPool() { return Pool(new WordSegment); }

    /// The pool's dictionaries load in the background; these wait for all of them.
    static std::unique_lock<std::mutex> loaded(WordSegment& pool)
    {
        std::unique_lock<std::mutex> lock(pool.m_mutex);
        pool.m_loadedCond.wait(lock, [&] { return pool.m_loadedCount == pool.m_poolSize; });
        return lock;
    }

    static QList<int> freeIndexes(WordSegment& pool)
    {
        const auto lock = loaded(pool);
        return pool.m_freeIndexes;
    }

    static int segmenterCount(WordSegment& pool)
    {
        const auto lock = loaded(pool);
        return pool.m_segmenters.size();
    }

    /// Marks every free entry as taken, as if callers were segmenting with them.
    static QList<int> takeAllEntries(WordSegment& pool)
    {
        const auto lock = loaded(pool);
        const QList<int> taken = pool.m_freeIndexes;
        pool.m_freeIndexes.clear();
        return taken;
    }

    /// Gives back one entry the way a finished caller does.
    static void giveBack(WordSegment& pool, int index)
    {
        const std::lock_guard<std::mutex> lock(pool.m_mutex);
        pool.m_freeIndexes.append(index);
        pool.m_waitCond.notify_one();
    }

    static QMap<QString, QString> replaceWords(const WordSegment& pool)
    {
        return pool.m_replaceWords;
    }

    static void setReplaceWords(WordSegment& pool, const QMap<QString, QString>& table)
    {
        pool.m_replaceWords = table;
    }
};
