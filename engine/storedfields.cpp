/** @file storedfields.cpp @brief The process-wide cache of stored fields per index version. */
#include "engine/storedfields_p.h"

#include "engine/indexdirectory_p.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#include <CLucene/document/FieldSelector.h>
#pragma GCC diagnostic pop

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <numeric>
#include <utility>
#include <vector>

namespace vefinder {
namespace {

/// Identifies one version of one index.
struct Key {
    QString path;
    int64_t version = 0;
    int32_t maxDoc = 0;
    bool operator<(const Key& o) const
    {
        if (path != o.path)
            return path < o.path;
        if (version != o.version)
            return version < o.version;
        return maxDoc < o.maxDoc;
    }
};

/// One cached version: built once, by the first caller, under its own lock.
struct Slot {
    std::mutex build;
    StoredFieldsPtr fields;
    uint64_t lastUse = 0;
    std::vector<FileStamp> files; ///< the files the fields were last checked against
    int64_t checkedAt = 0;        ///< when, in nanoseconds since the epoch
};

/// How long before a check a file must have last changed to count as
/// settled: well over a tick of any file system's clock.
constexpr int64_t kSettledNs = int64_t(2) * 1000000000;

std::mutex s_cacheMutex; // guards s_slots and s_clock
std::map<Key, std::shared_ptr<Slot>> s_slots;
uint64_t s_clock = 0;

/// Estimated heap bytes of a QString's data block (header, text, terminator).
qint64 stringBytes(const QString& s)
{
    return s.isEmpty() ? 0 : ((24 + 2 * (qint64(s.size()) + 1) + 15) / 16) * 16;
}

QString storedValue(lucene::document::Document& doc, const wchar_t* field)
{
    const wchar_t* value = doc.get(field);
    return value ? QString::fromWCharArray(value, -1) : QString();
}

/// Whether the value @p doc stores in @p field is @p text, as storedValue
/// would read it; text in the basic plane is compared without converting.
bool storesText(lucene::document::Document& doc, const wchar_t* field, const QString& text)
{
    const wchar_t* value = doc.get(field);
    if (!value)
        return text.isEmpty();
    const QChar* unit = text.constData();
    const QChar* const end = unit + text.size();
    for (; *value; ++value, ++unit) {
        const uint32_t code = uint32_t(*value);
        if (code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF)) // converted, not one unit
            return storedValue(doc, field) == text;
        if (unit == end || unit->unicode() != code)
            return false;
    }
    return unit == end;
}

/// Index of @p text in @p table, added when new.
int intern(QHash<QString, int>& index, TextTable& table, const QString& text)
{
    const auto it = index.constFind(text);
    if (it != index.constEnd())
        return it.value();
    const int id = table.texts.size();
    table.texts.append(text);
    index.insert(text, id);
    return id;
}

/// Ranks the distinct texts in the ranking order of names.
void rankTexts(TextTable& table)
{
    const QVector<QString>& t = table.texts;
    std::vector<int> order(size_t(t.size()));
    std::iota(order.begin(), order.end(), 0);
    const auto before = [&](int a, int b) {
        if (t.at(a).size() != t.at(b).size())
            return t.at(a).size() < t.at(b).size();
        return QString::compare(t.at(a), t.at(b), Qt::CaseInsensitive) > 0;
    };
    std::sort(order.begin(), order.end(), before);
    table.ranks.resize(t.size());
    int rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && before(order[i - 1], order[i]))
            ++rank;
        table.ranks[order[i]] = rank;
    }
}

