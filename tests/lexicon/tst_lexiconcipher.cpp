/** @file tst_lexiconcipher.cpp @brief The DES block function and the block layout of lexicon files. */
#include "lexicontestutil.h"

#include <QtTest>

#include <stdexcept>

using namespace lexicontest;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

QByteArray crypt(const QByteArray& key, QByteArray block, bool encrypt)
{
    desCryptBlock(desKeySchedule(reinterpret_cast<const unsigned char*>(key.constData()), encrypt),
                  reinterpret_cast<unsigned char*>(block.data()));
    return block;
}

/// Deciphers @p file with encryptStream; false when it throws. @p out keeps
/// whatever was written.
bool decipher(const QByteArray& file, QByteArray& out)
{
    QByteArray in = file;
    QBuffer inDev(&in);
    inDev.open(QIODevice::ReadOnly);
    out.clear();
    QBuffer outDev(&out);
    outDev.open(QIODevice::WriteOnly);
    try {
        encryptStream(inDev, outDev, lexiconKey, false);
    } catch (const std::runtime_error&) {
        return false;
    }
    return true;
}

/// Plain bytes 0, 1, 2, ... (mod 251, so no block repeats by accident).
QByteArray pattern(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char((i * 7 + 3) % 251));
    return b;
}

} // namespace

class TestLexiconCipher : public QObject
{
    Q_OBJECT

private slots:
    void desVectors_data();
    void desVectors();
    void desIterated();
    void lexiconKeyBlock();
    void layout_data();
    void layout();
    void trailingBytesIgnored_data();
    void trailingBytesIgnored();
    void lastBlockCount_data();
    void lastBlockCount();
    void tooShort_data();
    void tooShort();
};

void TestLexiconCipher::desVectors_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipher");
    // Published DES known answers (textbook example, FIPS 81 sample, NBS
    // variable plaintext/key tables, and the classic test-vector set).
    QTest::newRow("textbook 133457799BBCDFF1")
        << hex("133457799BBCDFF1") << hex("0123456789ABCDEF") << hex("85E813540F0AB405");
    QTest::newRow("to zero 0E329232EA6D0D73")
        << hex("0E329232EA6D0D73") << hex("8787878787878787") << hex("0000000000000000");
    QTest::newRow("'Now is t' 0123456789ABCDEF")
        << hex("0123456789ABCDEF") << hex("4E6F772069732074") << hex("3FA40E8A984D4815");
    QTest::newRow("variable plaintext bit 1")
        << hex("0101010101010101") << hex("8000000000000000") << hex("95F8A5E5DD31D900");
    QTest::newRow("zero key zero block")
        << hex("0101010101010101") << hex("0000000000000000") << hex("8CA64DE9C1B123A7");
    QTest::newRow("parity bits ignored")
        << hex("0000000000000000") << hex("0000000000000000") << hex("8CA64DE9C1B123A7");
    QTest::newRow("all ones")
        << hex("FFFFFFFFFFFFFFFF") << hex("FFFFFFFFFFFFFFFF") << hex("7359B2163E4EDC58");
    QTest::newRow("variable key bit 1")
        << hex("8001010101010101") << hex("0000000000000000") << hex("95A8D72813DAA94D");
    QTest::newRow("3000000000000000")
        << hex("3000000000000000") << hex("1000000000000001") << hex("958E6E627A05557B");
    QTest::newRow("1111111111111111")
        << hex("1111111111111111") << hex("1111111111111111") << hex("F40379AB9E0EC533");
    QTest::newRow("0123456789ABCDEF on 1111111111111111")
        << hex("0123456789ABCDEF") << hex("1111111111111111") << hex("17668DFC7292532D");
    QTest::newRow("FEDCBA9876543210")
        << hex("FEDCBA9876543210") << hex("0123456789ABCDEF") << hex("ED39D950FA74BCC4");
    QTest::newRow("7CA110454A1A6E57")
        << hex("7CA110454A1A6E57") << hex("01A1D6D039776742") << hex("690F5B0D9A26939B");
}

void TestLexiconCipher::desVectors()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipher);
    QCOMPARE(crypt(key, plain, true).toHex().toUpper(), cipher.toHex().toUpper());
    QCOMPARE(crypt(key, cipher, false).toHex().toUpper(), plain.toHex().toUpper());
}

