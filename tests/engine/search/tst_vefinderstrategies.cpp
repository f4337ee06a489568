/** @file tst_vefinderstrategies.cpp @brief The word strategies: required and allowed words, repeat suppression, word caps, the core-word walk. */
#include "searchtestutil.h"

#include "engine/vefinder.h"
#include "segment/wordsegment.h"

using Access = VeFinderTestAccess;

namespace {

/// Runs one of the four mixed-field strategies on @p input: the text itself
/// for the two that segment it, its space-separated words for the others.
QList<QStringList> runStrategy(VeFinder& f, Access::IndexSearcher* searcher,
                               const QString& strategy, const QString& input,
                               const QString& code, QStringList* queriedWords)
{
    const QStringList words = input.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (strategy == QLatin1String("matsetAll"))
        return Access::searchMatsetAll(f, searcher, input, code);
    if (strategy == QLatin1String("allMixPpl"))
        return Access::searchAllMixPpl(f, searcher, input, code, queriedWords);
    if (strategy == QLatin1String("rmEN"))
        return Access::searchRmEN(f, searcher, input, words, code, queriedWords);
    if (strategy == QLatin1String("onlyChs"))
        return Access::searchOnlyChs(f, searcher, input, words, code, queriedWords);
    qFatal("unknown strategy");
    return {};
}

QMap<int, QStringList> parseCoreWordMap(const QString& text)
{
    // "3:不锈钢 2:钢管,焊管"
    QMap<int, QStringList> map;
    for (const QString& entry : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int colon = entry.indexOf(QLatin1Char(':'));
        map[entry.left(colon).toInt()] =
            entry.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    return map;
}

} // namespace

class VeFinderStrategiesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void requiredAndAllowedWords_data();
    void requiredAndAllowedWords();
    void matsetAllReadings_data();
    void matsetAllReadings();
    void strategyHits_data();
    void strategyHits();
    void codeRestriction_data();
    void codeRestriction();
    void repeatSuppression_data();
    void repeatSuppression();
    void repeatAcrossStrategies();
    void allMixPplNeedsAsciiLetterOrDigit_data();
    void allMixPplNeedsAsciiLetterOrDigit();
    void wordCap_data();
    void wordCap();
    void longTextStaysWithinClauseLimit_data();
    void longTextStaysWithinClauseLimit();

    void coreWordWalk_data();
    void coreWordWalk();
    void coreWordInnerLayout_data();
    void coreWordInnerLayout();

private:
    ScratchIndex m_index;
};

void VeFinderStrategiesTest::initTestCase()
{
    const TestDocs docs = {
        // 2.5 and 3×4 across the strategies
        TestDoc(QStringLiteral("D1")).chsWords({QStringLiteral("电缆")}).numWords({QStringLiteral("2.5")}),
        TestDoc(QStringLiteral("D2")).chsWords({QStringLiteral("电缆")}),
        TestDoc(QStringLiteral("D3")).chsWords({QStringLiteral("电缆")}).numWords({QStringLiteral("3"), QStringLiteral("4")}),
        TestDoc(QStringLiteral("D4")).chsWords({QStringLiteral("电缆")}).numWords({QStringLiteral("3*4")}),
        // the readings of searchMatsetAll (白铁管 = 镀锌管, 钢管 = 铁管)
        TestDoc(QStringLiteral("DA")).chsWords({QStringLiteral("镀锌"), QStringLiteral("管")}),
        TestDoc(QStringLiteral("DB")).chsWords({QStringLiteral("镀锌"), QStringLiteral("管")}).mixWords({QStringLiteral("dn25")}),
        TestDoc(QStringLiteral("DC")).chsWords({QStringLiteral("镀锌"), QStringLiteral("铁管")}),
        // the core-word walk
        TestDoc(QStringLiteral("K1")).chsWords({QStringLiteral("钢管")}),
        TestDoc(QStringLiteral("K2")).chsWords({QStringLiteral("管")}),
        // held to a code
        TestDoc(QStringLiteral("C1")).code(QStringLiteral("CODE1")).words({QStringLiteral("阀门"), QStringLiteral("1")}),
        TestDoc(QStringLiteral("C2")).code(QStringLiteral("CODE2")).words({QStringLiteral("阀门"), QStringLiteral("1")}),
    };
    QVERIFY(m_index.write(docs));
}

