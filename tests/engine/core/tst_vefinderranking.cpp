/** @file tst_vefinderranking.cpp @brief Tests of the name sort value, the ranking order and the ranked, grouped collection. */
#include "recordingobserver.h"
#include "testindex.h"
#include "vefindertestaccess.h"

#include <QtTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

#include <algorithm>

using TA = VeFinderTestAccess;
using SortMaps = QList<QMap<QString, double>>;
using Positions = QHash<QString, QString>;

Q_DECLARE_METATYPE(VeDocInfo)

namespace {

// The weights the sort-word maps of 铜芯电力电缆 carry when its core words
// are 电力电缆 and 电缆.
const double kLevel1 = 89.9 - 0.3;
const double kLevel2 = 89.9 + -10.0 - 0.3;

/// A query for every document holding the Chinese word @p word.
TA::Query* wordQuery(const QString& word)
{
    auto* query = _CLNEW lucene::search::BooleanQuery(false);
    const std::wstring w = word.toStdWString();
    auto* term = _CLNEW lucene::index::Term(L"chs_ppl_idx", w.c_str());
    query->add(_CLNEW lucene::search::TermQuery(term), true,
               lucene::search::BooleanClause::MUST);
    _CLDECDELETE(term);
    return query;
}

/// A document found by wordQuery(@p word), with the given name.
TestDoc named(const char* id, const char* name, const char* word = "电缆")
{
    return TestDoc(QString::fromUtf8(id))
        .withTitle(QString::fromUtf8(name))
        .chsWords({QString::fromUtf8(word)});
}

} // namespace

class TestVeFinderRanking : public QObject
{
    Q_OBJECT

private slots:
    void nameSortValue_data();
    void nameSortValue();

    void compareDocInfo_data();
    void compareDocInfo();
    void sortOrder();

    void rankedGroups_data();
    void rankedGroups();
    void filteredOutStaysAvailable();

    void sortWordMapsFilledWhenEmpty();
    void nullSearcherOrQuery();
    void observer();
};

void TestVeFinderRanking::nameSortValue_data()
{
    QTest::addColumn<SortMaps>("maps");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("expected");

    const SortMaps cable{{{QStringLiteral("电缆"), 99.9}}};
    QTest::newRow("no maps: stays 1.0") << SortMaps() << QStringLiteral("电缆") << 1.0;
    QTest::newRow("empty map list entry: stays 1.0")
        << SortMaps{{}} << QStringLiteral("电缆") << 1.0;
    QTest::newRow("name equals the word") << cable << QStringLiteral("电缆") << 99.9;
    QTest::newRow("name ends with the word") << cable << QStringLiteral("电力电缆") << 98.9;
    QTest::newRow("word in the middle") << cable << QStringLiteral("电缆接头") << 97.9;
    QTest::newRow("word only in a remark at the end")
        << cable << QStringLiteral("铜芯线(电缆)") << 97.9;
    QTest::newRow("word only in a full-width remark at the end")
        << cable << QStringLiteral("铜芯线（电缆）") << 97.9;
    QTest::newRow("remark removed, rest equals the word")
        << cable << QStringLiteral("电缆(铜芯)") << 99.9;
    QTest::newRow("remark removed, rest ends with the word")
        << cable << QStringLiteral("阻燃电缆（铜芯）") << 98.9;
    QTest::newRow("brackets removed, text equals the word")
        << cable << QStringLiteral("电(缆)") << 99.9;
    QTest::newRow("no match") << cable << QStringLiteral("钢管") << 1.0;
    QTest::newRow("name lowered before comparing")
        << SortMaps{{{QStringLiteral("yjv电缆"), 99.9}}} << QStringLiteral("YJV电缆") << 99.9;
    QTest::newRow("upper-case map word never matches")
        << SortMaps{{{QStringLiteral("YJV"), 99.9}}} << QStringLiteral("YJV") << 1.0;
    QTest::newRow("first map with a match decides")
        << SortMaps{{{QStringLiteral("铜芯电力电缆"), 99.9}},
                    {{QStringLiteral("电力电缆"), kLevel1}},
                    {{QStringLiteral("电缆"), kLevel2}}}
        << QStringLiteral("电力电缆") << kLevel1;
    QTest::newRow("later map: ends with")
        << SortMaps{{{QStringLiteral("铜芯电力电缆"), 99.9}},
                    {{QStringLiteral("电力电缆"), kLevel1}},
                    {{QStringLiteral("电缆"), kLevel2}}}
        << QStringLiteral("阻燃电缆") << kLevel2 - 1.0;
    QTest::newRow("later map: contains")
        << SortMaps{{{QStringLiteral("铜芯电力电缆"), 99.9}},
                    {{QStringLiteral("电力电缆"), kLevel1}},
                    {{QStringLiteral("电缆"), kLevel2}}}
        << QStringLiteral("电缆头") << kLevel2 - 2.0;
    // 电缆 (U+7535...) is visited before 铜 (U+94DC)
    QTest::newRow("a later ending word beats an earlier containing one")
        << SortMaps{{{QStringLiteral("电缆"), 10.0}, {QStringLiteral("铜"), 20.0}}}
        << QStringLiteral("电缆铜") << 19.0;
    QTest::newRow("a later containing word does not replace a value above 1")
        << SortMaps{{{QStringLiteral("a"), 50.0}, {QStringLiteral("b"), 60.0}}}
        << QStringLiteral("xaxbx") << 48.0;
    QTest::newRow("a containing value of 1 or less is replaced in the same map")
        << SortMaps{{{QStringLiteral("a"), 2.5}, {QStringLiteral("b"), 30.0}}}
        << QStringLiteral("xaxbx") << 28.0;
    QTest::newRow("a value of 1 or less lets the next map try")
        << SortMaps{{{QStringLiteral("a"), 2.5}}, {{QStringLiteral("x"), 40.0}}}
        << QStringLiteral("xay") << 38.0;
    QTest::newRow("an exact weight of 1 or less also lets the next map try")
        << SortMaps{{{QStringLiteral("钢管"), 0.5}}, {{QStringLiteral("管"), 40.0}}}
        << QStringLiteral("钢管") << 39.0;
    QTest::newRow("ending word in the remark-free form")
        << SortMaps{{{QStringLiteral("电缆"), 50.0}}} << QStringLiteral("电力电缆(铜芯)")
        << 49.0;
    QTest::newRow("contained word across a removed bracket")
        << SortMaps{{{QStringLiteral("电缆铜"), 50.0}}} << QStringLiteral("电缆(铜芯)") << 48.0;
}

