/** @file entrylookup.h @brief EntryLookup, the stored fields of catalogue entries by mat id. */
#pragma once

#include <QHash>
#include <QString>

namespace lucene {
namespace index {
class IndexReader;
} // namespace index
} // namespace lucene

/// What the index stores about one entry, for display.
struct CatalogueEntry {
    bool found = false; ///< the index holds a document with the mat id
    QString code;       ///< first stored code
    QString name;       ///< stored title (the normalised name)
    QString spec;       ///< stored specification (normalised)
    QString brand;
};

/// Reads the stored fields of entries from a catalogue index, by mat id. Ids
/// are looked up as exact terms of "mat_id"; for an index that stores the id
/// without indexing it, the documents are scanned once. Opens the index for
/// its own lifetime.
class EntryLookup
{
public:
    explicit EntryLookup(const QString& indexPath);
    ~EntryLookup();
    EntryLookup(const EntryLookup&) = delete;
    EntryLookup& operator=(const EntryLookup&) = delete;

    /// Empty when the index is open, else why not.
    QString error() const { return m_error; }
    /// The first document that carries @p matId.
    CatalogueEntry entry(const QString& matId);

private:
    int findDocument(const QString& matId);
    void scanAll();

    lucene::index::IndexReader* m_reader = nullptr;
    QString m_error;
    bool m_scanned = false;
    QHash<QString, int> m_documents; ///< filled by scanAll()
};
