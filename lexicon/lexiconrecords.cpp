/** @file lexiconrecords.cpp @brief Bounded reading and writing of lexicon stream records. */
#include "lexicon/lexiconrecords.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <limits>

namespace {

constexpr quint32 kNullString = 0xFFFFFFFFu;

struct KindInfo {
    LexiconKind kind;
    const char* name;
};

constexpr KindInfo kKinds[] = {
    {LexiconKind::Synonyms, "synonyms"},           {LexiconKind::MatSet, "matset"},
    {LexiconKind::SmartMatch, "smartmatch"},       {LexiconKind::CoreWord, "coreword"},
    {LexiconKind::CableCoreWord, "cablecoreword"}, {LexiconKind::EnCore, "encore"}};

qint64 bytesLeft(const QDataStream& in)
{
    const QIODevice* dev = in.device();
    return dev ? dev->bytesAvailable() : 0;
}

qint64 position(const QDataStream& in)
{
    const QIODevice* dev = in.device();
    return dev ? dev->pos() : 0;
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool readCount(QDataStream& in, quint32& value, QString* error)
{
    const qint64 at = position(in);
    if (bytesLeft(in) < 4) {
        setError(error, QStringLiteral("record cut short at byte %1").arg(at));
        return false;
    }
    in >> value;
    if (in.status() != QDataStream::Ok) {
        setError(error, QStringLiteral("cannot read at byte %1").arg(at));
        return false;
    }
    return true;
}

bool readString(QDataStream& in, QString& value, QString* error)
{
    const qint64 at = position(in);
    quint32 length = 0;
    if (!readCount(in, length, error))
        return false;
    if (length == kNullString) {
        value = QString();
        return true;
    }
    if (length % 2 != 0) {
        setError(error, QStringLiteral("odd string byte length %1 at byte %2").arg(length).arg(at));
        return false;
    }
    const qint64 left = bytesLeft(in);
    if (qint64(length) > left || length > quint32(std::numeric_limits<int>::max())) {
        setError(error,
                 QStringLiteral("string byte length %1 at byte %2 exceeds the %3 bytes left")
                     .arg(length)
                     .arg(at)
                     .arg(left));
        return false;
    }
    value.resize(int(length / 2));
    if (length > 0) {
        char* data = reinterpret_cast<char*>(value.data());
        if (in.readRawData(data, int(length)) != int(length)) {
            setError(error, QStringLiteral("cannot read the string at byte %1").arg(at));
            return false;
        }
        const bool swap = (in.byteOrder() == QDataStream::BigEndian)
            != (QSysInfo::ByteOrder == QSysInfo::BigEndian);
        if (swap) {
            ushort* units = reinterpret_cast<ushort*>(value.data());
            for (int i = 0; i < value.size(); ++i)
                units[i] = qbswap(units[i]);
        }
    }
    return true;
}

/// A 32-bit count and that many strings; every string takes at least its
/// 4-byte length, which bounds a believable count by the bytes left.
bool readStringList(QDataStream& in, QStringList& list, QString* error)
{
    const qint64 at = position(in);
    quint32 count = 0;
    if (!readCount(in, count, error))
        return false;
    const qint64 left = bytesLeft(in);
    if (qint64(count) > left / 4) {
        setError(
            error,
            QStringLiteral("element count %1 at byte %2 exceeds what the %3 bytes left can hold")
                .arg(count)
                .arg(at)
                .arg(left));
        return false;
    }
    list.clear();
    for (quint32 i = 0; i < count; ++i) {
        QString s;
        if (!readString(in, s, error))
            return false;
        list.append(s);
    }
    return true;
}

void writeString(QDataStream& out, const QString& s)
{
    out << s;
}

void writeStringList(QDataStream& out, const QStringList& list)
{
    out << quint32(list.size());
    for (const QString& s : list)
        writeString(out, s);
}

} // namespace

const QList<LexiconKind>& allLexiconKinds()
{
    static const QList<LexiconKind> kinds = {LexiconKind::Synonyms,      LexiconKind::MatSet,
                                             LexiconKind::SmartMatch,    LexiconKind::CoreWord,
                                             LexiconKind::CableCoreWord, LexiconKind::EnCore};
    return kinds;
}

QString lexiconKindName(LexiconKind kind)
{
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind)
            return QLatin1String(info.name);
    }
    return QString();
}

bool lexiconKindFromName(const QString& name, LexiconKind& kind)
{
    for (const KindInfo& info : kKinds) {
        if (name == QLatin1String(info.name)) {
            kind = info.kind;
            return true;
        }
    }
    return false;
}

QString lexiconFileName(LexiconKind kind)
{
    return QStringLiteral("lex-") + lexiconKindName(kind) + QStringLiteral(".lex");
}

bool isSetKind(LexiconKind kind)
{
    return kind == LexiconKind::MatSet || kind == LexiconKind::SmartMatch;
}

bool isWordKind(LexiconKind kind)
{
    return kind == LexiconKind::CoreWord || kind == LexiconKind::CableCoreWord
        || kind == LexiconKind::EnCore;
}

bool readLexiconRecord(QDataStream& in, LexiconKind kind, LexiconRecord& record, QString* error)
{
    record.subSets.clear();
    if (isWordKind(kind)) {
        QString word;
        if (!readString(in, word, error))
            return false;
        record.words = QStringList{word};
        return true;
    }
    if (!readStringList(in, record.words, error))
        return false;
    if (isSetKind(kind))
        return readStringList(in, record.subSets, error);
    return true;
}

void writeLexiconRecord(QDataStream& out, LexiconKind kind, const LexiconRecord& record)
{
    if (isWordKind(kind)) {
        writeString(out, record.words.value(0));
        return;
    }
    writeStringList(out, record.words);
    if (isSetKind(kind))
        writeStringList(out, record.subSets);
}
