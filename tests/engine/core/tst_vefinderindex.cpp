/** @file tst_vefinderindex.cpp @brief Tests of VeFinder's life cycle, index access and failure containment. */
#include "recordingobserver.h"
#include "testindex.h"
#include "vefindertestaccess.h"

#include <QtTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

#include <stdexcept>
#include <unistd.h>

using TA = VeFinderTestAccess;

namespace {

/// Positions the engine gives the hits of code @p code, as "id=position ...".
QString positionsOf(VeFinder& engine, const QString& indexPath, const QString& code)
{
    TA::OpenIndex index(engine, indexPath);
    if (!index.valid())
        return QStringLiteral("(not opened)");
    QList<VeDocInfo> docs;
    TA::BooleanQuery* query = TA::mkCodeQuery(code);
    TA::setDocumentValue(engine, docs, QString(), index.searcher(), query);
    delete query;
    QStringList parts;
    for (const VeDocInfo& d : docs)
        parts << d.matId + QLatin1Char('=') + QString::number(d.position);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestVeFinderIndex : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void newEngine();
    void fieldTerm_data();
    void fieldTerm();
    void copyKeepsLocationTable();
    void copyCopiesEveryMember();
    void selfAssignment();

    void getFieldValue_data();
    void getFieldValue();
    void storedValuesRoundTrip();

    void badIndexPath_data();
    void badIndexPath();
    void chinesePath();

    void exceptionAfterOpen_data();
    void exceptionAfterOpen();

private:
    QTemporaryDir m_dir;
    QString m_valid; ///< a small valid index: M1 and M2 under code C1
};

void TestVeFinderIndex::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_valid = m_dir.filePath(QStringLiteral("valid"));
    QString error;
    QVERIFY2(writeTestIndex(m_valid,
                            {TestDoc(QStringLiteral("M1")).code(QStringLiteral("C1")),
                             TestDoc(QStringLiteral("M2")).code(QStringLiteral("C1")),
                             TestDoc(QStringLiteral("M3")).code(QStringLiteral("C2"))},
                            &error),
             qPrintable(error));
}

void TestVeFinderIndex::newEngine()
{
    VeFinder engine;
    QCOMPARE(TA::deepSearch(engine), true);
    QVERIFY(TA::foundIds(engine).isEmpty());
    QVERIFY(TA::posIndex(engine).isEmpty());
    QVERIFY(TA::sortWordMaps(engine).isEmpty());
    QVERIFY(TA::lastText(engine).isNull());
    QVERIFY(TA::coreWordMap(engine).isEmpty());
    QCOMPARE(engine.observer(), nullptr);
    QCOMPARE(QByteArray(TA::step(engine)), QByteArray());

    // an empty table leaves every position at 0
    engine.setPosIndex({});
    QCOMPARE(positionsOf(engine, m_valid, QStringLiteral("C1")), QStringLiteral("M1=0 M2=0"));
}

void TestVeFinderIndex::fieldTerm_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("field");

    QTest::newRow("0 mat id") << 0 << QStringLiteral("mat_id");
    QTest::newRow("1 code") << 1 << QStringLiteral("code_fvl_idx");
    QTest::newRow("2 title") << 2 << QStringLiteral("title_fvl_idx");
    QTest::newRow("3 spec") << 3 << QStringLiteral("spec_fvl_idx");
    QTest::newRow("4 brand") << 4 << QStringLiteral("brand_fvl_idx");
    QTest::newRow("5 chinese words") << 5 << QStringLiteral("chs_ppl_idx");
    QTest::newRow("6 mixed words") << 6 << QStringLiteral("mix_ppl_idx");
    QTest::newRow("7 numeric words") << 7 << QStringLiteral("num_ppl_idx");
    QTest::newRow("8 other words") << 8 << QStringLiteral("en_ppl_idx");
    QTest::newRow("9 out of range") << 9 << QStringLiteral("en_ppl_idx");
    QTest::newRow("100 out of range") << 100 << QStringLiteral("en_ppl_idx");
    QTest::newRow("-1 negative") << -1 << QStringLiteral("en_ppl_idx");
    QTest::newRow("INT_MIN negative") << std::numeric_limits<int>::min()
                                      << QStringLiteral("en_ppl_idx");
}

void TestVeFinderIndex::fieldTerm()
{
    QFETCH(int, type);
    QFETCH(QString, field);
    QCOMPARE(QString::fromWCharArray(TA::fieldTerm(static_cast<EnDocFindType>(type))), field);
}