void VeFinderStrategiesTest::requiredAndAllowedWords_data()
{
    QTest::addColumn<QString>("strategy");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("clauses");    // "+w" required, "w" allowed
    QTest::addColumn<QString>("remembered"); // the word list the repeat check keeps

    // A number with a dot only.
    QTest::newRow("2.5 allMixPpl: required") << "allMixPpl" << "电缆 2.5" << "+电缆 +2.5"
                                             << "电缆 2.5";
    QTest::newRow("2.5 rmEN: required") << "rmEN" << "电缆 2.5" << "+电缆 +2.5" << "电缆 2.5";
    QTest::newRow("2.5 onlyChs: allowed") << "onlyChs" << "电缆 2.5" << "+电缆 2.5" << "电缆";
    // Two numbers joined by a sign: allMixPpl sees 3*4 as one word (the
    // segmenter keeps "*" inside a token), rmEN and onlyChs get 3×4 as given.
    QTest::newRow("3*4 allMixPpl: pieces required") << "allMixPpl" << "电缆 3*4" << "+电缆 +3 +4"
                                                    << "电缆 3 4";
    QTest::newRow("3×4 rmEN: required whole") << "rmEN" << "电缆 3×4" << "+电缆 +3×4"
                                              << "电缆 3×4";
    QTest::newRow("3×4 onlyChs: word and pieces allowed") << "onlyChs" << "电缆 3×4"
                                                          << "+电缆 3×4 3 4" << "电缆";
    // Letters and digits mixed.
    QTest::newRow("dn25 allMixPpl: letter and digit pieces required")
        << "allMixPpl" << "管 dn25" << "+管 +dn +25" << "管 dn 25";
    QTest::newRow("dn25 rmEN: only the number piece") << "rmEN" << "管 dn25" << "+管 +25"
                                                      << "管 25";
    QTest::newRow("dn25 onlyChs: word and pieces allowed") << "onlyChs" << "管 dn25"
                                                           << "+管 dn25 dn 25" << "管";
    // A mixed word whose letter piece is an English core word.
    QTest::newRow("pvc20 allMixPpl") << "allMixPpl" << "管 pvc20" << "+管 +pvc +20"
                                     << "管 pvc 20";
    QTest::newRow("pvc20 rmEN: core piece kept") << "rmEN" << "管 pvc20" << "+管 +pvc +20"
                                                 << "管 pvc 20";
    QTest::newRow("pvc20 onlyChs: core piece required, not remembered")
        << "onlyChs" << "管 pvc20" << "+管 pvc20 +pvc 20" << "管";
    // An English core word is required whole everywhere.
    QTest::newRow("pvc allMixPpl") << "allMixPpl" << "pvc 管" << "+pvc +管" << "pvc 管";
    QTest::newRow("pvc rmEN") << "rmEN" << "pvc 管" << "+pvc +管" << "pvc 管";
    QTest::newRow("pvc onlyChs") << "onlyChs" << "pvc 管" << "+pvc +管" << "pvc 管";
    // Plain letters.
    QTest::newRow("abc allMixPpl: required") << "allMixPpl" << "管 abc" << "+管 +abc"
                                             << "管 abc";
    QTest::newRow("abc rmEN: dropped") << "rmEN" << "管 abc" << "+管" << "管";
    QTest::newRow("abc onlyChs: allowed") << "onlyChs" << "管 abc" << "+管 abc" << "管";
    // Digits only.
    QTest::newRow("100 allMixPpl") << "allMixPpl" << "管 100" << "+管 +100" << "管 100";
    QTest::newRow("100 rmEN") << "rmEN" << "管 100" << "+管 +100" << "管 100";
    QTest::newRow("100 onlyChs") << "onlyChs" << "管 100" << "+管 100" << "管";
    // Word order is kept.
    QTest::newRow("order kept") << "rmEN" << "100 管 2.5 电缆" << "+100 +管 +2.5 +电缆"
                                << "100 管 2.5 电缆";
}

