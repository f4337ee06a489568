/** @file vefinder.h @brief VeFinder, the search engine hosts call. */
#pragma once

#include "analysis/endocfindtype.h"
#include "analysis/vecableattribute.h"
#include "engine/vedocinfo.h"
#include "vefinder_export.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace lucene {
namespace index {
class IndexReader;
} // namespace index
namespace document {
class Document;
} // namespace document
namespace search {
class IndexSearcher;
class Query;
class BooleanQuery;
} // namespace search
} // namespace lucene

class VeSearchObserver;

/// Answers which catalogue entries match a description. Every call opens the
/// index at the given path, fills the caller's result with groups of mat ids
/// (best first) and closes the index again. One object serves one call at a
/// time; separate objects may search in parallel. Copies are cheap (all
/// members are implicitly shared) and copy the observer pointer.
class VEFINDER_EXPORT VeFinder
{
public:
    VeFinder();
    VeFinder(const VeFinder& other);
    VeFinder& operator=(const VeFinder& other);
    ~VeFinder();

    /// Replaces the location table: mat id to catalogue position in hexadecimal.
    void setPosIndex(const QHash<QString, QString>& posIndex);

    /// Looks an entry up by code, name and specification: the precise group
    /// first, then the fuzzy groups, then the code group.
    void quotaSearch(QList<QStringList>& result, const QString& code, const QString& name,
                     const QString& spec, const QString& indexPath, int* foundCount,
                     bool deepSearch);
    /// The mat ids of the entries whose code field equals @p code exactly.
    void normCodeSearch(QStringList& result, const QString& code, const QString& indexPath);
    /// The fuzzy search of one free text, without precise and code groups.
    void segmentSearch(QList<QStringList>& result, const QString& text, const QString& indexPath,
                       bool deepSearch);

    /// Installs @p observer (not owned; null removes it). Step names it sees:
    /// "precise", "matsetAll", "allMixPpl", "rmEN", "onlyChs", "coreWord",
    /// "cableWords", "cableParts", "cable1" to "cable10", "code".
    void setObserver(VeSearchObserver* observer);
    VeSearchObserver* observer() const;

private:
    using IndexReader = lucene::index::IndexReader;
    using IndexSearcher = lucene::search::IndexSearcher;
    using Query = lucene::search::Query;
    using BooleanQuery = lucene::search::BooleanQuery;
    using Document = lucene::document::Document;

    // index access (vefinder.cpp)
    bool initSearcher(IndexReader*& reader, IndexSearcher*& searcher, const QString& indexPath);
    void closeSearcher(IndexReader* reader, IndexSearcher* searcher);
    /// The frame of every entry operation: opens the index at @p indexPath,
    /// runs @p search on it and closes it again, also when CLucene
    /// throws. False, with nothing run, when the index cannot be opened.
    bool withIndex(const QString& indexPath, const std::function<void(IndexSearcher*)>& search);
    static const wchar_t* fieldTerm(EnDocFindType type);
    static QString getFieldValue(Document& doc, const wchar_t* field);

    // query construction (vefinder_query.cpp)
    static BooleanQuery* mkCodeQuery(const QString& code);
    static BooleanQuery* mkBooleanQuery(const QString& code);
    static BooleanQuery* mkWordPplQuery(const QString& text);

    // code search (vefinder_codesearch.cpp)
    QString getNormSearchKey(IndexSearcher* searcher, const QString& code, QString spec);
    QStringList findNormPrecise(IndexSearcher* searcher, const QString& normKey,
                                const QString& name, const QString& spec);
    QStringList findByNormCode(IndexSearcher* searcher, const QString& normKey);
    QStringList addMatIdsNormal(IndexSearcher* searcher, Query* query);

    // fuzzy driver (vefinder_driver.cpp)
    void doSearchFuzzy(QList<QStringList>& result, IndexSearcher* searcher, const QString& text,
                       const QString& normKey, int* foundCount);
    void doNormalSearchFuzzy(QList<QStringList>& result, IndexSearcher* searcher,
                             const QString& text, const QString& normKey, int* foundCount);

