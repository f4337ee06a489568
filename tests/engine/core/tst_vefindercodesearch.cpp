/** @file tst_vefindercodesearch.cpp @brief Tests of the code-driven searches: norm key, precise and code groups, hit records. */
#include "engine/searchtext.h"
#include "recordingobserver.h"
#include "segment/wordsegment.h"
#include "testindex.h"
#include "vefindertestaccess.h"

#include <QtTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

using TA = VeFinderTestAccess;

namespace {

QString key(const char* code, const char* spec)
{
    return normKeyHash(QString::fromUtf8(code), QString::fromUtf8(spec));
}

/// Every id of @p groups that occurs in more than one group.
QStringList idsInSeveralGroups(const QList<QStringList>& groups)
{
    QHash<QString, int> seenIn;
    QStringList repeated;
    for (int g = 0; g < groups.size(); ++g) {
        for (const QString& id : groups.at(g)) {
            const auto it = seenIn.constFind(id);
            if (it != seenIn.constEnd() && it.value() != g && !repeated.contains(id))
                repeated << id;
            seenIn.insert(id, g);
        }
    }
    return repeated;
}

} // namespace

class TestVeFinderCodeSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void normSearchKey_data();
    void normSearchKey();

    void quotaSearchGroups_data();
    void quotaSearchGroups();
    void quotaSearchRepeatsNothing();
    void stepsNeverRepeat_data();
    void stepsNeverRepeat();

    void normCodeSearch_data();
    void normCodeSearch();

    void hitRecords_data();
    void hitRecords();
    void positions_data();
    void positions();
    void nullSearcherOrQuery();

    void observer();

private:
    QTemporaryDir m_dir;
    QString m_index;
};

// One index for the whole test; each row picks its documents by code.
void TestVeFinderCodeSearch::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_index = m_dir.filePath(QStringLiteral("catalogue"));
    const QString keyYjv = key("YJV", "3x2.5");
    const QString keyPipe = key("镀锌钢管", "dn25");
    TestDocs docs{
        // norm key and precise search
        TestDoc(QStringLiteral("P1")).code(keyYjv).withTitle(QStringLiteral("电力电缆"))
            .withSpec(QStringLiteral("3x2.5")),
        TestDoc(QStringLiteral("P2")).code(QStringLiteral("YJV"))
            .withTitle(QStringLiteral("电力电缆")).withSpec(QStringLiteral("3x2.5")),
        TestDoc(QStringLiteral("P3")).code(keyYjv).withTitle(QStringLiteral("控制电缆"))
            .withSpec(QStringLiteral("3x2.5")),
        TestDoc(QStringLiteral("G1")).code(keyPipe).withTitle(QStringLiteral("镀锌钢管"))
            .withSpec(QStringLiteral("dn25")),
        TestDoc(QStringLiteral("G2")).code(QStringLiteral("镀锌钢管"))
            .withTitle(QStringLiteral("镀锌钢管")).withSpec(QStringLiteral("dn25")),
        // one mat id carried by two documents
        TestDoc(QStringLiteral("D1")).code(QStringLiteral("DUP")).withTitle(QStringLiteral("水泥"))
            .withSpec(QStringLiteral("42.5")),
        TestDoc(QStringLiteral("D1")).code(QStringLiteral("DUP")).withTitle(QStringLiteral("水泥"))
            .withSpec(QStringLiteral("32.5")),
        TestDoc(QStringLiteral("D2")).code(QStringLiteral("DUP")).withTitle(QStringLiteral("砂"))
            .withSpec(QStringLiteral("中砂")),
        // exact, case-sensitive codes
        TestDoc(QStringLiteral("N1")).code(QStringLiteral("ABC-1")),
        TestDoc(QStringLiteral("N2")).code(QStringLiteral("abc-1")),
        TestDoc(QStringLiteral("N3")).code(QStringLiteral("编码A")),
        // hit order: the document with two code terms scores lower
        TestDoc(QStringLiteral("H1")).code(QStringLiteral("HIT")).code(QStringLiteral("OTHER")),
        TestDoc(QStringLiteral("H2")).code(QStringLiteral("HIT")),
        // hits without a usable mat id
        TestDoc(QStringLiteral("E1")).code(QStringLiteral("EMPTY")),
        TestDoc(QStringLiteral("")).code(QStringLiteral("EMPTY")),
        TestDoc(QString()).code(QStringLiteral("EMPTY")),
        // location table
        TestDoc(QStringLiteral("L1")).code(QStringLiteral("LOC")),
    };
    QString error;
    QVERIFY2(writeTestIndex(m_index, docs, &error), qPrintable(error));
}

