/** @file tst_search.cpp @brief The engine through its entry operations on crafted indexes: one table per rule family, results as canonical group strings, the observer's steps and sort values. */
#include "catalogueindexer.h"
#include "recordingobserver.h"
#include "testindex.h"

#include "engine/VeFinder"

#include <algorithm>
#include <stdexcept>

#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define VEFINDER_LEAK_CHECK 1
#endif

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

using Positions = QHash<QString, QString>;
using Groups = QList<QStringList>;

namespace {

/// A crafted index in a temporary directory, alive as long as the object.
struct Scratch {
    explicit Scratch(const TestDocs& docs)
        : path(dir.filePath("index")), ok(writeTestIndex(path, docs))
    {}
    QTemporaryDir dir;
    QString path;
    bool ok;
};

/// An entry under the code "K" holding @p words, each in the field its characters choose.
TestDoc doc(const char* id, const QStringList& words)
{
    return TestDoc(id).code("K").words(words);
}

/// An entry named @p name found by its Chinese word @p word.
TestDoc named(const char* id, const char* name, const char* word = "电缆")
{
    return TestDoc(id).withTitle(name).chsWords({word});
}

TestDoc coded(const char* id, const QString& code, const char* title = nullptr,
              const char* spec = nullptr)
{
    return TestDoc(id).code(code).withTitle(title).withSpec(spec);
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:

    // The code-search entries: norm keys, exact codes, one id on two entries.
    void initTestCase()
    {
        m_codeIndex = m_dir.filePath("codes");
        QVERIFY(writeTestIndex(
            m_codeIndex,
            {coded("P1", normKeyHash("YJV", "3x2.5"), "电力电缆", "3x2.5"),
             coded("P2", "YJV", "电力电缆", "3x2.5"),
             coded("P3", normKeyHash("YJV", "3x2.5"), "控制电缆", "3x2.5"),
             coded("G1", normKeyHash("镀锌钢管", "dn25"), "镀锌钢管", "dn25"),
             coded("G2", "镀锌钢管", "镀锌钢管", "dn25"), coded("D1", "DUP", "水泥", "42.5"),
             coded("D1", "DUP", "水泥", "32.5"), coded("D2", "DUP", "砂", "中砂"),
             coded("N1", "ABC-1"), coded("N2", "abc-1"), coded("N3", "编码A"),
             coded("H1", "HIT").code("OTHER"), coded("H2", "HIT"), // two code terms score lower
             coded("E1", "EMPTY"), coded("", "EMPTY"), TestDoc().code("EMPTY")}));
    }

    // ---- code-driven steps: the precise group first, the code group last -----

    void codeLookups_data()
    {
        // name: null: normCodeSearch
        columns<QString, QString, QString, QString>("code", "name", "spec", "expected");
        const auto row = [](const char* row, const QString& code, const char* name,
                            const char* spec, const char* expected) {
            QTest::newRow(row) << code << QString(name) << QString(spec) << QString(expected);
        };
        // quotaSearch: the entries hold no words, the fuzzy step adds nothing.
        row("precise through the norm key; code group without the precise hit", "YJV", "电力电缆",
            "3X2.5", "[P1] [P3]");
        row("name and spec normalised for the precise step", " YJV", "  电力电缆\n", "3X2.5",
            "[P1] [P3]");
        row("spec with inner spaces: same key, no precise hit", "YJV", "电力电缆", "3 x 2.5",
            "[] [P1 P3]");
        row("key not held: plain code for both steps", "YJV", "电力电缆", "3x4", "[] [P2]");
        row("chinese code through its key", "镀锌钢管", "镀锌钢管", "DN25", "[G1] []");
        row("empty spec: code group only", "镀锌钢管", "镀锌钢管", "", "[] [G2]");
        row("nothing found: both groups kept, empty", "NOPE", "无", "无", "[] []");
        row("empty code, name and spec", "", "", "", "[] []");
        row("two entries of one id: listed twice in one step", "DUP", "砂", "粗砂",
            "[] [D1 D1 D2]");
        row("id of the precise step left out of the code group", "DUP", "水泥", "42.5",
            "[D1] [D2]");
        // normCodeSearch: the code as it stands, hits in score order.
        row("code: exact", "ABC-1", nullptr, nullptr, "N1");
        row("code: lower case is another code", "abc-1", nullptr, nullptr, "N2");
        row("code: trailing space, nothing", "ABC-1 ", nullptr, nullptr, "");
        row("code: norm key used as a code, unhashed", normKeyHash("YJV", "3x2.5"), nullptr,
            nullptr, "P1 P3");
        row("code: hit order, not entry order", "HIT", nullptr, nullptr, "H2 H1");
        row("code: one id, two entries", "DUP", nullptr, nullptr, "D1 D1 D2");
        row("code: hits without an id are skipped", "EMPTY", nullptr, nullptr, "E1");
    }

    // Shallow and deep alike; the second call of one engine finds everything again.
    void codeLookups()
    {
        const auto [code, name, spec, expected] =
            fetch<QString, QString, QString, QString>("code", "name", "spec", "expected");
        VeFinder engine;
        for (bool deep : {false, true, false}) {
            Groups groups{{"stale"}};
            QStringList ids{"stale"};
            if (name.isNull())
                engine.normCodeSearch(ids, code, m_codeIndex);
            else
                engine.quotaSearch(groups, code, name, spec, m_codeIndex, nullptr, deep);
            QCOMPARE(name.isNull() ? ids.join(' ') : renderGroups(groups, true), expected);
        }
    }

    // ---- the drivers: which strategies run, where they stop, foundCount ----------

    void steps_data()
    {
        // code: set: quotaSearch with a blank spec (the code is the norm key)
        // groups: null: not compared
        // foundCount: -7: not written
        columns<TestDocs, QString, QString, bool, QString, QString, int>(
            "docs", "code", "text", "deep", "steps", "groups", "foundCount");

        // 镀锌钢管 dn25: matsetAll requires dn25, allMixPpl dn and 25, rmEN 25,
        // onlyChs the two Chinese words only; the core words are 钢管 and 管.
        const TestDoc m1 = doc("M1", {"镀锌", "钢管", "dn25"}),
                      a1 = doc("A1", {"镀锌", "钢管", "dn", "25"});
        const TestDoc r1 = doc("R1", {"镀锌", "钢管", "25"}), o1 = doc("O1", {"镀锌", "钢管"});
        const TestDoc k1 = doc("K1", {"钢管"}), z1 = doc("Z1", {"阀门"});
        const QString text = "镀锌钢管 dn25", two = "matsetAll allMixPpl";
        const QString all = "matsetAll allMixPpl rmEN onlyChs coreWord";
        const auto row = [](const char* name, const TestDocs& docs, const char* code,
                            const QString& text, bool deep, const QString& steps,
                            const char* groups, int found = -7) {
            QTest::newRow(name) << docs << QString(code) << text << deep << steps << QString(groups)
                                << found;
        };
        row("matsetAll finds: nothing looser than allMixPpl runs", {m1, r1, o1, k1}, "", text, true,
            two, "[M1]");
        row("matsetAll finds, allMixPpl adds", {m1, a1, r1, o1, k1}, "", text, true, two,
            "[M1] [A1]");
        row("allMixPpl finds: nothing looser runs", {a1, r1, o1, k1}, "", text, true, two, "[A1]");
        row("rmEN finds: onlyChs still runs, the core words do not", {r1, o1, k1}, "", text, true,
            "matsetAll allMixPpl rmEN onlyChs", "[R1] [O1]");
        row("only the core words find", {k1, z1}, "", text, true, all, "[K1]");
        row("nothing found: every strategy runs", {z1}, "", text, true, all, "");
        row("shallow: two strategies only", {o1, k1}, "", text, false, two, "");
        row("no ASCII letter or digit: no allMixPpl", {o1}, "", "镀锌钢管", true, "matsetAll",
            "[O1]");
        row("same words for rmEN and onlyChs: onlyChs skipped", {k1}, "", "镀锌钢管", true,
            "matsetAll rmEN coreWord", "[K1]");
        row("upper case and # normalised", {a1}, "", "镀锌钢管# DN25", true, two, "[A1]");

        // With a norm key no strategy stops the others, every step is held to the
        // code; foundCount is taken after rmEN and counts the precise entry too.
        TestDoc p0 = doc("P0", {"镀锌", "钢管", "dn25"}).withTitle("镀锌钢管 dn25").withSpec("");
        const TestDocs keyed{p0,
                             m1,
                             r1,
                             o1,
                             k1,
                             doc("X1", {"阀门"}),
                             TestDoc("Y1").code("other").words({"镀锌", "钢管", "dn25"})};
        row("norm key, deep: all five strategies run, whatever they find", keyed, "K",
            "镀锌钢管 DN25", true, "precise matsetAll allMixPpl rmEN onlyChs coreWord code",
            "[P0] [M1] [R1] [O1] [K1] [X1]", 3);
        row("norm key, shallow: two strategies, foundCount untouched", keyed, "K", "镀锌钢管 DN25",
            false, "precise matsetAll allMixPpl code", "[P0] [M1] [K1 O1 R1 X1]");

        // Each entry is reachable by every later step too: each id comes once,
        // from the first step that reaches it.
        const QStringList words{"镀锌", "钢管", "dn25"};
        const TestDocs reachable{doc("F1", words).withTitle("镀锌钢管 dn25").withSpec(""),
                                 doc("F2", words).withTitle("热镀锌钢管"), TestDoc("F3").code("K")};
        row("each id once per call, deep", reachable, "K", "镀锌钢管 DN25", true,
            "precise matsetAll allMixPpl rmEN onlyChs coreWord code", "[F1] [F2] [F3]", 2);
        row("each id once per call, shallow", reachable, "K", "镀锌钢管 DN25", false,
            "precise matsetAll allMixPpl code", "[F1] [F2] [F3]");

        // The cable path.
        const TestDocs byParts{doc("W1", {"zr", "yjv", "3*2.5"})};
        row("ZR-YJV-3×2.5, nothing found: every cable step", {z1}, "", "ZR-YJV-3×2.5", true,
            "cableWords cableParts cable1 cable2 cable5 cable6 cable7 cable8 cable9", "");
        row("found by the parts: the sequence stops after step 5", byParts, "", "zr-yjv-3×2.5",
            true, "cableWords cableParts cable1 cable2 cable5", nullptr);
        row("found by the parts, with a code: on to the end", byParts, "K", "zr-yjv-3×2.5", true,
            "precise cableWords cableParts cable1 cable2 cable5 cable6 cable7 cable9 code", nullptr,
            1);
        row("Chinese words spaced from the model", {z1}, "", "电力电缆YJV 三芯 2.5", true,
            "cableWords cableParts cable1 cable2 cable5 cable9", "");
        row("YJV22 3x95+1x50 takes the cable path, no word strategy", {z1}, "", "YJV22 3x95+1x50",
            true, "cableWords cableParts cable1 cable2 cable5 cable9 cable10", "");
    }

    void steps()
    {
        const auto [docs, code, text, deep, steps, groups, foundCount] =
            fetch<TestDocs, QString, QString, bool, QString, QString, int>(
                "docs", "code", "text", "deep", "steps", "groups", "foundCount");
        Scratch index(docs);
        QVERIFY(index.ok);
        VeFinder engine;
        RecordingObserver observer;
        engine.setObserver(&observer);
        for (int call = 0; call < 2; ++call) { // the next call answers alike
            observer.queries.clear();
            Groups result{{"stale"}};
            int count = -7;
            if (code.isEmpty())
                engine.segmentSearch(result, text, index.path, deep);
            else
                engine.quotaSearch(result, code, text, " ", index.path, &count, deep);
            QCOMPARE(observer.steps(), steps);
            if (!groups.isNull())
                QCOMPARE(renderGroups(result, true), groups);
            QCOMPARE(count, foundCount);
        }
        for (const QString& q : qAsConst(observer.queries))
            QVERIFY2(code.isEmpty() || q.contains("code_fvl_idx:K"), qPrintable(q));
    }

    // The engine caches the analysis of the last text; a sequence of texts on one
    // engine, cable texts in between, must give what fresh engines give.
    void textCacheFollowsText()
    {
        Scratch index({doc("M1", {"镀锌", "钢管", "dn25"}), doc("K1", {"钢管"}),
                       doc("S1", {"不锈钢", "管"}), named("R1", "电缆"), named("R2", "电力电缆"),
                       doc("W1", {"zr", "yjv", "3*2.5"})});
        QVERIFY(index.ok);
        VeFinder reused;
        RecordingObserver reusedLog;
        reused.setObserver(&reusedLog);
        for (const char* text : {"镀锌钢管 dn25", "镀锌钢管  DN25 ", "不锈钢管", "ZR-YJV-3×2.5",
                                 "电缆", "", "镀锌钢管(dn25)", "不锈钢管"}) {
            VeFinder fresh;
            RecordingObserver freshLog;
            fresh.setObserver(&freshLog);
            Groups a, b;
            reusedLog.queries.clear();
            reusedLog.deliveries.clear();
            reused.segmentSearch(a, text, index.path, true);
            fresh.segmentSearch(b, text, index.path, true);
            QCOMPARE(a, b);
            QCOMPARE(reusedLog.queries, freshLog.queries);
            QCOMPARE(reusedLog.deliveries, freshLog.deliveries);
        }
    }

    // ---- ranking: sort-weight levels, tie breaks, word flags --------------------

    void ranking_data()
    {
        // normKey: through quotaSearch with a norm key the index holds
        columns<TestDocs, QString, bool, QString, Positions>("docs", "text", "normKey", "expected",
                                                             "positions");
        const auto row = [](const char* name, const TestDocs& docs, const char* text, bool normKey,
                            const char* expected, const Positions& positions = {}) {
            QTest::newRow(name) << docs << QString(text) << normKey << QString(expected)
                                << positions;
        };
        // Entries <prefix>1, <prefix>2, ... named by the comma-separated names.
        const auto names = [](const char* prefix, const QString& list, const char* word = "电缆") {
            TestDocs docs;
            for (const QString& name : list.split(','))
                docs << named(qPrintable(prefix + QString::number(docs.size() + 1)),
                              qPrintable(name), word);
            return docs;
        };
        // 电力电缆 is a synonym of 电缆: equal to an equivalent, one level below equal.
        row("equal / equivalent / ends with / contains / other: best first",
            names("R", "电缆,电力电缆,电缆接头,铜芯线(电缆),钢管,阻燃电缆,电缆(铜芯)"), "电缆",
            false, "[R1 R7] [R2] [R6] [R3 R4] [R5]");
        row("ties by length", names("T", "超长的电缆头,电缆头"), "电缆", false, "[T2 T1]");
        row("ties by case-insensitive name, greater first",
            names("C", "ABC电缆x,abd电缆x,Abe电缆x"), "电缆", false, "[C3 C2 C1]");
        row("ties by position, missing counts as 0", names("Q", "电缆,电缆,电缆,电缆"), "电缆",
            false, "[Q3 Q4 Q2 Q1]", {{"Q1", "1A"}, {"Q2", "3"}, {"Q4", "2"}});
        row("one id, two entries: listed twice",
            {named("D1", "电缆"), named("D1", "电力电缆"), named("D2", "电缆(铜芯)")}, "电缆",
            false, "[D1 D2] [D1]");
        // Equal pair counts rank the shorter specification first: the exact entry
        // written with x no longer falls behind a longer one written with *.
        row("regression: exact cable entry first whatever its separator",
            {TestDoc("LONG").withSpec("wdzb1n-yjv-3*6").words({"yjv"}),
             TestDoc("EXACT").withSpec("yjv-3x6").words({"yjv"})},
            "YJV 3×6", false, "[EXACT] [LONG]");

        // Word flags of the built-in tables: 煤 ends-with, 柴油 contains; the lexicon
        // makes 自来水 a synonym of 水 (equivalent name). A norm key lifts the filter.
        const TestDocs coal = names("K", "原煤,煤矸石,煤,粉煤灰", "煤");
        row("ends-with flag filters without a norm key", coal, "煤", false, "[K3] [K1]");
        row("ends-with flag ignored with a norm key", coal, "煤", true, "[K3] [K1] [K4 K2]");
        const TestDocs diesel = names("Y", "0号柴油,柴油机,汽油,柴 油", "柴油");
        row("contains flag filters without a norm key", diesel, "柴油", false, "[Y1] [Y2]");
        row("contains flag ignored with a norm key", diesel, "柴油", true, "[Y1] [Y2] [Y3 Y4]");
        const TestDocs water = names("W", "水,自来水,水泥,用水,水(自来)", "水");
        row("equivalent-name flag keeps only equivalents", water, "水", false, "[W1] [W2]");
        row("equivalent-name flag ignored with a norm key", water, "水", true,
            "[W1 W5] [W2] [W4] [W3]");
    }

    void ranking()
    {
        auto [docs, text, normKey, expected, positions] =
            fetch<TestDocs, QString, bool, QString, Positions>("docs", "text", "normKey",
                                                               "expected", "positions");
        for (TestDoc& d : docs)
            d.code("KEY");
        Scratch index(docs);
        QVERIFY(index.ok);
        VeFinder engine;
        engine.setPosIndex(positions);
        Groups groups;
        if (normKey) { // a blank specification: the code is the norm key
            engine.quotaSearch(groups, "KEY", text, " ", index.path, nullptr, false);
            QVERIFY(groups.size() >= 2);
            QCOMPARE(groups.takeFirst(), QStringList()); // no precise hit
            QCOMPARE(groups.takeLast(), QStringList());  // all delivered before the code step
        } else {
            engine.segmentSearch(groups, text, index.path, true);
        }
        QCOMPARE(renderGroups(groups), expected);
    }

    // The cable ranking through the observer: 3 for the model, one more per
    // core×section pair the stored specification holds as whole numbers; the
    // index holds specifications in lower case (3X2.5 arrives as 3x2.5).
    void cableSortValues()
    {
        const char* specs[][2] = {
            {"A", "ZR-YJV-3×2.5"}, {"B", "YJV 3 × 2.5"},     {"C", "YJV-3*2.5"},
            {"D", "YJV-3X2.5"},    {"E", "YJV-3×205"},       {"F", "YJV-3×2,5"},
            {"G", "YJV-13×2.5"},   {"H", "YJV-3×2.55"},      {"I", "YJV-3×2.5.6"},
            {"J", "YJV 3×2.5mm²"}, {"L", "YJV 3×2.5+1×1.5"}, {"M", ""},
            {"N", "YJV-4×2.5"},    {"O", "yjv-3x2.5"},       {"P", "yjv 0.6/1kv 3 x 2.5"},
            {"Q", "yjv-3x25"},     {"R", "YJV-3×4+2×2.5"}};
        TestDocs docs;
        for (const auto& s : specs)
            docs << doc(s[0], {"yjv", "3", "2.5"}).withSpec(s[1]);
        Scratch index(docs);
        QVERIFY(index.ok);
        VeFinder engine;
        RecordingObserver observer;
        engine.setObserver(&observer);
        Groups groups;
        engine.segmentSearch(groups, "YJV 3×2.5", index.path, true);
        observer.deliveries.sort();
        QCOMPARE(
            observer.deliveries.join(',').remove("cable1: "),
            QStringLiteral("A 4,B 4,C 4,D 4,E 3,F 3,G 3,H 3,I 3,J 4,L 4,M 3,N 3,O 4,P 4,Q 3,R 3"));
    }

    void fullWidth_data()
    {
        columns<QString, QString, QString>("fullWidth", "halfWidth", "firstGroup");
        const auto row = [](const char* name, const char* full, const char* half,
                            const char* first) {
            QTest::newRow(name) << QString(full) << QString(half) << QString(first);
        };
        row("pipe, spec indexed full-width", "镀锌钢管ＤＮ２５", "镀锌钢管DN25", "[F1]");
        row("pipe, ideographic space", "焊接钢管　ＤＮ２５", "焊接钢管 DN25", "[F3]");
        row("cable, spec indexed full-width", "ＹＪＶ３×２．５", "YJV3×2.5", "[C1]");
        row("lower-case full-width letters", "ｙｊｖ　３×４", "yjv 3×4", "[C2]");
    }

    // Full-width folding gives the same groups as the half-width text, and the
    // norm key is taken of the folded code and specification on both sides; on
    // rows some of which are typed full-width, indexed by the real indexer.
    void fullWidth()
    {
        const auto [fullWidth, halfWidth, firstGroup] =
            fetch<QString, QString, QString>("fullWidth", "halfWidth", "firstGroup");
        QTemporaryDir dir;
        CatalogueIndexer::Options options;
        options.csvPath = dir.filePath("catalogue.csv");
        QVERIFY(writeFile(
            options.csvPath,
            "mat_id,code,name,spec,brand\n"
            "F1,1701,镀锌钢管,ＤＮ２５,\nF2,1701,镀锌钢管,DN32,\n"
            "F3,１７０２,焊接钢管,DN25,\nF4,1702,焊接钢管,DN32,\n"
            "C1,2801,电力电缆,ＹＪＶ　０．６／１ｋＶ　３×２．５,\nC2,2801,电力电缆,YJV 0.6/1kV 3×4,\n"
            "B1,2802,铜芯聚氯乙烯绝缘电线,BV 2.5,\nB2,2802,铜芯聚氯乙烯绝缘电线,BV 4,\n"));
        options.indexPath = dir.filePath("index");
        options.progress = false;
        QVERIFY(CatalogueIndexer(options).run().rowsIndexed == 8);
        VeFinder engine;
        Groups full, half;
        engine.segmentSearch(full, fullWidth, options.indexPath, true);
        engine.segmentSearch(half, halfWidth, options.indexPath, true);
        QCOMPARE(renderGroups(half.mid(0, 1)), firstGroup);
        QCOMPARE(full, half);
        engine.quotaSearch(full, "１７０１", "镀锌钢管", "ＤＮ２５", options.indexPath, nullptr,
                           true);
        QCOMPARE(renderGroups(full.mid(0, 1)), QStringLiteral("[F1]"));
        QStringList ids;
        engine.normCodeSearch(ids, "1702", options.indexPath); // F3's code is written １７０２
        QCOMPARE(ids.join(' '), QStringLiteral("F3 F4"));
        engine.normCodeSearch(ids, "２８０２", options.indexPath);
        QCOMPARE(ids.join(' '), QStringLiteral("B1 B2"));
    }

    // Sorting any arrangement of hits gives one sequence: the predicate is a strict weak order.
    void rankingIsStrictWeakOrder()
    {
        QList<VeDocInfo> docs;
        int n = 0;
        for (const char* name :
             {"电缆", "电力电缆", "阻燃电缆", "ABC", "abd", "abc", "钢管", "𠀀𠀀"}) {
            for (double sortValue : {1.0, 97.9}) {
                ++n;
                VeDocInfo d(QString::number(n), name, 1.0 + (n % 3));
                d.sortValue = sortValue;
                d.position = n % 2 - (n % 5 == 0);
                docs << d << d;
            }
        }
        const auto ids = [](const QList<VeDocInfo>& list) {
            QStringList ids;
            for (const VeDocInfo& d : list)
                ids << d.matId;
            return ids;
        };
        for (const VeDocInfo& a : docs) {
            QVERIFY(!compareDocInfo(a, a));
            for (const VeDocInfo& b : docs)
                QVERIFY(!(compareDocInfo(a, b) && compareDocInfo(b, a)));
        }
        QList<VeDocInfo> reference = docs;
        std::sort(reference.begin(), reference.end(), compareDocInfo);
        for (int seed = 1; seed <= 20; ++seed) {
            QList<VeDocInfo> shuffled = docs;
            std::rotate(shuffled.begin(), shuffled.begin() + seed % shuffled.size(),
                        shuffled.end());
            std::reverse(shuffled.begin(), shuffled.begin() + seed);
            std::stable_sort(shuffled.begin(), shuffled.end(), compareDocInfo);
            QCOMPARE(ids(shuffled), ids(reference));
        }
    }

    // ---- the queries themselves: one transcript per path, as golden text --------

    void explainTranscript_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("ordinary") << "不锈钢管 dn25(热镀锌)";
        QTest::newRow("cable") << "ZR-YJV22-3×95+1×50 0.6/1KV";
    }

