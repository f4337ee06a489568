/** @file vefindertestaccess.h @brief Test seam: forwards to VeFinder's private operations and members. */
#pragma once

#include "engine/vefinder.h"

/// Reaches VeFinder's internals for tests. Header-only: a forwarder whose
/// target is not linked yet only matters to the test that calls it.
class VeFinderTestAccess
{
public:
    using IndexReader = VeFinder::IndexReader;
    using IndexSearcher = VeFinder::IndexSearcher;
    using Query = VeFinder::Query;
    using BooleanQuery = VeFinder::BooleanQuery;
    using Document = VeFinder::Document;

    // members
    static QSet<QString>& foundIds(VeFinder& f) { return f.m_foundIds; }
    static QHash<QString, QString>& posIndex(VeFinder& f) { return f.m_posIndex; }
    static QList<QMap<QString, double>>& sortWordMaps(VeFinder& f) { return f.m_sortWordMaps; }
    static QString& lastText(VeFinder& f) { return f.m_lastText; }
    static QMap<int, QStringList>& coreWordMap(VeFinder& f) { return f.m_coreWordMap; }
    static bool& deepSearch(VeFinder& f) { return f.m_deepSearch; }
    static const char*& step(VeFinder& f) { return f.m_step; }

    // index access
    static bool initSearcher(VeFinder& f, IndexReader*& reader, IndexSearcher*& searcher,
                             const QString& indexPath)
    {
        return f.initSearcher(reader, searcher, indexPath);
    }
    static void closeSearcher(VeFinder& f, IndexReader* reader, IndexSearcher* searcher)
    {
        f.closeSearcher(reader, searcher);
    }
    static const wchar_t* fieldTerm(EnDocFindType type) { return VeFinder::fieldTerm(type); }
    static QString getFieldValue(Document& doc, const wchar_t* field)
    {
        return VeFinder::getFieldValue(doc, field);
    }

    // queries
    static BooleanQuery* mkCodeQuery(const QString& code) { return VeFinder::mkCodeQuery(code); }
    static BooleanQuery* mkBooleanQuery(const QString& code)
    {
        return VeFinder::mkBooleanQuery(code);
    }
    static BooleanQuery* mkWordPplQuery(const QString& text)
    {
        return VeFinder::mkWordPplQuery(text);
    }

    // code search
    static QString getNormSearchKey(VeFinder& f, IndexSearcher* s, const QString& code,
                                    const QString& spec)
    {
        return f.getNormSearchKey(s, code, spec);
    }
    static QStringList findNormPrecise(VeFinder& f, IndexSearcher* s, const QString& normKey,
                                       const QString& name, const QString& spec)
    {
        return f.findNormPrecise(s, normKey, name, spec);
    }
    static QStringList findByNormCode(VeFinder& f, IndexSearcher* s, const QString& normKey)
    {
        return f.findByNormCode(s, normKey);
    }
    static QStringList addMatIdsNormal(VeFinder& f, IndexSearcher* s, Query* q)
    {
        return f.addMatIdsNormal(s, q);
    }

    // fuzzy driver
    static void doSearchFuzzy(VeFinder& f, QList<QStringList>& result, IndexSearcher* s,
                              const QString& text, const QString& normKey, int* foundCount)
    {
        f.doSearchFuzzy(result, s, text, normKey, foundCount);
    }
    static void doNormalSearchFuzzy(VeFinder& f, QList<QStringList>& result, IndexSearcher* s,
                                    const QString& text, const QString& normKey,
                                    int* foundCount)
    {
        f.doNormalSearchFuzzy(result, s, text, normKey, foundCount);
    }

    // hit records and ranking
    static void setDocumentValue(VeFinder& f, QList<VeDocInfo>& docs, const QString& text,
                                 IndexSearcher* s, Query* q)
    {
        f.setDocumentValue(docs, text, s, q);
    }
    static void setNameSortValue(VeDocInfo& doc, const QList<QMap<QString, double>>& maps)
    {
        VeFinder::setNameSortValue(doc, maps);
    }
    static QList<QStringList> addMatIdsSortAdvance(VeFinder& f, IndexSearcher* s, Query* q,
                                                   const QString& text, const QString& normKey)
    {
        return f.addMatIdsSortAdvance(s, q, text, normKey);
    }