void TestVeFinderRanking::nameSortValue()
{
    QFETCH(SortMaps, maps);
    QFETCH(QString, name);
    QFETCH(double, expected);
    VeDocInfo doc(QStringLiteral("M"), name, 0.5);
    TA::setNameSortValue(doc, maps);
    QCOMPARE(doc.sortValue, expected); // exact: the weights are used as they are
}

void TestVeFinderRanking::compareDocInfo_data()
{
    QTest::addColumn<VeDocInfo>("first");
    QTest::addColumn<VeDocInfo>("second");

    auto doc = [](const char* name, double score, double sortValue, qint64 position) {
        VeDocInfo d(QStringLiteral("id"), QString::fromUtf8(name), score);
        d.sortValue = sortValue;
        d.position = position;
        return d;
    };
    // first ranks before second
    QTest::newRow("greater sort value, though longer and worse in every other key")
        << doc("很长的名称电缆", 0.1, 99.9, 9) << doc("电缆", 9.0, 98.9, 0);
    QTest::newRow("shorter name") << doc("电缆", 0.1, 5.0, 9) << doc("电力电缆", 9.0, 5.0, 0);
    QTest::newRow("length counted in UTF-16 units")
        << doc("电缆电缆", 0.1, 5.0, 9) << doc("𠀀𠀀𠀀", 9.0, 5.0, 0);
    QTest::newRow("same length: greater name first")
        << doc("阻燃电缆", 0.1, 5.0, 9) << doc("电力电缆", 9.0, 5.0, 0);
    QTest::newRow("same length: names compared without case")
        << doc("abd", 0.1, 5.0, 9) << doc("ABC", 9.0, 5.0, 0);
    QTest::newRow("names equal but for case: greater score")
        << doc("Abc", 2.0, 5.0, 9) << doc("abc", 1.0, 5.0, 0);
    QTest::newRow("equal names and scores: smaller position")
        << doc("钢管", 1.0, 5.0, 3) << doc("钢管", 1.0, 5.0, 4);
    QTest::newRow("position 0 before a positive one")
        << doc("钢管", 1.0, 5.0, 0) << doc("钢管", 1.0, 5.0, 1);
    QTest::newRow("negative position first") << doc("钢管", 1.0, 5.0, -1)
                                             << doc("钢管", 1.0, 5.0, 0);
}

void TestVeFinderRanking::compareDocInfo()
{
    QFETCH(VeDocInfo, first);
    QFETCH(VeDocInfo, second);
    QVERIFY(::compareDocInfo(first, second));
    QVERIFY(!::compareDocInfo(second, first));
    QVERIFY(!::compareDocInfo(first, first));
}

