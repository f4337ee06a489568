/** @file tst_lexiconqueries.cpp @brief The lexicon queries over stores filled by the test: synonyms, material sets, equivalents, flags. */
#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"

#include <QtTest>

#include <QRandomGenerator>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

/// Builds stores from a compact description and reaches the private queries.
/// Description: records separated by ";", each "syn: words", "set: members | sub-sets"
/// or "en: word".
class SearchUtilTestAccess
{
public:
    static std::unique_ptr<SearchUtil> make(const QString& description)
    {
        std::unique_ptr<SearchUtil> s(new SearchUtil);
        const QStringList records = description.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& record : records) {
            const int colon = record.indexOf(QLatin1Char(':'));
            const QString kind = record.left(colon).trimmed();
            const QString body = record.mid(colon + 1);
            const QStringList halves = body.split(QLatin1Char('|'));
            const QStringList words = halves.at(0).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (kind == QLatin1String("syn")) {
                s->m_synData.append(QSet<QString>(words.cbegin(), words.cend()));
            } else if (kind == QLatin1String("set")) {
                MatSetEntry e;
                e.members = QSet<QString>(words.cbegin(), words.cend());
                if (halves.size() > 1)
                    e.subSets = halves.at(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                s->m_setData.append(e);
            } else if (kind == QLatin1String("en")) {
                s->m_enCoreData.append(words.value(0, QStringLiteral("")));
            } else {
                qFatal("bad store description");
            }
        }
        return s;
    }

    static void addSet(SearchUtil& s, const QStringList& members, const QStringList& subSets)
    {
        s.m_setData.append(MatSetEntry{QSet<QString>(members.cbegin(), members.cend()), subSets});
    }

    static void addSynonymGroup(SearchUtil& s, const QStringList& words)
    {
        s.m_synData.append(QSet<QString>(words.cbegin(), words.cend()));
    }

    static QStringList getSynonyms(const SearchUtil& s, const QString& w) { return s.getSynonyms(w); }
    static QStringList getMaterialSet(const SearchUtil& s, const QString& w) { return s.getMaterialSet(w); }

    /// The natural recursion over the sets, with no memory of expanded words;
    /// only for data without cycles.
    static QStringList plainMaterialSet(const SearchUtil& s, const QString& word)
    {
        QStringList result{word};
        for (const MatSetEntry& e : s.m_setData) {
            if (!e.members.contains(word))
                continue;
            for (const QString& w : e.members)
                result.append(w);
            for (const QString& sub : e.subSets)
                result.append(plainMaterialSet(s, sub));
        }
        result.removeDuplicates();
        return result;
    }

    /// Copies sharing the store's containers: a query that writes to the
    /// store, or merely detaches one of its containers, breaks the sharing.
    struct Snapshot {
        QList<QSet<QString>> syn;
        QList<MatSetEntry> sets;
        QStringList enCore, equival, suffix, contain;
    };
    static Snapshot snapshot(const SearchUtil& s)
    {
        return {s.m_synData, s.m_setData, s.m_enCoreData, s.m_equivalWords, s.m_suffixWords, s.m_containWords};
    }
    static bool stillShared(const SearchUtil& s, const Snapshot& snap)
    {
        return snap.syn.isSharedWith(s.m_synData) && snap.sets.isSharedWith(s.m_setData)
               && snap.enCore.isSharedWith(s.m_enCoreData) && snap.equival.isSharedWith(s.m_equivalWords)
               && snap.suffix.isSharedWith(s.m_suffixWords) && snap.contain.isSharedWith(s.m_containWords);
    }
};

