/** @file lexiconcipher.cpp @brief Table-driven DES and the block layout of the lexicon files. */
#include "lexicon/lexiconcipher.h"

#include <QIODevice>

#include <stdexcept>

const unsigned char lexiconKey[8] = {0xA7, 0xC3, 0xB5, 0xE1, 0xD9, 0xF2, 0xBE, 0xC4};

namespace {

// The standard DES tables, bits numbered from 1 = most significant.
constexpr unsigned char kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

constexpr unsigned char kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
    35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
    46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr unsigned char kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr unsigned char kKeyShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr unsigned char kRoundPermutation[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23,
                                                 26, 5, 18, 31, 10, 2,  8,  24, 14, 32, 27,
                                                 3,  9, 19, 13, 30, 6,  22, 11, 4,  25};

constexpr unsigned char kSBoxes[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4, 9,  7,  2, 13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9, 11, 5,  0, 14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7, 5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1, 10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4, 11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0, 5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2, 8,  4, 6, 15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4, 12, 5, 6, 11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3, 5,  8, 2, 1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11}};

/// Picks bits of the @p inWidth-bit value @p in into an @p count-bit result:
/// result bit i (from 1, most significant) is input bit table[i - 1].
constexpr quint64 permuteBits(quint64 in, int inWidth, const unsigned char* table, int count)
{
    quint64 out = 0;
    for (int i = 0; i < count; ++i)
        out = (out << 1) | ((in >> (inWidth - table[i])) & 1u);
    return out;
}

/// The eight S-boxes combined with the permutation P: entry [i][v] is the
/// round function's output contribution of S-box i + 1 for the 6-bit input v.
constexpr std::array<std::array<quint32, 64>, 8> makeSpTables()
{
    std::array<std::array<quint32, 64>, 8> sp{};
    for (int box = 0; box < 8; ++box) {
        for (int v = 0; v < 64; ++v) {
            const int row = ((v >> 4) & 2) | (v & 1);
            const int col = (v >> 1) & 0xF;
            const quint64 sOut = quint64(kSBoxes[box][row * 16 + col]) << (28 - 4 * box);
            sp[box][v] = quint32(permuteBits(sOut, 32, kRoundPermutation, 32));
        }
    }
    return sp;
}

/// A 64-bit permutation split per input byte: the permuted value of a block
/// is the OR of table[i][byte i] over its eight bytes.
using ByteTables = std::array<std::array<quint64, 256>, 8>;

constexpr ByteTables makeByteTables(bool inverse)
{
    // outPos[k]: 0-based position (from the most significant bit) that input bit k lands on.
    std::array<int, 64> outPos{};
    for (int i = 0; i < 64; ++i) {
        const int from = kInitialPermutation[i] - 1;
        if (inverse)
            outPos[i] = from; // the inverse permutation sends bit i back to where it came from
        else
            outPos[from] = i;
    }
    ByteTables tables{};
    for (int byte = 0; byte < 8; ++byte) {
        for (int v = 0; v < 256; ++v) {
            quint64 out = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (v & (0x80 >> bit))
                    out |= quint64(1) << (63 - outPos[byte * 8 + bit]);
            }
            tables[byte][v] = out;
        }
    }
    return tables;
}

constexpr auto kSp = makeSpTables();
constexpr ByteTables kIpTables = makeByteTables(false);
constexpr ByteTables kFpTables = makeByteTables(true);

inline quint32 rotr(quint32 v, int n)
{
    return (v >> n) | (v << (32 - n));
}

/// The round function f(R, K) on the two schedule words of one round.
inline quint32 roundFunction(quint32 r, quint32 k0, quint32 k1)
{
    // The expansion E takes overlapping 6-bit windows of R; rotating R right
    // by 3 puts windows 1, 3, 5, 7 on byte boundaries, rotating left by 1 the
    // windows 2, 4, 6, 8, matching the schedule's layout.
    quint32 w = rotr(r, 3) ^ k0;
    quint32 f = kSp[0][(w >> 24) & 0x3F] | kSp[2][(w >> 16) & 0x3F] | kSp[4][(w >> 8) & 0x3F]
        | kSp[6][w & 0x3F];
    w = rotr(r, 31) ^ k1;
    f |= kSp[1][(w >> 24) & 0x3F] | kSp[3][(w >> 16) & 0x3F] | kSp[5][(w >> 8) & 0x3F]
        | kSp[7][w & 0x3F];
    return f;
}

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(what);
}