void VeFinderStrategiesTest::requiredAndAllowedWords()
{
    QFETCH(QString, strategy);
    QFETCH(QString, input);
    QFETCH(QString, clauses);
    QFETCH(QString, remembered);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    QStringList queried;
    runStrategy(f, index.searcher(), strategy, input, QString(), &queried);

    QCOMPARE(observer.queries(),
             QStringList{QStringLiteral(": ") + wrapped(QString(), clausesText(clauses))});
    QCOMPARE(queried.join(QLatin1Char(' ')), remembered);
}

void VeFinderStrategiesTest::matsetAllReadings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("spaceParts");
    QTest::addColumn<QString>("segmented");

    QTest::newRow("no space: the part reading stays empty") << "白铁管" << "" << "白 铁管";
    QTest::newRow("two parts") << "白铁管 dn25" << "白铁管 dn25" << "白 铁管 dn25";
    QTest::newRow("spaces collapse, empty parts skipped") << " 镀锌钢管  dn25 "
                                                          << "镀锌钢管 dn25"
                                                          << "镀锌 钢管 dn25";
    QTest::newRow("repeated word segmented once") << "钢管 钢管" << "钢管 钢管" << "钢管";
}

void VeFinderStrategiesTest::matsetAllReadings()
{
    QFETCH(QString, text);
    QFETCH(QString, spaceParts);
    QFETCH(QString, segmented);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    Access::searchMatsetAll(f, index.searcher(), text, QString());

    const auto allRequired = [](const QString& words) {
        QStringList tokens;
        for (const QString& w : words.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            tokens << QLatin1Char('+') + w;
        return clausesText(tokens.join(QLatin1Char(' ')));
    };
    const QString whole = QStringLiteral("(+(") + wordQuery(text) + QStringLiteral("))");
    const QString parts = QLatin1Char('(') + allRequired(spaceParts) + QLatin1Char(')');
    const QString words = QLatin1Char('(') + allRequired(segmented) + QLatin1Char(')');
    QCOMPARE(observer.queries(),
             QStringList{QStringLiteral(": ")
                         + wrapped(QString(), whole + QLatin1Char(' ') + parts + QLatin1Char(' ')
                                       + words)});
}

void VeFinderStrategiesTest::strategyHits_data()
{
    QTest::addColumn<QString>("strategy");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("ids");

    QTest::newRow("allMixPpl requires 2.5") << "allMixPpl" << "电缆 2.5" << "D1";
    QTest::newRow("rmEN requires 2.5") << "rmEN" << "电缆 2.5" << "D1";
    QTest::newRow("onlyChs only scores 2.5") << "onlyChs" << "电缆 2.5" << "D1 D2 D3 D4";
    QTest::newRow("allMixPpl requires 3 and 4") << "allMixPpl" << "电缆 3*4" << "D3";
    QTest::newRow("rmEN requires 3×4 or 3*4 whole") << "rmEN" << "电缆 3×4" << "D4";
    QTest::newRow("onlyChs only scores 3×4") << "onlyChs" << "电缆 3×4" << "D1 D2 D3 D4";
    // searchMatsetAll: each reading alone reaches its own documents.
    QTest::newRow("matsetAll: the whole text through its synonym") << "matsetAll" << "白铁管"
                                                                   << "DA DB";
    QTest::newRow("matsetAll: the space parts through a part's synonym") << "matsetAll"
                                                                         << "白铁管 dn25"
                                                                         << "DB";
    QTest::newRow("matsetAll: the segmented words through a word's synonym") << "matsetAll"
                                                                             << "镀锌钢管"
                                                                             << "DC";
    QTest::newRow("no hit") << "rmEN" << "电缆 9" << "";
}

void VeFinderStrategiesTest::strategyHits()
{
    QFETCH(QString, strategy);
    QFETCH(QString, input);
    QFETCH(QString, ids);

    VeFinder f;
    Access::OpenIndex index(f, m_index.path());
    QVERIFY(index.valid());
    QStringList queried;
    const QList<QStringList> groups =
        runStrategy(f, index.searcher(), strategy, input, QString(), &queried);
    QCOMPARE(allIdsSorted(groups), ids);
    // Every delivered id is remembered for the later steps of the call.
    QStringList found = Access::foundIds(f).values();
    found.sort();
    QCOMPARE(found.join(QLatin1Char(' ')), ids);
}

void VeFinderStrategiesTest::codeRestriction_data()
{
    QTest::addColumn<QString>("strategy");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("ids");

    for (const char* strategy : {"matsetAll", "allMixPpl", "rmEN", "onlyChs"}) {
        const QString s = QString::fromLatin1(strategy);
        QTest::addRow("%s without code", strategy) << s << "" << "C1 C2";
        QTest::addRow("%s with code", strategy) << s << "CODE2" << "C2";
        QTest::addRow("%s with unknown code", strategy) << s << "CODE9" << "";
    }
}

void VeFinderStrategiesTest::codeRestriction()
{
    QFETCH(QString, strategy);
    QFETCH(QString, code);
    QFETCH(QString, ids);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    QStringList queried;
    const QList<QStringList> groups =
        runStrategy(f, index.searcher(), strategy, QStringLiteral("阀门 1"), code, &queried);
    QCOMPARE(allIdsSorted(groups), ids);
    QCOMPARE(observer.queries().size(), 1);
    // the code clause comes first, then the word query
    QVERIFY(observer.queries().first().startsWith(QStringLiteral(": ") + codeClause(code)
                                                  + QStringLiteral("+(")));
}

void VeFinderStrategiesTest::repeatSuppression_data()
{
    QTest::addColumn<QString>("strategy");
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("withList");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QStringList>("after");

    const QStringList cableWords = {QStringLiteral("电缆"), QStringLiteral("2.5")};
    QTest::newRow("allMixPpl: same words, skipped") << "allMixPpl" << "电缆 2.5" << true
                                                    << cableWords << false << cableWords;
    QTest::newRow("rmEN: same words, skipped") << "rmEN" << "电缆 2.5" << true << cableWords
                                               << false << cableWords;
    QTest::newRow("onlyChs: fewer required words, runs") << "onlyChs" << "电缆 2.5" << true
                                                         << cableWords << true
                                                         << QStringList{QStringLiteral("电缆")};
    QTest::newRow("onlyChs: same required words, skipped")
        << "onlyChs" << "电缆 2.5" << true << QStringList{QStringLiteral("电缆")} << false
        << QStringList{QStringLiteral("电缆")};
    QTest::newRow("rmEN: empty words and empty list, skipped") << "rmEN" << "abc" << true
                                                               << QStringList() << false
                                                               << QStringList();
    QTest::newRow("rmEN: empty words without a list, runs") << "rmEN" << "abc" << false
                                                            << QStringList() << true
                                                            << QStringList();
    QTest::newRow("rmEN: same words without a list, runs") << "rmEN" << "电缆 2.5" << false
                                                           << QStringList() << true
                                                           << QStringList();
    QTest::newRow("rmEN: letter case differs, runs")
        << "rmEN" << "pvc 管" << true << QStringList{QStringLiteral("PVC"), QStringLiteral("管")}
        << true << QStringList{QStringLiteral("pvc"), QStringLiteral("管")};
    QTest::newRow("allMixPpl: order differs, runs")
        << "allMixPpl" << "电缆 2.5" << true << QStringList{QStringLiteral("2.5"), QStringLiteral("电缆")}
        << true << cableWords;
    QTest::newRow("allMixPpl: one word more before, runs")
        << "allMixPpl" << "电缆 2.5" << true << (cableWords + QStringList{QStringLiteral("x")})
        << true << cableWords;
}

void VeFinderStrategiesTest::repeatSuppression()
{
    QFETCH(QString, strategy);
    QFETCH(QString, input);
    QFETCH(bool, withList);
    QFETCH(QStringList, before);
    QFETCH(bool, runs);
    QFETCH(QStringList, after);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    QStringList queried = before;
    const QList<QStringList> groups = runStrategy(f, index.searcher(), strategy, input, QString(),
                                                  withList ? &queried : nullptr);
    QCOMPARE(observer.queries().size(), runs ? 1 : 0);
    if (!runs)
        QVERIFY(groups.isEmpty());
    if (withList)
        QCOMPARE(queried, after);
    else
        QCOMPARE(queried, before);
}

void VeFinderStrategiesTest::repeatAcrossStrategies()
{
    // All words Chinese: onlyChs would require exactly what rmEN required.
    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    const QStringList words = {QStringLiteral("镀锌"), QStringLiteral("管")};
    const QString text = QStringLiteral("镀锌 管");
    QStringList queried;
    const QList<QStringList> first =
        Access::searchRmEN(f, index.searcher(), text, words, QString(), &queried);
    Access::foundIds(f).clear(); // the second run would find the same documents again
    const QList<QStringList> second =
        Access::searchOnlyChs(f, index.searcher(), text, words, QString(), &queried);
    QCOMPARE(allIdsSorted(first), QStringLiteral("DA DB"));
    QVERIFY(second.isEmpty());
    QCOMPARE(observer.queries().size(), 1);
    QCOMPARE(queried, words);
}

void VeFinderStrategiesTest::allMixPplNeedsAsciiLetterOrDigit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("runs");

    QTest::newRow("Chinese only") << "镀锌钢管" << false;
    QTest::newRow("Chinese and punctuation") << "钢管，（镀锌）、" << false;
    QTest::newRow("fullwidth letters") << "ＰＶＣ管" << false;
    QTest::newRow("fullwidth digits") << "管３号" << false;
    QTest::newRow("superscript two") << "管²" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("one ASCII letter") << "管a" << true;
    QTest::newRow("one ASCII digit") << "镀锌钢管 2" << true;
    QTest::newRow("capital letter") << "Z型钢" << true;
}