namespace {

QString joined(const QStringList& words)
{
    return words.join(QLatin1Char(' '));
}

/// A store without cycles: every entry's sub-set words have higher numbers
/// than all its members, so each expansion step climbs.
std::unique_ptr<SearchUtil> randomAcyclicStore(quint32 seed, int words, int entries)
{
    QRandomGenerator rng(seed);
    std::unique_ptr<SearchUtil> s = SearchUtilTestAccess::make(QString());
    for (int i = 0; i < entries; ++i) {
        QStringList members;
        int top = 0;
        const int memberCount = 1 + rng.bounded(3);
        for (int m = 0; m < memberCount; ++m) {
            const int w = rng.bounded(words);
            top = qMax(top, w);
            members.append(QStringLiteral("w%1").arg(w));
        }
        QStringList subSets;
        const int subCount = rng.bounded(3);
        for (int k = 0; k < subCount && top + 1 < words; ++k)
            subSets.append(QStringLiteral("w%1").arg(top + 1 + rng.bounded(words - top - 1)));
        SearchUtilTestAccess::addSet(*s, members, subSets);
    }
    return s;
}

} // namespace

class TestLexiconQueries : public QObject
{
    Q_OBJECT

private slots:
    void getSynonyms_data();
    void getSynonyms();
    void getMaterialSet_data();
    void getMaterialSet();
    void materialSetCycles_data();
    void materialSetCycles();
    void materialSetMatchesRecursion_data();
    void materialSetMatchesRecursion();
    void getMatEquivals_data();
    void getMatEquivals();
    void setAndWordCategory_data();
    void setAndWordCategory();
    void enCore_data();
    void enCore();
    void segmentedEquivalents();
    void concurrentReadersLeaveStoreShared();
};

void TestLexiconQueries::getSynonyms_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one group") << QStringLiteral("syn: 钢管 焊管") << QStringLiteral("钢管") << QStringLiteral("钢管 焊管");
    QTest::newRow("two groups in list order")
        << QStringLiteral("syn: 钢管 焊管; syn: 钢导管 钢管") << QStringLiteral("钢管") << QStringLiteral("钢管 焊管 钢导管");
    QTest::newRow("group and set members, no sub-sets")
        << QStringLiteral("syn: A B; set: A C | D; set: D E") << QStringLiteral("A") << QStringLiteral("A B C");
    QTest::newRow("bracketed word: its own groups only")
        << QStringLiteral("syn: 钢管 焊管") << QStringLiteral("（钢管）") << QStringLiteral("（钢管） 钢管");
    QTest::newRow("variant is not looked up")
        << QStringLiteral("syn: 3×4 三乘四") << QStringLiteral("3*4") << QStringLiteral("3*4 3×4");
    QTest::newRow("variant and group, no repeats")
        << QStringLiteral("syn: DN20-25 DN20~25") << QStringLiteral("DN20-25") << QStringLiteral("DN20-25 DN20~25");
    QTest::newRow("core-count group 3芯") << QStringLiteral("syn: 3芯 三芯") << QStringLiteral("3芯") << QStringLiteral("3芯 三芯");
    QTest::newRow("case-sensitive: YJV not yjv")
        << QStringLiteral("syn: yjv 交联电缆") << QStringLiteral("YJV") << QStringLiteral("YJV");
    QTest::newRow("word in no group") << QStringLiteral("syn: 钢管 焊管") << QStringLiteral("水泥") << QStringLiteral("水泥");
}

void TestLexiconQueries::getSynonyms()
{
    QFETCH(QString, store);
    QFETCH(QString, word);
    QFETCH(QString, expected);
    const auto s = SearchUtilTestAccess::make(store);
    QCOMPARE(joined(SearchUtilTestAccess::getSynonyms(*s, word)), expected);
}

