/** @file tst_wordsegment.cpp @brief Tests of the pooled segmenter with friso's dictionary and the shipped replacement table. */
#include "wordsegmenttestaccess.h"
#include "utf8text.h"

#include <QSemaphore>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

using utf8text::u8;

/// "电力 电缆 yjv"
QString render(const QStringList& words)
{
    return words.join(QLatin1Char(' '));
}

QMap<QString, QString> table(std::initializer_list<std::pair<const char*, const char*>> pairs)
{
    QMap<QString, QString> result;
    for (const auto& pair : pairs)
        result.insert(QString::fromUtf8(pair.first), QString::fromUtf8(pair.second));
    return result;
}

using ReplaceTable = QMap<QString, QString>;

/// Texts the concurrency tests segment.
QStringList sampleTexts()
{
    return {u8("电力电缆YJV 三芯 2.5"), u8("镀锌钢管DN25 PN1.6"), u8("C30砼"),
            u8("交联聚乙稀绝缘电力电缆"), u8("铜芯聚氯乙烯绝缘电线BV-2.5"), u8("热轧园钢"),
            u8("普通硅酸盐水泥P.O42.5"), u8("yjv22 3x95+1x50"), u8("钢管的钢管"), u8("的"),
            QString(), u8("张三的电缆")};
}

} // namespace

Q_DECLARE_METATYPE(ReplaceTable)

class WordSegmentTest : public QObject
{
    Q_OBJECT

private slots:
    // Runs first: nothing has built the singleton yet.
    void instanceRaceInstallsOne();

    void segmentText_data();
    void segmentText();
    void uniqueKeepsFirstOccurrence();
    void shippedReplacementTableLoaded();
    void replacementOrder_data();
    void replacementOrder();
    void poolHandsOutFirstInFirstOut();
    void fourthCallerWaits();
    void fourThreadsAgreeWithOne();

private:
    WordSegmentTestAccess::Pool m_pool; ///< a pool of the test's own
};

void WordSegmentTest::instanceRaceInstallsOne()
{
    constexpr int threadCount = 4;
    QSemaphore ready;
    QSemaphore go;
    std::vector<WordSegment*> seen(threadCount, nullptr);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back(QThread::create([&, i] {
            ready.release();
            go.acquire();
            seen[i] = WordSegment::instance();
        }));
        threads.back()->start();
    }
    ready.acquire(threadCount);
    go.release(threadCount);
    for (auto& thread : threads)
        QVERIFY(thread->wait(120000));

    QVERIFY(seen[0] != nullptr);
    for (WordSegment* instance : seen)
        QCOMPARE(instance, seen[0]);
    QCOMPARE(WordSegment::instance(), seen[0]);
    QCOMPARE(WordSegmentTestAccess::freeIndexes(*seen[0]), (QList<int>{0, 1, 2}));
    QCOMPARE(WordSegmentTestAccess::segmenterCount(*seen[0]), 3);
}

void WordSegmentTest::segmentText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");

    QTest::newRow("cable with Chinese cores") << u8("电力电缆YJV 三芯 2.5")
                                              << u8("电力 电缆 yjv 三 芯 2.5");
    QTest::newRow("pipe with sizes") << u8("镀锌钢管DN25 PN1.6") << u8("镀锌 钢管 dn25 pn1.6");
    QTest::newRow("hyphen and dot kept in a model") << u8("铜芯聚氯乙烯绝缘电线BV-2.5")
                                                    << u8("铜 芯 聚氯乙烯 绝缘 电线 bv-2.5");
    QTest::newRow("plus kept between numbers") << u8("yjv22 3x95+1x50") << u8("yjv22 3x95+1x50");
    QTest::newRow("cement grade") << u8("普通硅酸盐水泥P.O42.5") << u8("普通 硅酸盐水泥 p.o42.5");
    QTest::newRow("seven-character dictionary word") << u8("中华人民共和国国家标准")
                                                     << u8("中华人民共和国 国家 标准");
    QTest::newRow("person name recognised, stop word dropped") << u8("张三的电缆")
                                                               << u8("张三 电缆");
    QTest::newRow("replaced abbreviation 砼") << u8("C30砼") << u8("c30 混凝土");
    QTest::newRow("replaced misspelling 乙稀") << u8("交联聚乙稀绝缘电力电缆")
                                               << u8("交 联 聚乙烯 绝缘 电力 电缆");
    QTest::newRow("replaced misspelling 园钢") << u8("热轧园钢") << u8("热轧 圆钢");
    QTest::newRow("replaced unit symbol ㎜") << u8("2.5㎜") << u8("2.5mm");
    QTest::newRow("stop word only: the text itself") << u8("的") << u8("的");
    QTest::newRow("spaces only: the text itself") << u8("  ") << u8("  ");
    QTest::newRow("empty: one empty word") << QString() << QString();
}

void WordSegmentTest::segmentText()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    const QStringList result = WordSegment::segmentText(text, true);
    QVERIFY(!result.isEmpty());
    QCOMPARE(render(result), words);
}

void WordSegmentTest::uniqueKeepsFirstOccurrence()
{
    const QString text = u8("钢管电缆钢管的电缆钢管");
    QCOMPARE(render(WordSegment::segmentText(text, true)), u8("钢管 电缆"));
    QCOMPARE(render(WordSegment::segmentText(text, false)), u8("钢管 电缆 钢管 电缆 钢管"));
    QCOMPARE(WordSegment::segmentText(QString(), true), QStringList{QString()});
    QCOMPARE(WordSegment::segmentText(QString(), false), QStringList{QString()});
}