void TestVeFinderCodeSearch::normSearchKey_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("expected");

    const QString keyYjv = key("YJV", "3x2.5");
    QTest::newRow("key held by the index") << QStringLiteral("YJV") << QStringLiteral("3x2.5")
                                           << keyYjv;
    QTest::newRow("spaces and case of the spec do not matter")
        << QStringLiteral("YJV") << QStringLiteral(" 3 X 2.5 ") << keyYjv;
    QTest::newRow("code trimmed before hashing")
        << QStringLiteral("  YJV\t") << QStringLiteral("3x2.5") << keyYjv;
    QTest::newRow("chinese code and spec") << QStringLiteral("镀锌钢管")
                                           << QStringLiteral("DN25") << key("镀锌钢管", "dn25");
    QTest::newRow("key not held: the code, untrimmed")
        << QStringLiteral(" YJV ") << QStringLiteral("3x4") << QStringLiteral(" YJV ");
    QTest::newRow("blank spec: the code, untrimmed")
        << QStringLiteral(" YJV ") << QStringLiteral("  ") << QStringLiteral(" YJV ");
    QTest::newRow("empty code and spec") << QString() << QString() << QString();
    QTest::newRow("code differing in case does not reach the key")
        << QStringLiteral("yjv") << QStringLiteral("3x2.5") << QStringLiteral("yjv");
}

void TestVeFinderCodeSearch::normSearchKey()
{
    QFETCH(QString, code);
    QFETCH(QString, spec);
    QFETCH(QString, expected);
    VeFinder engine;
    TA::OpenIndex index(engine, m_index);
    QVERIFY(index.valid());
    QCOMPARE(TA::getNormSearchKey(engine, index.searcher(), code, spec), expected);
}

void TestVeFinderCodeSearch::quotaSearchGroups_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("expected");

    // The documents hold no words, so the fuzzy step adds nothing and the
    // result is the precise group followed by the code group.
    QTest::newRow("precise through the norm key; code group without the precise hit")
        << QStringLiteral("YJV") << QStringLiteral("电力电缆") << QStringLiteral("3X2.5")
        << QStringLiteral("[P1] [P3]");
    QTest::newRow("name and spec normalised for the precise step")
        << QStringLiteral(" YJV") << QStringLiteral("  电力电缆\n") << QStringLiteral("3X2.5")
        << QStringLiteral("[P1] [P3]");
    QTest::newRow("spec with inner spaces: same key, but no precise hit")
        << QStringLiteral("YJV") << QStringLiteral("电力电缆") << QStringLiteral("3 x 2.5")
        << QStringLiteral("[] [P1 P3]");
    QTest::newRow("key not held: plain code for both steps")
        << QStringLiteral("YJV") << QStringLiteral("电力电缆") << QStringLiteral("3x4")
        << QStringLiteral("[] [P2]");
    QTest::newRow("chinese code through its key")
        << QStringLiteral("镀锌钢管") << QStringLiteral("镀锌钢管") << QStringLiteral("DN25")
        << QStringLiteral("[G1] []");
    QTest::newRow("empty spec: code group only")
        << QStringLiteral("镀锌钢管") << QStringLiteral("镀锌钢管") << QString()
        << QStringLiteral("[] [G2]");
    QTest::newRow("nothing found: both groups kept, empty")
        << QStringLiteral("NOPE") << QStringLiteral("无") << QStringLiteral("无")
        << QStringLiteral("[] []");
    QTest::newRow("empty code, name and spec") << QString() << QString() << QString()
                                               << QStringLiteral("[] []");
    QTest::newRow("two documents of one mat id: listed twice in one step")
        << QStringLiteral("DUP") << QStringLiteral("砂") << QStringLiteral("粗砂")
        << QStringLiteral("[] [D1 D1 D2]");
    QTest::newRow("mat id delivered by the precise step is left out of the code group")
        << QStringLiteral("DUP") << QStringLiteral("水泥") << QStringLiteral("42.5")
        << QStringLiteral("[D1] [D2]");
}