void TestLexiconQueries::getMaterialSet_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected");

    const QString abcd = QStringLiteral("set: A B | C; set: C D");
    QTest::newRow("A: members then sub-set C's set") << abcd << QStringLiteral("A") << QStringLiteral("A B C D");
    QTest::newRow("B: the other member") << abcd << QStringLiteral("B") << QStringLiteral("B A C D");
    QTest::newRow("C: its own set only") << abcd << QStringLiteral("C") << QStringLiteral("C D");
    QTest::newRow("D") << abcd << QStringLiteral("D") << QStringLiteral("D C");
    QTest::newRow("word in no set") << abcd << QStringLiteral("E") << QStringLiteral("E");
    QTest::newRow("several entries in list order")
        << QStringLiteral("set: A X; set: A Y | Z; set: Z W") << QStringLiteral("A") << QStringLiteral("A X Y Z W");
    QTest::newRow("diamond: shared sub-set listed once")
        << QStringLiteral("set: A | B C; set: B | D; set: C | D; set: D E") << QStringLiteral("A")
        << QStringLiteral("A B D E C");
    QTest::newRow("sub-set word in no set") << QStringLiteral("set: 钢管 | 不锈钢管") << QStringLiteral("钢管")
                                            << QStringLiteral("钢管 不锈钢管");
    QTest::newRow("chain 焊接钢管 镀锌钢管 热镀锌钢管")
        << QStringLiteral("set: 焊接钢管 | 镀锌钢管; set: 镀锌钢管 | 热镀锌钢管; set: 热镀锌钢管 DN25热镀锌钢管")
        << QStringLiteral("焊接钢管") << QStringLiteral("焊接钢管 镀锌钢管 热镀锌钢管 DN25热镀锌钢管");
}

void TestLexiconQueries::getMaterialSet()
{
    QFETCH(QString, store);
    QFETCH(QString, word);
    QFETCH(QString, expected);
    const auto s = SearchUtilTestAccess::make(store);
    QCOMPARE(joined(SearchUtilTestAccess::getMaterialSet(*s, word)), expected);
    QCOMPARE(joined(SearchUtilTestAccess::plainMaterialSet(*s, word)), expected);
}

void TestLexiconQueries::materialSetCycles_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected");
    // Each of these sends the natural recursion round for ever.
    QTest::newRow("member is its own entry's sub-set") << QStringLiteral("set: A B | B") << QStringLiteral("A")
                                                       << QStringLiteral("A B");
    QTest::newRow("word is its own sub-set") << QStringLiteral("set: A | A") << QStringLiteral("A") << QStringLiteral("A");
    QTest::newRow("two entries pointing at each other")
        << QStringLiteral("set: A X | B; set: B Y | A") << QStringLiteral("A") << QStringLiteral("A X B Y");
    QTest::newRow("three-entry ring entered midway")
        << QStringLiteral("set: 钢管 | 焊管; set: 焊管 | 无缝管 水管; set: 无缝管 | 钢管") << QStringLiteral("焊管")
        << QStringLiteral("焊管 无缝管 钢管 水管");
    QTest::newRow("ring behind an acyclic prefix")
        << QStringLiteral("set: S | A; set: A | B; set: B | A C") << QStringLiteral("S") << QStringLiteral("S A B C");
}

void TestLexiconQueries::materialSetCycles()
{
    QFETCH(QString, store);
    QFETCH(QString, word);
    QFETCH(QString, expected);
    const auto s = SearchUtilTestAccess::make(store);
    QCOMPARE(joined(SearchUtilTestAccess::getMaterialSet(*s, word)), expected);
    // The equivalents go through the same expansion.
    QVERIFY(s->getMatEquivals(word).size() >= expected.count(QLatin1Char(' ')) + 1);
}

void TestLexiconQueries::materialSetMatchesRecursion_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("words");
    QTest::addColumn<int>("entries");
    QTest::newRow("sparse, 40 words 20 entries") << 1u << 40 << 20;
    QTest::newRow("dense, 30 words 60 entries") << 2u << 30 << 60;
    QTest::newRow("many shared sub-sets, 20 words 80 entries") << 3u << 20 << 80;
    QTest::newRow("larger, 120 words 150 entries") << 4u << 120 << 150;
}

