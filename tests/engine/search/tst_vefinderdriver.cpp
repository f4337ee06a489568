/** @file tst_vefinderdriver.cpp @brief The fuzzy search driver: stop rules, foundCount, the text cache, the cable path. */
#include "searchtestutil.h"

#include "analysis/widthfold.h"

#include "engine/vefinder.h"
#include "lexicon/searchutil.h"

#include <stdexcept>

using Access = VeFinderTestAccess;

namespace {

TestDoc doc(const char* id, const QStringList& words)
{
    return TestDoc(QString::fromLatin1(id)).code(QStringLiteral("K")).words(words);
}

const QString kText = QStringLiteral("镀锌钢管 dn25");

} // namespace

class VeFinderDriverTest : public QObject
{
    Q_OBJECT

private slots:
    void segmentSearchStops_data();
    void segmentSearchStops();
    void quotaSearchWithNormKey_data();
    void quotaSearchWithNormKey();
    void coreWordsRecomputedWithoutRemark_data();
    void coreWordsRecomputedWithoutRemark();
    void sameTextComputesOnce();
    void changedCaseRecomputes();
    void emptyTextOnNewEngineKeepsCache();
    void cablePath_data();
    void cablePath();
    void cablePathLeavesTextCache();
    void exceptionReleasesIndex();
    void unopenableIndex();
};

void VeFinderDriverTest::segmentSearchStops_data()
{
    QTest::addColumn<TestDocs>("docs");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("deep");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("ids");

    // 镀锌钢管 dn25: matsetAll requires dn25, allMixPpl dn and 25, rmEN 25,
    // onlyChs only the two Chinese words, the core words are 钢管 and 管.
    const TestDoc m1 = doc("M1", {"镀锌", "钢管", "dn25"});
    const TestDoc a1 = doc("A1", {"镀锌", "钢管", "dn", "25"});
    const TestDoc r1 = doc("R1", {"镀锌", "钢管", "25"});
    const TestDoc o1 = doc("O1", {"镀锌", "钢管"});
    const TestDoc k1 = doc("K1", {"钢管"});
    const TestDoc z1 = doc("Z1", {"阀门"});
    const QString all = QStringLiteral("matsetAll allMixPpl rmEN onlyChs coreWord");

    QTest::newRow("matsetAll finds: nothing looser than allMixPpl runs")
        << TestDocs{m1, r1, o1, k1} << kText << true << "matsetAll allMixPpl" << "M1";
    QTest::newRow("matsetAll finds, allMixPpl adds")
        << TestDocs{m1, a1, r1, o1, k1} << kText << true << "matsetAll allMixPpl" << "A1 M1";
    QTest::newRow("allMixPpl finds: nothing looser runs")
        << TestDocs{a1, r1, o1, k1} << kText << true << "matsetAll allMixPpl" << "A1";
    QTest::newRow("rmEN finds: onlyChs still runs, the core words do not")
        << TestDocs{r1, o1, k1} << kText << true << "matsetAll allMixPpl rmEN onlyChs"
        << "O1 R1";
    QTest::newRow("onlyChs finds: the core words do not run")
        << TestDocs{o1, k1} << kText << true << "matsetAll allMixPpl rmEN onlyChs" << "O1";
    QTest::newRow("only the core words find") << TestDocs{k1, z1} << kText << true << all << "K1";
    QTest::newRow("nothing found: every strategy runs") << TestDocs{z1} << kText << true << all
                                                        << "";
    QTest::newRow("not deep: two strategies only")
        << TestDocs{o1, k1} << kText << false << "matsetAll allMixPpl" << "";
    QTest::newRow("not deep, matsetAll finds") << TestDocs{m1} << kText << false
                                               << "matsetAll allMixPpl" << "M1";
    // No ASCII letter or digit: allMixPpl has nothing to ask.
    QTest::newRow("Chinese text found by matsetAll") << TestDocs{o1} << "镀锌钢管" << true
                                                     << "matsetAll" << "O1";
    // The same words for rmEN and onlyChs: onlyChs is not asked again.
    QTest::newRow("Chinese text, repeat skipped")
        << TestDocs{k1} << "镀锌钢管" << true << "matsetAll rmEN coreWord" << "K1";
    QTest::newRow("upper case and # normalised") << TestDocs{a1} << "镀锌钢管# DN25" << true
                                                 << "matsetAll allMixPpl" << "A1";
}

