/** @file tst_indexfieldcache.cpp @brief The stored fields kept per index version: replaced indexes are read anew, concurrent searches agree with serial ones. */
#include "engine/vefinder.h"
#include "testindex.h"

#include <thread>

namespace {

/// Entries under the code "C" holding the word 电缆, titled by @p titles ("id title,...").
TestDocs cableDocs(const QString& titles)
{
    TestDocs docs;
    for (const QString& entry : titles.split(','))
        docs << TestDoc(entry.section(' ', 0, 0))
                    .code("C")
                    .withTitle(entry.section(' ', 1))
                    .chsWords({"电缆"});
    return docs;
}

/// segmentSearch of @p text, then normCodeSearch of @p code, as one string.
QString searchOf(VeFinder& engine, const QString& index, const QString& text = "电缆",
                 const QString& code = "C")
{
    QList<QStringList> groups;
    engine.segmentSearch(groups, text, index, true);
    QStringList ids;
    engine.normCodeSearch(ids, code, index);
    return renderGroups(groups) + " code: " + ids.join(' ');
}

} // namespace

class TestIndexFieldCache : public QObject
{
    Q_OBJECT

private slots:
    void replacedIndexIsReadAnew_data()
    {
        columns<bool, bool>("secondEngine", "removeFirst");
        QTest::newRow("one engine, rewritten in place") << false << false;
        QTest::newRow("one engine, removed and rebuilt") << false << true;
        QTest::newRow("two engines, rewritten in place") << true << false;
        QTest::newRow("two engines, removed and rebuilt") << true << true;
    }

    // Same number of documents, other ids, titles and words: only the index
    // version differs. The word 光缆 moves from the first entry to the second.
    void replacedIndexIsReadAnew()
    {
        const auto [secondEngine, removeFirst] = fetch<bool, bool>("secondEngine", "removeFirst");
        QTemporaryDir dir;
        const QString index = dir.filePath("索引");
        TestDocs before = cableDocs("A1 电缆,A2 电力电缆");
        before[0].chsWords({"光缆"});
        QVERIFY(writeTestIndex(index, before));
        VeFinder first;
        QCOMPARE(searchOf(first, index), QString("[A1] [A2] code: A1 A2"));
        QCOMPARE(searchOf(first, index, "光缆"), QString("[A1] code: A1 A2"));
        QVERIFY(!removeFirst || QDir(index).removeRecursively());
        TestDocs after = cableDocs("B1 电力电缆,B2 电缆");
        after[1].chsWords({"光缆"});
        QVERIFY(writeTestIndex(index, after));
        VeFinder second; // made after the rewrite
        VeFinder& engine = secondEngine ? second : first;
        QCOMPARE(searchOf(engine, index), QString("[B2] [B1] code: B1 B2"));
        QCOMPARE(searchOf(engine, index, "光缆"), QString("[B2] code: B1 B2"));
    }

    // Engines on several threads share the cached fields of one index and
    // two versions of another; each answers as one engine alone does.
    void concurrentSearchesAgreeWithSerial()
    {
        QTemporaryDir dir;
        const QStringList titles{"电缆", "电力电缆", "控制电缆", "电缆接头"};
        TestDocs docs;
        for (int i = 0; i < 400; ++i)
            docs << TestDoc(QString("M%1").arg(i))
                        .code(QString("K%1").arg(i % 7))
                        .withTitle(titles.at(i % 4))
                        .chsWords({"电缆", titles.at(i % 4)});
        const QStringList indexes{dir.filePath("a"), dir.filePath("b")};
        QVERIFY(writeTestIndex(indexes.at(0), docs)
                && writeTestIndex(indexes.at(1), docs.mid(100)));
        const auto runAll = [&](VeFinder& engine) {
            QStringList out;
            for (const QString& index : indexes)
                for (const QString& text : titles)
                    out << searchOf(engine, index, text, "K3");
            return out;
        };
        VeFinder serial;
        const QStringList expected = runAll(serial);
        QVERIFY(expected.first().contains("M0"));
        QStringList seen[4]; // the first answer of each thread that differs
        std::thread threads[4];
        for (int t = 0; t < 4; ++t) {
            threads[t] = std::thread([&, t] {
                VeFinder engine;
                for (int round = 0; round < 5 && seen[t].isEmpty(); ++round)
                    if (const QStringList got = runAll(engine); got != expected)
                        seen[t] = got;
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (const QStringList& differing : seen)
            QCOMPARE(differing, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestIndexFieldCache)
#include "tst_indexfieldcache.moc"