// The predicate is a strict weak order: sorting any permutation gives the same sequence.
void TestVeFinderRanking::sortOrder()
{
    QList<VeDocInfo> docs;
    const char* names[] = {"电缆", "电力电缆", "阻燃电缆", "ABC", "abd", "abc", "钢管"};
    int n = 0;
    for (const char* name : names) {
        for (double sortValue : {1.0, 97.9}) {
            ++n;
            VeDocInfo d(QString::number(n), QString::fromUtf8(name), 1.0 + (n % 3));
            d.sortValue = sortValue;
            d.position = n % 2;
            docs << d;
        }
    }
    auto render = [](const QList<VeDocInfo>& list) {
        QStringList parts;
        for (const VeDocInfo& d : list)
            parts << QStringLiteral("%1/%2/%3/%4").arg(d.sortValue).arg(d.name).arg(d.score).arg(
                d.position);
        return parts.join(QLatin1Char(' '));
    };
    QList<VeDocInfo> reference = docs;
    std::sort(reference.begin(), reference.end(), ::compareDocInfo);
    QVERIFY(render(reference).startsWith(QStringLiteral("97.9/钢管/")));
    for (int round = 0; round < 20; ++round) {
        std::rotate(docs.begin(), docs.begin() + 3, docs.end());
        std::reverse(docs.begin(), docs.begin() + round % docs.size());
        QList<VeDocInfo> sorted = docs;
        std::sort(sorted.begin(), sorted.end(), ::compareDocInfo);
        QCOMPARE(render(sorted), render(reference));
    }
}

