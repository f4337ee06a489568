/** @file fuzz_lexiconrecords.cpp @brief Fuzzes the bounded lexicon record readers and the lexicon cipher on arbitrary bytes. */
#include "fuzzsupport.h"
#include "lexicon/lexiconcipher.h"
#include "lexicon/lexiconrecords.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>

#include <cstddef>
#include <cstdint>
#include <stdexcept>

using fuzzsupport::check;

namespace {

/// Reads records of @p kind from @p bytes up to the end or the first damage;
/// every record read must survive a write and a second read unchanged.
void readRecords(const QByteArray& bytes, LexiconKind kind)
{
    QByteArray data = bytes;
    QBuffer dev(&data);
    dev.open(QIODevice::ReadOnly);
    QDataStream in(&dev);
    in.setVersion(kLexiconStreamVersion);
    while (!in.atEnd()) {
        const qint64 before = dev.pos();
        LexiconRecord record;
        QString error;
        if (!readLexiconRecord(in, kind, record, &error)) {
            check(!error.isEmpty(), "a damaged record is described");
            return;
        }
        check(dev.pos() > before, "a record read consumes bytes");
        if (isWordKind(kind))
            check(record.words.size() == 1 && record.subSets.isEmpty(),
                  "a word record holds one word");
        if (!isSetKind(kind))
            check(record.subSets.isEmpty(), "only set kinds carry sub-sets");

        QByteArray written;
        {
            QBuffer outDev(&written);
            outDev.open(QIODevice::WriteOnly);
            QDataStream out(&outDev);
            out.setVersion(kLexiconStreamVersion);
            writeLexiconRecord(out, kind, record);
        }
        QBuffer againDev(&written);
        againDev.open(QIODevice::ReadOnly);
        QDataStream again(&againDev);
        again.setVersion(kLexiconStreamVersion);
        LexiconRecord reread;
        check(readLexiconRecord(again, kind, reread), "a written record reads back");
        check(reread.words == record.words && reread.subSets == record.subSets,
              "a written record reads back unchanged");
        check(again.atEnd(), "a written record is read to its end");
    }
}

/// @p bytes through the cipher; false when the transform throws.
bool transform(const QByteArray& bytes, bool encrypt, QByteArray& result)
{
    QByteArray data = bytes;
    QBuffer inDev(&data);
    inDev.open(QIODevice::ReadOnly);
    result.clear();
    QBuffer outDev(&result);
    outDev.open(QIODevice::WriteOnly);
    try {
        encryptStream(inDev, outDev, lexiconKey, encrypt);
    } catch (const std::runtime_error&) {
        return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::ensureApplication();
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));

    for (const LexiconKind kind : allLexiconKinds())
        readRecords(bytes, kind);

    // Deciphering arbitrary bytes: whole blocks only, never more than they hold.
    QByteArray plain;
    if (transform(bytes, false, plain)) {
        check(size >= 8, "deciphering succeeds only on a whole block");
        check(plain.size() <= int(size / 8 * 8), "deciphered text is no longer than its blocks");
        check(plain.size() >= int(size / 8 * 8) - 8, "only the last block is cut short");
        for (const LexiconKind kind : allLexiconKinds())
            readRecords(plain, kind);
    } else {
        // A whole block's count byte may be above 8; fewer than 8 bytes always fail.
        check(size >= 8 || plain.isEmpty(), "nothing is written without a whole block");
    }

    // Enciphering then deciphering gives the bytes back.
    QByteArray cipherText;
    if (!bytes.isEmpty()) {
        check(transform(bytes, true, cipherText), "enciphering succeeds");
        check(cipherText.size() % 8 == 0 && cipherText.size() >= bytes.size(),
              "enciphered text is whole blocks");
        QByteArray back;
        check(transform(cipherText, false, back), "enciphered text deciphers");
        check(back == bytes, "deciphering undoes enciphering");
    }
    return 0;
}