void VeFinderStrategiesTest::allMixPplNeedsAsciiLetterOrDigit()
{
    QFETCH(QString, text);
    QFETCH(bool, runs);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    const QStringList sentinel = {QStringLiteral("sentinel")};
    QStringList queried = sentinel;
    const QList<QStringList> groups =
        Access::searchAllMixPpl(f, index.searcher(), text, QString(), &queried);
    QCOMPARE(observer.queries().size(), runs ? 1 : 0);
    if (!runs) {
        QVERIFY(groups.isEmpty());
        QCOMPARE(queried, sentinel);
    } else {
        QVERIFY(queried != sentinel);
    }
}

void VeFinderStrategiesTest::wordCap_data()
{
    QTest::addColumn<QString>("strategy");
    QTest::addColumn<int>("terms"); // number terms the query holds

    // 1200 numbers; 1000 take part. searchMatsetAll reads them three times
    // (the whole text, the space parts, the segmented words); its space parts
    // are capped as well, or their query would hold more clauses than the
    // index library accepts and the search would fail.
    QTest::newRow("matsetAll, 1200 space parts") << "matsetAll" << 3000;
    QTest::newRow("allMixPpl") << "allMixPpl" << 1000;
    QTest::newRow("rmEN") << "rmEN" << 1000;
    QTest::newRow("onlyChs") << "onlyChs" << 1000;
}