StoredFieldsPtr readFields(lucene::index::IndexReader* reader, const StoredFieldNames& names)
{
    auto fields = std::make_shared<StoredFields>();
    const int32_t count = reader->maxDoc();
    fields->docs.resize(count);
    QHash<QString, int> matIdIndex;
    QHash<QString, int> titleIndex;
    QHash<QString, int> specIndex;
    qint64 bytes = 0;
    for (int32_t n = 0; n < count; ++n) {
        DocFields& entry = fields->docs[n];
        QString title;
        QString spec;
        if (!reader->isDeleted(n)) {
            lucene::document::Document doc;
            reader->document(n, doc);
            const QString matId = storedValue(doc, names.matId);
            if (!matId.isEmpty()) {
                // Documents sharing a mat id share its number and its text.
                const auto known = matIdIndex.constFind(matId);
                if (known != matIdIndex.constEnd()) {
                    entry.matIdOf = known.value();
                } else {
                    entry.matIdOf = fields->matIds.size();
                    matIdIndex.insert(matId, entry.matIdOf);
                    fields->matIds.append(matId);
                    bytes += stringBytes(matId);
                }
            }
            title = storedValue(doc, names.title);
            spec = storedValue(doc, names.spec);
        }
        entry.titleOf = intern(titleIndex, fields->titles, title);
        entry.specOf = intern(specIndex, fields->specs, spec);
    }
    rankTexts(fields->titles);
    rankTexts(fields->specs);
    for (const TextTable* table : {&fields->titles, &fields->specs}) {
        for (const QString& s : table->texts)
            bytes += stringBytes(s) + qint64(sizeof(QString) + sizeof(int));
    }
    bytes += qint64(count) * qint64(sizeof(DocFields))
        + qint64(fields->matIds.size()) * qint64(sizeof(QString));
    fields->bytes = bytes;
    return fields;
}

/// Loads only the fields the cache holds (documents store more): made once,
/// for the names every caller passes, and kept for the life of the process.
const lucene::document::FieldSelector* sampleSelector(const StoredFieldNames& names)
{
    struct Built {
        StoredFieldNames names;
        const lucene::document::FieldSelector* selector;
    };
    static const Built built = [&names] {
        std::vector<const wchar_t*> fields{names.matId, names.title, names.spec};
        return Built{names, new lucene::document::MapFieldSelector(fields)};
    }();
    const bool same = built.names.matId == names.matId && built.names.title == names.title
        && built.names.spec == names.spec;
    return same ? built.selector : nullptr;
}

/// Whether @p fields hold what @p reader stores at its first, middle and
/// last document: the segments version and document count of an index
/// rebuilt within the same millisecond can equal those of the one before.
bool matchesSample(lucene::index::IndexReader* reader, const StoredFields& fields,
                   const StoredFieldNames& names)
{
    const int32_t count = reader->maxDoc();
    if (count != fields.docs.size())
        return false;
    for (const int32_t n : {0, count / 2, count - 1}) {
        if (n < 0 || n >= count || reader->isDeleted(n))
            continue;
        lucene::document::Document doc;
        if (const lucene::document::FieldSelector* selector = sampleSelector(names))
            reader->document(n, doc, selector);
        else
            reader->document(n, doc);
        if (!storesText(doc, names.matId, fields.matId(n))
            || !storesText(doc, names.title, fields.title(n))
            || !storesText(doc, names.spec, fields.spec(n)))
            return false;
    }
    return true;
}

std::shared_ptr<Slot> slotFor(const Key& key)
{
    const std::lock_guard<std::mutex> lock(s_cacheMutex);
    std::shared_ptr<Slot>& slot = s_slots[key];
    if (!slot)
        slot = std::make_shared<Slot>();
    slot->lastUse = ++s_clock;
    std::shared_ptr<Slot> found = slot;
    // Bounded: the least recently used versions go. A search still using
    // one keeps its fields alive through its own reference.
    while (s_slots.size() > size_t(kStoredFieldsCap)) {
        auto oldest = s_slots.begin();
        for (auto it = s_slots.begin(); it != s_slots.end(); ++it) {
            if (it->second->lastUse < oldest->second->lastUse)
                oldest = it;
        }
        s_slots.erase(oldest);
    }
    return found;
}

/// A searcher of this thread, its index path and, once asked for, its fields.
struct OpenSearcher {
    lucene::search::IndexSearcher* searcher;
    QString path;
    StoredFieldsPtr fields;
};
thread_local std::vector<OpenSearcher> t_searchers;