    void explainTranscript()
    {
        QFETCH(QString, text);
        Scratch index({doc("Z1", {"阀门"})});
        QVERIFY(index.ok);
        VeFinder engine;
        RecordingObserver observer;
        engine.setObserver(&observer);
        Groups groups;
        engine.quotaSearch(groups, "K", text, QString(), index.path, nullptr, true);
        compareGolden(QString(ENGINE_GOLDEN_DIR "/%1.txt").arg(QTest::currentDataTag()),
                      observer.queries.join('\n') + '\n');
    }

    // ---- limits and failures -------------------------------------------------------

    // eqaaa has 1100 equivalents; one boolean query holds 1024: the first 1024
    // (eqaaa to eqbnj) are asked, and the search does not fail. A host that
    // lowers the limit gets fewer asked from then on (eqaaa to eqbml).
    void clauseLimit()
    {
        QCOMPARE(lucene::search::BooleanQuery::getMaxClauseCount(), size_t(1024));
        Scratch index({TestDoc("E1").enWords({"eqbnj"}), TestDoc("E2").enWords({"eqbnk"}),
                       TestDoc("E3").enWords({"eqbml"})});
        QVERIFY(index.ok);
        VeFinder engine;
        Groups groups;
        engine.segmentSearch(groups, "eqaaa", index.path, true);
        QCOMPARE(renderGroups(groups), QStringLiteral("[E1 E3]"));
        engine.quotaSearch(groups, QString(), "eqaaa", QString(), index.path, nullptr, true);
        QCOMPARE(renderGroups(groups), QStringLiteral("[] [E1 E3] []"));
        lucene::search::BooleanQuery::setMaxClauseCount(1000);
        engine.quotaSearch(groups, QString(), "eqaaa", QString(), index.path, nullptr, true);
        lucene::search::BooleanQuery::setMaxClauseCount(1024);
        QCOMPARE(renderGroups(groups), QStringLiteral("[] [E3] []"));
    }