void VeFinderStrategiesTest::wordCap()
{
    QFETCH(QString, strategy);
    QFETCH(int, terms);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    const QString text = numberWords(1200).join(QLatin1Char(' '));
    runStrategy(f, index.searcher(), strategy, text, QString(), nullptr);

    QCOMPARE(observer.queries().size(), 1);
    const QString query = observer.queries().first();
    QCOMPARE(occurrences(query, QStringLiteral("num_ppl_idx:")), terms);
    QVERIFY(query.contains(QStringLiteral("num_ppl_idx:1000)")));
    QVERIFY(!query.contains(QStringLiteral("num_ppl_idx:1001)")));
}

void VeFinderStrategiesTest::longTextStaysWithinClauseLimit_data()
{
    QTest::addColumn<QString>("strategy");
    QTest::addColumn<QString>("text");

    // 700 mixed words give 1400 pieces; 1100 bare numbers give 1100 rest words.
    QStringList mixed;
    for (int i = 1; i <= 700; ++i)
        mixed << QStringLiteral("a") + QString::number(i);
    QTest::newRow("allMixPpl: pieces of 700 mixed words")
        << "allMixPpl" << mixed.join(QLatin1Char(' '));
    QTest::newRow("onlyChs: 700 mixed words and their pieces")
        << "onlyChs" << mixed.join(QLatin1Char(' '));
    QTest::newRow("coreWordInner: 1100 rest words")
        << "coreWordInner" << numberWords(1100).join(QLatin1Char(' '));
}