void TestVeFinderIndex::copyKeepsLocationTable()
{
    VeFinder first;
    first.setPosIndex({{QStringLiteral("M1"), QStringLiteral("1A")},
                       {QStringLiteral("M2"), QStringLiteral("2")}});
    VeFinder constructed(first);
    VeFinder assigned;
    assigned = first;

    first.setPosIndex({{QStringLiteral("M1"), QStringLiteral("FF")}});

    QCOMPARE(positionsOf(first, m_valid, QStringLiteral("C1")), QStringLiteral("M1=255 M2=0"));
    QCOMPARE(positionsOf(constructed, m_valid, QStringLiteral("C1")),
             QStringLiteral("M1=26 M2=2"));
    QCOMPARE(positionsOf(assigned, m_valid, QStringLiteral("C1")), QStringLiteral("M1=26 M2=2"));

    // and the other way round: the copy's new table does not reach the original
    constructed.setPosIndex({});
    QCOMPARE(positionsOf(constructed, m_valid, QStringLiteral("C1")), QStringLiteral("M1=0 M2=0"));
    QCOMPARE(positionsOf(first, m_valid, QStringLiteral("C1")), QStringLiteral("M1=255 M2=0"));
}

void TestVeFinderIndex::copyCopiesEveryMember()
{
    RecordingObserver observer;
    VeFinder engine;
    engine.setObserver(&observer);
    TA::posIndex(engine).insert(QStringLiteral("M1"), QStringLiteral("10"));
    TA::sortWordMaps(engine) = {{{QStringLiteral("电缆"), 99.9}}};
    TA::lastText(engine) = QStringLiteral("电缆");
    TA::coreWordMap(engine) = {{2, {QStringLiteral("电缆")}}};
    TA::deepSearch(engine) = false;

    auto check = [&](VeFinder& copy) {
        QCOMPARE(TA::posIndex(copy), TA::posIndex(engine));
        QCOMPARE(TA::sortWordMaps(copy), TA::sortWordMaps(engine));
        QCOMPARE(TA::lastText(copy), TA::lastText(engine));
        QCOMPARE(TA::coreWordMap(copy), TA::coreWordMap(engine));
        QCOMPARE(TA::deepSearch(copy), false);
        QCOMPARE(copy.observer(), &observer);
    };
    VeFinder constructed(engine);
    check(constructed);
    VeFinder assigned;
    assigned = engine;
    check(assigned);
}

void TestVeFinderIndex::selfAssignment()
{
    VeFinder engine;
    engine.setPosIndex({{QStringLiteral("M1"), QStringLiteral("1A")}});
    TA::lastText(engine) = QStringLiteral("水泥");
    VeFinder& alias = engine;
    engine = alias;
    QCOMPARE(TA::lastText(engine), QStringLiteral("水泥"));
    QCOMPARE(positionsOf(engine, m_valid, QStringLiteral("C1")), QStringLiteral("M1=26 M2=0"));
}

void TestVeFinderIndex::getFieldValue_data()
{
    QTest::addColumn<QStringList>("values"); // stored values of field "f", in order
    QTest::addColumn<QString>("expected");

    QTest::newRow("field missing") << QStringList() << QString();
    QTest::newRow("one latin value") << QStringList{QStringLiteral("M-001")}
                                     << QStringLiteral("M-001");
    QTest::newRow("first of several values")
        << QStringList{QStringLiteral("first"), QStringLiteral("second")}
        << QStringLiteral("first");
    QTest::newRow("chinese value") << QStringList{QStringLiteral("镀锌钢管")}
                                   << QStringLiteral("镀锌钢管");
    QTest::newRow("character outside the BMP") << QStringList{QStringLiteral("𠀀铜芯")}
                                               << QStringLiteral("𠀀铜芯");
}

void TestVeFinderIndex::getFieldValue()
{
    QFETCH(QStringList, values);
    QFETCH(QString, expected);
    lucene::document::Document doc;
    doc.add(*_CLNEW lucene::document::Field(L"other", L"x",
                                            lucene::document::Field::STORE_YES
                                                | lucene::document::Field::INDEX_NO));
    for (const QString& v : values) {
        const std::wstring w = v.toStdWString();
        doc.add(*_CLNEW lucene::document::Field(L"f", w.c_str(),
                                                lucene::document::Field::STORE_YES
                                                    | lucene::document::Field::INDEX_NO));
    }
    QCOMPARE(TA::getFieldValue(doc, L"f"), expected);
}