void TestVeFinderRanking::rankedGroups_data()
{
    QTest::addColumn<TestDocs>("docs");
    QTest::addColumn<Positions>("positions");
    QTest::addColumn<QString>("text");    // the search text (its word flag filters)
    QTest::addColumn<QString>("word");    // the word every document is found by
    QTest::addColumn<QString>("normKey");
    QTest::addColumn<QString>("expected");

    const TestDocs cable{named("R1", "电缆"),         named("R2", "电力电缆"),
                         named("R3", "电缆接头"),     named("R4", "铜芯线(电缆)"),
                         named("R5", "钢管"),         named("R6", "阻燃电缆"),
                         named("R7", "电缆(铜芯)")};
    QTest::newRow("99.9 / 98.9 / 97.9 / 1.0 groups, best first")
        << cable << Positions() << QStringLiteral("电缆") << QStringLiteral("电缆") << QString()
        << QStringLiteral("[R1 R7] [R6 R2] [R3 R4] [R5]");

    QTest::newRow("ties by length") << TestDocs{named("T1", "超长的电缆头"), named("T2", "电缆头")}
                                    << Positions() << QStringLiteral("电缆")
                                    << QStringLiteral("电缆") << QString()
                                    << QStringLiteral("[T2 T1]");
    QTest::newRow("ties by case-insensitive name, greater first")
        << TestDocs{named("C1", "ABC电缆", "x"), named("C2", "abd电缆", "x"),
                    named("C3", "Abe电缆", "x")}
        << Positions() << QStringLiteral("电缆") << QStringLiteral("x") << QString()
        << QStringLiteral("[C3 C2 C1]");
    // the second document holds more words, so its field weighs less and its score is lower
    QTest::newRow("ties by score")
        << TestDocs{TestDoc(QStringLiteral("S1")).withTitle(QStringLiteral("电缆"))
                        .chsWords({QStringLiteral("电缆"), QStringLiteral("铜"),
                                   QStringLiteral("芯"), QStringLiteral("线")}),
                    TestDoc(QStringLiteral("S2")).withTitle(QStringLiteral("电缆"))
                        .chsWords({QStringLiteral("电缆")})}
        << Positions() << QStringLiteral("电缆") << QStringLiteral("电缆") << QString()
        << QStringLiteral("[S2 S1]");
    QTest::newRow("ties by position, missing counts as 0")
        << TestDocs{named("Q1", "电缆"), named("Q2", "电缆"), named("Q3", "电缆"),
                    named("Q4", "电缆")}
        << Positions{{QStringLiteral("Q1"), QStringLiteral("1A")},
                     {QStringLiteral("Q2"), QStringLiteral("3")},
                     {QStringLiteral("Q4"), QStringLiteral("2")}}
        << QStringLiteral("电缆") << QStringLiteral("电缆") << QString()
        << QStringLiteral("[Q3 Q4 Q2 Q1]");
    QTest::newRow("no hit: no group") << cable << Positions() << QStringLiteral("电缆")
                                      << QStringLiteral("无") << QString() << QString();
    QTest::newRow("one mat id, two documents: listed twice")
        << TestDocs{named("D1", "电缆"), named("D1", "电力电缆"), named("D2", "电缆(铜芯)")}
        << Positions() << QStringLiteral("电缆") << QStringLiteral("电缆") << QString()
        << QStringLiteral("[D1 D2] [D1]");

    // word flags of the built-in tables
    const TestDocs coal{named("K1", "原煤", "煤"), named("K2", "煤矸石", "煤"),
                        named("K3", "煤", "煤"), named("K4", "粉煤灰", "煤")};
    QTest::newRow("ends-with flag filters without a norm key")
        << coal << Positions() << QStringLiteral("煤") << QStringLiteral("煤") << QString()
        << QStringLiteral("[K3] [K1]");
    QTest::newRow("ends-with flag ignored with a norm key")
        << coal << Positions() << QStringLiteral("煤") << QStringLiteral("煤")
        << QStringLiteral("KEY") << QStringLiteral("[K3] [K1] [K4 K2]");
    const TestDocs diesel{named("Y1", "0号柴油", "油"), named("Y2", "柴油机", "油"),
                          named("Y3", "汽油", "油"), named("Y4", "柴 油", "油")};
    QTest::newRow("contains flag filters without a norm key")
        << diesel << Positions() << QStringLiteral("柴油") << QStringLiteral("油") << QString()
        << QStringLiteral("[Y1] [Y2]");
    QTest::newRow("contains flag ignored with a norm key")
        << diesel << Positions() << QStringLiteral("柴油") << QStringLiteral("油")
        << QStringLiteral("KEY") << QStringLiteral("[Y1] [Y2] [Y3 Y4]");
    // the test lexicons make 自来水 a synonym of 水
    const TestDocs water{named("W1", "水", "水"), named("W2", "自来水", "水"),
                         named("W3", "水泥", "水"), named("W4", "用水", "水"),
                         named("W5", "水(自来)", "水")};
    QTest::newRow("equivalent-name flag keeps only equivalents")
        << water << Positions() << QStringLiteral("水") << QStringLiteral("水") << QString()
        << QStringLiteral("[W1] [W2]");
    QTest::newRow("equivalent-name flag ignored with a norm key")
        << water << Positions() << QStringLiteral("水") << QStringLiteral("水")
        << QStringLiteral("KEY") << QStringLiteral("[W1 W5] [W4 W2] [W3]");
    QTest::newRow("flag is case-sensitive on the name")
        << TestDocs{named("B1", "B建筑用水", "水"), named("B2", "b建筑用水", "水")}
        << Positions() << QStringLiteral("B建筑用水") << QStringLiteral("水") << QString()
        << QStringLiteral("[B1]");
}

void TestVeFinderRanking::rankedGroups()
{
    QFETCH(TestDocs, docs);
    QFETCH(Positions, positions);
    QFETCH(QString, text);
    QFETCH(QString, word);
    QFETCH(QString, normKey);
    QFETCH(QString, expected);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeTestIndex(tmp.path(), docs));
    VeFinder engine;
    engine.setPosIndex(positions);
    // the maps the text's own weighting would give, without other words
    TA::sortWordMaps(engine) = {{{text, 99.9}}};
    TA::OpenIndex index(engine, tmp.path());
    QVERIFY(index.valid());
    const QList<QStringList> groups =
        TA::addMatIdsSortAdvance(engine, index.searcher(), wordQuery(word), text, normKey);
    QCOMPARE(renderGroups(groups), expected);

    QSet<QString> delivered;
    for (const QStringList& g : groups) {
        QVERIFY(!g.isEmpty());
        for (const QString& id : g)
            delivered.insert(id);
    }
    QCOMPARE(TA::foundIds(engine), delivered);
}

