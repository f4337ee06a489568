/** @file storedfields_p.h @brief The stored fields ranking needs, read once per index version and shared by all engines. */
#pragma once

#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <unordered_map>

namespace lucene {
namespace index {
class IndexReader;
} // namespace index
namespace search {
class IndexSearcher;
} // namespace search
} // namespace lucene

namespace vefinder {

/// The distinct values of one stored text field, with their place in the
/// ranking order of names: shorter first, then the case-insensitively greater
/// first. Values equal under that order share a rank, so comparing ranks
/// gives the same answer as comparing the texts.
struct TextTable {
    QVector<QString> texts;
    QVector<int> ranks;
};

/// The document frequencies of the terms searched on one index version,
/// filled as searches look them up. Shared between threads.
class TermCounts
{
public:
    /// How many terms one index version keeps (about 100 bytes each); lookups
    /// beyond go to the index.
    static constexpr size_t kCap = 1 << 17;

    /// The count noted for @p text in @p field, or -1.
    int32_t find(const wchar_t* field, const wchar_t* text) const;
    void insert(const wchar_t* field, const wchar_t* text, int32_t count);

private:
    static std::wstring key(const wchar_t* field, const wchar_t* text);
    mutable std::shared_mutex m_lock;
    std::unordered_map<std::wstring, int32_t> m_counts;
};

/// Mat id, title and specification of every document of one index version,
/// looked up by document number. Immutable once built; shared between threads.
struct StoredFields {
    QVector<QString> matIds; ///< by document number; empty for a deleted document
    QVector<int> matIdOf;    ///< by document number: the mat id's number, -1 when empty
    int matIdCount = 0;      ///< number of distinct non-empty mat ids (numbered from 0)
    QVector<int> titleOf;    ///< by document number: index into titles
    QVector<int> specOf;     ///< by document number: index into specs
    TextTable titles;
    TextTable specs;
    qint64 bytes = 0; ///< estimated heap size of all of the above
    std::shared_ptr<TermCounts> termCounts = std::make_shared<TermCounts>();

    const QString& title(int32_t doc) const { return titles.texts.at(titleOf.at(doc)); }
    const QString& spec(int32_t doc) const { return specs.texts.at(specOf.at(doc)); }
};
using StoredFieldsPtr = std::shared_ptr<const StoredFields>;

/// How many index versions the process keeps (least recently used dropped).
constexpr int kStoredFieldsCap = 4;

/// The field names to read: mat id, title, specification.
struct StoredFieldNames {
    const wchar_t* matId;
    const wchar_t* title;
    const wchar_t* spec;
};

/// The fields of the index @p reader has open at @p indexPath. The key is
/// the directory's canonical path with the reader's segments version and
/// document count, so a rebuilt or replaced index is read anew; the stored
/// values of three documents are compared on every call as well. The first
/// caller for a key reads every document; concurrent callers for the same
/// key wait for it; callers for other keys do not.
StoredFieldsPtr acquireStoredFields(lucene::index::IndexReader* reader, const QString& indexPath,
                                    const StoredFieldNames& names);

/// Notes on this thread that @p searcher searches the index at @p indexPath,
/// until forgetSearcher().
void rememberSearcher(lucene::search::IndexSearcher* searcher, const QString& indexPath);
void forgetSearcher(lucene::search::IndexSearcher* searcher);
/// The fields of @p searcher's index, acquired (as above) on first use in a
/// call and kept for the rest of it; for a searcher this thread did not note,
/// those of its reader's directory.
StoredFieldsPtr storedFieldsFor(lucene::search::IndexSearcher* searcher,
                                const StoredFieldNames& names);

/// An index searcher whose document frequencies come from @p counts once
/// looked up (the same numbers, read from the index once per index version).
lucene::search::IndexSearcher* newCountingSearcher(lucene::index::IndexReader* reader);
/// Gives @p searcher, made by newCountingSearcher, the counts to keep.
void setTermCounts(lucene::search::IndexSearcher* searcher, std::shared_ptr<TermCounts> counts);

/// Number of index versions held and their estimated size in bytes.
void storedFieldsCacheStats(int* versions, qint64* bytes);

} // namespace vefinder
