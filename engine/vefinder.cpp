/** @file vefinder.cpp @brief VeFinder's life cycle, index access and observer hooks. */
#include "engine/indexdirectory_p.h"
#include "engine/storedfields_p.h"
#include "engine/vefinder_p.h"
#include "engine/vesearchobserver.h"

#include "analysis/indexfields.h"

#include <exception>
#include <mutex>

namespace {

/// Releases what the index layer keeps per reader once the reader is closed.
/// Debian's CLucene build keeps no scorer map: the caches it ties to a reader
/// (field cache, norms) are dropped by the reader's own close callbacks and
/// destructor. The step stays here, after close() and before the reader is
/// deleted, so a build that does keep such a map has one place to clear it.
void clearScorerMap(lucene::index::IndexReader* reader)
{
    Q_UNUSED(reader)
}

/// CLucene creates some shared objects on first use without a
/// lock: the default Similarity (Similarity::getDefault(), called by every
/// Searcher's constructor) and the mutex guarding its per-thread data (the
/// first ThreadLocal::set(), reached by the first term lookup). Two threads
/// getting there first at the same time each create one and one is leaked;
/// the per-thread data may be updated under two different mutexes. Both are
/// created here, once, under a lock, before any searcher exists.
/// An index without terms looks nothing up, so the step is tried again with
/// the next reader until one has a term.
void createSharedSearchObjects(lucene::index::IndexReader* reader)
{
    static std::mutex mutex;
    static bool created = false;
    const std::lock_guard<std::mutex> lock(mutex);
    if (created)
        return;
    lucene::search::Similarity::getDefault();
    // A reader that fails here fails the same way in its search, which
    // reports it; this step only leaves the objects for the next reader.
    lucene::index::TermEnum* terms = nullptr;
    try {
        terms = reader->terms();
        if (terms->next()) {
            reader->docFreq(terms->term(false));
            created = true;
        }
        terms->close();
    } catch (...) {}
    _CLDELETE(terms);
}

} // namespace

VeFinder::VeFinder() = default;
VeFinder::VeFinder(const VeFinder& other) = default;
VeFinder& VeFinder::operator=(const VeFinder& other) = default;
VeFinder::~VeFinder() = default;

void VeFinder::setPosIndex(const QHash<QString, QString>& posIndex)
{
    m_posIndex = posIndex;
}

void VeFinder::setObserver(VeSearchObserver* observer)
{
    m_observer = observer;
}

VeSearchObserver* VeFinder::observer() const
{
    return m_observer;
}

bool VeFinder::initSearcher(IndexReader*& reader, IndexSearcher*& searcher,
                            const QString& indexPath)
{
    clearDelivered();
    const QByteArray path = indexPath.toLocal8Bit();
    IndexReader* openedReader = nullptr;
    try {
        openedReader = vefinder::openIndexReader(path.constData());
        createSharedSearchObjects(openedReader);
        // Every search needs the fields; the postings come with them. Without
        // them the search reads the index itself, and reports what fails.
        vefinder::StoredFieldsPtr fields;
        try {
            fields = vefinder::acquireStoredFields(openedReader, indexPath,
                                                   vefinder::storedFieldNames());
        } catch (...) {}
        if (fields)
            openedReader = vefinder::newCachingReader(openedReader, fields->postings);
        IndexSearcher* openedSearcher = _CLNEW IndexSearcher(openedReader);
        vefinder::rememberSearcher(openedSearcher, indexPath, fields);
        reader = openedReader;
        searcher = openedSearcher;
        return true;
    } catch (...) {
        // An index that cannot be opened is an empty result, not an error of
        // the host's; a reader opened before the failure is not leaked.
        if (openedReader) {
            try {
                openedReader->close();
            } catch (...) {}
            _CLDELETE(openedReader);
        }
        return false;
    }
}

void VeFinder::closeSearcher(IndexReader* reader, IndexSearcher* searcher)
{
    clearDelivered();
    vefinder::forgetSearcher(searcher);
    // Every step runs even when an earlier one fails, so nothing is left
    // open; the first failure is passed on once all is released.
    std::exception_ptr failure;
    if (searcher) {
        try {
            searcher->close();
        } catch (...) {
            failure = std::current_exception();
        }
        _CLDELETE(searcher);
    }
    if (reader) {
        try {
            reader->close();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        clearScorerMap(reader);
        _CLDELETE(reader);
    }
    if (failure)
        std::rethrow_exception(failure);
}

bool VeFinder::withIndex(const QString& indexPath,
                         const std::function<void(IndexSearcher*)>& search)
{
    IndexReader* reader = nullptr;
    IndexSearcher* searcher = nullptr;
    if (!initSearcher(reader, searcher, indexPath))
        return false;
    vefinder::CloseGuard guard([&] { closeSearcher(reader, searcher); });
    search(searcher);
    guard.finish();
    return true;
}

const wchar_t* VeFinder::fieldTerm(EnDocFindType type)
{
    return IndexFields::name(type);
}

QString VeFinder::getFieldValue(Document& doc, const wchar_t* field)
{
    wchar_t** values = doc.getValues(field);
    if (!values)
        return QString();
    QString value;
    if (values[0])
        value = QString::fromWCharArray(values[0], -1);
    _CLDELETE_CARRAY_ALL(values);
    return value;
}

const vefinder::StoredFieldNames& vefinder::storedFieldNames()
{
    static const StoredFieldNames names{IndexFields::name(DocMatId), IndexFields::name(DocTitle),
                                        IndexFields::name(DocSpec)};
    return names;
}

void VeFinder::noteQuery(Query* query) const
{
    if (!m_observer)
        return;
    QString text;
    if (query) {
        wchar_t* raw = query->toString();
        text = QString::fromWCharArray(raw);
        _CLDELETE_CARRAY(raw);
    }
    m_observer->queryRun(QString::fromLatin1(m_step), text);
}

void VeFinder::clearDelivered()
{
    for (const int id : m_deliveredIds) {
        if (size_t(id) < m_delivered.size())
            m_delivered[size_t(id)] = 0;
    }
    m_deliveredIds.clear();
    m_cableQueried.clear();
}

void VeFinder::noteDelivered(const QString& matId, double sortValue) const
{
    if (m_observer)
        m_observer->delivered(QString::fromLatin1(m_step), matId, sortValue);
}

void cluceneShutdown()
{
    _lucene_shutdown();
}
