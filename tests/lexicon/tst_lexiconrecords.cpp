/** @file tst_lexiconrecords.cpp @brief Bounded reading of lexicon record streams, well-formed and damaged. */
#include "lexicontestutil.h"

#include <QtTest>

using namespace lexicontest;

Q_DECLARE_METATYPE(LexiconKind)
Q_DECLARE_METATYPE(LexiconRecord)

namespace {

/// Records as one string: "words | sub-sets" per record, records joined by "; ";
/// a null string shows as <null>.
QString render(const QList<LexiconRecord>& records)
{
    QStringList parts;
    for (const LexiconRecord& r : records) {
        QStringList words;
        for (const QString& w : r.words)
            words.append(w.isNull() ? QStringLiteral("<null>") : w);
        QString text = words.join(QLatin1Char(' '));
        if (!r.subSets.isEmpty())
            text += QStringLiteral(" | ") + r.subSets.join(QLatin1Char(' '));
        parts.append(text);
    }
    return parts.join(QStringLiteral("; "));
}

/// Reads records the way the loaders do: up to the end or the first damage.
QList<LexiconRecord> readAll(LexiconKind kind, const QByteArray& plain, bool& damaged, QString& error)
{
    QByteArray data = plain;
    QBuffer dev(&data);
    dev.open(QIODevice::ReadOnly);
    QDataStream in(&dev);
    in.setVersion(kLexiconStreamVersion);
    QList<LexiconRecord> records;
    damaged = false;
    while (!in.atEnd()) {
        LexiconRecord r;
        if (!readLexiconRecord(in, kind, r, &error)) {
            damaged = true;
            break;
        }
        records.append(r);
    }
    return records;
}

} // namespace

class TestLexiconRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void qtCompatible_data();
    void qtCompatible();
    void damaged_data();
    void damaged();
    void kindNames();
};

void TestLexiconRecords::initTestCase()
{
    // Every damaged stream below is tiny; reading one must never ask for
    // memory on the scale of the counts and lengths it announces.
    limitAddressSpace(qint64(512) << 20);
}

void TestLexiconRecords::roundTrip_data()
{
    QTest::addColumn<LexiconKind>("kind");
    QTest::addColumn<QList<LexiconRecord>>("records");
    QTest::addColumn<QString>("expected");

    QTest::newRow("synonyms 钢管 焊管, empty group, 电缆")
        << LexiconKind::Synonyms
        << QList<LexiconRecord>{record({QStringLiteral("钢管"), QStringLiteral("焊管")}), record({}),
                                record({QStringLiteral("电缆")})}
        << QStringLiteral("钢管 焊管; ; 电缆");
    QTest::newRow("matset 焊接钢管 焊管 | 镀锌钢管 无缝钢管")
        << LexiconKind::MatSet
        << QList<LexiconRecord>{record({QStringLiteral("焊接钢管"), QStringLiteral("焊管")},
                                       {QStringLiteral("镀锌钢管"), QStringLiteral("无缝钢管")}),
                                record({QStringLiteral("PVC管")})}
        << QStringLiteral("焊接钢管 焊管 | 镀锌钢管 无缝钢管; PVC管");
    QTest::newRow("smartmatch mixed script YJV-3×2.5")
        << LexiconKind::SmartMatch
        << QList<LexiconRecord>{record({QStringLiteral("YJV-3×2.5"), QStringLiteral("电力电缆")},
                                       {QStringLiteral("YJV")})}
        << QStringLiteral("YJV-3×2.5 电力电缆 | YJV");
    QTest::newRow("coreword words, one null")
        << LexiconKind::CoreWord
        << QList<LexiconRecord>{record({QStringLiteral("电缆")}), record({QString()}),
                                record({QStringLiteral("ABC")})}
        << QStringLiteral("电缆; <null>; ABC");
    QTest::newRow("encore empty string")
        << LexiconKind::EnCore << QList<LexiconRecord>{record({QStringLiteral("")})} << QString();
    QTest::newRow("cablecoreword characters beyond the BMP")
        << LexiconKind::CableCoreWord << QList<LexiconRecord>{record({QStringLiteral("𠀀YJV")})}
        << QStringLiteral("𠀀YJV");
}

void TestLexiconRecords::roundTrip()
{
    QFETCH(LexiconKind, kind);
    QFETCH(QList<LexiconRecord>, records);
    QFETCH(QString, expected);
    bool damaged = true;
    QString error;
    const QList<LexiconRecord> back = readAll(kind, recordStream(kind, records), damaged, error);
    QVERIFY2(!damaged, qPrintable(error));
    QCOMPARE(back.size(), records.size());
    QCOMPARE(render(back), expected);
    // A null word stays null, an empty one empty.
    for (int i = 0; i < records.size(); ++i) {
        for (int j = 0; j < records.at(i).words.size(); ++j)
            QCOMPARE(back.at(i).words.at(j).isNull(), records.at(i).words.at(j).isNull());
    }
}