void TestVeFinderCodeSearch::quotaSearchGroups()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, spec);
    QFETCH(QString, expected);

    VeFinder engine;
    for (bool deep : {false, true}) {
        QList<QStringList> groups;
        int foundCount = -7;
        engine.quotaSearch(groups, code, name, spec, m_index, &foundCount, deep);
        // code groups list ids in hit order; D1's two documents tie with D2
        QCOMPARE(renderGroupsSorted(groups), expected);
        QVERIFY(TA::foundIds(engine).isEmpty());
        QCOMPARE(TA::deepSearch(engine), deep);
    }
}

// Within one call no id comes twice (unless two documents carry it in one
// step); the next call finds everything again.
void TestVeFinderCodeSearch::quotaSearchRepeatsNothing()
{
    VeFinder engine;
    QList<QStringList> first;
    engine.quotaSearch(first, QStringLiteral("DUP"), QStringLiteral("水泥"), QStringLiteral("42.5"),
                       m_index, nullptr, true);
    QCOMPARE(idsInSeveralGroups(first), QStringList());
    QList<QStringList> second;
    engine.quotaSearch(second, QStringLiteral("DUP"), QStringLiteral("水泥"),
                       QStringLiteral("42.5"), m_index, nullptr, true);
    QCOMPARE(renderGroupsSorted(second), renderGroupsSorted(first));
    QCOMPARE(renderGroupsSorted(second), QStringLiteral("[D1] [D2]"));
}

void TestVeFinderCodeSearch::stepsNeverRepeat_data()
{
    QTest::addColumn<bool>("deepSearch");
    QTest::newRow("deep search") << true;
    QTest::newRow("shallow search") << false;
}

// An entry each for the precise, the fuzzy and the code step, and every entry
// also reachable by the later steps: each is delivered once, by the first
// step that reaches it, and again by the next call.
void TestVeFinderCodeSearch::stepsNeverRepeat()
{
    QFETCH(bool, deepSearch);
    const QString normKey = key("DN-PIPE", "dn25");
    // the words the fuzzy step looks for: those of the normalised name and spec
    const QStringList words =
        WordSegment::instance()->segmentText(QStringLiteral("镀锌钢管 dn25"), true);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeTestIndex(
        tmp.path(),
        {TestDoc(QStringLiteral("F1")).code(normKey).withTitle(QStringLiteral("镀锌钢管"))
             .withSpec(QStringLiteral("dn25")).words(words),
         TestDoc(QStringLiteral("F2")).code(normKey).withTitle(QStringLiteral("热镀锌钢管"))
             .withSpec(QStringLiteral("dn25")).words(words),
         TestDoc(QStringLiteral("F3")).code(normKey).withTitle(QStringLiteral("钢管"))}));

    VeFinder engine;
    for (int call = 0; call < 2; ++call) {
        QList<QStringList> groups;
        engine.quotaSearch(groups, QStringLiteral("DN-PIPE"), QStringLiteral("镀锌钢管"),
                           QStringLiteral("DN25"), tmp.path(), nullptr, deepSearch);
        QVERIFY2(groups.size() >= 3, qPrintable(renderGroups(groups)));
        QCOMPARE(renderGroups({groups.first(), groups.last()}), QStringLiteral("[F1] [F3]"));
        QStringList fuzzy;
        for (int g = 1; g < groups.size() - 1; ++g)
            fuzzy += groups.at(g);
        QCOMPARE(renderIds(fuzzy), QStringLiteral("F2"));
        QVERIFY(TA::foundIds(engine).isEmpty());
    }
}