void TestLexiconQueries::materialSetMatchesRecursion()
{
    QFETCH(quint32, seed);
    QFETCH(int, words);
    QFETCH(int, entries);
    const auto s = randomAcyclicStore(seed, words, entries);
    int expandedSomething = 0;
    for (int i = 0; i < words; ++i) {
        const QString w = QStringLiteral("w%1").arg(i);
        const QStringList plain = SearchUtilTestAccess::plainMaterialSet(*s, w);
        QCOMPARE(joined(SearchUtilTestAccess::getMaterialSet(*s, w)), joined(plain));
        if (plain.size() > 2)
            ++expandedSomething;
    }
    QVERIFY(expandedSomething > 0);
}

void TestLexiconQueries::getMatEquivals_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected");
    const QString abcd = QStringLiteral("set: A B | C; set: C D");
    QTest::newRow("A: sub-set words included") << abcd << QStringLiteral("A") << QStringLiteral("A B C D");
    QTest::newRow("C: not the sets that point at it") << abcd << QStringLiteral("C") << QStringLiteral("C D");
    QTest::newRow("synonyms of each set word")
        << QStringLiteral("syn: 焊管 焊接管; syn: 镀锌管 镀锌钢管; set: 钢管 焊管 | 镀锌管") << QStringLiteral("钢管")
        << QStringLiteral("钢管 焊管 焊接管 镀锌管 镀锌钢管");
    QTest::newRow("variants of set words")
        << QStringLiteral("set: 3*4 | 4-5") << QStringLiteral("3*4") << QStringLiteral("3*4 3×4 4-5 4~5");
    QTest::newRow("bracket-free forms of set words")
        << QStringLiteral("set: 阀门 | 闸阀(铸铁)") << QStringLiteral("阀门") << QStringLiteral("阀门 闸阀(铸铁) 闸阀铸铁");
    QTest::newRow("word in nothing") << abcd << QStringLiteral("水泥") << QStringLiteral("水泥");
}

void TestLexiconQueries::getMatEquivals()
{
    QFETCH(QString, store);
    QFETCH(QString, word);
    QFETCH(QString, expected);
    const auto s = SearchUtilTestAccess::make(store);
    QCOMPARE(joined(s->getMatEquivals(word)), expected);
}

void TestLexiconQueries::setAndWordCategory_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("setCategory");
    QTest::addColumn<bool>("wordCategory");
    // Store: set A B | C; set C D; set A E (a later entry also holding A).
    QTest::newRow("B in A's set") << QStringLiteral("B") << QStringLiteral("A") << true << true;
    QTest::newRow("A in its own set") << QStringLiteral("A") << QStringLiteral("A") << true << true;
    QTest::newRow("D only through the sub-set") << QStringLiteral("D") << QStringLiteral("A") << false << true;
    QTest::newRow("E only in a later entry of A") << QStringLiteral("E") << QStringLiteral("A") << false << true;
    QTest::newRow("D in C's set") << QStringLiteral("D") << QStringLiteral("C") << true << true;
    QTest::newRow("A not below C") << QStringLiteral("A") << QStringLiteral("C") << false << false;
    QTest::newRow("base word in no set") << QStringLiteral("A") << QStringLiteral("水泥") << false << false;
    QTest::newRow("variant of the base word") << QStringLiteral("3×4") << QStringLiteral("3*4") << false << true;
}

void TestLexiconQueries::setAndWordCategory()
{
    QFETCH(QString, word);
    QFETCH(QString, other);
    QFETCH(bool, setCategory);
    QFETCH(bool, wordCategory);
    const auto s = SearchUtilTestAccess::make(QStringLiteral("set: A B | C; set: C D; set: A E"));
    QCOMPARE(s->isSetCategory(word, other), setCategory);
    QCOMPARE(s->isWordCategory(word, other), wordCategory);
}