    // strategies
    static QList<QStringList> searchMatsetAll(VeFinder& f, IndexSearcher* s, const QString& text,
                                              const QString& code)
    {
        return f.searchMatsetAll(s, text, code);
    }
    static QList<QStringList> searchAllMixPpl(VeFinder& f, IndexSearcher* s, const QString& text,
                                              const QString& code, QStringList* queriedWords)
    {
        return f.searchAllMixPpl(s, text, code, queriedWords);
    }
    static QList<QStringList> searchRmEN(VeFinder& f, IndexSearcher* s, const QString& text,
                                         const QStringList& words, const QString& code,
                                         QStringList* queriedWords)
    {
        return f.searchRmEN(s, text, words, code, queriedWords);
    }
    static QList<QStringList> searchOnlyChs(VeFinder& f, IndexSearcher* s, const QString& text,
                                            const QStringList& words, const QString& code,
                                            QStringList* queriedWords)
    {
        return f.searchOnlyChs(s, text, words, code, queriedWords);
    }
    static QList<QStringList> searchCoreWord(VeFinder& f, IndexSearcher* s, const QString& text,
                                             const QStringList& words, const QString& code,
                                             bool recomputeCoreWords)
    {
        return f.searchCoreWord(s, text, words, code, recomputeCoreWords);
    }
    static QList<QStringList> searchCoreWordInner(VeFinder& f, IndexSearcher* s,
                                                  const QString& text, const QStringList& enWords,
                                                  const QStringList& groupWords,
                                                  const QString& code)
    {
        return f.searchCoreWordInner(s, text, enWords, groupWords, code);
    }

    // cable search
    static void setCableAttribute(VeFinder& f, VeCableAttribute& attribute,
                                  const QStringList& parts, const QString& mainAttr)
    {
        f.setCableAttribute(attribute, parts, mainAttr);
    }
    static QList<QStringList> searchCablePpl(VeFinder& f, IndexSearcher* s,
                                             const VeCableAttribute& attribute,
                                             const QString& text, const QString& code)
    {
        return f.searchCablePpl(s, attribute, text, code);
    }
    static void doCableSearchFuzzy(VeFinder& f, QList<QStringList>& result, IndexSearcher* s,
                                   const VeCableAttribute& attribute, const QString& code,
                                   int* foundCount)
    {
        f.doCableSearchFuzzy(result, s, attribute, code, foundCount);
    }
    static QList<QStringList> addCableSortAdvance(VeFinder& f, const VeCableAttribute& attribute,
                                                  IndexSearcher* s, Query* q)
    {
        return f.addCableSortAdvance(attribute, s, q);
    }
    static void setCableValue(VeFinder& f, QList<VeDocInfo>& docs,
                              const VeCableAttribute& attribute, IndexSearcher* s, Query* q)
    {
        f.setCableValue(docs, attribute, s, q);
    }
    static void setCableSortValue(VeDocInfo& doc, const VeCableAttribute& attribute)
    {
        VeFinder::setCableSortValue(doc, attribute);
    }

    // observer hooks
    static void noteQuery(const VeFinder& f, Query* q) { f.noteQuery(q); }
    static void noteDelivered(const VeFinder& f, const QString& matId, double sortValue)
    {
        f.noteDelivered(matId, sortValue);
    }

    /// An open reader and searcher for the length of a scope (through the
    /// engine's own open and close step). valid() is false when the open failed.
    class OpenIndex
    {
    public:
        OpenIndex(VeFinder& f, const QString& indexPath) : m_f(f)
        {
            m_open = VeFinderTestAccess::initSearcher(f, m_reader, m_searcher, indexPath);
        }
        ~OpenIndex()
        {
            if (m_open)
                VeFinderTestAccess::closeSearcher(m_f, m_reader, m_searcher);
        }
        OpenIndex(const OpenIndex&) = delete;
        OpenIndex& operator=(const OpenIndex&) = delete;
        bool valid() const { return m_open; }
        IndexSearcher* searcher() const { return m_searcher; }
        IndexReader* reader() const { return m_reader; }

    private:
        VeFinder& m_f;
        IndexReader* m_reader = nullptr;
        IndexSearcher* m_searcher = nullptr;
        bool m_open = false;
    };
};