void TestVeFinderCodeSearch::normCodeSearch_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");

    QTest::newRow("exact code") << QStringLiteral("ABC-1") << QStringLiteral("N1");
    QTest::newRow("lower-case code is another code") << QStringLiteral("abc-1")
                                                     << QStringLiteral("N2");
    QTest::newRow("case differs: nothing") << QStringLiteral("Abc-1") << QString();
    QTest::newRow("trailing space: nothing") << QStringLiteral("ABC-1 ") << QString();
    QTest::newRow("prefix: nothing") << QStringLiteral("ABC") << QString();
    QTest::newRow("chinese code") << QStringLiteral("编码A") << QStringLiteral("N3");
    QTest::newRow("empty code") << QString() << QString();
    QTest::newRow("norm key used as a code, unhashed") << key("YJV", "3x2.5")
                                                       << QStringLiteral("P1 P3");
    QTest::newRow("plain code is not turned into a key") << QStringLiteral("YJV")
                                                         << QStringLiteral("P2");
    QTest::newRow("hit order, not document order") << QStringLiteral("HIT")
                                                   << QStringLiteral("H2 H1");
    QTest::newRow("one mat id, two documents") << QStringLiteral("DUP")
                                               << QStringLiteral("D1 D1 D2");
    QTest::newRow("hits without a mat id are skipped") << QStringLiteral("EMPTY")
                                                       << QStringLiteral("E1");
}

void TestVeFinderCodeSearch::normCodeSearch()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    VeFinder engine;
    TA::deepSearch(engine) = false;
    QStringList ids{QStringLiteral("stale")};
    engine.normCodeSearch(ids, code, m_index);
    QCOMPARE(renderIds(ids), expected);
    QCOMPARE(TA::deepSearch(engine), true);
    QVERIFY(TA::foundIds(engine).isEmpty());
    // found again by the next call
    engine.normCodeSearch(ids, code, m_index);
    QCOMPARE(renderIds(ids), expected);
}

void TestVeFinderCodeSearch::hitRecords_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("delivered"); // ids an earlier step delivered
    QTest::addColumn<QString>("expected");      // "id:name" per record

    QTest::newRow("all new") << QStringLiteral("DUP") << QStringList()
                             << QStringLiteral("D1:水泥 D1:水泥 D2:砂");
    QTest::newRow("delivered id skipped, both documents")
        << QStringLiteral("DUP") << QStringList{QStringLiteral("D1")}
        << QStringLiteral("D2:砂");
    QTest::newRow("empty and missing mat id skipped") << QStringLiteral("EMPTY") << QStringList()
                                                      << QStringLiteral("E1:");
    QTest::newRow("no hit") << QStringLiteral("NONE") << QStringList() << QString();
}

void TestVeFinderCodeSearch::hitRecords()
{
    QFETCH(QString, code);
    QFETCH(QStringList, delivered);
    QFETCH(QString, expected);
    VeFinder engine;
    TA::OpenIndex index(engine, m_index);
    QVERIFY(index.valid());
    for (const QString& id : delivered)
        TA::foundIds(engine).insert(id);
    QList<VeDocInfo> docs{VeDocInfo(QStringLiteral("kept"), QStringLiteral("earlier"), 1.0)};
    TA::BooleanQuery* query = TA::mkCodeQuery(code);
    TA::setDocumentValue(engine, docs, QString(), index.searcher(), query);
    delete query;
    QVERIFY(!docs.isEmpty());
    QCOMPARE(docs.takeFirst().matId, QStringLiteral("kept")); // appended, not replaced
    QStringList parts;
    for (const VeDocInfo& d : qAsConst(docs)) {
        parts << d.matId + QLatin1Char(':') + d.name;
        QVERIFY(d.score > 0.0);
    }
    QCOMPARE(parts.join(QLatin1Char(' ')), expected);
    // reading hits does not mark them delivered
    QCOMPARE(TA::foundIds(engine).size(), delivered.size());
}

void TestVeFinderCodeSearch::positions_data()
{
    QTest::addColumn<QString>("value"); // null: no entry in the table
    QTest::addColumn<qlonglong>("expected");

    QTest::newRow("missing from the table") << QString() << 0LL;
    QTest::newRow("1A") << QStringLiteral("1A") << 26LL;
    QTest::newRow("lower-case hex") << QStringLiteral("ff") << 255LL;
    QTest::newRow("decimal-looking text read as hex") << QStringLiteral("10") << 16LL;
    QTest::newRow("non-hex character") << QStringLiteral("1G") << 0LL;
    QTest::newRow("chinese text") << QStringLiteral("一") << 0LL;
    QTest::newRow("empty text") << QStringLiteral("") << 0LL;
    QTest::newRow("negative") << QStringLiteral("-10") << -16LL;
    QTest::newRow("largest signed 64-bit") << QStringLiteral("7FFFFFFFFFFFFFFF")
                                           << 0x7FFFFFFFFFFFFFFFLL;
    QTest::newRow("beyond 64 bits") << QStringLiteral("10000000000000000") << 0LL;
}