void WordSegmentTest::shippedReplacementTableLoaded()
{
    const QMap<QString, QString> words =
        WordSegmentTestAccess::replaceWords(*WordSegment::instance());
    QCOMPARE(words.value(u8("砼")), u8("混凝土"));
    QCOMPARE(words.value(u8("乙稀")), u8("乙烯"));
    // No replacement may produce the text of another one: the table would
    // then depend on its key order.
    for (auto it = words.constBegin(); it != words.constEnd(); ++it) {
        for (const QString& key : words.keys())
            QVERIFY2(!it.value().contains(key), qPrintable(it.key() + QLatin1String(" -> ")
                                                            + it.value() + QLatin1String(" / ")
                                                            + key));
    }
}

void WordSegmentTest::replacementOrder_data()
{
    QTest::addColumn<ReplaceTable>("replacements");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");

    QTest::newRow("A to B, B to C: C segmented") << table({{"aa", "bb"}, {"bb", "cc"}})
                                                 << u8("aa") << u8("cc");
    QTest::newRow("B to A, A to C: A segmented") << table({{"bb", "aa"}, {"aa", "cc"}})
                                                 << u8("bb") << u8("aa");
    QTest::newRow("every occurrence") << table({{"砼", "混凝土"}}) << u8("C30砼 C20砼")
                                      << u8("c30 混凝土 c20");
    QTest::newRow("case-sensitive") << table({{"aa", "bb"}}) << u8("AA aa") << u8("aa bb");
    QTest::newRow("Chinese chain in key order") << table({{"园钢", "圆钢"}, {"圆钢", "钢筋"}})
                                                << u8("热轧园钢") << u8("热轧 钢筋");
    QTest::newRow("no words left: the text before replacement")
        << table({{"xx", "的"}}) << u8("xx") << u8("xx");
    QTest::newRow("empty table") << ReplaceTable() << u8("热轧园钢") << u8("热轧 园钢");
}

void WordSegmentTest::replacementOrder()
{
    QFETCH(ReplaceTable, replacements);
    QFETCH(QString, text);
    QFETCH(QString, words);

    if (!m_pool)
        m_pool = WordSegmentTestAccess::createPool();
    WordSegmentTestAccess::setReplaceWords(*m_pool, replacements);
    QCOMPARE(render(m_pool->segment(text, true)), words);
}

void WordSegmentTest::poolHandsOutFirstInFirstOut()
{
    WordSegmentTestAccess::Pool pool = WordSegmentTestAccess::createPool();
    QCOMPARE(WordSegmentTestAccess::freeIndexes(*pool), (QList<int>{0, 1, 2}));
    pool->segment(u8("电力电缆"), true);
    QCOMPARE(WordSegmentTestAccess::freeIndexes(*pool), (QList<int>{1, 2, 0}));
    pool->segment(u8("电力电缆"), true);
    QCOMPARE(WordSegmentTestAccess::freeIndexes(*pool), (QList<int>{2, 0, 1}));

    // Entries given back out of order are handed out in the order they came.
    WordSegmentTestAccess::takeAllEntries(*pool);
    WordSegmentTestAccess::giveBack(*pool, 1);
    WordSegmentTestAccess::giveBack(*pool, 2);
    pool->segment(u8("电力电缆"), true);
    QCOMPARE(WordSegmentTestAccess::freeIndexes(*pool), (QList<int>{2, 1}));
}

void WordSegmentTest::fourthCallerWaits()
{
    WordSegmentTestAccess::Pool pool = WordSegmentTestAccess::createPool();
    // Three callers hold the three entries.
    QCOMPARE(WordSegmentTestAccess::takeAllEntries(*pool), (QList<int>{0, 1, 2}));

    QStringList words;
    std::unique_ptr<QThread> fourth(
        QThread::create([&] { words = pool->segment(u8("电力电缆YJV 三芯 2.5"), true); }));
    fourth->start();
    QVERIFY2(!fourth->wait(300), "the fourth caller must wait while every entry is in use");
    QVERIFY(words.isEmpty());

    // One entry comes back: the waiting caller takes it, segments, returns it.
    WordSegmentTestAccess::giveBack(*pool, 1);
    QVERIFY(fourth->wait(60000));
    QCOMPARE(render(words), u8("电力 电缆 yjv 三 芯 2.5"));
    QCOMPARE(WordSegmentTestAccess::freeIndexes(*pool), (QList<int>{1}));
    WordSegmentTestAccess::giveBack(*pool, 0);
    WordSegmentTestAccess::giveBack(*pool, 2);
}

void WordSegmentTest::fourThreadsAgreeWithOne()
{
    const QStringList texts = sampleTexts();
    QList<QStringList> expected;
    for (const QString& text : texts)
        expected.append(WordSegment::segmentText(text, true));

    constexpr int threadCount = 4;
    constexpr int rounds = 40;
    std::atomic<int> mismatches{0};
    QSemaphore go;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back(QThread::create([&, t] {
            go.acquire();
            for (int round = 0; round < rounds; ++round) {
                for (int i = 0; i < texts.size(); ++i) {
                    const int k = (i + t * 3) % texts.size(); // threads start apart
                    if (WordSegment::segmentText(texts.at(k), true) != expected.at(k))
                        ++mismatches;
                }
            }
        }));
        threads.back()->start();
    }
    go.release(threadCount);
    for (auto& thread : threads)
        QVERIFY2(thread->wait(300000), "a segmenting thread did not finish");

    QCOMPARE(mismatches.load(), 0);
    QList<int> free = WordSegmentTestAccess::freeIndexes(*WordSegment::instance());
    std::sort(free.begin(), free.end());
    QCOMPARE(free, (QList<int>{0, 1, 2}));
}

QTEST_GUILESS_MAIN(WordSegmentTest)
#include "tst_wordsegment.moc"