void VeFinderDriverTest::segmentSearchStops()
{
    QFETCH(TestDocs, docs);
    QFETCH(QString, text);
    QFETCH(bool, deep);
    QFETCH(QString, steps);
    QFETCH(QString, ids);

    ScratchIndex index;
    QVERIFY(index.write(docs));
    VeFinder f;
    RecordingObserver observer;
    f.setObserver(&observer);
    QList<QStringList> result{QStringList{QStringLiteral("stale")}};
    f.segmentSearch(result, text, index.path(), deep);

    QCOMPARE(stepsRun(observer), steps);
    // no precise and no code group: only what the strategies delivered
    QCOMPARE(allIdsSorted(result), ids);
    for (const QStringList& group : qAsConst(result))
        QVERIFY(!group.isEmpty());
    QVERIFY(Access::foundIds(f).isEmpty());
    QCOMPARE(Access::deepSearch(f), deep);
}

void VeFinderDriverTest::quotaSearchWithNormKey_data()
{
    QTest::addColumn<bool>("deep");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<int>("foundCount"); // -7: not written

    // P0 is the precise entry; every document could answer the words.
    QTest::newRow("deep: all five strategies run, whatever they find")
        << true << "precise matsetAll allMixPpl rmEN onlyChs coreWord code"
        << "[P0] [M1] [R1] [O1] [K1] [X1]" << 3;
    QTest::newRow("not deep: two strategies, foundCount untouched")
        << false << "precise matsetAll allMixPpl code" << "[P0] [M1] [K1 O1 R1 X1]" << -7;
}

void VeFinderDriverTest::quotaSearchWithNormKey()
{
    QFETCH(bool, deep);
    QFETCH(QString, steps);
    QFETCH(QString, groups);
    QFETCH(int, foundCount);

    ScratchIndex index;
    TestDoc p0 = doc("P0", {"镀锌", "钢管", "dn25"});
    p0.title = kText;
    p0.spec = QStringLiteral("");
    QVERIFY(index.write({p0, doc("M1", {"镀锌", "钢管", "dn25"}), doc("R1", {"镀锌", "钢管", "25"}),
                         doc("O1", {"镀锌", "钢管"}), doc("K1", {"钢管"}), doc("X1", {"阀门"}),
                         TestDoc(QStringLiteral("Y1")).code(QStringLiteral("other"))
                             .words({"镀锌", "钢管", "dn25"})}));
    VeFinder f;
    RecordingObserver observer;
    f.setObserver(&observer);
    QList<QStringList> result;
    int count = -7;
    // A blank specification: the norm key is the code itself.
    f.quotaSearch(result, QStringLiteral("K"), QStringLiteral("镀锌钢管 DN25"), QStringLiteral(" "),
                  index.path(), &count, deep);

    QCOMPARE(stepsRun(observer), steps);
    QCOMPARE(renderGroupsSorted(result), groups);
    // foundCount is taken after rmEN and counts the precise entry as well
    QCOMPARE(count, foundCount);
    // every strategy is held to the code
    for (const QString& q : observer.queries())
        QVERIFY2(q.contains(QStringLiteral("code_fvl_idx:K")), qPrintable(q));
}

void VeFinderDriverTest::coreWordsRecomputedWithoutRemark_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("firstCoreQuery");

    // The cache holds the map {2: 无缝} for the text; the lexicon gives 钢管 and 管.
    QTest::newRow("no remark: the stored core words")
        << kText << "+(" + clausesText("无缝") + ") " + clausesText("镀锌 钢管 dn25 dn 25");
    QTest::newRow("remark removed: core words of the bare text")
        << "镀锌钢管(dn25)" << "+(" + clausesText("钢管") + ") " + clausesText("镀锌");
    QTest::newRow("fullwidth remark removed")
        << "镀锌钢管（dn25）" << "+(" + clausesText("钢管") + ") " + clausesText("镀锌");
}

void VeFinderDriverTest::coreWordsRecomputedWithoutRemark()
{
    QFETCH(QString, text);
    QFETCH(QString, firstCoreQuery);

    ScratchIndex index;
    QVERIFY(index.write({doc("Z1", {"阀门"})}));
    VeFinder f;
    RecordingObserver observer;
    f.setObserver(&observer);
    const QMap<int, QStringList> stored{{2, {QStringLiteral("无缝")}}};
    Access::lastText(f) = foldWidth(text); // the entry folds full-width forms first
    Access::sortWordMaps(f) = {{{QStringLiteral("无缝"), 50.0}}};
    Access::coreWordMap(f) = stored;
    QList<QStringList> result;
    f.segmentSearch(result, text, index.path(), true);

    const QStringList coreQueries = observer.queriesOf(QStringLiteral("coreWord"));
    QVERIFY(!coreQueries.isEmpty());
    QCOMPARE(coreQueries.first(), firstCoreQuery);
    QCOMPARE(Access::coreWordMap(f), stored);
}

