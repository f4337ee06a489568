/** @file tst_lexiconfiles.cpp @brief The lexicon file format: DES known answers, the block layout, the last-block count, short files, and bounded reading of the record streams. */
#include "lexicontestutil.h"

#include "lexicon/lexiconrecords.h"

#include <QDataStream>
#include <QtTest>

#include <stdexcept>

using namespace lexicontest;
Q_DECLARE_METATYPE(LexiconKind)

namespace {

QByteArray crypt(const QByteArray& key, QByteArray block, bool encrypt)
{
    desCryptBlock(desKeySchedule(reinterpret_cast<const unsigned char*>(key.constData()), encrypt),
                  reinterpret_cast<unsigned char*>(block.data()));
    return block;
}

/// @p file deciphered, or "damaged" (with what was written before) when the transform throws.
QString decipher(const QByteArray& file)
{
    try {
        return QString::fromLatin1(cipher(file, false).toHex());
    } catch (const std::runtime_error&) {
        return QStringLiteral("damaged");
    }
}

QByteArray pattern(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char((i * 7 + 3) % 251));
    return b;
}

/// The records of @p plain read up to the end or the first damage:
/// "words | sub-sets" per record, joined by "; ", then " DAMAGED" if damaged.
QString readRecords(LexiconKind kind, QByteArray plain)
{
    QBuffer dev(&plain);
    dev.open(QIODevice::ReadOnly);
    QDataStream in(&dev);
    in.setVersion(kLexiconStreamVersion);
    QStringList parts;
    while (!in.atEnd()) {
        LexiconRecord r;
        QString error;
        if (!readLexiconRecord(in, kind, r, &error))
            return parts.join(QStringLiteral("; "))
                + (error.isEmpty() ? QStringLiteral(" NO ERROR") : QStringLiteral(" DAMAGED"));
        parts << r.words.join(QLatin1Char(' '))
                + (r.subSets.isEmpty() ? QString()
                                       : QStringLiteral(" | ") + r.subSets.join(QLatin1Char(' ')));
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace

class TestLexiconFiles : public QObject
{
    Q_OBJECT

private slots:
    void desKnownAnswers_data();
    void desKnownAnswers();
    void layout_data();
    void layout();
    void damagedFiles_data();
    void damagedFiles();
    void records_data();
    void records();
};

void TestLexiconFiles::desKnownAnswers_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipher");
    // Published DES known answers (textbook example, FIPS 81 sample, NBS tables).
    const auto row = [](const char* name, const char* key, const char* plain, const char* cipher) {
        QTest::newRow(name) << QByteArray::fromHex(key) << QByteArray::fromHex(plain)
                            << QByteArray::fromHex(cipher);
    };
    row("textbook 133457799BBCDFF1", "133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405");
    row("to zero 0E329232EA6D0D73", "0E329232EA6D0D73", "8787878787878787", "0000000000000000");
    row("'Now is t'", "0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815");
    row("variable plaintext bit 1", "0101010101010101", "8000000000000000", "95F8A5E5DD31D900");
    row("parity bits ignored", "0000000000000000", "0000000000000000", "8CA64DE9C1B123A7");
    row("7CA110454A1A6E57", "7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B");
}

void TestLexiconFiles::desKnownAnswers()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipher);
    QCOMPARE(crypt(key, plain, true).toHex(), cipher.toHex());
    QCOMPARE(crypt(key, cipher, false).toHex(), plain.toHex());
}

void TestLexiconFiles::layout_data()
{
    QTest::addColumn<int>("plainSize");
    for (int n : {0, 1, 7, 8, 9, 16, 23, 100})
        QTest::addRow("%d plain bytes", n) << n;
}

// Blocks enciphered one by one (no chaining); the last holds the remainder,
// zero padding and the count of its bytes. An empty lexicon is one block.
void TestLexiconFiles::layout()
{
    QFETCH(int, plainSize);
    const QByteArray key(reinterpret_cast<const char*>(lexiconKey), 8);
    QCOMPARE(key.toHex().toUpper(), QByteArray("A7C3B5E1D9F2BEC4"));
    const QByteArray plain = pattern(plainSize);
    const QByteArray file = cipher(plain);
    const int q = plainSize / 8, r = plainSize % 8;
    QCOMPARE(file.size(), 8 * (q + 1));
    for (int i = 0; i < q; ++i)
        QCOMPARE(crypt(key, file.mid(8 * i, 8), false), plain.mid(8 * i, 8));
    QByteArray last = plain.mid(8 * q) + QByteArray(7 - r, '\0');
    last.append(char(r));
    QCOMPARE(crypt(key, file.mid(8 * q, 8), false).toHex(), last.toHex());
    QCOMPARE(decipher(file), QString::fromLatin1(plain.toHex()));
    QCOMPARE(decipher(file + QByteArray(r % 7 + 1, 'Z')),
             QString::fromLatin1(plain.toHex())); // a partial block after the last is ignored
    if (plainSize == 0)
        QCOMPARE(file.toHex().toUpper(), QByteArray("C908C1CFDFB9855E"));
}

