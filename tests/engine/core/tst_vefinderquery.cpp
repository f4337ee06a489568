/** @file tst_vefinderquery.cpp @brief Tests of the code queries and the equivalent-word query, by their text form and by what they find. */
#include "segment/wordsegment.h"
#include "testindex.h"
#include "vefindertestaccess.h"

#include <QtTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

#include <memory>

using TA = VeFinderTestAccess;
using lucene::search::BooleanClause;
using lucene::search::BooleanQuery;

namespace {

/// "MUST BooleanQuery(MUST TermQuery)": the clause kinds and query classes of
/// a boolean query, nested queries in parentheses.
QString structure(const lucene::search::Query* query)
{
    const auto* boolean = dynamic_cast<const BooleanQuery*>(query);
    if (!boolean)
        return QString::fromLatin1(query->getObjectName());
    std::vector<BooleanClause*> clauses(boolean->getClauseCount());
    boolean->getClauses(clauses.data());
    QStringList parts;
    for (const BooleanClause* c : clauses) {
        const QString occur = c->getOccur() == BooleanClause::MUST
            ? QStringLiteral("MUST")
            : c->getOccur() == BooleanClause::SHOULD ? QStringLiteral("SHOULD")
                                                     : QStringLiteral("MUST_NOT");
        parts << occur + QLatin1Char(' ') + structure(c->getQuery());
    }
    return QStringLiteral("BooleanQuery(") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

} // namespace

class TestVeFinderQuery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void codeQuery_data();
    void codeQuery();
    void booleanQuery_data();
    void booleanQuery();
    void coordinationOn();

    void wordQuery_data();
    void wordQuery();
    void wordQueryCap();
    void wordQueryManyEquivalents();
    void wordQueryFinds_data();
    void wordQueryFinds();

private:
    QTemporaryDir m_dir;
    QString m_index;
};

void TestVeFinderQuery::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_index = m_dir.filePath(QStringLiteral("codes"));
    QVERIFY(writeTestIndex(
        m_index,
        {TestDoc(QStringLiteral("A1")).code(QStringLiteral("ABC")),
         TestDoc(QStringLiteral("A2")).code(QStringLiteral("abc")),
         TestDoc(QStringLiteral("A3")).code(QStringLiteral("a b")),
         TestDoc(QStringLiteral("A5")).code(QStringLiteral("镀锌钢管")),
         // word documents
         TestDoc(QStringLiteral("W1")).chsWords({QStringLiteral("电力"), QStringLiteral("电缆")}),
         TestDoc(QStringLiteral("W2")).chsWords({QStringLiteral("电线")}),
         TestDoc(QStringLiteral("W3")).chsWords({QStringLiteral("电力")}),
         TestDoc(QStringLiteral("W4")).chsWords({QStringLiteral("电缆")}).mixWords(
             {QStringLiteral("yjv22")})}));
}

void TestVeFinderQuery::codeQuery_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("finds");

    QTest::newRow("capital letters kept") << QStringLiteral("ABC")
                                          << QStringLiteral("+code_fvl_idx:ABC")
                                          << QStringLiteral("A1");
    QTest::newRow("lower case is another code") << QStringLiteral("abc")
                                                << QStringLiteral("+code_fvl_idx:abc")
                                                << QStringLiteral("A2");
    QTest::newRow("inner space kept, not tokenized")
        << QStringLiteral("a b") << QStringLiteral("+code_fvl_idx:a b") << QStringLiteral("A3");
    QTest::newRow("surrounding spaces kept, so nothing found")
        << QStringLiteral(" ABC ") << QStringLiteral("+code_fvl_idx: ABC ") << QString();
    QTest::newRow("chinese") << QStringLiteral("镀锌钢管") << QStringLiteral("+code_fvl_idx:镀锌钢管")
                             << QStringLiteral("A5");
    // one wide character for the pair (the text form would show replacement
    // characters otherwise); the index library cannot store such characters,
    // so no entry holds it
    QTest::newRow("character outside the BMP, surrogate pair joined")
        << QStringLiteral("𠀀x") << QStringLiteral("+code_fvl_idx:𠀀x") << QString();
    QTest::newRow("empty code") << QString() << QStringLiteral("+code_fvl_idx:") << QString();
}