void VeFinderDriverTest::sameTextComputesOnce()
{
    ScratchIndex index;
    QVERIFY(index.write({doc("Z1", {"阀门"})}));
    VeFinder f;
    QList<QStringList> result;
    f.segmentSearch(result, QStringLiteral("镀锌钢管 DN25"), index.path(), true);
    QCOMPARE(Access::lastText(f), kText);
    QCOMPARE(Access::coreWordMap(f), SearchUtil::instance()->coreWord(kText));
    QCOMPARE(Access::sortWordMaps(f), SearchUtil::instance()->getSortWordMap(kText));

    // Marked caches survive a second search of the same text.
    const QList<QMap<QString, double>> marked{{{QStringLiteral("marker"), 42.0}}};
    const QMap<int, QStringList> markedCore{{2, {QStringLiteral("无缝")}}};
    Access::sortWordMaps(f) = marked;
    Access::coreWordMap(f) = markedCore;
    RecordingObserver observer;
    f.setObserver(&observer);
    f.segmentSearch(result, QStringLiteral("镀锌钢管  dn25 "), index.path(), true);
    QCOMPARE(Access::lastText(f), kText);
    QCOMPARE(Access::sortWordMaps(f), marked);
    QCOMPARE(Access::coreWordMap(f), markedCore);
    // and the core-word strategy works from the cached map
    QCOMPARE(observer.queriesOf(QStringLiteral("coreWord")).size(), 1);
    QVERIFY(observer.queriesOf(QStringLiteral("coreWord")).first().startsWith(
        "+(" + clausesText("无缝") + ")"));
}

void VeFinderDriverTest::changedCaseRecomputes()
{
    ScratchIndex index;
    QVERIFY(index.write({doc("Z1", {"阀门"})}));
    VeFinder f;
    Access::lastText(f) = kText;
    Access::sortWordMaps(f) = {{{QStringLiteral("marker"), 42.0}}};
    Access::coreWordMap(f) = {{2, {QStringLiteral("无缝")}}};

    Access::OpenIndex open(f, index.path());
    QVERIFY(open.valid());
    const QString upper = QStringLiteral("镀锌钢管 DN25");
    QList<QStringList> result;
    Access::doSearchFuzzy(f, result, open.searcher(), upper, QString(), nullptr);
    QCOMPARE(Access::lastText(f), upper);
    QCOMPARE(Access::sortWordMaps(f), SearchUtil::instance()->getSortWordMap(upper));
    QCOMPARE(Access::coreWordMap(f), SearchUtil::instance()->coreWord(upper));
}

void VeFinderDriverTest::emptyTextOnNewEngineKeepsCache()
{
    // The empty text counts as the text of a new engine: nothing is recomputed.
    ScratchIndex index;
    QVERIFY(index.write({doc("Z1", {"阀门"})}));
    VeFinder f;
    QVERIFY(Access::lastText(f).isNull());
    const QMap<int, QStringList> marked{{2, {QStringLiteral("无缝")}}};
    Access::coreWordMap(f) = marked;
    QList<QStringList> result;
    f.segmentSearch(result, QString(), index.path(), true);
    QVERIFY(Access::lastText(f).isEmpty());
    QCOMPARE(Access::coreWordMap(f), marked);
}

void VeFinderDriverTest::cablePath_data()
{
    QTest::addColumn<TestDocs>("docs");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code"); // through quotaSearch when set
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("foundCount");

    const QStringList sequence = {"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: zr yjv 3",
                                  "cable6: zr yjv",       "cable7: zryjv",     "cable8: yjv 3 2.5",
                                  "cable9: yjv"};
    const QStringList front = {"cableWords: zr-yjv-3×2.5", "cableParts: zr yjv 3×2.5"};
    const TestDoc byParts = doc("W1", {"zr", "yjv", "3*2.5"});

    QTest::newRow("ZR-YJV-3×2.5, nothing found") << TestDocs{doc("Z1", {"阀门"})}
                                                 << "ZR-YJV-3×2.5" << "" << front + sequence << -7;
    QTest::newRow("found by the parts: the sequence stops after step 5")
        << TestDocs{byParts} << "zr-yjv-3×2.5" << ""
        << front + QStringList{"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: zr yjv 3"}
        << -7;
    QTest::newRow("found by the parts, with a code: on to the end")
        << TestDocs{byParts} << "zr-yjv-3×2.5" << "K"
        << front + QStringList{"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: zr yjv 3",
                               "cable6: zr yjv", "cable7: zryjv", "cable9: yjv"}
        << 1;
    QTest::newRow("Chinese words spaced from the model")
        << TestDocs{doc("Z1", {"阀门"})} << "电力电缆YJV 三芯 2.5" << ""
        << QStringList{"cableWords: 电力电缆 yjv 三芯 2.5", "cableParts: 电力电缆 yjv 3×2.5",
                       "cable1: yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: yjv 3", "cable9: yjv"}
        << -7;
}

