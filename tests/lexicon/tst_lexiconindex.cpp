/** @file tst_lexiconindex.cpp @brief The indexed lexicon lookups give what a plain scan of the store gives, in the same order. */
#include "lexicon/searchutil.h"

#include <QtTest>

#include <QRandomGenerator>

#include <memory>

/// Fills a store (loaded empty: no lexicons beside the test), indexes it and
/// answers the same questions by scanning it.
class SearchUtilTestAccess
{
public:
    static std::unique_ptr<SearchUtil> randomStore(quint32 seed, int words, int groups, int sets)
    {
        QRandomGenerator rng(seed);
        const auto word = [&](int below) { return QStringLiteral("词%1").arg(rng.bounded(below)); };
        std::unique_ptr<SearchUtil> s(new SearchUtil);
        for (int i = 0; i < groups; ++i)
            s->m_synData.append(QSet<QString>{word(words), word(words), word(words)});
        // Sub-set words come from a higher band than any member, so there are no cycles.
        for (int i = 0; i < sets; ++i) {
            const int band = rng.bounded(3);
            MatSetEntry e;
            e.members = {QStringLiteral("词%1").arg(band * words + rng.bounded(words)), word(words)};
            for (int k = rng.bounded(3); k > 0 && band < 2; --k)
                e.subSets << QStringLiteral("词%1").arg((band + 1) * words + rng.bounded(words));
            s->m_setData.append(e);
        }
        s->buildLexiconIndex();
        return s;
    }

    static QStringList scanSynonyms(const SearchUtil& s, const QString& w)
    {
        QStringList out{w};
        for (const QSet<QString>& group : s.m_synData) {
            if (group.contains(w))
                out += group.values();
        }
        for (const MatSetEntry& e : s.m_setData) {
            if (e.members.contains(w))
                out += e.members.values();
        }
        out.removeDuplicates();
        return out;
    }

    static QStringList scanMaterialSet(const SearchUtil& s, const QString& w)
    {
        QStringList out{w};
        for (const MatSetEntry& e : s.m_setData) {
            if (!e.members.contains(w))
                continue;
            out += e.members.values();
            for (const QString& sub : e.subSets)
                out += scanMaterialSet(s, sub);
        }
        out.removeDuplicates();
        return out;
    }

    static QStringList scanEquivals(const SearchUtil& s, const QString& w)
    {
        QStringList out = scanSynonyms(s, w);
        for (const QString& m : scanMaterialSet(s, w))
            out += scanSynonyms(s, m);
        out.removeDuplicates();
        return out;
    }
};

using TA = SearchUtilTestAccess;

class TestLexiconIndex : public QObject
{
    Q_OBJECT

private slots:
    void lookupsEqualScan_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("words");
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("sets");
        QTest::newRow("few words, many groups") << 1u << 20 << 60 << 30;
        QTest::newRow("many words, sparse") << 2u << 400 << 200 << 150;
        QTest::newRow("sets only") << 3u << 50 << 0 << 80;
    }

    void lookupsEqualScan()
    {
        QFETCH(quint32, seed);
        QFETCH(int, words);
        QFETCH(int, groups);
        QFETCH(int, sets);
        const std::unique_ptr<SearchUtil> s = TA::randomStore(seed, words, groups, sets);
        int nonTrivial = 0;
        for (int i = 0; i < 3 * words + 5; ++i) { // every word of every band, and some held nowhere
            const QString w = QStringLiteral("词%1").arg(i);
            const QStringList expected = TA::scanEquivals(*s, w);
            QCOMPARE(s->getMatEquivals(w), expected);
            nonTrivial += expected.size() > 1;
        }
        QVERIFY(nonTrivial > words / 4);
    }
};

QTEST_GUILESS_MAIN(TestLexiconIndex)
#include "tst_lexiconindex.moc"