void TestVeFinderQuery::codeQuery()
{
    QFETCH(QString, code);
    QFETCH(QString, text);
    QFETCH(QString, finds);
    BooleanQuery* query = TA::mkCodeQuery(code);
    QCOMPARE(queryText(query), text);
    QCOMPARE(structure(query), QStringLiteral("BooleanQuery(MUST TermQuery)"));
    VeFinder engine;
    TA::OpenIndex index(engine, m_index);
    QVERIFY(index.valid());
    QCOMPARE(renderIds(TA::addMatIdsNormal(engine, index.searcher(), query)), finds);
}

void TestVeFinderQuery::booleanQuery_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("finds");

    QTest::newRow("empty code: no clause, finds nothing")
        << QString() << QString() << QStringLiteral("BooleanQuery()") << QString();
    QTest::newRow("code wrapped in a code query")
        << QStringLiteral("ABC") << QStringLiteral("+(+code_fvl_idx:ABC)")
        << QStringLiteral("BooleanQuery(MUST BooleanQuery(MUST TermQuery))")
        << QStringLiteral("A1");
    QTest::newRow("a space is not empty") << QStringLiteral(" ")
                                          << QStringLiteral("+(+code_fvl_idx: )")
                                          << QStringLiteral("BooleanQuery(MUST BooleanQuery(MUST TermQuery))")
                                          << QString();
}

void TestVeFinderQuery::booleanQuery()
{
    QFETCH(QString, code);
    QFETCH(QString, text);
    QFETCH(QString, shape);
    QFETCH(QString, finds);
    BooleanQuery* query = TA::mkBooleanQuery(code);
    QCOMPARE(queryText(query), text);
    QCOMPARE(structure(query), shape);
    VeFinder engine;
    TA::OpenIndex index(engine, m_index);
    QVERIFY(index.valid());
    QCOMPARE(renderIds(TA::addMatIdsNormal(engine, index.searcher(), query)), finds);
}

// Every boolean query keeps the coordination factor.
void TestVeFinderQuery::coordinationOn()
{
    std::unique_ptr<BooleanQuery> code(TA::mkCodeQuery(QStringLiteral("X")));
    std::unique_ptr<BooleanQuery> wrapped(TA::mkBooleanQuery(QStringLiteral("X")));
    std::unique_ptr<BooleanQuery> words(TA::mkWordPplQuery(QStringLiteral("电缆")));
    QVERIFY(!code->isCoordDisabled());
    QVERIFY(!wrapped->isCoordDisabled());
    QVERIFY(!words->isCoordDisabled());
    std::vector<BooleanClause*> clauses(words->getClauseCount());
    words->getClauses(clauses.data());
    for (const BooleanClause* c : clauses)
        QVERIFY(!static_cast<BooleanQuery*>(c->getQuery())->isCoordDisabled());
}

void TestVeFinderQuery::wordQuery_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    // The test lexicons make 电缆, 电线 and 电力电缆 synonyms; the equivalents
    // come in the map's key order, each as one SHOULD conjunction of its words.
    QTest::newRow("one SHOULD clause per equivalent, same word in two of them")
        << QStringLiteral("电缆")
        << QStringLiteral("(+chs_ppl_idx:电力 +chs_ppl_idx:电缆) (+chs_ppl_idx:电线) "
                          "(+chs_ppl_idx:电缆)");
    QTest::newRow("word without equivalents") << QStringLiteral("钢管")
                                              << QStringLiteral("(+chs_ppl_idx:钢管)");
    QTest::newRow("letters and digits go to the mixed field")
        << QStringLiteral("yjv22") << QStringLiteral("(+mix_ppl_idx:yjv22)");
    QTest::newRow("a decimal number goes to the numeric field")
        << QStringLiteral("2.5") << QStringLiteral("(+num_ppl_idx:2.5)");
    QTest::newRow("digits go to the numeric field") << QStringLiteral("25")
                                                    << QStringLiteral("(+num_ppl_idx:25)");
    QTest::newRow("letters go to the other field") << QStringLiteral("pvc")
                                                   << QStringLiteral("(+en_ppl_idx:pvc)");
}

