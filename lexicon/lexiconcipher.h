/** @file lexiconcipher.h @brief The block cipher of the lexicon files and the stream transform over it. */
#pragma once

#include <QtGlobal>

#include <array>

class QIODevice;

/// The key every lexicon file is enciphered with (DES key bytes, first byte first).
extern const unsigned char lexiconKey[8];

/// The sixteen DES round keys laid out for desCryptBlock(): two words per
/// round, the first holding the 6-bit groups 1, 3, 5, 7 of the 48-bit round
/// key (one per byte, high byte first), the second the groups 2, 4, 6, 8.
using DesKeySchedule = std::array<quint32, 32>;

/// The round keys of @p key (8 bytes, parity bits ignored), in forward order
/// for enciphering or reversed for deciphering.
DesKeySchedule desKeySchedule(const unsigned char key[8], bool encrypt);

/// Runs one 8-byte block through DES with @p schedule, in place.
void desCryptBlock(const DesKeySchedule& schedule, unsigned char block[8]);

/// The lexicon file transform. With @p encrypt false, deciphers whole blocks of
/// @p in (from its current position) and appends the plain content to @p out:
/// every block but the last in full, of the last block as many bytes as its
/// deciphered byte 7 says (0 to 8). Bytes after the last whole block are not
/// read. With @p encrypt true, enciphers all of @p in into whole blocks, the
/// last one carrying the remaining 0 to 7 bytes, zero padding and their count.
/// Throws std::runtime_error when @p in holds no whole block, a read or write
/// fails, or the count of the last block is above 8; whatever was written to
/// @p out before stays there.
void encryptStream(QIODevice& in, QIODevice& out, const unsigned char key[8], bool encrypt);
