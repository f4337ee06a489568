/** @file bench_enginehits.cpp @brief Time of reading, ranking and grouping by number of hits, through the entry operations. */
#include "engine/VeFinder"
#include "testindex.h"

#include <QtTest>

class BenchEngineHits : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unranked_data();
    void unranked();
    void ranked_data();
    void ranked();

private:
    QTemporaryDir m_dir;
    QString m_index;
};

// 12,500 entries: every one holds the code ALL and the word 电缆; the first n
// of each size also hold the code N<n>, so a code query hits exactly n.
void BenchEngineHits::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_index = m_dir.filePath(QStringLiteral("index"));
    TestDocs docs;
    const QStringList names{QStringLiteral("电缆"), QStringLiteral("电力电缆"),
                            QStringLiteral("电缆接头"), QStringLiteral("控制电缆（铜芯）")};
    for (int i = 0; i < 12500; ++i) {
        TestDoc d(QStringLiteral("M%1").arg(i));
        d.code(QStringLiteral("ALL"));
        for (int n : {100, 1000})
            if (i < n)
                d.code(QStringLiteral("N%1").arg(n));
        d.withTitle(names.at(i % names.size()) + QString::number(i % 7))
            .withSpec(QStringLiteral("3x%1").arg(i % 50))
            .chsWords({QStringLiteral("电缆")});
        docs << d;
    }
    QVERIFY(writeTestIndex(m_index, docs));
}

void BenchEngineHits::unranked_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("100 hits") << QStringLiteral("N100");
    QTest::newRow("1000 hits") << QStringLiteral("N1000");
    QTest::newRow("12500 hits") << QStringLiteral("ALL");
}

// The code step alone: read the hits of code N<n> (or ALL), unranked.
void BenchEngineHits::unranked()
{
    QFETCH(QString, code);
    VeFinder engine;
    QStringList ids;
    QBENCHMARK {
        engine.normCodeSearch(ids, code, m_index);
    }
    QCOMPARE(ids.isEmpty(), false);
}

void BenchEngineHits::ranked_data()
{
    unranked_data();
}

// The shallow quota search held to the code: each strategy reads and ranks the
// same n hits (the index is opened once per call, as callers do).
void BenchEngineHits::ranked()
{
    QFETCH(QString, code);
    VeFinder engine;
    QList<QStringList> groups;
    QBENCHMARK {
        engine.quotaSearch(groups, code, QStringLiteral("电缆"), QString(), m_index, nullptr,
                           false);
    }
    QVERIFY(groups.size() > 2);
}

QTEST_GUILESS_MAIN(BenchEngineHits)
#include "bench_enginehits.moc"