void TestVeFinderQuery::wordQuery()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    std::unique_ptr<BooleanQuery> query(TA::mkWordPplQuery(text));
    QCOMPARE(queryText(query.get()), expected);
}

// Only the first 1000 words of an equivalent go into its conjunction.
void TestVeFinderQuery::wordQueryCap()
{
    // 1300 distinct words of Latin letters: w + the number in base 26, digits a to z
    QStringList typed;
    for (int i = 0; i < 1300; ++i) {
        QString word;
        for (int n = i; word.isEmpty() || n > 0; n /= 26)
            word.prepend(QChar(u'a' + n % 26));
        typed << QStringLiteral("w") + word;
    }
    const QString text = typed.join(QLatin1Char(' '));
    // the words the query is built from are those the segmenter gives
    const QStringList words = WordSegment::instance()->segmentText(text, true);
    QVERIFY2(words.size() > 1100, qPrintable(QString::number(words.size())));

    std::unique_ptr<BooleanQuery> query(TA::mkWordPplQuery(text));
    QCOMPARE(query->getClauseCount(), size_t(1));
    BooleanClause* clause = nullptr;
    query->getClauses(&clause);
    QCOMPARE(clause->getOccur(), BooleanClause::SHOULD);
    const auto* inner = static_cast<const BooleanQuery*>(clause->getQuery());
    QCOMPARE(inner->getClauseCount(), size_t(1000));

    QStringList expected;
    for (int i = 0; i < 1000; ++i)
        expected << QStringLiteral("+en_ppl_idx:") + words.at(i);
    QCOMPARE(queryText(inner), expected.join(QLatin1Char(' ')));
}

// A word with more equivalents than one boolean query may hold (the test
// lexicons give eqaaa 1100): the query keeps the first names in key order
// instead of failing the whole search with an exception.
void TestVeFinderQuery::wordQueryManyEquivalents()
{
    const size_t limit = BooleanQuery::getMaxClauseCount();
    QCOMPARE(limit, size_t(1024));
    std::unique_ptr<BooleanQuery> query;
    try {
        query.reset(TA::mkWordPplQuery(QStringLiteral("eqaaa")));
    } catch (CLuceneError& e) {
        QFAIL(e.what());
    }
    QCOMPARE(query->getClauseCount(), limit);
    std::vector<BooleanClause*> clauses(limit);
    query->getClauses(clauses.data());
    QCOMPARE(queryText(clauses.front()->getQuery()), QStringLiteral("+en_ppl_idx:eqaaa"));
    // eqaaa + 1023 in base 26 is eqbnj, the last name kept
    QCOMPARE(queryText(clauses.back()->getQuery()), QStringLiteral("+en_ppl_idx:eqbnj"));

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeTestIndex(tmp.path(), {TestDoc(QStringLiteral("E1")).enWords({QStringLiteral("eqbnj")}),
                                        TestDoc(QStringLiteral("E2")).enWords({QStringLiteral("eqbnk")})}));
    VeFinder engine;
    TA::OpenIndex index(engine, tmp.path());
    QVERIFY(index.valid());
    QCOMPARE(renderIds(TA::addMatIdsNormal(engine, index.searcher(), query.release())),
             QStringLiteral("E1"));
}

void TestVeFinderQuery::wordQueryFinds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // ids, sorted

    // W3 holds 电力 only: one word of the two-word equivalent is not enough
    QTest::newRow("an entry matches when it holds all words of one equivalent")
        << QStringLiteral("电缆") << QStringLiteral("W1 W2 W4");
    QTest::newRow("mixed word found in its own field") << QStringLiteral("yjv22")
                                                       << QStringLiteral("W4");
}

void TestVeFinderQuery::wordQueryFinds()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    VeFinder engine;
    TA::OpenIndex index(engine, m_index);
    QVERIFY(index.valid());
    QStringList ids = TA::addMatIdsNormal(engine, index.searcher(), TA::mkWordPplQuery(text));
    ids.sort();
    QCOMPARE(renderIds(ids), expected);
}

QTEST_GUILESS_MAIN(TestVeFinderQuery)
#include "tst_vefinderquery.moc"
