/** @file lexicontestutil.h @brief Crafting lexicon files for the tests: the cipher, serialised strings, an address-space cap. */
#pragma once

#include "lexicon/lexiconcipher.h"
#include "testindex.h"

#include <sys/resource.h>

namespace lexicontest {

/// @p data enciphered (or deciphered) in the lexicon file layout.
inline QByteArray cipher(QByteArray data, bool encrypt = true)
{
    QBuffer in(&data), out;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    encryptStream(in, out, lexiconKey, encrypt);
    return out.data();
}

/// A big-endian 32-bit value, as the record streams store counts and lengths.
inline QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

/// A serialised string: its byte length, then its UTF-16 code units, big-endian.
inline QByteArray str(const char* utf8)
{
    const QString s = QString::fromUtf8(utf8);
    QByteArray b = be32(quint32(s.size() * 2));
    for (const QChar c : s)
        b.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    return b;
}

/// A serialised list of strings.
inline QByteArray list(std::initializer_list<const char*> words)
{
    QByteArray b = be32(quint32(words.size()));
    for (const char* w : words)
        b += str(w);
    return b;
}

/// Caps the address space at what the process maps now plus @p extraBytes, so
/// that an allocation out of proportion to the data fails instead of quietly
/// succeeding on an overcommitting system. Not under AddressSanitizer, whose
/// shadow memory needs the space (it reports such allocations itself).
inline void limitAddressSpace(qint64 extraBytes)
{
#if !defined(__SANITIZE_ADDRESS__)
    QFile statm("/proc/self/statm");
    if (statm.open(QIODevice::ReadOnly)) {
        const rlimit limit{
            rlim_t(statm.readAll().split(' ').value(0).toLongLong() * 4096 + extraBytes),
            RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &limit);
    }
#else
    Q_UNUSED(extraBytes);
#endif
}

} // namespace lexicontest
