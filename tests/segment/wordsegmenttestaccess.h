/** @file wordsegmenttestaccess.h @brief Test access to WordSegment: private pools and their state. */
#pragma once

#include "segment/wordsegment.h"

#include <QMutexLocker>

#include <memory>

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

    static QList<int> freeIndexes(WordSegment& pool)
    {
        QMutexLocker locker(&pool.m_mutex);
        return pool.m_freeIndexes;
    }

    static int segmenterCount(const WordSegment& pool) { return pool.m_segmenters.size(); }

    /// Marks every free entry as taken, as if callers were segmenting with them.
    static QList<int> takeAllEntries(WordSegment& pool)
    {
        QMutexLocker locker(&pool.m_mutex);
        const QList<int> taken = pool.m_freeIndexes;
        pool.m_freeIndexes.clear();
        return taken;
    }

    /// Gives back one entry the way a finished caller does.
    static void giveBack(WordSegment& pool, int index)
    {
        QMutexLocker locker(&pool.m_mutex);
        pool.m_freeIndexes.append(index);
        pool.m_waitCond.wakeOne();
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