void VeFinderStrategiesTest::longTextStaysWithinClauseLimit()
{
    QFETCH(QString, strategy);
    QFETCH(QString, text);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    try {
        if (strategy == QLatin1String("coreWordInner"))
            Access::searchCoreWordInner(f, index.searcher(), text, {}, {QStringLiteral("管")},
                                        QString());
        else
            runStrategy(f, index.searcher(), strategy, text, QString(), nullptr);
    } catch (CLuceneError& e) {
        QFAIL(e.what());
    }
    QCOMPARE(observer.queries().size(), 1);
    const QString query = observer.queries().first();
    const int clauses = occurrences(query, QStringLiteral("_ppl_idx:"));
    // the first words take part, as many as one query can hold
    QCOMPARE(clauses, int(lucene::search::BooleanQuery::getMaxClauseCount()));
    QVERIFY(query.contains(QStringLiteral("num_ppl_idx:1)")));
}

void VeFinderStrategiesTest::coreWordWalk_data()
{
    QTest::addColumn<QString>("coreWords"); // the engine's core-word map
    QTest::addColumn<bool>("recompute");
    QTest::addColumn<bool>("foundBefore");
    QTest::addColumn<int>("queries");
    QTest::addColumn<QString>("ids");

    // Text 不锈钢钢管. Nobody holds 不锈钢, K1 holds 钢管 and DC its synonym
    // 铁管, K2 (with DA, DB) holds 管.
    QTest::newRow("keys 3 2 1, group 2 hits first: group 1 never runs")
        << "3:不锈钢 2:钢管 1:管" << false << false << 2 << "DC K1";
    QTest::newRow("no group before the last hits: all run")
        << "3:不锈钢 2:无缝 1:管" << false << false << 3 << "DA DB K2";
    QTest::newRow("nothing hits: every group runs, empty result")
        << "3:不锈钢 2:无缝" << false << false << 2 << "";
    QTest::newRow("found before the walk: only the longest group runs")
        << "3:不锈钢 2:钢管 1:管" << false << true << 1 << "";
    QTest::newRow("found before, longest group hits") << "2:钢管 1:管" << false << true << 1
                                                      << "DC K1";
    QTest::newRow("empty map: no query") << "" << false << false << 0 << "";
    // Recomputed from the lexicon (不锈钢, 钢管, 管), the stored map is ignored.
    QTest::newRow("recomputed core words") << "1:无缝" << true << false << 2 << "DC K1";
}

void VeFinderStrategiesTest::coreWordWalk()
{
    QFETCH(QString, coreWords);
    QFETCH(bool, recompute);
    QFETCH(bool, foundBefore);
    QFETCH(int, queries);
    QFETCH(QString, ids);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    const QMap<int, QStringList> stored = parseCoreWordMap(coreWords);
    Access::coreWordMap(f) = stored;
    if (foundBefore)
        Access::foundIds(f).insert(QStringLiteral("earlier"));
    const QString text = QStringLiteral("不锈钢钢管");
    const QList<QStringList> groups = Access::searchCoreWord(
        f, index.searcher(), text, WordSegment::segmentText(text, true), QString(), recompute);

    QCOMPARE(observer.queries().size(), queries);
    QCOMPARE(allIdsSorted(groups), ids);
    QCOMPARE(Access::coreWordMap(f), stored); // the stored map is never changed
}