void TestLexiconFiles::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");
    const QByteArray first = pattern(8);
    const QString firstHex = QString::fromLatin1(first.toHex());
    for (int count : {0, 5, 8}) {
        QByteArray last("ABCDEFG");
        last.append(char(count));
        QTest::addRow("last block counting %d", count) << cipher(first).left(8)
                + encipherBlock(last) << firstHex + QString::fromLatin1(last.left(count).toHex());
    }
    for (int count : {9, 255}) {
        QByteArray last("ABCDEFG");
        last.append(char(count));
        QTest::addRow("last block counting %d: damage", count)
            << cipher(first).left(8) + encipherBlock(last) << QStringLiteral("damaged");
    }
    for (int n : {0, 1, 7})
        QTest::addRow("%d bytes: no whole block", n)
            << cipher(pattern(3)).left(n) << QStringLiteral("damaged");
}

void TestLexiconFiles::damagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    QCOMPARE(decipher(file), expected);
}

void TestLexiconFiles::records_data()
{
    QTest::addColumn<LexiconKind>("kind");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QString>("expected");
    const QByteArray good = str("钢管");
    const QByteArray goodList = list({"钢管", "焊管"});
    const QByteArray goodSet = goodList + list({"管材"});

    const auto row = [](const char* name, LexiconKind kind, const QByteArray& plain,
                        const char* expected) {
        QTest::newRow(name) << kind << plain << QString(expected);
    };
    using K = LexiconKind;
    row("synonyms, an empty group", K::Synonyms, goodList + list({}) + list({"电缆"}),
        "钢管 焊管; ; 电缆");
    row("material sets with sub-sets", K::MatSet, goodSet + list({"PVC管"}) + list({}),
        "钢管 焊管 | 管材; PVC管");
    row("words beyond the BMP", K::CableCoreWord, str("𠀀YJV") + str("电缆"), "𠀀YJV; 电缆");
    // Damage: the records before it are kept; nothing is allocated for what a count announces.
    row("list count 0x7FFFFFFF", K::Synonyms, goodList + be32(0x7FFFFFFF) + good,
        "钢管 焊管 DAMAGED");
    row("list count 0xFFFFFFFF", K::Synonyms, goodList + be32(0xFFFFFFFF) + good,
        "钢管 焊管 DAMAGED");
    row("list count beyond the strings left", K::Synonyms, goodList + be32(2) + good,
        "钢管 焊管 DAMAGED");
    row("sub-set count 0xFFFFFFFF", K::MatSet, goodSet + goodList + be32(0xFFFFFFFF),
        "钢管 焊管 | 管材 DAMAGED");
    row("set cut between members and sub-sets", K::SmartMatch, goodSet + goodList,
        "钢管 焊管 | 管材 DAMAGED");
    row("string byte length odd", K::CoreWord, good + be32(3) + "abcd", "钢管 DAMAGED");
    row("string byte length 0x7FFFFFF0", K::CoreWord, good + be32(0x7FFFFFF0) + QByteArray(64, 'x'),
        "钢管 DAMAGED");
    row("string byte length 0xFFFFFFFE", K::EnCore, good + be32(0xFFFFFFFE) + QByteArray(64, 'x'),
        "钢管 DAMAGED");
    row("string cut inside its length", K::CableCoreWord, good + QByteArray("\0\0", 2),
        "钢管 DAMAGED");
    row("damage in the first record", K::MatSet, be32(0x7FFFFFFF), " DAMAGED");
}

void TestLexiconFiles::records()
{
    QFETCH(LexiconKind, kind);
    QFETCH(QByteArray, plain);
    QFETCH(QString, expected);
    // Every stream is tiny: reading one fits in a small address space, whatever it announces.
    limitAddressSpace(qint64(512) << 20);
    QCOMPARE(readRecords(kind, plain), expected);
}

QTEST_GUILESS_MAIN(TestLexiconFiles)
#include "tst_lexiconfiles.moc"