void VeFinderDriverTest::cablePath()
{
    QFETCH(TestDocs, docs);
    QFETCH(QString, text);
    QFETCH(QString, code);
    QFETCH(QStringList, steps);
    QFETCH(int, foundCount);

    ScratchIndex index;
    QVERIFY(index.write(docs));
    VeFinder f;
    RecordingObserver observer;
    f.setObserver(&observer);
    QList<QStringList> result;
    int count = -7;
    if (code.isEmpty())
        f.segmentSearch(result, text, index.path(), true);
    else
        f.quotaSearch(result, code, text, QString(), index.path(), &count, true);

    QStringList expected;
    if (!code.isEmpty())
        expected << QStringLiteral("precise");
    for (const QString& step : steps) {
        const int colon = step.indexOf(QLatin1Char(':'));
        expected << step.left(colon + 2) + cableQuery(code, step.mid(colon + 2));
    }
    if (!code.isEmpty())
        expected << QStringLiteral("code");
    QStringList queries = observer.queries();
    for (QString& q : queries) {
        if (q.startsWith(QStringLiteral("precise: ")) || q.startsWith(QStringLiteral("code: ")))
            q = q.left(q.indexOf(QLatin1Char(':')));
    }
    QCOMPARE(queries, expected);
    QCOMPARE(count, foundCount);
}

void VeFinderDriverTest::cablePathLeavesTextCache()
{
    ScratchIndex index;
    QVERIFY(index.write({doc("Z1", {"阀门"})}));
    VeFinder f;
    const QList<QMap<QString, double>> marked{{{QStringLiteral("marker"), 42.0}}};
    const QMap<int, QStringList> markedCore{{2, {QStringLiteral("无缝")}}};
    Access::lastText(f) = kText;
    Access::sortWordMaps(f) = marked;
    Access::coreWordMap(f) = markedCore;
    RecordingObserver observer;
    f.setObserver(&observer);
    QList<QStringList> result;
    f.segmentSearch(result, QStringLiteral("YJV22 3x95+1x50"), index.path(), true);

    QCOMPARE(stepsRun(observer).section(QLatin1Char(' '), 0, 1),
             QStringLiteral("cableWords cableParts"));
    QCOMPARE(observer.queriesOf(QStringLiteral("matsetAll")), QStringList());
    QCOMPARE(Access::lastText(f), kText);
    QCOMPARE(Access::sortWordMaps(f), marked);
    QCOMPARE(Access::coreWordMap(f), markedCore);
}

void VeFinderDriverTest::exceptionReleasesIndex()
{
    ScratchIndex index;
    QVERIFY(index.write({doc("M1", {"镀锌", "钢管", "dn25"})}));
    VeFinder f;
    RecordingObserver observer;
    f.setObserver(&observer);
    // matsetAll delivers M1, then the next step fails.
    observer.onQuery = [](const QString& step, const QString&) {
        if (step == QLatin1String("allMixPpl"))
            throw std::runtime_error("index failure");
    };
    QList<QStringList> result;
    QVERIFY_EXCEPTION_THROWN(f.segmentSearch(result, kText, index.path(), true),
                             std::runtime_error);
    QVERIFY(Access::foundIds(f).isEmpty());

    // The engine searches again as usual, and finds M1 again.
    observer.onQuery = nullptr;
    f.segmentSearch(result, kText, index.path(), true);
    QCOMPARE(renderGroups(result), QStringLiteral("[M1]"));
}

void VeFinderDriverTest::unopenableIndex()
{
    VeFinder f;
    RecordingObserver observer;
    f.setObserver(&observer);
    QList<QStringList> result{QStringList{QStringLiteral("stale")}};
    f.segmentSearch(result, kText, QStringLiteral("/nonexistent/索引"), false);
    QVERIFY(result.isEmpty());
    QVERIFY(observer.queries().isEmpty());
    QCOMPARE(Access::deepSearch(f), false);
}

QTEST_GUILESS_MAIN(VeFinderDriverTest)
#include "tst_vefinderdriver.moc"
