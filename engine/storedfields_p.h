/** @file storedfields_p.h @brief The stored fields ranking needs, read once per index version and shared by all engines. */
#pragma once

#include "engine/postingcache_p.h"

#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>

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

/// What one document stores, in one record of numbers: ranking a hit reads
/// all of it, and hits come in no order of document numbers.
struct DocFields {
    int matIdOf = -1; ///< the mat id's number (StoredFields::matIds), -1 when empty
    int titleOf = 0;  ///< index into StoredFields::titles
    int specOf = 0;   ///< index into StoredFields::specs
};

/// Mat id, title and specification of every document of one index version,
/// looked up by document number. Immutable once built (the posting cache fills
/// itself, under its own lock); shared between threads.
struct StoredFields {
    QVector<DocFields> docs; ///< by document number
    /// The distinct non-empty mat ids, by number (from 0): a long answer
    /// copies them in ranking order, from a table smaller than the records.
    QVector<QString> matIds;
    TextTable titles;
    TextTable specs;
    qint64 bytes = 0; ///< estimated heap size of all of the above
    /// The postings and norms of this version, read as searches need them.
    std::shared_ptr<PostingCache> postings = std::make_shared<PostingCache>();

    /// Empty for a deleted document or one without a mat id.
    const QString& matId(int32_t doc) const
    {
        static const QString none;
        const int id = docs.at(doc).matIdOf;
        return id < 0 ? none : matIds.at(id);
    }
    const QString& title(int32_t doc) const { return titles.texts.at(docs.at(doc).titleOf); }
    const QString& spec(int32_t doc) const { return specs.texts.at(docs.at(doc).specOf); }
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
/// values of three documents are compared as well, unless the reader's files
/// are the very ones last checked and had settled by then. The first caller
/// for a key reads every document; concurrent callers for the same key wait
/// for it; callers for other keys do not.
StoredFieldsPtr acquireStoredFields(lucene::index::IndexReader* reader, const QString& indexPath,
                                    const StoredFieldNames& names);

/// Notes on this thread that @p searcher searches the index at @p indexPath
/// (with @p fields when already acquired), until forgetSearcher().
void rememberSearcher(lucene::search::IndexSearcher* searcher, const QString& indexPath,
                      StoredFieldsPtr fields = nullptr);
void forgetSearcher(lucene::search::IndexSearcher* searcher);
/// The fields of @p searcher's index, acquired (as above) on first use in a
/// call and kept for the rest of it; for a searcher this thread did not note,
/// those of its reader's directory.
StoredFieldsPtr storedFieldsFor(lucene::search::IndexSearcher* searcher,
                                const StoredFieldNames& names);

/// Number of index versions held, the estimated size in bytes of their
/// stored fields and of their postings and norms.
void storedFieldsCacheStats(int* versions, qint64* bytes, qint64* postingBytes = nullptr);

} // namespace vefinder
