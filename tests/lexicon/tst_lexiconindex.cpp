/** @file tst_lexiconindex.cpp @brief The indexed lexicon lookups give what a plain scan of the store gives, in the same order. */
#include "analysis/sortwords.h"
#include "lexicon/searchutil.h"
#include "testindex.h"

#include <algorithm>
#include <memory>

/// The store's tables are private and filled from files only: the test fills
/// them with random groups directly, so that the index meets shapes no sample
/// lexicon has, and answers the lookups by scanning the tables itself.
class SearchUtilTestAccess
{
public:
    /// Random synonym groups and material sets; sub-set words come from a
    /// higher band of words than any member, so there are no cycles.
    static std::unique_ptr<SearchUtil> randomStore(quint32 seed, int words, int groups, int sets)
    {
        std::unique_ptr<SearchUtil> store(new SearchUtil); // loaded empty: no lexicons here
        SearchUtil& s = *store;
        QRandomGenerator rng(seed);
        const auto word = [&](int band) {
            return QString("词%1").arg(band * words + rng.bounded(words));
        };
        for (int i = 0; i < groups; ++i)
            s.m_synData.append(QSet<QString>{word(0), word(0), word(0)});
        for (int i = 0; i < sets; ++i) {
            const int band = rng.bounded(3);
            MatSetEntry e;
            e.members = {word(band), word(0)};
            for (int k = rng.bounded(3); k > 0 && band < 2; --k)
                e.subSets << word(band + 1);
            s.m_setData.append(e);
        }
        s.buildLexiconIndex();
        return store;
    }

    /// A store of @p count random core words over a few characters: words
    /// inside words, words sharing beginnings, repeats, and with @p empty an
    /// empty word among them. The English core words are the same, once each.
    static std::unique_ptr<SearchUtil> coreStore(quint32 seed, int count, bool empty)
    {
        std::unique_ptr<SearchUtil> store(new SearchUtil);
        QRandomGenerator rng(seed);
        for (int i = 0; i < count; ++i)
            store->m_coreData.append(randomText(rng, 1 + rng.bounded(4)));
        if (empty)
            store->m_coreData.insert(rng.bounded(count), QString());
        store->m_enCoreData = store->m_coreData;
        store->m_enCoreData.removeDuplicates();
        store->buildLexiconIndex();
        return store;
    }
    static QString randomText(QRandomGenerator& rng, int length)
    {
        static const QString chars = QStringLiteral("钢管阀门dn\U0001F600");
        QString text;
        for (int i = 0; i < length; ++i)
            text += chars.at(rng.bounded(chars.size()));
        return text;
    }
    static const QStringList& coreWords(const SearchUtil& s) { return s.m_coreData; }

    /// Adds a synonym group to @p s after its index was built, as no search does.
    static void addGroup(SearchUtil& s, const QSet<QString>& group) { s.m_synData.append(group); }

    /// The synonyms (or with @p sets the material set) of @p w, by a plain scan.
    static QStringList scan(const SearchUtil& s, const QString& w, bool sets)
    {
        QStringList out{w};
        for (const QSet<QString>& group : s.m_synData)
            if (!sets && group.contains(w))
                out += group.values();
        for (const MatSetEntry& e : s.m_setData) {
            if (e.members.contains(w))
                out += e.members.values();
            for (const QString& sub : e.subSets)
                if (sets && e.members.contains(w))
                    out += scan(s, sub, true);
        }
        out.removeDuplicates();
        return out;
    }
};

class TestLexiconIndex : public QObject
{
    Q_OBJECT

private slots:
    void lookupsEqualScan_data()
    {
        columns<quint32, int, int, int>("seed", "words", "groups", "sets");
        QTest::newRow("few words, many groups") << 1u << 20 << 60 << 30;
        QTest::newRow("many words, sparse") << 2u << 400 << 200 << 150;
        QTest::newRow("sets only") << 3u << 50 << 0 << 80;
    }

    void lookupsEqualScan()
    {
        const auto [seed, words, groups, sets] =
            fetch<quint32, int, int, int>("seed", "words", "groups", "sets");
        const auto s = SearchUtilTestAccess::randomStore(seed, words, groups, sets);
        int nonTrivial = 0;
        for (int i = 0; i < 3 * words + 5; ++i) { // every word of every band, and some held nowhere
            const QString w = QString("词%1").arg(i);
            QStringList expected = SearchUtilTestAccess::scan(*s, w, false);
            for (const QString& member : SearchUtilTestAccess::scan(*s, w, true))
                expected += SearchUtilTestAccess::scan(*s, member, false);
            expected.removeDuplicates();
            QCOMPARE(s->getMatEquivals(w), expected);
            nonTrivial += expected.size() > 1;
        }
        QVERIFY(nonTrivial > words / 4);
    }

    void coreWordsEqualScan_data()
    {
        columns<quint32, int, bool>("seed", "count", "empty");
        QTest::newRow("a few words") << 5u << 6 << false;
        QTest::newRow("many words, repeats") << 6u << 300 << false;
        QTest::newRow("an empty word among them") << 7u << 40 << true;
    }

    // The core words of a text, found through the index, are those a scan
    // of the list finds, grouped and ordered alike; it holds an English core
    // word when a scan finds one.
    void coreWordsEqualScan()
    {
        const auto [seed, count, empty] = fetch<quint32, int, bool>("seed", "count", "empty");
        const auto s = SearchUtilTestAccess::coreStore(seed, count, empty);
        QRandomGenerator rng(seed);
        int found = 0;
        int none = 0;
        for (int i = 0; i < 300; ++i) {
            const QString text = SearchUtilTestAccess::randomText(rng, rng.bounded(12));
            const QMap<int, QStringList> expected =
                coreWordMap(text, SearchUtilTestAccess::coreWords(*s));
            QCOMPARE(s->coreWord(text), expected);
            found += expected.size() > 1;
            const QStringList& words = SearchUtilTestAccess::coreWords(*s);
            QCOMPARE(s->containEnCore(text),
                     std::any_of(words.begin(), words.end(),
                                 [&](const QString& w) { return text.contains(w); }));
            none += expected.isEmpty();
        }
        QVERIFY(found > 10);
        QVERIFY(empty || none > 10);
    }

    // The equivalent names of a word are remembered between calls, for the
    // store they were found in only.
    void equivalentNamesFollowTheStore()
    {
        const auto s = SearchUtilTestAccess::randomStore(4, 50, 60, 30);
        const QString w = "词1";
        QMap<QString, QStringList> first;
        QMap<QString, QStringList> again;
        s->getMatEquivalsPPL(first, w);
        s->getMatEquivalsPPL(again, w);
        QCOMPARE(again, first);
        QStringList names = s->getMatEquivals(w);
        names.sort();
        QCOMPARE(first.keys(), names);
        QVERIFY(names.size() > 1);

        SearchUtilTestAccess::addGroup(*s, {w, "新词"});
        QMap<QString, QStringList> changed;
        s->getMatEquivalsPPL(changed, w);
        QVERIFY(changed.contains("新词"));
        QCOMPARE(changed.size(), first.size() + 1);
    }
};

QTEST_GUILESS_MAIN(TestLexiconIndex)
#include "tst_lexiconindex.moc"
