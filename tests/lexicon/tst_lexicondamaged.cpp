/** @file tst_lexicondamaged.cpp @brief Loading damaged lexicon files: no crash, no runaway allocation, earlier records kept. */
#include "lexicontestutil.h"
#include "searchutiltestaccess.h"

#include "lexicon/searchutil.h"

#include <QtTest>

#include <algorithm>
#include <memory>

// Built twice: each damage set is a lexicon configuration of its own.
#ifndef LEXICON_DAMAGE_SET
#error "LEXICON_DAMAGE_SET must be 1 or 2"
#endif

using namespace lexicontest;

namespace {

QString sorted(const QSet<QString>& set)
{
    QStringList words = set.values();
    std::sort(words.begin(), words.end());
    return words.join(QLatin1Char(' '));
}

QByteArray str(const char* utf8)
{
    return stringBytes(QString::fromUtf8(utf8));
}

QByteArray list(std::initializer_list<const char*> words)
{
    QByteArray b = be32(quint32(words.size()));
    for (const char* w : words)
        b += str(w);
    return b;
}

struct LexiconFile {
    LexiconKind kind;
    QByteArray content; ///< the file as stored (enciphered, or deliberately not)
};

/// What the damaged lexicons hold and what the store must keep of them.
struct Expectation {
    QStringList synGroups; ///< the groups read from the file, sorted words, before the generated ones
    bool synGenerated;     ///< whether the file deciphered (so the generated groups follow)
    QStringList sets;      ///< m_setData rendered, sorted members then " | " and sub-sets
    QStringList core, cableCore, enCore;
    int logLines;          ///< "encryptStream error." lines expected
};

#if LEXICON_DAMAGE_SET == 1
QList<LexiconFile> damagedFiles()
{
    return {
        // Three good groups (one with a repeated word, one empty), then a count of 0x7FFFFFFF.
        {LexiconKind::Synonyms,
         encipher(list({"钢管", "焊管", "钢管"}) + list({}) + list({"电缆", "电线"}) + be32(0x7FFFFFFF)
                  + str("x"))},
        // Two good entries, then a third cut short inside a sub-set word.
        {LexiconKind::MatSet,
         encipher(list({"焊接钢管", "焊管"}) + list({"镀锌钢管"}) + list({"镀锌钢管"}) + list({})
                  + list({"无缝钢管"}) + be32(1) + str("无缝钢管").left(6))},
        // One good entry, then a sub-set count of 0xFFFFFFFF.
        {LexiconKind::SmartMatch,
         encipher(list({"YJV电缆"}) + list({"电力电缆"}) + list({"VV电缆"}) + be32(0xFFFFFFFF) + str("x"))},
        // Two good words, then a string of odd byte length.
        {LexiconKind::CoreWord, encipher(str("Cable") + str("电缆") + be32(7) + QByteArray("abcdefgh"))},
        // Five bytes: not one whole block.
        {LexiconKind::CableCoreWord, encipher(str("YJV")).left(5)},
        // Well formed: loads normally.
        {LexiconKind::EnCore, encipher(str("PVC") + str("ppr") + str("pvc"))},
    };
}

Expectation expectation()
{
    return {{QStringLiteral("焊管 钢管"), QString(), QStringLiteral("电线 电缆")},
            true,
            {QStringLiteral("焊接钢管 焊管 | 镀锌钢管"), QStringLiteral("镀锌钢管"), QStringLiteral("YJV电缆 | 电力电缆")},
            {QStringLiteral("cable"), QStringLiteral("电缆")},
            {},
            {QStringLiteral("pvc"), QStringLiteral("ppr")},
            1};
}
#else
QList<LexiconFile> damagedFiles()
{
    QByteArray lastBlockNine("\0\0\0\0\0\0\0\x09", 8);
    return {
        // Damage in the very first record: no group of the file, but it deciphered.
        {LexiconKind::Synonyms, encipher(be32(0xFFFFFFFF) + str("钢管"))},
        // A member string claiming far more bytes than the file holds.
        {LexiconKind::MatSet, encipher(list({"钢管"}) + list({}) + be32(1) + be32(0x7FFFFFF0) + str("x"))},
        // A last block counting 9 bytes: not a lexicon file.
        {LexiconKind::SmartMatch, encipher(list({"钢管"}) + list({})).left(8) + encipherBlock(lastBlockNine)},
        // Well formed: loads normally.
        {LexiconKind::CoreWord, encipher(str("Cable") + str("电缆") + str("CABLE"))},
        // Cut inside the length of the third word.
        {LexiconKind::CableCoreWord, encipher(str("yjv") + str("YJV22") + be32(6).left(3))},
        // A string byte length of 0xFFFFFFFE after one word.
        {LexiconKind::EnCore, encipher(str("DN") + be32(0xFFFFFFFE) + QByteArray(40, 'z'))},
    };
}

Expectation expectation()
{
    return {{},
            true,
            {QStringLiteral("钢管")},
            {QStringLiteral("cable"), QStringLiteral("电缆"), QStringLiteral("cable")},
            {QStringLiteral("YJV"), QStringLiteral("YJV22")},
            {QStringLiteral("dn")},
            1};
}
#endif

} // namespace