void TestLexiconQueries::enCore_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isEnCore");
    QTest::addColumn<bool>("contains");
    const QString pipes = QStringLiteral("en: pvc; en: ppr");
    QTest::newRow("pvc whole") << pipes << QStringLiteral("pvc") << true << true;
    QTest::newRow("ppr管 contains ppr") << pipes << QStringLiteral("ppr管") << false << true;
    QTest::newRow("upper-case PVC管 not found") << pipes << QStringLiteral("PVC管") << false << false;
    QTest::newRow("pv: prefix only") << pipes << QStringLiteral("pv") << false << false;
    QTest::newRow("empty text") << pipes << QString() << false << false;
    QTest::newRow("empty entry: every text") << QStringLiteral("en: ") << QStringLiteral("钢管") << false << true;
    QTest::newRow("empty entry: empty text") << QStringLiteral("en: ") << QString() << true << true;
    QTest::newRow("no English core words") << QString() << QStringLiteral("pvc") << false << false;
}

void TestLexiconQueries::enCore()
{
    QFETCH(QString, store);
    QFETCH(QString, text);
    QFETCH(bool, isEnCore);
    QFETCH(bool, contains);
    const auto s = SearchUtilTestAccess::make(store);
    QCOMPARE(s->isEnCore(text), isEnCore);
    QCOMPARE(s->containEnCore(text), contains);
}

void TestLexiconQueries::segmentedEquivalents()
{
    const auto s = SearchUtilTestAccess::make(
        QStringLiteral("syn: 电力电缆 动力电缆; set: 电力电缆 | 镀锌钢管DN25; syn: 镀锌钢管DN25 镀锌管DN25"));
    QMap<QString, QStringList> out;
    out.insert(QStringLiteral("stale"), QStringList{QStringLiteral("x")});
    s->getMatEquivalsPPL(out, QStringLiteral("电力电缆"));
    const QStringList equivalents = s->getMatEquivals(QStringLiteral("电力电缆"));
    QCOMPARE(equivalents.size(), 4);
    QStringList keys = equivalents;
    std::sort(keys.begin(), keys.end());
    QCOMPARE(out.keys(), keys);
    for (const QString& e : equivalents) {
        QCOMPARE(out.value(e), WordSegment::segmentText(e, true));
        QVERIFY(!out.value(e).isEmpty());
    }
}

void TestLexiconQueries::concurrentReadersLeaveStoreShared()
{
    auto s = randomAcyclicStore(7, 60, 120);
    SearchUtilTestAccess::addSet(*s, {QStringLiteral("A")}, {QStringLiteral("B")});
    SearchUtilTestAccess::addSet(*s, {QStringLiteral("B")}, {QStringLiteral("A")});
    SearchUtilTestAccess::addSynonymGroup(*s, {QStringLiteral("w1"), QStringLiteral("一号")});

    QStringList words;
    for (int i = 0; i < 60; ++i)
        words.append(QStringLiteral("w%1").arg(i));
    words << QStringLiteral("A") << QStringLiteral("3*4") << QStringLiteral("水") << QStringLiteral("（钢管）");

    auto answer = [&](const QString& w) -> QString {
        return joined(s->getMatEquivals(w)) + QLatin1Char('/')
               + joined(SearchUtilTestAccess::getMaterialSet(*s, w)) + QLatin1Char('/')
               + QString::number(s->wordFlag(w)) + QString::number(s->isSetCategory(w, QStringLiteral("w3")))
               + QString::number(s->isWordCategory(w, QStringLiteral("w3"))) + QString::number(s->containEnCore(w));
    };
    QStringList expected;
    for (const QString& w : qAsConst(words))
        expected.append(answer(w));

    const SearchUtilTestAccess::Snapshot snap = SearchUtilTestAccess::snapshot(*s);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                for (int i = 0; i < words.size(); ++i) {
                    const int k = (i + t * 7) % words.size();
                    if (answer(words.at(k)) != expected.at(k))
                        ++mismatches;
                }
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    QCOMPARE(mismatches.load(), 0);
    QVERIFY(SearchUtilTestAccess::stillShared(*s, snap));
}

QTEST_GUILESS_MAIN(TestLexiconQueries)
#include "tst_lexiconqueries.moc"