void TestLexiconCipher::desIterated()
{
    // Sixteen alternating encipherings and decipherings, each keyed with the
    // block itself, exercise every S-box entry path and both schedules.
    QByteArray x = hex("9474B8E8C73BCA7D");
    for (int i = 0; i < 16; ++i)
        x = crypt(x, x, i % 2 == 0);
    QCOMPARE(x.toHex().toUpper(), QByteArray("1B1A2DDB4C642438"));
}

void TestLexiconCipher::lexiconKeyBlock()
{
    // The key of the lexicon files: an empty lexicon is the single block of
    // eight zero bytes (count 0) enciphered with it.
    const QByteArray key(reinterpret_cast<const char*>(lexiconKey), 8);
    QCOMPARE(key.toHex().toUpper(), QByteArray("A7C3B5E1D9F2BEC4"));
    QCOMPARE(encipher(QByteArray()).toHex().toUpper(), QByteArray("C908C1CFDFB9855E"));
}

void TestLexiconCipher::layout_data()
{
    QTest::addColumn<int>("plainSize");
    for (int n : {0, 1, 7, 8, 9, 15, 16, 17, 23, 24, 100})
        QTest::addRow("%d plain bytes", n) << n;
}

void TestLexiconCipher::layout()
{
    QFETCH(int, plainSize);
    const QByteArray plain = pattern(plainSize);
    const QByteArray file = encipher(plain);
    const int q = plainSize / 8;
    const int r = plainSize % 8;
    QCOMPARE(file.size(), 8 * (q + 1));

    // Every block deciphers on its own (no chaining): the full blocks give the
    // plain bytes, the last one the remainder, zero padding and the count.
    for (int i = 0; i < q; ++i)
        QCOMPARE(crypt(QByteArray(reinterpret_cast<const char*>(lexiconKey), 8), file.mid(8 * i, 8), false),
                 plain.mid(8 * i, 8));
    QByteArray expectedLast = plain.mid(8 * q) + QByteArray(7 - r, '\0');
    expectedLast.append(char(r));
    QCOMPARE(crypt(QByteArray(reinterpret_cast<const char*>(lexiconKey), 8), file.mid(8 * q, 8), false)
                 .toHex(),
             expectedLast.toHex());

    QByteArray back;
    QVERIFY(decipher(file, back));
    QCOMPARE(back, plain);
}

void TestLexiconCipher::trailingBytesIgnored_data()
{
    QTest::addColumn<int>("extra");
    for (int j = 1; j <= 7; ++j)
        QTest::addRow("24 + %d bytes", j) << j;
}

void TestLexiconCipher::trailingBytesIgnored()
{
    QFETCH(int, extra);
    const QByteArray plain = pattern(19);
    const QByteArray file = encipher(plain);
    QCOMPARE(file.size(), 24);
    QByteArray back;
    QVERIFY(decipher(file + QByteArray(extra, '\x5A'), back));
    QCOMPARE(back, plain);
}

void TestLexiconCipher::lastBlockCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("ok");
    QTest::newRow("count 0: nothing of the last block") << 0 << true;
    QTest::newRow("count 5") << 5 << true;
    QTest::newRow("count 7") << 7 << true;
    // Never written by an encoder, but it still fits the block: the whole block.
    QTest::newRow("count 8: the whole block") << 8 << true;
    QTest::newRow("count 9 is damage") << 9 << false;
    QTest::newRow("count 255 is damage") << 255 << false;
}

void TestLexiconCipher::lastBlockCount()
{
    QFETCH(int, count);
    QFETCH(bool, ok);
    const QByteArray first = pattern(8);
    QByteArray last("ABCDEFG");
    last.append(char(count));
    const QByteArray file = encipher(first).left(8) + encipherBlock(last);

    QByteArray back;
    QCOMPARE(decipher(file, back), ok);
    if (ok) {
        QCOMPARE(back, first + last.left(count));
    } else {
        // The full blocks before stay; nothing of the damaged block is written.
        QCOMPARE(back, first);
    }
}

void TestLexiconCipher::tooShort_data()
{
    QTest::addColumn<int>("size");
    for (int n = 0; n <= 7; ++n)
        QTest::addRow("%d bytes", n) << n;
}

void TestLexiconCipher::tooShort()
{
    QFETCH(int, size);
    QByteArray back;
    QVERIFY(!decipher(encipher(QByteArray()).left(size), back));
    QVERIFY(back.isEmpty());
}

QTEST_GUILESS_MAIN(TestLexiconCipher)
#include "tst_lexiconcipher.moc"