/// @p path with every symbolic link resolved, absolute when it does not exist.
QString canonicalPath(const QString& path)
{
    char resolved[PATH_MAX];
    if (::realpath(QFile::encodeName(path).constData(), resolved))
        return QFile::decodeName(resolved);
    return QFileInfo(path).absoluteFilePath();
}

int64_t nowNs()
{
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

/// Whether @p files are those @p slot's fields were last checked against,
/// each settled by then: a file changed later in the same clock tick as its
/// stamp would carry the same stamp.
bool sameSettledFiles(const Slot& slot, const std::vector<FileStamp>& files)
{
    if (files.empty() || files != slot.files)
        return false;
    return std::all_of(files.begin(), files.end(), [&](const FileStamp& file) {
        return file.changed < slot.checkedAt - kSettledNs;
    });
}

} // namespace

StoredFieldsPtr acquireStoredFields(lucene::index::IndexReader* reader, const QString& indexPath,
                                    const StoredFieldNames& names)
{
    const Key key{canonicalPath(indexPath), reader->getVersion(), reader->maxDoc()};
    // The files the reader has opened: the very files the fields were last
    // checked against, unchanged since, need no check of their contents.
    std::vector<FileStamp> files;
    if (const auto* directory = dynamic_cast<const ListingDirectory*>(reader->directory()))
        files = directory->openedFiles();
    const std::shared_ptr<Slot> slot = slotFor(key);
    const std::lock_guard<std::mutex> lock(slot->build);
    if (slot->fields && sameSettledFiles(*slot, files))
        return slot->fields;
    const int64_t checkedAt = nowNs();
    if (!slot->fields || !matchesSample(reader, *slot->fields, names))
        slot->fields = readFields(reader, names);
    slot->files = std::move(files);
    slot->checkedAt = checkedAt;
    return slot->fields;
}

void rememberSearcher(lucene::search::IndexSearcher* searcher, const QString& indexPath,
                      StoredFieldsPtr fields)
{
    t_searchers.push_back(OpenSearcher{searcher, indexPath, std::move(fields)});
}

void forgetSearcher(lucene::search::IndexSearcher* searcher)
{
    for (auto it = t_searchers.begin(); it != t_searchers.end(); ++it) {
        if (it->searcher == searcher) {
            t_searchers.erase(it);
            return;
        }
    }
}

StoredFieldsPtr storedFieldsFor(lucene::search::IndexSearcher* searcher,
                                const StoredFieldNames& names)
{
    for (auto it = t_searchers.rbegin(); it != t_searchers.rend(); ++it) {
        if (it->searcher != searcher)
            continue;
        if (!it->fields)
            it->fields = acquireStoredFields(searcher->getReader(), it->path, names);
        return it->fields;
    }
    lucene::index::IndexReader* reader = searcher->getReader();
    lucene::store::Directory* dir = reader->directory();
    QString path;
    if (dir && std::strcmp(dir->getObjectName(), lucene::store::FSDirectory::getClassName()) == 0)
        path = QString::fromLocal8Bit(static_cast<lucene::store::FSDirectory*>(dir)->getDirName());
    if (path.isEmpty())
        return readFields(reader, names); // not a directory on disk: read, keep nothing
    return acquireStoredFields(reader, path, names);
}

void storedFieldsCacheStats(int* versions, qint64* bytes, qint64* postingBytes)
{
    const std::lock_guard<std::mutex> lock(s_cacheMutex);
    int count = 0;
    qint64 total = 0;
    qint64 postingTotal = 0;
    for (const auto& entry : s_slots) {
        // Reading fields of a slot under build would race; count finished ones.
        std::unique_lock<std::mutex> built(entry.second->build, std::try_to_lock);
        if (built.owns_lock() && entry.second->fields) {
            ++count;
            total += entry.second->fields->bytes;
            postingTotal += qint64(entry.second->fields->postings->bytes());
        }
    }
    if (versions)
        *versions = count;
    if (bytes)
        *bytes = total;
    if (postingBytes)
        *postingBytes = postingTotal;
}

} // namespace vefinder
