/** @file tst_searchhits.cpp @brief Tests that searching through SearchHits finds the same hits, scores and order as the plain search, and frees every scorer. */
#include "engine/searchhits_p.h"
#include "testindex.h"

#include <QtTest>

#include <memory>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define VEFINDER_LEAK_CHECK 1
#endif

using lucene::index::IndexReader;
using lucene::search::BooleanClause;
using lucene::search::BooleanQuery;
using lucene::search::Hits;
using lucene::search::IndexSearcher;
using lucene::search::Query;

namespace {

const wchar_t kField[] = L"chs_ppl_idx";

/// Reads a boolean query written the way the index library prints one:
/// clauses separated by spaces, "+" marks a required clause, "( ... )" a
/// nested boolean query, anything else is a word of the Chinese word field.
class QueryReader
{
public:
    explicit QueryReader(const QString& text) : m_tokens(tokenize(text)) {}

    Query* read()
    {
        std::unique_ptr<BooleanQuery> query(readClauses());
        return m_pos == m_tokens.size() ? query.release() : nullptr;
    }

private:
    static QStringList tokenize(QString text)
    {
        text.replace(QLatin1Char('('), QStringLiteral(" ( "));
        text.replace(QLatin1Char(')'), QStringLiteral(" ) "));
        text.replace(QStringLiteral("+ ("), QStringLiteral("+("));
        return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }

    BooleanQuery* readClauses()
    {
        std::unique_ptr<BooleanQuery> query(_CLNEW BooleanQuery(false));
        while (m_pos < m_tokens.size() && m_tokens.at(m_pos) != QLatin1String(")")) {
            QString token = m_tokens.at(m_pos++);
            const bool required = token.startsWith(QLatin1Char('+'));
            if (required)
                token.remove(0, 1);
            Query* part = nullptr;
            if (token == QLatin1String("(")) {
                part = readClauses();
                if (m_pos < m_tokens.size())
                    ++m_pos; // ")"
            } else {
                const std::wstring word = token.toStdWString();
                auto* term = _CLNEW lucene::index::Term(kField, word.c_str());
                part = _CLNEW lucene::search::TermQuery(term);
                _CLDECDELETE(term);
            }
            query->add(part, true, required ? BooleanClause::MUST : BooleanClause::SHOULD);
        }
        return query.release();
    }

    QStringList m_tokens;
    int m_pos = 0;
};

/// "id:score id:score ...": every hit in order, its score with all the
/// digits a float holds, so that any change of score or order shows.
QString render(Hits& hits)
{
    QStringList parts;
    for (size_t i = 0; i < hits.length(); ++i) {
        const int32_t n = static_cast<int32_t>(i);
        lucene::document::Document& doc = hits.doc(n);
        const wchar_t* id = doc.get(L"mat_id");
        parts << QString::fromWCharArray(id ? id : L"?") + QLatin1Char(':')
                     + QString::number(static_cast<double>(hits.score(n)), 'g', 9);
    }
    return parts.join(QLatin1Char(' '));
}

/// The ids of the rendering, sorted.
QString sortedIds(const QString& rendering)
{
    QStringList ids;
    for (const QString& part : rendering.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        ids << part.section(QLatin1Char(':'), 0, 0);
    ids.sort();
    return ids.join(QLatin1Char(' '));
}

/// The plain search of the index library. Some of these queries make it
/// leak; the sanitizer runs suppress leaks under this function's name only.
QString referenceSearchLeakingScorers(IndexSearcher* searcher, Query* query)
{
    std::unique_ptr<Hits> hits(searcher->search(query));
    return render(*hits);
}

TestDoc doc(const char* id, const char* words)
{
    return TestDoc(QString::fromUtf8(id))
        .chsWords(QString::fromUtf8(words).split(QLatin1Char(' '), Qt::SkipEmptyParts));
}

} // namespace

class TestSearchHits : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void sameHitsAsPlainSearch_data();
    void sameHitsAsPlainSearch();

private:
    QTemporaryDir m_dir;
    IndexReader* m_reader = nullptr;
    IndexSearcher* m_searcher = nullptr;
};

void TestSearchHits::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Documents repeat words so that term frequencies, norms and the
    // coordination factor all differ between documents.
    const TestDocs docs = {
        doc("D0", "镀锌 钢管"),
        doc("D1", "镀锌 无缝 钢管"),
        doc("D2", "焊接 钢管"),
        doc("D3", "铜芯 电缆 电力"),
        doc("D4", "镀锌 焊接 钢管 球阀"),
        doc("D5", "无缝 钢管 钢管 dn80"),
        doc("D6", "球阀 dn80 铸铁"),
        doc("D7", "镀锌 镀锌 钢管 dn25 无缝"),
    };
    QString error;
    QVERIFY2(writeTestIndex(m_dir.path(), docs, &error), qPrintable(error));
    m_reader = IndexReader::open(m_dir.path().toLocal8Bit().constData());
    m_searcher = _CLNEW IndexSearcher(m_reader);
}