/// Reads up to 8 bytes, as many as the device still has; -1 on a read error.
qint64 readBlock(QIODevice& in, unsigned char* block)
{
    qint64 got = 0;
    while (got < 8) {
        const qint64 n = in.read(reinterpret_cast<char*>(block) + got, 8 - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

void writeAll(QIODevice& out, const unsigned char* data, qint64 size)
{
    if (size > 0 && out.write(reinterpret_cast<const char*>(data), size) != size)
        fail("cannot write the output");
}

} // namespace

DesKeySchedule desKeySchedule(const unsigned char key[8], bool encrypt)
{
    quint64 k = 0;
    for (int i = 0; i < 8; ++i)
        k = (k << 8) | key[i];
    const quint64 cd = permuteBits(k, 64, kPermutedChoice1, 56);
    quint32 c = quint32(cd >> 28) & 0x0FFFFFFF;
    quint32 d = quint32(cd) & 0x0FFFFFFF;

    DesKeySchedule schedule{};
    for (int round = 0; round < 16; ++round) {
        const int s = kKeyShifts[round];
        c = ((c << s) | (c >> (28 - s))) & 0x0FFFFFFF;
        d = ((d << s) | (d >> (28 - s))) & 0x0FFFFFFF;
        const quint64 sub = permuteBits((quint64(c) << 28) | d, 56, kPermutedChoice2, 48);
        quint32 odd = 0;  // 6-bit groups 1, 3, 5, 7
        quint32 even = 0; // 6-bit groups 2, 4, 6, 8
        for (int g = 0; g < 8; g += 2) {
            odd = (odd << 8) | quint32((sub >> (42 - 6 * g)) & 0x3F);
            even = (even << 8) | quint32((sub >> (36 - 6 * g)) & 0x3F);
        }
        const int slot = encrypt ? round : 15 - round;
        schedule[2 * slot] = odd;
        schedule[2 * slot + 1] = even;
    }
    return schedule;
}

void desCryptBlock(const DesKeySchedule& schedule, unsigned char block[8])
{
    quint64 ip = 0;
    for (int i = 0; i < 8; ++i)
        ip |= kIpTables[i][block[i]];
    quint32 left = quint32(ip >> 32);
    quint32 right = quint32(ip);
    for (int i = 0; i < 32; i += 4) {
        left ^= roundFunction(right, schedule[i], schedule[i + 1]);
        right ^= roundFunction(left, schedule[i + 2], schedule[i + 3]);
    }
    // The halves leave the last round swapped.
    const quint64 pre = (quint64(right) << 32) | left;
    quint64 out = 0;
    for (int i = 0; i < 8; ++i)
        out |= kFpTables[i][(pre >> (56 - 8 * i)) & 0xFF];
    for (int i = 0; i < 8; ++i)
        block[i] = static_cast<unsigned char>(out >> (56 - 8 * i));
}

void encryptStream(QIODevice& in, QIODevice& out, const unsigned char key[8], bool encrypt)
{
    const DesKeySchedule schedule = desKeySchedule(key, encrypt);
    unsigned char block[8];

    if (encrypt) {
        for (;;) {
            const qint64 got = readBlock(in, block);
            if (got < 0)
                fail("cannot read the input");
            if (got < 8) {
                for (qint64 i = got; i < 7; ++i)
                    block[i] = 0;
                block[7] = static_cast<unsigned char>(got);
                desCryptBlock(schedule, block);
                writeAll(out, block, 8);
                return;
            }
            desCryptBlock(schedule, block);
            writeAll(out, block, 8);
        }
    }

    const qint64 available = in.isSequential() ? in.bytesAvailable() : in.size() - in.pos();
    const qint64 count = available / 8;
    if (count < 1)
        fail("no whole block");
    for (qint64 n = 1; n <= count; ++n) {
        if (readBlock(in, block) != 8)
            fail("short block");
        desCryptBlock(schedule, block);
        if (n < count) {
            writeAll(out, block, 8);
        } else {
            // A well-formed last block counts 0 to 7 bytes; 8 still fits the
            // block, anything larger cannot come from the format.
            const int r = block[7];
            if (r > 8)
                fail("bad count in the last block");
            writeAll(out, block, r);
        }
    }
}