    void unopenableIndex_data()
    {
        // path: in a temporary directory; null: the empty path
        // file: written there when set
        columns<QString, QByteArray>("path", "file");
        QTest::newRow("missing") << "nothing/here" << QByteArray();
        QTest::newRow("empty directory") << "" << QByteArray();
        QTest::newRow("plain file") << "index.txt" << QByteArray("not an index\n");
        QTest::newRow("unreadable") << "locked" << QByteArray();
        QTest::newRow("chinese path that does not exist") << "索引/不存在" << QByteArray();
        QTest::newRow("empty path") << QString() << QByteArray();
    }

    // The entry operations answer nothing, leave foundCount alone, and the same
    // engine searches a valid index next.
    void unopenableIndex()
    {
        auto [path, file] = fetch<QString, QByteArray>("path", "file");
        QTemporaryDir tmp;
        path = path.isNull() ? path : QDir(tmp.path()).filePath(path);
        QVERIFY(file.isEmpty() || writeFile(path, file));
        if (QTest::currentDataTag() == QLatin1String("unreadable")) {
            if (::geteuid() == 0)
                QSKIP("root reads any directory whatever its permissions");
            QVERIFY(writeTestIndex(path, {TestDoc("X1").code("ABC-1")}));
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        }
        VeFinder engine;
        RecordingObserver observer;
        engine.setObserver(&observer);
        Groups groups{{"stale"}};
        int foundCount = 12345;
        engine.quotaSearch(groups, "ABC-1", "钢管", "DN25", path, &foundCount, true);
        QCOMPARE(renderGroups(groups), QString());
        QCOMPARE(foundCount, 12345);
        engine.segmentSearch(groups, "钢管", path, true);
        QCOMPARE(renderGroups(groups), QString());
        QStringList ids{"stale"};
        engine.normCodeSearch(ids, "ABC-1", path);
        QCOMPARE(ids, QStringList());
        QCOMPARE(observer.queries, QStringList());
        QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        engine.normCodeSearch(ids, "ABC-1", m_codeIndex);
        QCOMPARE(ids, QStringList{"N1"});
    }

