/** @file tst_lexiconindex.cpp @brief The indexed lexicon lookups give what a plain scan of the store gives, in the same order. */
#include "lexicon/searchutil.h"
#include "testindex.h"

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
