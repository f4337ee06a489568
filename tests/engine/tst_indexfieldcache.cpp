/** @file tst_indexfieldcache.cpp @brief The stored fields kept per index version: replaced indexes are read anew, concurrent searches agree with serial ones. */
#include "engine/vefinder.h"
#include "testindex.h"

#include <QtTest>

#include <thread>
#include <vector>

namespace {

/// Two documents that both hold the word 电缆; their titles decide the order.
TestDocs cableDocs(const QString& first, const QString& firstTitle, const QString& second,
                   const QString& secondTitle)
{
    const QStringList word{QStringLiteral("电缆")};
    return {TestDoc(first).code(QStringLiteral("C")).withTitle(firstTitle).chsWords(word),
            TestDoc(second).code(QStringLiteral("C")).withTitle(secondTitle).chsWords(word)};
}

QString searchOf(VeFinder& engine, const QString& index)
{
    QList<QStringList> groups;
    engine.segmentSearch(groups, QStringLiteral("电缆"), index, true);
    QStringList ids;
    engine.normCodeSearch(ids, QStringLiteral("C"), index);
    return renderGroups(groups) + QStringLiteral(" code: ") + ids.join(QLatin1Char(' '));
}

} // namespace

class TestIndexFieldCache : public QObject
{
    Q_OBJECT

private slots:
    void replacedIndexIsReadAnew_data()
    {
        QTest::addColumn<bool>("secondEngine");
        QTest::addColumn<bool>("removeFirst");
        QTest::newRow("one engine, rewritten in place") << false << false;
        QTest::newRow("one engine, removed and rebuilt") << false << true;
        QTest::newRow("two engines, rewritten in place") << true << false;
        QTest::newRow("two engines, removed and rebuilt") << true << true;
    }

    // Same number of documents, other ids and titles: only the index version differs.
    void replacedIndexIsReadAnew()
    {
        QFETCH(bool, secondEngine);
        QFETCH(bool, removeFirst);
        QTemporaryDir dir;
        const QString index = dir.filePath(QStringLiteral("索引"));
        QVERIFY(writeTestIndex(index, cableDocs(QStringLiteral("A1"), QStringLiteral("电缆"),
                                                QStringLiteral("A2"), QStringLiteral("电力电缆"))));
        VeFinder first;
        QCOMPARE(searchOf(first, index), QStringLiteral("[A1] [A2] code: A1 A2"));

        if (removeFirst)
            QVERIFY(QDir(index).removeRecursively());
        QVERIFY(writeTestIndex(index, cableDocs(QStringLiteral("B1"), QStringLiteral("电力电缆"),
                                                QStringLiteral("B2"), QStringLiteral("电缆"))));
        VeFinder second;
        QCOMPARE(searchOf(secondEngine ? second : first, index),
                 QStringLiteral("[B2] [B1] code: B1 B2"));
    }

    // Engines on several threads share the cached fields of one index and
    // two versions of another; each answers as one engine alone does.
    void concurrentSearchesAgreeWithSerial()
    {
        QTemporaryDir dir;
        const QStringList titles{QStringLiteral("电缆"), QStringLiteral("电力电缆"),
                                 QStringLiteral("控制电缆"), QStringLiteral("电缆接头")};
        TestDocs docs;
        for (int i = 0; i < 400; ++i) {
            docs << TestDoc(QStringLiteral("M%1").arg(i)).code(QStringLiteral("K%1").arg(i % 7))
                        .withTitle(titles.at(i % titles.size()))
                        .chsWords({QStringLiteral("电缆"), titles.at(i % titles.size())});
        }
        const QStringList indexes{dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("b"))};
        QVERIFY(writeTestIndex(indexes.at(0), docs));
        QVERIFY(writeTestIndex(indexes.at(1), docs.mid(100)));
        const auto runAll = [&](VeFinder& engine) {
            QStringList out;
            for (const QString& index : indexes) {
                for (const QString& text : titles) {
                    QList<QStringList> groups;
                    engine.segmentSearch(groups, text, index, true);
                    QStringList ids;
                    engine.normCodeSearch(ids, QStringLiteral("K3"), index);
                    out << renderGroups(groups) + QLatin1Char('|') + ids.join(QLatin1Char(' '));
                }
            }
            return out;
        };
        VeFinder serial;
        const QStringList expected = runAll(serial);
        QVERIFY(expected.first().contains(QStringLiteral("M0")));

        constexpr int kThreads = 4;
        std::vector<QStringList> seen(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                VeFinder engine;
                for (int round = 0; round < 5 && seen[t] == QStringList(); ++round) {
                    const QStringList got = runAll(engine);
                    if (got != expected)
                        seen[t] = got;
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (int t = 0; t < kThreads; ++t)
            QCOMPARE(seen[t], QStringList());
    }
};

QTEST_GUILESS_MAIN(TestIndexFieldCache)
#include "tst_indexfieldcache.moc"