class TestLexiconDamaged : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void synonyms();
    void sets();
    void wordLists();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QStringList m_log;
};

void TestLexiconDamaged::initTestCase()
{
    const QString matlex = QCoreApplication::applicationDirPath() + QStringLiteral("/dict/MATLEX/");
    QDir(matlex).removeRecursively();
    for (const LexiconFile& file : damagedFiles())
        QVERIFY(writeFile(matlex + lexiconFileName(file.kind), file.content));

    m_tmp = ownTempDir();
    QVERIFY(m_tmp->isValid());

    // The files are a few dozen bytes: loading them must fit in a small
    // address space, whatever counts and lengths they announce.
    limitAddressSpace(qint64(256) << 20);
    MessageCapture capture;
    try {
        QVERIFY(SearchUtil::instance());
    } catch (...) {
        QFAIL("instance() threw on damaged lexicons");
    }
    m_log = MessageCapture::messages();
    QCOMPARE(entriesOf(m_tmp->path()), QStringList());
}

void TestLexiconDamaged::synonyms()
{
    const Expectation e = expectation();
    const QList<QSet<QString>> syn = SearchUtilTestAccess::synData();
    QStringList groups;
    for (const QSet<QString>& g : syn.mid(0, e.synGroups.size()))
        groups.append(sorted(g));
    QCOMPARE(groups, e.synGroups);
    QCOMPARE(syn.size(), e.synGroups.size() + (e.synGenerated ? 99 : 0));
    if (e.synGenerated)
        QCOMPARE(sorted(syn.last()), QStringLiteral("99芯 九十九芯"));
}

void TestLexiconDamaged::sets()
{
    QStringList rendered;
    for (const MatSetEntry& entry : SearchUtilTestAccess::setData()) {
        QString text = sorted(entry.members);
        if (!entry.subSets.isEmpty())
            text += QStringLiteral(" | ") + entry.subSets.join(QLatin1Char(' '));
        rendered.append(text);
    }
    QCOMPARE(rendered, expectation().sets);
}

void TestLexiconDamaged::wordLists()
{
    const Expectation e = expectation();
    QCOMPARE(SearchUtilTestAccess::coreData(), e.core);
    QCOMPARE(SearchUtilTestAccess::cableCoreData(), e.cableCore);
    QCOMPARE(SearchUtilTestAccess::enCoreData(), e.enCore);
    // A damaged record is dropped, not kept as an empty word that every text would contain.
    QVERIFY(!SearchUtil::instance()->containEnCore(QStringLiteral("钢管")));
    QStringList expectedLog;
    for (int i = 0; i < e.logLines; ++i)
        expectedLog.append(QStringLiteral("debug: encryptStream error."));
    QCOMPARE(m_log, expectedLog);
}

QTEST_GUILESS_MAIN(TestLexiconDamaged)
#include "tst_lexicondamaged.moc"
