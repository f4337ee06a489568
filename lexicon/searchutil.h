/** @file searchutil.h @brief SearchUtil, the process-wide lexicon store and text analysis. */
#pragma once

#include "lexicon/matsetentry.h"
#include "vefinder_export.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class QFile;
struct LexiconIndex;
enum class LexiconKind;
struct LexiconRecord;

/// The linguistic knowledge of the library: the six lexicons beside the
/// application (deciphered once, on the first instance() call) and three
/// built-in word tables. Read-only after construction, so every query may run
/// on many threads at once without a lock.
class VEFINDER_EXPORT SearchUtil
{
public:
    /// The matching rule the built-in tables give a search text.
    enum EnWordFlag {
        FlagEquivalName = 0, ///< hit names must be equivalents of the text
        FlagEndsWith = 1,    ///< hit names must end with the text
        FlagContains = 2,    ///< hit names must contain the text
        FlagNone = 3         ///< no filter
    };

    /// The one store, built on the first call (thread-safe).
    static SearchUtil* instance();
    ~SearchUtil();
    SearchUtil(const SearchUtil&) = delete;
    SearchUtil& operator=(const SearchUtil&) = delete;

    // lexicon queries (lexicon/searchutil_queries.cpp)
    QStringList getMatEquivals(const QString& word) const;
    void getMatEquivalsPPL(QMap<QString, QStringList>& out, const QString& word) const;
    bool isSetCategory(const QString& word, const QString& setWord) const;
    bool isWordCategory(const QString& word, const QString& baseWord) const;
    EnWordFlag wordFlag(const QString& text) const;
    bool isEnCore(const QString& word) const;
    bool containEnCore(const QString& text) const;

    // text analysis: the lexicon data handed to the functions of analysis/
    // (lexicon/searchutil_analysis.cpp)
    QMap<int, QStringList> coreWord(const QString& text) const;
    QList<QMap<QString, double>> getSortWordMap(const QString& text) const;
    void GetSortWordMapAndCoreWord(const QString& text, QList<QMap<QString, double>>& sortMaps,
                                   QMap<int, QStringList>& coreWords) const;
    QString cableFormReplace(const QString& text) const;
    QString getCabelMainAttr(const QString& text) const;
    bool isCable(const QString& text) const;

    /// 1 to 99 in Chinese numerals; empty outside that range.
    static QString numberToChinese(int n);

private:
    friend class SearchUtilTestAccess;
    SearchUtil();

    bool decodeFile(QFile& tmpFile, const QString& srcRelPath, const QString& tmpName);
    /// Deciphers the lexicon @p srcRelPath (through a temporary file named after
    /// @p tmpName, removed again on every path) and reads its records of @p kind,
    /// up to the first damaged one. False when the file cannot be deciphered.
    bool readLexicon(const QString& srcRelPath, const QString& tmpName, LexiconKind kind,
                     QList<LexiconRecord>& records);
    void initSynData();
    void initSetData();
    void initSmartMatchData();
    void initCoreData();
    void initCableCoreData();
    void initEnCoreData();
    void initWords();
    /// Builds the lookup indexes over the loaded store (see LexiconIndex).
    void buildLexiconIndex();
    /// The indexes, or null when the store has changed since they were built.
    const LexiconIndex* lexiconIndex() const;

    QStringList getSynonyms(const QString& word) const;
    QStringList getMaterialSet(const QString& word) const;

    void GetSortWordMapBySrcWord(const QString& text, QList<QMap<QString, double>>& sortMaps) const;
    void GetSortWordMapByCoreWord(const QMap<int, QStringList>& coreWords,
                                  QList<QMap<QString, double>>& sortMaps) const;

    QList<QSet<QString>> m_synData;              ///< synonym groups, then the 99 core-count groups
    QList<MatSetEntry> m_setData;                ///< material sets, then smart-match entries
    QStringList m_coreData;                      ///< core words, lower case, file order
    QStringList m_cableCoreData;                 ///< cable core words, upper case, unique
    QStringList m_enCoreData;                    ///< English core words, lower case, unique
    QStringList m_equivalWords;                  ///< built-in: exact-equivalent words
    QStringList m_suffixWords;                   ///< built-in: ends-with words
    QStringList m_containWords;                  ///< built-in: contains words
    std::shared_ptr<const LexiconIndex> m_index; ///< word lookups over the store
};