// A hit the word flag leaves out is not marked delivered, so a later step of
// the same call can still deliver it; a delivered one is not repeated.
void TestVeFinderRanking::filteredOutStaysAvailable()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeTestIndex(tmp.path(), {named("K1", "原煤", "煤"), named("K2", "煤矸石", "煤")}));
    VeFinder engine;
    TA::sortWordMaps(engine) = {{{QStringLiteral("煤"), 99.9}}};
    TA::OpenIndex index(engine, tmp.path());
    QVERIFY(index.valid());
    QCOMPARE(renderGroups(TA::addMatIdsSortAdvance(engine, index.searcher(), wordQuery(QStringLiteral("煤")),
                                                   QStringLiteral("煤"), QString())),
             QStringLiteral("[K1]"));
    QCOMPARE(renderGroups(TA::addMatIdsSortAdvance(engine, index.searcher(), wordQuery(QStringLiteral("煤")),
                                                   QStringLiteral("煤矸石"), QString())),
             QStringLiteral("[K2]"));
    QCOMPARE(renderGroups(TA::addMatIdsSortAdvance(engine, index.searcher(), wordQuery(QStringLiteral("煤")),
                                                   QStringLiteral("钢"), QString())),
             QString());
}

void TestVeFinderRanking::sortWordMapsFilledWhenEmpty()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeTestIndex(tmp.path(), {named("A1", "电缆"), named("A2", "阻燃电缆")}));
    VeFinder engine;
    TA::OpenIndex index(engine, tmp.path());
    QVERIFY(index.valid());

    // empty maps: the text's own maps are computed first and rank the hits
    QList<VeDocInfo> docs;
    TA::Query* query = wordQuery(QStringLiteral("电缆"));
    TA::setDocumentValue(engine, docs, QStringLiteral("电缆"), index.searcher(), query);
    QVERIFY(!TA::sortWordMaps(engine).isEmpty());
    QCOMPARE(TA::sortWordMaps(engine).first().value(QStringLiteral("电缆")), 99.9);
    QCOMPARE(docs.size(), 2);
    QCOMPARE(docs.at(0).sortValue, 99.9);
    QCOMPARE(docs.at(1).sortValue, 98.9);

    // maps already there are used as they are, whatever the text
    TA::sortWordMaps(engine) = {{{QStringLiteral("阻燃电缆"), 50.0}}};
    docs.clear();
    TA::setDocumentValue(engine, docs, QStringLiteral("电缆"), index.searcher(), query);
    QCOMPARE(TA::sortWordMaps(engine), (SortMaps{{{QStringLiteral("阻燃电缆"), 50.0}}}));
    QCOMPARE(docs.size(), 2);
    QCOMPARE(docs.at(0).sortValue, 1.0);
    QCOMPARE(docs.at(1).sortValue, 50.0);
    delete query;
}

void TestVeFinderRanking::nullSearcherOrQuery()
{
    VeFinder engine;
    // the collector deletes a query it cannot run (the sanitizer build checks)
    QCOMPARE(TA::addMatIdsSortAdvance(engine, nullptr, wordQuery(QStringLiteral("电缆")),
                                      QStringLiteral("电缆"), QString()),
             QList<QStringList>());
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeTestIndex(tmp.path(), {named("A1", "电缆")}));
    TA::OpenIndex index(engine, tmp.path());
    QVERIFY(index.valid());
    QCOMPARE(TA::addMatIdsSortAdvance(engine, index.searcher(), nullptr, QStringLiteral("电缆"),
                                      QString()),
             QList<QStringList>());
    QVERIFY(TA::foundIds(engine).isEmpty());
    QVERIFY(TA::sortWordMaps(engine).isEmpty());
}

void TestVeFinderRanking::observer()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeTestIndex(tmp.path(), {named("R1", "电缆"), named("R2", "电力电缆"),
                                        named("R3", "钢管")}));
    auto run = [&](VeSearchObserver* observer) {
        VeFinder engine;
        engine.setObserver(observer);
        TA::sortWordMaps(engine) = {{{QStringLiteral("电缆"), 99.9}}};
        TA::step(engine) = "matsetAll";
        TA::OpenIndex index(engine, tmp.path());
        return renderGroups(TA::addMatIdsSortAdvance(engine, index.searcher(),
                                                     wordQuery(QStringLiteral("电缆")),
                                                     QStringLiteral("电缆"), QString()));
    };
    RecordingObserver recorder;
    const QString observed = run(&recorder);
    QCOMPARE(observed, QStringLiteral("[R1] [R2] [R3]"));
    QCOMPARE(run(nullptr), observed);
    QCOMPARE(recorder.queries(), QStringList{QStringLiteral("matsetAll: +chs_ppl_idx:电缆")});
    QCOMPARE(recorder.deliveries(),
             (QStringList{QStringLiteral("matsetAll: R1 99.900000000000006"),
                          QStringLiteral("matsetAll: R2 98.900000000000006"),
                          QStringLiteral("matsetAll: R3 1")}));
}

QTEST_GUILESS_MAIN(TestVeFinderRanking)
#include "tst_vefinderranking.moc"