void TestVeFinderIndex::storedValuesRoundTrip()
{
    // Stored values read back through the index, as the searches read them.
    const QString path = m_dir.filePath(QStringLiteral("roundtrip"));
    QVERIFY(writeTestIndex(path, {TestDoc(QStringLiteral("物料-01"))
                                      .code(QStringLiteral("K"))
                                      .withTitle(QStringLiteral("电力电缆"))
                                      .withSpec(QStringLiteral("YJV-3×2.5"))}));
    VeFinder engine;
    TA::OpenIndex index(engine, path);
    QVERIFY(index.valid());
    QList<VeDocInfo> docs;
    TA::BooleanQuery* query = TA::mkCodeQuery(QStringLiteral("K"));
    TA::setDocumentValue(engine, docs, QString(), index.searcher(), query);
    delete query;
    QCOMPARE(docs.size(), 1);
    QCOMPARE(docs.at(0).matId, QStringLiteral("物料-01"));
    QCOMPARE(docs.at(0).name, QStringLiteral("电力电缆"));
    QVERIFY(docs.at(0).score > 0.0);
}

void TestVeFinderIndex::badIndexPath_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("does not exist") << QStringLiteral("missing");
    QTest::newRow("empty directory") << QStringLiteral("emptydir");
    QTest::newRow("a plain file") << QStringLiteral("file");
    QTest::newRow("directory of unrelated files") << QStringLiteral("unrelated");
    QTest::newRow("directory without read permission") << QStringLiteral("unreadable");
    QTest::newRow("chinese path that does not exist") << QStringLiteral("chinese");
    QTest::newRow("empty path") << QStringLiteral("empty");
}

