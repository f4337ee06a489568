/** @file lexicontestutil.h @brief Helpers of the lexicon tests: crafted lexicon files, captured log, resource limits. */
#pragma once

#include "lexicon/lexiconcipher.h"
#include "lexicon/lexiconrecords.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtGlobal>

#include <memory>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define LEXICON_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LEXICON_TEST_ASAN 1
#endif
#endif

namespace lexicontest {

/// @p data run through the lexicon file cipher with @p key, enciphering or deciphering.
inline QByteArray cipher(QByteArray data, const unsigned char* key, bool encrypt)
{
    QBuffer inDev(&data);
    inDev.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer outDev(&out);
    outDev.open(QIODevice::WriteOnly);
    encryptStream(inDev, outDev, key, encrypt);
    return out;
}

/// @p plain enciphered in the lexicon file layout with @p key.
inline QByteArray encipher(const QByteArray& plain, const unsigned char* key = lexiconKey)
{
    return cipher(plain, key, true);
}

/// A fresh temporary directory beside the test binary, made the process's
/// TMPDIR, so that the files the library deciphers can be checked for.
inline std::unique_ptr<QTemporaryDir> ownTempDir()
{
    std::unique_ptr<QTemporaryDir> dir(
        new QTemporaryDir(QCoreApplication::applicationDirPath() + QStringLiteral("/tmp-XXXXXX")));
    qputenv("TMPDIR", QFile::encodeName(dir->path()));
    return dir;
}

/// Enciphers the 8-byte @p block as it stands (no layout), for crafting last blocks.
inline QByteArray encipherBlock(QByteArray block, const unsigned char* key = lexiconKey)
{
    Q_ASSERT(block.size() == 8);
    desCryptBlock(desKeySchedule(key, true), reinterpret_cast<unsigned char*>(block.data()));
    return block;
}

/// A big-endian 32-bit value, as the record streams store counts and lengths.
inline QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

/// A serialised string: its byte length, then its UTF-16 code units, big-endian.
inline QByteArray stringBytes(const QString& s)
{
    QByteArray b = be32(quint32(s.size() * 2));
    for (const QChar c : s) {
        b.append(char(c.unicode() >> 8));
        b.append(char(c.unicode() & 0xFF));
    }
    return b;
}

/// The plain record stream of @p records.
inline QByteArray recordStream(LexiconKind kind, const QList<LexiconRecord>& records)
{
    QByteArray plain;
    QDataStream out(&plain, QIODevice::WriteOnly);
    out.setVersion(kLexiconStreamVersion);
    for (const LexiconRecord& r : records)
        writeLexiconRecord(out, kind, r);
    return plain;
}

/// A record from its words and sub-set words.
inline LexiconRecord record(const QStringList& words, const QStringList& subSets = QStringList())
{
    LexiconRecord r;
    r.words = words;
    r.subSets = subSets;
    return r;
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

/// The names in @p dir, hidden ones included, "." and ".." excluded.
inline QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

/// Caps the address space at what the process maps now plus @p extraBytes,
/// so that an allocation out of proportion to the data fails instead of
/// quietly succeeding on an overcommitting system. Not under AddressSanitizer,
/// which maps a huge shadow (it aborts on such allocations itself). Returns
/// whether a limit was set.
inline bool limitAddressSpace(qint64 extraBytes)
{
#ifdef LEXICON_TEST_ASAN
    Q_UNUSED(extraBytes);
    return false;
#else
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return false;
    const qint64 pages = statm.readAll().split(' ').value(0).toLongLong();
    const qint64 current = pages * 4096;
    struct rlimit limit;
    limit.rlim_cur = rlim_t(current + extraBytes);
    limit.rlim_max = RLIM_INFINITY;
    return setrlimit(RLIMIT_AS, &limit) == 0;
#endif
}

/// Collects the messages the library logs while installed.
class MessageCapture
{
public:
    MessageCapture() { m_previous = qInstallMessageHandler(&MessageCapture::handler); }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    /// "debug: text" per message, in order.
    static QStringList messages()
    {
        QMutexLocker lock(&mutex());
        return store();
    }
    static void clear()
    {
        QMutexLocker lock(&mutex());
        store().clear();
    }

private:
    static QMutex& mutex()
    {
        static QMutex m;
        return m;
    }
    static QStringList& store()
    {
        static QStringList s;
        return s;
    }
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        static const char* const names[] = {"debug", "warning", "critical", "fatal", "info"};
        const int t = int(type);
        QMutexLocker lock(&mutex());
        store().append(QString::fromLatin1(t >= 0 && t <= 4 ? names[t] : "other") + QStringLiteral(": ")
                       + text);
    }

    QtMessageHandler m_previous = nullptr;
};

} // namespace lexicontest
