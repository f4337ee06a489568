/** @file searchutil.cpp @brief The SearchUtil store: construction, lexicon loading and the built-in word tables. */
#include "lexicon/searchutil.h"

#include "lexicon/lexiconcipher.h"
#include "lexicon/lexiconindex_p.h"
#include "lexicon/lexiconrecords.h"
#include "segment/datadir_p.h"

#include <QBuffer>
#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryFile>

/// The library's debug log; hosts switch it with the logging rule
/// "vefinder.lexicon.debug=false" (QT_LOGGING_RULES or QLoggingCategory::setFilterRules).
Q_LOGGING_CATEGORY(lcLexicon, "vefinder.lexicon")

namespace {

const QLatin1String kSynonymsFile("dict/MATLEX/lex-synonyms.lex");
const QLatin1String kMatSetFile("dict/MATLEX/lex-matset.lex");
const QLatin1String kSmartMatchFile("dict/MATLEX/lex-smartmatch.lex");
const QLatin1String kCoreWordFile("dict/MATLEX/lex-coreword.lex");
const QLatin1String kCableCoreWordFile("dict/MATLEX/lex-cablecoreword.lex");
const QLatin1String kEnCoreFile("dict/MATLEX/lex-encore.lex");

const QLatin1String kSynonymsTmp("lex-tmpmatsyn.lex");
const QLatin1String kMatSetTmp("lex-tmpmatset.lex");
const QLatin1String kSmartMatchTmp("lex-tmpsmartmatch.lex");
const QLatin1String kCoreWordTmp("lex-tmpcoreword.lex");
const QLatin1String kCableCoreWordTmp("lex-tmpcablecoreword.lex");
const QLatin1String kEnCoreTmp("lex-tmpencore.lex");

/// The QTemporaryFile template for a temporary lexicon named @p tmpName:
/// "lex-tmpmatsyn.lex" becomes "<temp dir>/lex-tmpmatsyn-XXXXXX.lex".
QString temporaryTemplate(const QString& tempDir, const QString& tmpName)
{
    const int dot = tmpName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? tmpName.left(dot) : tmpName;
    const QString suffix = dot > 0 ? tmpName.mid(dot) : QString();
    return tempDir + QLatin1Char('/') + stem + QStringLiteral("-XXXXXX") + suffix;
}

/// Closes and removes a deciphered temporary lexicon when the loader is done
/// with it, however it leaves.
class TemporaryLexiconRemover
{
public:
    explicit TemporaryLexiconRemover(QFile& file) : m_file(file) {}
    ~TemporaryLexiconRemover() { m_file.remove(); }
    TemporaryLexiconRemover(const TemporaryLexiconRemover&) = delete;
    TemporaryLexiconRemover& operator=(const TemporaryLexiconRemover&) = delete;

private:
    QFile& m_file;
};

QSet<QString> toSet(const QStringList& words)
{
    return QSet<QString>(words.cbegin(), words.cend());
}

} // namespace

SearchUtil* SearchUtil::instance()
{
    static SearchUtil store;
    return &store;
}

SearchUtil::SearchUtil()
{
    initSynData();
    initSetData();
    initSmartMatchData();
    initCoreData();
    initCableCoreData();
    initEnCoreData();
    initWords();
    buildLexiconIndex();
}

SearchUtil::~SearchUtil() = default;

bool SearchUtil::decodeFile(QFile& tmpFile, const QString& srcRelPath, const QString& tmpName)
{
    QFile source(veFinderDataDir() + QLatin1Char('/') + srcRelPath);
    if (!source.open(QIODevice::ReadOnly))
        return false;

    // A fresh name of our own for each lexicon and process, created exclusively
    // and readable by the owner only: the plain lexicon never sits under a
    // name that another process or user could predict, share or plant.
    // QDir::tempPath() is empty when TMPDIR names no existing directory; a
    // template built on it would point into the root directory.
    const QString tempDir = QDir::tempPath();
    if (tempDir.isEmpty() || !QFileInfo(tempDir).isDir())
        return false;
    QString path;
    {
        QTemporaryFile unique(temporaryTemplate(tempDir, tmpName));
        unique.setAutoRemove(false);
        if (!unique.open())
            return false;
        path = unique.fileName();
    }
    tmpFile.setFileName(path);
    if (!tmpFile.open(QIODevice::ReadWrite)) {
        QFile::remove(path);
        return false;
    }
    try {
        encryptStream(source, tmpFile, lexiconKey, false);
    } catch (...) {
        qCDebug(lcLexicon, "encryptStream error.");
        tmpFile.remove();
        return false;
    }
    if (!tmpFile.flush() || !tmpFile.seek(0)) {
        tmpFile.remove();
        return false;
    }
    return true;
}