    // hit records and ranking (vefinder_ranking.cpp)
    void setDocumentValue(QList<VeDocInfo>& docs, const QString& text, IndexSearcher* searcher,
                          Query* query);
    static void setNameSortValue(VeDocInfo& doc, const QList<QMap<QString, double>>& maps);
    QList<QStringList> addMatIdsSortAdvance(IndexSearcher* searcher, Query* query,
                                            const QString& text, const QString& normKey);

    // strategies (vefinder_strategies.cpp)
    QList<QStringList> searchMatsetAll(IndexSearcher* searcher, const QString& text,
                                       const QString& code);
    QList<QStringList> searchAllMixPpl(IndexSearcher* searcher, const QString& text,
                                       const QString& code, QStringList* queriedWords);
    QList<QStringList> searchRmEN(IndexSearcher* searcher, const QString& text,
                                  const QStringList& words, const QString& code,
                                  QStringList* queriedWords);
    QList<QStringList> searchOnlyChs(IndexSearcher* searcher, const QString& text,
                                     const QStringList& words, const QString& code,
                                     QStringList* queriedWords);
    /// The common end of the word strategies: the repeat check against
    /// @p queriedWords, the code restriction, the ranked run. Owns @p wordQuery.
    QList<QStringList> runWordQuery(IndexSearcher* searcher, BooleanQuery* wordQuery,
                                    const QStringList& requiredWords, QStringList* queriedWords,
                                    const QString& text, const QString& code);
    QList<QStringList> searchCoreWord(IndexSearcher* searcher, const QString& text,
                                      const QStringList& words, const QString& code,
                                      bool recomputeCoreWords);
    QList<QStringList> searchCoreWordInner(IndexSearcher* searcher, const QString& text,
                                           const QStringList& enWords,
                                           const QStringList& groupWords, const QString& code);

    // cable search (vefinder_cable.cpp)
    void setCableAttribute(VeCableAttribute& attribute, const QStringList& parts,
                           const QString& mainAttr);
    QList<QStringList> searchCablePpl(IndexSearcher* searcher, const VeCableAttribute& attribute,
                                      const QString& text, const QString& code);
    void doCableSearchFuzzy(QList<QStringList>& result, IndexSearcher* searcher,
                            const VeCableAttribute& attribute, const QString& code,
                            int* foundCount);
    QList<QStringList> addCableSortAdvance(const VeCableAttribute& attribute,
                                           IndexSearcher* searcher, Query* query);
    void setCableValue(QList<VeDocInfo>& docs, const VeCableAttribute& attribute,
                       IndexSearcher* searcher, Query* query);
    static void setCableSortValue(VeDocInfo& doc, const VeCableAttribute& attribute);

    // observer hooks: cheap no-ops without an observer (vefinder.cpp)
    void noteQuery(Query* query) const;
    void noteDelivered(const QString& matId, double sortValue) const;
    /// Forgets the mat ids delivered and the cable queries run in the call
    /// (vefinder.cpp).
    void clearDelivered();

    /// Mat ids delivered so far in the current call: a flag per mat-id number
    /// of the index's stored-field cache, and the numbers flagged (cleared
    /// number by number at the start and end of every call).
    std::vector<char> m_delivered;
    std::vector<int> m_deliveredIds;
    /// Cable word queries run so far in the current call (code length, code, words).
    QSet<QString> m_cableQueried;
    QHash<QString, QString> m_posIndex;          ///< mat id to position (hexadecimal)
    QList<QMap<QString, double>> m_sortWordMaps; ///< weighted words of m_lastText
    QString m_lastText;                          ///< text the two caches belong to
    QMap<int, QStringList> m_coreWordMap;        ///< core words of m_lastText by length
    bool m_deepSearch = true;                    ///< whether the looser strategies may run
    VeSearchObserver* m_observer = nullptr;      ///< not owned; shared by copies
    const char* m_step = "";                     ///< name of the step now running, for the observer
};

/// Ranking order of hits: true when @p a ranks before @p b (greater sort
/// value, shorter name, case-insensitively greater name, greater score,
/// smaller position).
bool compareDocInfo(const VeDocInfo& a, const VeDocInfo& b);

/// The library's version, "major.minor.patch".
VEFINDER_EXPORT const char* vefinderVersion();

/// Ends the use of CLucene for the whole process. Call once, after
/// the last search; no VeFinder may search afterwards.
VEFINDER_EXPORT void cluceneShutdown();