void TestLexiconRecords::qtCompatible_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::newRow("CJK") << QStringList{QStringLiteral("钢管"), QStringLiteral("焊管")};
    QTest::newRow("mixed 镀锌钢管DN25") << QStringList{QStringLiteral("镀锌钢管DN25"), QString()};
    QTest::newRow("none") << QStringList();
}

void TestLexiconRecords::qtCompatible()
{
    // The streams are Qt's own serialisation: what Qt writes reads back here,
    // and what is written here Qt reads back.
    QFETCH(QStringList, words);
    QByteArray fromQt;
    {
        QDataStream out(&fromQt, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_5_2);
        out << words;
    }
    QCOMPARE(recordStream(LexiconKind::Synonyms, {record(words)}), fromQt);
    bool damaged = true;
    QString error;
    const QList<LexiconRecord> back = readAll(LexiconKind::Synonyms, fromQt, damaged, error);
    QVERIFY(!damaged);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back.first().words, words);
}

void TestLexiconRecords::damaged_data()
{
    QTest::addColumn<LexiconKind>("kind");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QString>("kept");

    const QByteArray good = stringBytes(QStringLiteral("钢管"));
    const QByteArray goodList = be32(2) + good + stringBytes(QStringLiteral("焊管"));
    const QByteArray goodSet = goodList + be32(1) + stringBytes(QStringLiteral("管材"));

    QTest::newRow("list count 0x7FFFFFFF")
        << LexiconKind::Synonyms << goodList + be32(0x7FFFFFFF) + good << QStringLiteral("钢管 焊管");
    QTest::newRow("list count 0xFFFFFFFF")
        << LexiconKind::Synonyms << goodList + be32(0xFFFFFFFF) + good << QStringLiteral("钢管 焊管");
    QTest::newRow("list count one beyond the strings left")
        << LexiconKind::Synonyms << goodList + be32(2) + good << QStringLiteral("钢管 焊管");
    QTest::newRow("list cut inside its count")
        << LexiconKind::Synonyms << goodList + be32(1).left(2) << QStringLiteral("钢管 焊管");
    QTest::newRow("sub-set count 0xFFFFFFFF")
        << LexiconKind::MatSet << goodSet + goodList + be32(0xFFFFFFFF)
        << QStringLiteral("钢管 焊管 | 管材");
    QTest::newRow("set record cut between members and sub-sets")
        << LexiconKind::SmartMatch << goodSet + goodList << QStringLiteral("钢管 焊管 | 管材");
    QTest::newRow("string byte length odd")
        << LexiconKind::CoreWord << good + be32(3) + QByteArray("abcd") << QStringLiteral("钢管");
    QTest::newRow("string byte length beyond the file")
        << LexiconKind::CoreWord << good + be32(0x7FFFFFF0) + QByteArray(64, 'x') << QStringLiteral("钢管");
    QTest::newRow("string byte length 0xFFFFFFFE")
        << LexiconKind::EnCore << good + be32(0xFFFFFFFE) + QByteArray(64, 'x') << QStringLiteral("钢管");
    QTest::newRow("string cut in the middle")
        << LexiconKind::CableCoreWord << good + good.left(good.size() - 2) << QStringLiteral("钢管");
    QTest::newRow("string cut inside its length")
        << LexiconKind::CableCoreWord << good + QByteArray("\0\0", 2) << QStringLiteral("钢管");
    QTest::newRow("damage in the first record")
        << LexiconKind::MatSet << be32(0x7FFFFFFF) << QString();
}

void TestLexiconRecords::damaged()
{
    QFETCH(LexiconKind, kind);
    QFETCH(QByteArray, plain);
    QFETCH(QString, kept);
    bool damaged = false;
    QString error;
    const QList<LexiconRecord> records = readAll(kind, plain, damaged, error);
    QVERIFY(damaged);
    QVERIFY(!error.isEmpty());
    QCOMPARE(render(records), kept);
}

void TestLexiconRecords::kindNames()
{
    QStringList names;
    for (LexiconKind kind : allLexiconKinds()) {
        LexiconKind back;
        QVERIFY(lexiconKindFromName(lexiconKindName(kind), back));
        QCOMPARE(int(back), int(kind));
        names.append(lexiconFileName(kind));
    }
    QCOMPARE(names.join(QLatin1Char(' ')),
             QStringLiteral("lex-synonyms.lex lex-matset.lex lex-smartmatch.lex lex-coreword.lex "
                            "lex-cablecoreword.lex lex-encore.lex"));
    LexiconKind unused;
    QVERIFY(!lexiconKindFromName(QStringLiteral("Synonyms"), unused));
    QVERIFY(!lexiconKindFromName(QString(), unused));
}

QTEST_GUILESS_MAIN(TestLexiconRecords)
#include "tst_lexiconrecords.moc"