bool SearchUtil::readLexicon(const QString& srcRelPath, const QString& tmpName, LexiconKind kind,
                             QList<LexiconRecord>& records)
{
    QFile tmpFile;
    if (!decodeFile(tmpFile, srcRelPath, tmpName))
        return false;
    const TemporaryLexiconRemover remover(tmpFile);
    // Parsed from memory: record by record on the file, every end-of-data and
    // bounds check would ask the file system for the file's size.
    QByteArray plain = tmpFile.readAll();
    QBuffer buffer(&plain);
    buffer.open(QIODevice::ReadOnly);
    QDataStream stream(&buffer);
    stream.setVersion(kLexiconStreamVersion);
    while (!stream.atEnd()) {
        LexiconRecord record;
        // A damaged record ends the lexicon; the records before it stay.
        if (!readLexiconRecord(stream, kind, record))
            break;
        records.append(record);
    }
    return true;
}

void SearchUtil::initSynData()
{
    QList<LexiconRecord> records;
    if (!readLexicon(kSynonymsFile, kSynonymsTmp, LexiconKind::Synonyms, records))
        return;
    for (LexiconRecord& record : records) {
        record.words.removeDuplicates();
        m_synData.append(toSet(record.words));
    }
    const QString core = QStringLiteral("芯");
    for (int n = 1; n <= 99; ++n)
        m_synData.append(QSet<QString>{QString::number(n) + core, numberToChinese(n) + core});
}

void SearchUtil::initSetData()
{
    QList<LexiconRecord> records;
    if (!readLexicon(kMatSetFile, kMatSetTmp, LexiconKind::MatSet, records))
        return;
    for (const LexiconRecord& record : qAsConst(records))
        m_setData.append(MatSetEntry{toSet(record.words), record.subSets});
}

void SearchUtil::initSmartMatchData()
{
    QList<LexiconRecord> records;
    if (!readLexicon(kSmartMatchFile, kSmartMatchTmp, LexiconKind::SmartMatch, records))
        return;
    for (const LexiconRecord& record : qAsConst(records))
        m_setData.append(MatSetEntry{toSet(record.words), record.subSets});
}

void SearchUtil::initCoreData()
{
    QList<LexiconRecord> records;
    if (!readLexicon(kCoreWordFile, kCoreWordTmp, LexiconKind::CoreWord, records))
        return;
    for (const LexiconRecord& record : qAsConst(records))
        m_coreData.append(record.words.first().toLower());
}

void SearchUtil::initCableCoreData()
{
    QList<LexiconRecord> records;
    if (!readLexicon(kCableCoreWordFile, kCableCoreWordTmp, LexiconKind::CableCoreWord, records))
        return;
    for (const LexiconRecord& record : qAsConst(records))
        m_cableCoreData.append(record.words.first().toUpper());
    m_cableCoreData.removeDuplicates();
}

void SearchUtil::initEnCoreData()
{
    QList<LexiconRecord> records;
    if (!readLexicon(kEnCoreFile, kEnCoreTmp, LexiconKind::EnCore, records))
        return;
    for (const LexiconRecord& record : qAsConst(records))
        m_enCoreData.append(record.words.first().toLower());
    m_enCoreData.removeDuplicates();
}

QString SearchUtil::numberToChinese(int n)
{
    static const QString digits = QStringLiteral("十一二三四五六七八九");
    const QChar ten = digits.at(0);
    if (n < 1 || n > 99)
        return QString();
    if (n <= 10)
        return QString(digits.at(n % 10));
    if (n < 20)
        return QString(ten) + digits.at(n % 10);
    QString result = QString(digits.at(n / 10)) + ten;
    if (n % 10 != 0)
        result += digits.at(n % 10);
    return result;
}

void SearchUtil::initWords()
{
    static const char* const equivalWords[] = {
        // water
        "水", "水费", "非居民生活用水", "建筑用水", "施工用水", "工程用水", "自来水", "生活用水",
        "施工用水含排污费", "基建用水", "绿化用水", "基电用水", "建筑业用水",
        "建筑用水含污水处理费", "非居民用水", "岛上工业用水", "水建筑用水", "居民生活用水",
        "非居民用水包括建筑用水", "建筑施工用水", "B建筑用水", "自来水绿化用水", "圆林用水",
        "工业用水", "堵孔用水", "生产用水",
        // electricity
        "电费", "电施工用电", "工程用电", "生活用电", "基电用电", "建筑用电", "建筑施工用电",
        "建筑用电普通建筑", "建筑用电商品房开发", "岛上用电", "一般工商业用电", "建筑工地用电",
        "工业用电", "电工业用", "一般居民用电", "电电力局供应价", "电综合", "B建筑用电", "电机械用",
        "生产用电",
        // gases and alcohol
        "氩气", "氧气", "乙醇", "酒精"};
    static const char* const suffixWords[] = {"粉煤灰", "煤"};
    static const char* const containWords[] = {"铜片", "铜丝", "柴油", "汽油"};

    for (const char* word : equivalWords)
        m_equivalWords.append(QString::fromUtf8(word));
    for (const char* word : suffixWords)
        m_suffixWords.append(QString::fromUtf8(word));
    for (const char* word : containWords)
        m_containWords.append(QString::fromUtf8(word));
}