    void exceptionAfterOpen_data()
    {
        // damage: true: the index files are emptied; false: the observer throws
        columns<QString, QString, bool>("entry", "step", "damage");
        const auto row = [](const char* name, const char* entry, const char* step, bool damage) {
            QTest::newRow(name) << QString(entry) << QString(step) << damage;
        };
        row("quotaSearch, index damaged before the precise step", "quota", "precise", true);
        // (the code step reads nothing the precise step has not read: its
        // postings come from memory, so the damage there goes unseen)
        row("quotaSearch, index damaged before matsetAll", "quota", "matsetAll", true);
        row("quotaSearch, failure in the precise step", "quota", "precise", false);
        row("quotaSearch, failure in the code step", "quota", "code", false);
        row("segmentSearch, failure after matsetAll delivered", "segment", "allMixPpl", false);
        row("normCodeSearch, index damaged", "code", "code", true);
        row("normCodeSearch, failure in its step", "code", "code", false);
    }

    // The failure reaches the caller; the engine releases the index (leaks show
    // in the sanitizer build) and forgets the broken call's ids: its next call
    // answers in full.
    void exceptionAfterOpen()
    {
        QFETCH(QString, entry);
        QFETCH(QString, step);
        QFETCH(bool, damage);
        // Big enough that a search reads the (damaged) files past the reader's first buffers.
        TestDocs docs{doc("M1", {"镀锌", "钢管", "dn25"})};
        for (int i = 0; i < 3000; ++i)
            docs << TestDoc(QStringLiteral("B%1").arg(i))
                        .code("BIG")
                        .withTitle(QStringLiteral("镀锌钢管 第%1号").arg(i))
                        .withSpec(QStringLiteral("DN%1").arg(i));
        Scratch index(docs), copy(docs);
        QVERIFY(index.ok && copy.ok);
        RecordingObserver observer;
        observer.onQuery = [&](const QString& s, const QString&) {
            if (s != step)
                return;
            if (!damage)
                throw std::runtime_error("failure injected by the test");
            for (const QFileInfo& file : QDir(index.path).entryInfoList(QDir::Files))
                QFile::resize(file.filePath(), 0);
        };
        VeFinder engine;
        engine.setObserver(&observer);
        auto run = [&](VeFinder& engine, const QString& path) -> QString {
            Groups groups;
            QStringList ids;
            if (entry == "quota")
                engine.quotaSearch(groups, "BIG", "镀锌钢管 第1号", "DN1", path, nullptr, false);
            else if (entry == "segment")
                engine.segmentSearch(groups, "镀锌钢管 dn25", path, true);
            else
                engine.normCodeSearch(ids, "BIG", path);
            return renderGroups(groups) + QString::number(ids.size()) + ids.value(0);
        };
        bool threw = false;
        try {
            run(engine, index.path);
        } catch (const CLuceneError&) {
            threw = damage;
        } catch (const std::runtime_error&) {
            threw = !damage;
        }
        QVERIFY2(threw, "the failure did not reach the caller as it was raised");
        observer.onQuery = nullptr;
        VeFinder fresh;
        const QString expected = run(fresh, copy.path);
        QVERIFY(expected.contains(QRegularExpression("[BM][0-9]")));
        QCOMPARE(run(engine, copy.path), expected);
    }

    // A nested boolean query whose scorer is never advanced (the code clause
    // matches nothing) must not leak its inner scorers; only the leak checker of
    // the sanitizer build can see that, so the test checks nothing elsewhere.
    void nestedScorersFreed()
    {
#ifndef VEFINDER_LEAK_CHECK
        QSKIP("needs the leak checker of the sanitizer build");
#else
        Scratch index({doc("M1", {"镀锌", "钢管", "dn25"}), doc("O1", {"镀锌", "钢管"})});
        QVERIFY(index.ok);
        VeFinder engine;
        Groups groups;
        int count = 0;
        engine.quotaSearch(groups, "NO-SUCH-CODE", "镀锌钢管 dn25(铁管)", QString(), index.path,
                           &count, true);
        engine.segmentSearch(groups, "ZR-YJV-3×2.5 铁管", index.path, true);
        QCOMPARE(__lsan_do_recoverable_leak_check(), 0);
#endif
    }

private:
    QTemporaryDir m_dir;
    QString m_codeIndex;
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