void VeFinderStrategiesTest::coreWordInnerLayout_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("enWords");
    QTest::addColumn<QStringList>("groupWords");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("group"); // clauses of the group query
    QTest::addColumn<QString>("rest");  // clauses after the group: English core words, rest words
    QTest::addColumn<bool>("runs");

    const QStringList none;
    QTest::newRow("core word only scores, rest word only scores")
        << "镀锌钢管" << none << QStringList{QStringLiteral("钢管")} << "" << "钢管" << "镀锌"
        << true;
    QTest::newRow("core word holding an English core word is required")
        << "pvc管材" << none << QStringList{QStringLiteral("pvc管")} << "" << "+pvc管" << "材"
        << true;
    QTest::newRow("core word twice in the text is removed twice")
        << "钢管钢管dn25" << none << QStringList{QStringLiteral("钢管")} << "" << "钢管"
        << "dn25 dn 25" << true;
    QTest::newRow("core word in another letter case stays in the rest")
        << "ABC钢管" << none << QStringList{QStringLiteral("abc")} << "" << "abc" << "abc 钢管"
        << true;
    QTest::newRow("core word in the same letter case is removed")
        << "abc钢管" << none << QStringList{QStringLiteral("abc")} << "" << "abc" << "钢管"
        << true;
    QTest::newRow("English core words of the text are required")
        << "pvc 钢管" << QStringList{QStringLiteral("pvc")} << QStringList{QStringLiteral("钢管")}
        << "" << "钢管" << "+pvc +pvc" << true;
    // Nothing left of the text: the segmenter hands the empty text back as its word.
    QTest::newRow("two core words, group order kept, nothing left")
        << "不锈钢钢管" << none << QStringList{QStringLiteral("钢管"), QStringLiteral("不锈钢")}
        << "" << "钢管 不锈钢" << "''" << true;
    QTest::newRow("empty group, English core word in the rest: runs")
        << "pvc管" << none << none << "" << "" << "+pvc 管" << true;
    QTest::newRow("empty group, English core piece of a mixed rest word: runs")
        << "pvc20" << none << none << "" << "" << "pvc20 +pvc 20" << true;
    QTest::newRow("empty group, no English core word: no query")
        << "镀锌钢管" << none << none << "" << "" << "" << false;
    QTest::newRow("empty group, English core only among the text's words: no query")
        << "镀锌钢管" << QStringList{QStringLiteral("pvc")} << none << "" << "" << "" << false;
    QTest::newRow("held to a code") << "镀锌钢管" << none << QStringList{QStringLiteral("钢管")}
                                    << "CODE1" << "钢管" << "镀锌" << true;
}

void VeFinderStrategiesTest::coreWordInnerLayout()
{
    QFETCH(QString, text);
    QFETCH(QStringList, enWords);
    QFETCH(QStringList, groupWords);
    QFETCH(QString, code);
    QFETCH(QString, group);
    QFETCH(QString, rest);
    QFETCH(bool, runs);

    ObservedSearch search(m_index.path());
    auto& [f, observer, index] = search;
    QVERIFY(index.valid());
    const QList<QStringList> groups =
        Access::searchCoreWordInner(f, index.searcher(), text, enWords, groupWords, code);
    if (!runs) {
        QVERIFY(observer.queries().isEmpty());
        QVERIFY(groups.isEmpty());
        return;
    }
    QCOMPARE(observer.queries().size(), 1);
    QString expected = codeClause(code) + QStringLiteral("+(") + clausesText(group)
            + QLatin1Char(')');
    if (!rest.isEmpty())
        expected += QLatin1Char(' ') + clausesText(rest);
    QCOMPARE(observer.queries().first(), QStringLiteral(": ") + expected);
}

QTEST_GUILESS_MAIN(VeFinderStrategiesTest)
#include "tst_vefinderstrategies.moc"