void TestVeFinderCodeSearch::positions()
{
    QFETCH(QString, value);
    QFETCH(qlonglong, expected);
    VeFinder engine;
    QHash<QString, QString> table{{QStringLiteral("other"), QStringLiteral("5")}};
    if (!value.isNull())
        table.insert(QStringLiteral("L1"), value);
    engine.setPosIndex(table);
    TA::OpenIndex index(engine, m_index);
    QVERIFY(index.valid());
    QList<VeDocInfo> docs;
    TA::BooleanQuery* query = TA::mkCodeQuery(QStringLiteral("LOC"));
    TA::setDocumentValue(engine, docs, QString(), index.searcher(), query);
    delete query;
    QCOMPARE(docs.size(), 1);
    QCOMPARE(docs.at(0).position, expected);
}

void TestVeFinderCodeSearch::nullSearcherOrQuery()
{
    VeFinder engine;
    TA::OpenIndex index(engine, m_index);
    QVERIFY(index.valid());
    // the collector owns the query even when it cannot run it
    QCOMPARE(TA::addMatIdsNormal(engine, nullptr, TA::mkCodeQuery(QStringLiteral("ABC-1"))),
             QStringList());
    QCOMPARE(TA::addMatIdsNormal(engine, index.searcher(), nullptr), QStringList());
    QList<VeDocInfo> docs;
    TA::setDocumentValue(engine, docs, QString(), index.searcher(), nullptr);
    QVERIFY(docs.isEmpty());
    QVERIFY(TA::foundIds(engine).isEmpty());
}

void TestVeFinderCodeSearch::observer()
{
    const QString keyYjv = key("YJV", "3x2.5");
    VeFinder plain;
    QList<QStringList> expected;
    plain.quotaSearch(expected, QStringLiteral("YJV"), QStringLiteral("电力电缆"),
                      QStringLiteral("3x2.5"), m_index, nullptr, false);

    RecordingObserver recorder;
    VeFinder observed;
    observed.setObserver(&recorder);
    QCOMPARE(observed.observer(), &recorder);
    QList<QStringList> groups;
    observed.quotaSearch(groups, QStringLiteral("YJV"), QStringLiteral("电力电缆"),
                         QStringLiteral("3x2.5"), m_index, nullptr, false);
    QCOMPARE(renderGroups(groups), renderGroups(expected));
    QCOMPARE(recorder.queriesOf(QStringLiteral("precise")),
             QStringList{QStringLiteral("+code_fvl_idx:%1 +title_fvl_idx:电力电缆 "
                                        "+spec_fvl_idx:3x2.5").arg(keyYjv)});
    QCOMPARE(recorder.deliveriesOf(QStringLiteral("precise")), QStringList{QStringLiteral("P1 1")});
    QCOMPARE(recorder.queriesOf(QStringLiteral("code")),
             QStringList{QStringLiteral("+code_fvl_idx:%1").arg(keyYjv)});
    QCOMPARE(recorder.deliveriesOf(QStringLiteral("code")), QStringList{QStringLiteral("P3 1")});
    QCOMPARE(QByteArray(TA::step(observed)), QByteArray());

    recorder.clear();
    QStringList ids;
    observed.normCodeSearch(ids, QStringLiteral("DUP"), m_index);
    QCOMPARE(recorder.queries(), QStringList{QStringLiteral("code: +code_fvl_idx:DUP")});
    QStringList delivered = recorder.deliveries();
    delivered.sort();
    QCOMPARE(delivered, (QStringList{QStringLiteral("code: D1 1"), QStringLiteral("code: D1 1"),
                                     QStringLiteral("code: D2 1")}));

    // removing the observer stops the reports
    recorder.clear();
    observed.setObserver(nullptr);
    observed.normCodeSearch(ids, QStringLiteral("DUP"), m_index);
    QVERIFY(recorder.queries().isEmpty());
    QVERIFY(recorder.deliveries().isEmpty());
}

QTEST_GUILESS_MAIN(TestVeFinderCodeSearch)
#include "tst_vefindercodesearch.moc"
