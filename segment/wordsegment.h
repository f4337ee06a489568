/** @file wordsegment.h @brief WordSegment, the pooled friso Chinese word segmenter. */
#pragma once

#include "vefinder_export.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct friso_config_struct;
struct SegmenterEntry;

/// Cuts text into words with friso. A process-wide singleton holding a pool of
/// three segmenters, each with its own dictionary; up to three threads segment
/// at once, further callers wait their turn (first in, first out). Before
/// segmentation the replacements of dict/UTF-8/word-replace.txt are applied.
/// The first call waits for the first dictionary only; the other two load at
/// the same time in the background and join the pool as they finish.
class VEFINDER_EXPORT WordSegment
{
public:
    /// The words of @p text; instance()->segment(text, unique).
    static QStringList segmentText(const QString& text, bool unique);
    /// The singleton, built on first use.
    static WordSegment* instance();

    /// The words of @p text in friso's order, later repeats removed when
    /// @p unique; never empty (a text without words comes back as itself).
    QStringList segment(const QString& text, bool unique);

    WordSegment(const WordSegment&) = delete;
    WordSegment& operator=(const WordSegment&) = delete;

private:
    WordSegment();
    ~WordSegment();
    void init();
    /// Loads pool entry @p index; on a loader thread when @p background.
    void loadEntry(int index, const QByteArray& dictionaryDir, bool background);
    static void initConfig(friso_config_struct* config);
    void loadReplaceWords();
    void freeAll();

    QVector<SegmenterEntry*> m_segmenters; ///< the pool; entries owned (null until loaded)
    QList<int> m_freeIndexes;              ///< free pool entries, first in first out
    std::mutex m_mutex;                    ///< guards m_freeIndexes and m_loadedCount
    std::condition_variable m_waitCond;    ///< woken once per returned entry
    int m_poolSize = 3;                    ///< number of pool entries
    QMap<QString, QString> m_replaceWords; ///< text to find, its replacement
    int m_loadedCount = 0;                ///< entries in the pool so far (they join in index order)
    std::condition_variable m_loadedCond; ///< woken when an entry joins the pool
    std::vector<std::thread> m_loaders;   ///< dictionary loaders, joined by the destructor
};