void TestSearchHits::cleanupTestCase()
{
    if (m_searcher) {
        m_searcher->close();
        _CLDELETE(m_searcher);
    }
    if (m_reader) {
        m_reader->close();
        _CLDELETE(m_reader);
    }
}

void TestSearchHits::sameHitsAsPlainSearch_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("ids");      // the documents found, sorted
    QTest::addColumn<bool>("guarded");     // a guarded copy is searched

    // Shapes where the plain search leaks: a nested boolean scorer that is
    // never advanced.
    QTest::newRow("conjunction stops at a missing word before a nested group")
        << "+(+((+铁管)) +((+镀锌 +无缝)))" << "" << true;
    QTest::newRow("missing word first, nested group second")
        << "+铁管 +(+镀锌 +无缝)" << "" << true;
    QTest::newRow("two nested groups that never meet")
        << "+(+焊接 +球阀) +(+无缝 +dn80)" << "" << true;
    QTest::newRow("optional group beside a required part that matches nothing")
        << "+铁管 (+镀锌 +钢管)" << "" << true;
    QTest::newRow("optional group never scored: the outer conjunction fails")
        << "+(+钢管 (+镀锌 +无缝)) +铜芯" << "" << true;
    QTest::newRow("every word missing") << "+(+铁管 +铜管) +(+镀锌 +铝管)" << "" << true;

    // Shapes that match, with coordination over optional clauses.
    QTest::newRow("matching first clause, nested group second")
        << "+(+钢管) +(+镀锌 +无缝)" << "D1 D7" << true;
    QTest::newRow("required word, optional words and an optional group")
        << "+钢管 镀锌 无缝 (+焊接 +球阀)" << "D0 D1 D2 D4 D5 D7" << true;
    QTest::newRow("optional groups only")
        << "(+镀锌 +无缝) (+焊接 +钢管) 铜芯 dn80" << "D1 D2 D3 D4 D5 D6 D7" << true;
    QTest::newRow("deep nesting with mixed script words")
        << "+(+钢管 (镀锌 (+无缝 dn25))) (球阀 dn80)" << "D0 D1 D2 D4 D5 D7" << true;
    QTest::newRow("optional group with a missing word")
        << "+钢管 (+铁管 +镀锌) 无缝" << "D0 D1 D2 D4 D5 D7" << true;

    // A query that rewrites to a single word is searched as it is.
    QTest::newRow("single word") << "+钢管" << "D0 D1 D2 D4 D5 D7" << false;
    QTest::newRow("single word in nested groups") << "+((+(+dn80)))" << "D5 D6" << false;
}

void TestSearchHits::sameHitsAsPlainSearch()
{
    QFETCH(QString, query);
    QFETCH(QString, ids);
    QFETCH(bool, guarded);

    std::unique_ptr<Query> parsed(QueryReader(query).read());
    QVERIFY(parsed);
    QCOMPARE(queryText(parsed.get()).remove(QStringLiteral("chs_ppl_idx:")), query);

    QString found;
    {
        vefinder::SearchHits hits(m_searcher, parsed.get());
        QCOMPARE(hits.searchedQuery() != parsed.get(), guarded);
        found = render(*hits);
    }
#ifdef VEFINDER_LEAK_CHECK
    // Everything of the guarded search is freed by now.
    QCOMPARE(__lsan_do_recoverable_leak_check(), 0);
#endif
    QCOMPARE(sortedIds(found), ids);
    QCOMPARE(found, referenceSearchLeakingScorers(m_searcher, parsed.get()));

    // The guarded copy is the rewritten query, part for part.
    std::unique_ptr<Query> copy(vefinder::SearchHits::guardedCopy(m_searcher, parsed.get()));
    QCOMPARE(copy != nullptr, guarded);
    if (copy) {
        Query* rewritten = m_searcher->rewrite(parsed.get());
        const QString expected = queryText(rewritten);
        if (rewritten != parsed.get())
            _CLLDELETE(rewritten);
        QCOMPARE(queryText(copy.get()), expected);
    }
}

QTEST_GUILESS_MAIN(TestSearchHits)
#include "tst_searchhits.moc"