void TestVeFinderIndex::badIndexPath()
{
    QFETCH(QString, kind);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QString path;
    if (kind == QLatin1String("missing")) {
        path = tmp.filePath(QStringLiteral("nothing/here"));
    } else if (kind == QLatin1String("emptydir")) {
        path = tmp.path();
    } else if (kind == QLatin1String("file")) {
        path = tmp.filePath(QStringLiteral("index.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not an index\n");
    } else if (kind == QLatin1String("unrelated")) {
        path = tmp.path();
        QFile f(tmp.filePath(QStringLiteral("readme.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("hello\n");
    } else if (kind == QLatin1String("unreadable")) {
        if (::geteuid() == 0)
            QSKIP("running as root, which reads any directory whatever its permissions");
        path = tmp.filePath(QStringLiteral("locked"));
        QVERIFY(writeTestIndex(path, {TestDoc(QStringLiteral("X1")).code(QStringLiteral("C1"))}));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    } else if (kind == QLatin1String("chinese")) {
        path = tmp.filePath(QStringLiteral("索引/不存在"));
    }

    VeFinder engine;
    // the out-arguments stay as they were
    VeFinderTestAccess::IndexReader* reader = nullptr;
    VeFinderTestAccess::IndexSearcher* searcher = nullptr;
    QCOMPARE(TA::initSearcher(engine, reader, searcher, path), false);
    QCOMPARE(reader, nullptr);
    QCOMPARE(searcher, nullptr);

    QList<QStringList> groups{{QStringLiteral("stale")}};
    int foundCount = 12345;
    engine.quotaSearch(groups, QStringLiteral("C1"), QStringLiteral("钢管"),
                       QStringLiteral("DN25"), path, &foundCount, true);
    QVERIFY(groups.isEmpty());
    QCOMPARE(foundCount, 12345);

    QStringList ids{QStringLiteral("stale")};
    engine.normCodeSearch(ids, QStringLiteral("C1"), path);
    QVERIFY(ids.isEmpty());
    QVERIFY(TA::foundIds(engine).isEmpty());

    if (kind == QLatin1String("unreadable"))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                        | QFileDevice::ExeOwner);

    // the same engine searches a valid index in its next call
    engine.normCodeSearch(ids, QStringLiteral("C1"), m_valid);
    QCOMPARE(renderIds(ids), QStringLiteral("M1 M2"));
}

void TestVeFinderIndex::chinesePath()
{
    const QString path = m_dir.filePath(QStringLiteral("材料 索引"));
    QVERIFY(writeTestIndex(path, {TestDoc(QStringLiteral("Z1")).code(QStringLiteral("编码1"))}));
    VeFinder engine;
    QStringList ids;
    engine.normCodeSearch(ids, QStringLiteral("编码1"), path);
    QCOMPARE(renderIds(ids), QStringLiteral("Z1"));
}

void TestVeFinderIndex::exceptionAfterOpen_data()
{
    QTest::addColumn<QString>("entry");  // quotaSearch or normCodeSearch
    QTest::addColumn<QString>("step");   // step at which things go wrong
    QTest::addColumn<bool>("damage");    // true: damage the index; false: the observer throws

    QTest::newRow("quotaSearch, index damaged before the precise step")
        << QStringLiteral("quotaSearch") << QStringLiteral("precise") << true;
    QTest::newRow("quotaSearch, index damaged before the code step")
        << QStringLiteral("quotaSearch") << QStringLiteral("code") << true;
    QTest::newRow("quotaSearch, failure in the precise step")
        << QStringLiteral("quotaSearch") << QStringLiteral("precise") << false;
    QTest::newRow("quotaSearch, failure in the code step")
        << QStringLiteral("quotaSearch") << QStringLiteral("code") << false;
    QTest::newRow("normCodeSearch, index damaged")
        << QStringLiteral("normCodeSearch") << QStringLiteral("code") << true;
    QTest::newRow("normCodeSearch, failure in its step")
        << QStringLiteral("normCodeSearch") << QStringLiteral("code") << false;
}

// An exception after the open still reaches the caller, but the engine
// releases reader and searcher and forgets the ids of the broken call, so its
// next call works (leaks show up in the sanitizer build).
void TestVeFinderIndex::exceptionAfterOpen()
{
    QFETCH(QString, entry);
    QFETCH(QString, step);
    QFETCH(bool, damage);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    // Big enough that the postings and stored fields do not fit the reader's
    // first buffers, so a search has to read the (damaged) files.
    TestDocs docs;
    for (int i = 0; i < 3000; ++i) {
        docs << TestDoc(QStringLiteral("B%1").arg(i))
                    .code(QStringLiteral("BIG"))
                    .withTitle(QStringLiteral("镀锌钢管 第%1号").arg(i))
                    .withSpec(QStringLiteral("DN%1").arg(i));
    }
    const QString path = tmp.filePath(QStringLiteral("index"));
    QVERIFY(writeTestIndex(path, docs));

    RecordingObserver observer;
    observer.onQuery = [&](const QString& s, const QString&) {
        if (s != step)
            return;
        if (!damage)
            throw std::runtime_error("failure injected by the test");
        const QDir dir(path);
        for (const QString& name : dir.entryList(QDir::Files)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadWrite))
                f.resize(0);
        }
    };
    VeFinder engine;
    engine.setObserver(&observer);

    bool threw = false;
    try {
        if (entry == QLatin1String("quotaSearch")) {
            QList<QStringList> groups;
            engine.quotaSearch(groups, QStringLiteral("BIG"), QStringLiteral("镀锌钢管 第1号"),
                               QStringLiteral("DN1"), path, nullptr, false);
        } else {
            QStringList ids;
            engine.normCodeSearch(ids, QStringLiteral("BIG"), path);
        }
    } catch (const CLuceneError&) {
        threw = true;
        QVERIFY(damage);
    } catch (const std::runtime_error&) {
        threw = true;
        QVERIFY(!damage);
    }
    QVERIFY2(threw, "the failure did not reach the caller");
    QVERIFY(TA::foundIds(engine).isEmpty());
    QCOMPARE(QByteArray(TA::step(engine)), QByteArray());

    // the next call of the same engine works, on a valid index
    engine.setObserver(nullptr);
    QStringList ids;
    engine.normCodeSearch(ids, QStringLiteral("C1"), m_valid);
    QCOMPARE(renderIds(ids), QStringLiteral("M1 M2"));
    QList<QStringList> groups;
    engine.quotaSearch(groups, QStringLiteral("C1"), QStringLiteral("x"), QString(), m_valid,
                       nullptr, false);
    QVERIFY(groups.size() >= 2);
    QCOMPARE(renderGroups({groups.first(), groups.last()}), QStringLiteral("[] [M1 M2]"));
}

QTEST_GUILESS_MAIN(TestVeFinderIndex)
#include "tst_vefinderindex.moc"
