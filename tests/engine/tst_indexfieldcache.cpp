/** @file tst_indexfieldcache.cpp @brief What is kept per index version and the fast paths on it: replaced indexes are read anew, index directories are listed and their files read as CLucene lists and reads them, concurrent searches agree with serial ones, scoring on kept postings equals CLucene's, the keyed ranking sort equals the comparator's. */
#include "analysis/indexfields.h"
#include "engine/hitranking_p.h"
#include "engine/indexdirectory_p.h"
#include "engine/postingcache_p.h"
#include "engine/searchhits_p.h"
#include "engine/vefinder.h"
#include "engine/vefinder_p.h"
#include "engine/vesearchobserver.h"
#include "testindex.h"

#include <QRandomGenerator>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

/// Entries under the code "C" holding the word 电缆, titled by @p titles ("id title,...").
TestDocs cableDocs(const QString& titles)
{
    TestDocs docs;
    for (const QString& entry : titles.split(','))
        docs << TestDoc(entry.section(' ', 0, 0))
                    .code("C")
                    .withTitle(entry.section(' ', 1))
                    .chsWords({"电缆"});
    return docs;
}

/// segmentSearch of @p text, then normCodeSearch of @p code, as one string.
QString searchOf(VeFinder& engine, const QString& index, const QString& text = "电缆",
                 const QString& code = "C")
{
    QList<QStringList> groups;
    engine.segmentSearch(groups, text, index, true);
    QStringList ids;
    engine.normCodeSearch(ids, code, index);
    return renderGroups(groups) + " code: " + ids.join(' ');
}

/// A random query over @p words of the Chinese word field: nested boolean
/// queries of required, optional and (rarely) prohibited clauses, some empty,
/// some boosted, down to @p depth levels. A prohibited clause never comes
/// first, so no query is prohibited clauses alone: CLucene leaks the scorers
/// of those.
lucene::search::Query* randomQuery(QRandomGenerator& random, const QStringList& words, int depth)
{
    using lucene::search::BooleanClause;
    if (depth == 0 || random.bounded(10) < 3) {
        lucene::search::Query* term = vefinder::newTermQuery(
            IndexFields::ChsWords, words.at(random.bounded(words.size())));
        if (random.bounded(10) == 0)
            term->setBoost(2.5f);
        return term;
    }
    auto* boolean = _CLNEW lucene::search::BooleanQuery(false);
    const int clauses = random.bounded(6); // 0 to 5
    for (int i = 0; i < clauses; ++i) {
        const int kind = random.bounded(20);
        boolean->add(randomQuery(random, words, depth - 1), true,
                     kind < 9                ? BooleanClause::MUST
                         : kind < 19 || i == 0 ? BooleanClause::SHOULD
                                               : BooleanClause::MUST_NOT);
    }
    if (random.bounded(10) == 0)
        boolean->setBoost(0.5f);
    return boolean;
}

/// A word, the commonest words the likeliest.
lucene::search::Query* commonWord(QRandomGenerator& random, const QStringList& words)
{
    const int at = std::min(random.bounded(words.size()), random.bounded(words.size()));
    return vefinder::newTermQuery(IndexFields::ChsWords, words.at(at));
}

/// One common word, or two as optional clauses.
lucene::search::Query* commonWords(QRandomGenerator& random, const QStringList& words)
{
    if (random.bounded(2) == 0)
        return commonWord(random, words);
    auto* any = _CLNEW lucene::search::BooleanQuery(false);
    any->add(commonWord(random, words), true, lucene::search::BooleanClause::SHOULD);
    any->add(commonWord(random, words), true, lucene::search::BooleanClause::SHOULD);
    return any;
}

/// One to four boolean queries of two to five required words each, the
/// queries a word's equivalent names make: any of them, or (@p underWord)
/// optional beside a required word, so that they are first moved on to that
/// word's first document.
lucene::search::Query* namesQuery(QRandomGenerator& random, const QStringList& words, bool underWord)
{
    using lucene::search::BooleanClause;
    auto* any = _CLNEW lucene::search::BooleanQuery(false);
    if (underWord) // any word: the rarer ones start later
        any->add(vefinder::newTermQuery(IndexFields::ChsWords, words.at(random.bounded(words.size()))),
                 true, BooleanClause::MUST);
    for (int names = 1 + random.bounded(4); names > 0; --names) {
        auto* all = _CLNEW lucene::search::BooleanQuery(false);
        for (int n = 2 + random.bounded(4); n > 0; --n)
            all->add(commonWord(random, words), true, BooleanClause::MUST);
        any->add(all, true, BooleanClause::SHOULD);
    }
    return any;
}

} // namespace

class TestIndexFieldCache : public QObject
{
    Q_OBJECT

private slots:
    void replacedIndexIsReadAnew_data()
    {
        columns<bool, bool, bool>("secondEngine", "removeFirst", "settled");
        QTest::newRow("one engine, rewritten in place") << false << false << false;
        QTest::newRow("one engine, removed and rebuilt") << false << true << false;
        QTest::newRow("two engines, rewritten in place") << true << false << false;
        QTest::newRow("two engines, removed and rebuilt") << true << true << false;
        // Files unchanged for a while are trusted by their stamps alone.
        QTest::newRow("one engine, first index settled, rewritten in place")
            << false << false << true;
    }

    // Same number of documents, other ids, titles and words: only the index
    // version differs. The word 光缆 moves from the first entry to the second.
    void replacedIndexIsReadAnew()
    {
        const auto [secondEngine, removeFirst, settled] =
            fetch<bool, bool, bool>("secondEngine", "removeFirst", "settled");
        QTemporaryDir dir;
        const QString index = dir.filePath("索引");
        TestDocs before = cableDocs("A1 电缆,A2 电力电缆");
        before[0].chsWords({"光缆"});
        QVERIFY(writeTestIndex(index, before));
        if (settled)
            QTest::qSleep(2100);
        VeFinder first;
        QCOMPARE(searchOf(first, index), QString("[A1] [A2] code: A1 A2"));
        QCOMPARE(searchOf(first, index, "光缆"), QString("[A1] code: A1 A2"));
        QVERIFY(!removeFirst || QDir(index).removeRecursively());
        TestDocs after = cableDocs("B1 电力电缆,B2 电缆");
        after[1].chsWords({"光缆"});
        QVERIFY(writeTestIndex(index, after));
        VeFinder second; // made after the rewrite
        VeFinder& engine = secondEngine ? second : first;
        QCOMPARE(searchOf(engine, index), QString("[B2] [B1] code: B1 B2"));
        QCOMPARE(searchOf(engine, index, "光缆"), QString("[B2] code: B1 B2"));
    }

    void directoryEntriesAsCLuceneListsThem_data()
    {
        columns<QString>("layout");
        QTest::newRow("a directory named as a newer segments file") << "directory";
        QTest::newRow("a dangling link named as a newer segments file") << "dangling";
        QTest::newRow("every file a symbolic link, segments.gen left out") << "links";
    }

    // Opening an index looks for the newest segments file among the
    // directory's entries: directories and links to nothing are no files,
    // links to files are.
    void directoryEntriesAsCLuceneListsThem()
    {
        const auto [layout] = fetch<QString>("layout");
        QTemporaryDir dir;
        const QString written = dir.filePath("written");
        QVERIFY(writeTestIndex(written, cableDocs("A1 电缆,A2 电力电缆")));
        QString index = written;
        if (layout == "directory") {
            QVERIFY(QDir(written).mkdir("segments_99"));
        } else if (layout == "dangling") {
            QVERIFY(QFile::link(dir.filePath("nothing"), written + "/segments_99"));
        } else {
            index = dir.filePath("linked");
            QVERIFY(QDir().mkdir(index));
            // Without segments.gen only the listing names the segments file.
            for (const QString& name : QDir(written).entryList(QDir::Files)) {
                if (name != "segments.gen")
                    QVERIFY(QFile::link(written + '/' + name, index + '/' + name));
            }
        }
        VeFinder engine;
        QCOMPARE(searchOf(engine, index), QString("[A1] [A2] code: A1 A2"));
    }

    void filesReadAsCLuceneReadsThem_data()
    {
        columns<QString>("reads");
        QTest::newRow("in order, in steps of every size") << "steps";
        QTest::newRow("random seeks, clones reading apart") << "seeks";
        QTest::newRow("past the end") << "end";
        QTest::newRow("cut short after opening") << "cut";
    }

    // The index's files read through the listing directory give the bytes
    // CLucene's own directory gives, and the same kind of error past the end
    // (of the length at opening, or of a file cut short since), for the
    // segments files, the compound file and an empty file.
    void filesReadAsCLuceneReadsThem()
    {
        using lucene::store::IndexInput;
        const auto [reads] = fetch<QString>("reads");
        QTemporaryDir dir;
        QVERIFY(writeTestIndex(dir.path(), cableDocs("A1 电缆,A2 电力电缆,A3 控制电缆")));
        QFile empty(dir.filePath("empty"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        const QByteArray path = QFile::encodeName(dir.path());
        auto* listing = new vefinder::ListingDirectory(path.constData());
        lucene::store::FSDirectory* plain =
            lucene::store::FSDirectory::getDirectory(path.constData());
        // What a series of reads gives, failures included, as text.
        const auto readAll = [&reads = reads](IndexInput* input, QRandomGenerator random) {
            QByteArray got;
            const auto read = [&](IndexInput* in, int64_t at, int32_t count) {
                QByteArray bytes(count, '\0');
                try {
                    in->seek(at);
                    in->readBytes(reinterpret_cast<uint8_t*>(bytes.data()), count);
                    got += QByteArray::number(qlonglong(at)) + ':' + bytes.toHex() + ' ';
                } catch (CLuceneError& e) { // the kind of error: its wording depends on buffering
                    got += QByteArray::number(qlonglong(at)) + ": error "
                        + QByteArray::number(e.number()) + ' ';
                }
            };
            const int64_t length = input->length();
            if (reads == "steps") {
                for (int64_t at = 0, step = 1; at < length; at += step, step = step * 3 % 2000 + 1)
                    read(input, at, int32_t(std::min(step, length - at)));
            } else if (reads == "seeks") {
                std::unique_ptr<IndexInput> clone(input->clone());
                for (int i = 0; i < 60 && length > 0; ++i) {
                    const int64_t at = random.bounded(quint32(length));
                    const auto count =
                        int32_t(std::min<int64_t>(1 + random.bounded(3000), length - at));
                    read(i % 2 ? clone.get() : input, at, count);
                    got += QByteArray::number(qlonglong(input->getFilePointer())) + ' ';
                }
                clone->close();
            } else if (reads == "end") {
                read(input, std::max<int64_t>(0, length - 3), 5);
                read(input, length, 1);
            } else { // the file now ends halfway
                read(input, length / 2 - 2,
                     int32_t(std::min<int64_t>(length - length / 2 + 2, 100)));
            }
            return got;
        };
        std::vector<std::string> names;
        QVERIFY(listing->list(&names));
        QVERIFY(names.size() >= 4);
        lucene::store::Directory* const directories[] = {listing, plain};
        for (const std::string& name : names) {
            std::unique_ptr<IndexInput> ours(directories[0]->openInput(name.c_str()));
            std::unique_ptr<IndexInput> theirs(directories[1]->openInput(name.c_str()));
            QCOMPARE(ours->length(), theirs->length());
            if (reads == "cut") {
                if (ours->length() < 8)
                    continue;
                QVERIFY(
                    QFile::resize(dir.filePath(QString::fromStdString(name)), ours->length() / 2));
            }
            QRandomGenerator random(uint32_t(name.size()));
            QCOMPARE(readAll(ours.get(), random), readAll(theirs.get(), random));
            ours->close();
            theirs->close();
        }
        _CLDECDELETE(listing);
        plain->close();
        _CLDECDELETE(plain);
    }

    // Hits scored on the kept postings are CLucene's own to the last bit:
    // the same documents in the same order with the same float scores, for
    // random queries of four shapes on an index of random word counts (term
    // frequencies and field lengths vary, so do the scores).
    void scoresEqualCLucene_data()
    {
        columns<int, int>("shape", "docCount");
        QTest::newRow("nested clauses") << 0 << 400;
        QTest::newRow("names of required words") << 1 << 400;
        QTest::newRow("names beside a required word") << 2 << 400;
        // Hundreds of hits: ordered by score in linear time, in a bucket per
        // score when the scores are few (one or two common words), by their
        // bits when they are many (nested clauses).
        QTest::newRow("one or two common words, many hits") << 3 << 1500;
        QTest::newRow("nested clauses, many hits") << 0 << 1500;
    }
    void scoresEqualCLucene()
    {
        const auto [shape, docCount] = fetch<int, int>("shape", "docCount");
        QTemporaryDir dir;
        const QStringList words{"电缆", "电力", "铜芯", "阻燃", "耐火", "控制",
                                "铠装", "护套", "屏蔽", "低烟", "钢带", "光缆"};
        QRandomGenerator random(20261206);
        TestDocs docs;
        for (int i = 0; i < docCount; ++i) {
            QStringList held;
            for (int n = 1 + random.bounded(8); n > 0; --n) // the first words the commonest
                held << words.at(std::min(random.bounded(words.size()), random.bounded(words.size())));
            docs << TestDoc(QString("M%1").arg(i)).chsWords(held);
        }
        QVERIFY(writeTestIndex(dir.path(), docs));
        const QByteArray path = QFile::encodeName(dir.path());
        lucene::search::IndexSearcher plain(path.constData());
        const std::unique_ptr<lucene::index::IndexReader> reader(vefinder::newCachingReader(
            lucene::index::IndexReader::open(path.constData()),
            std::make_shared<vefinder::PostingCache>()));
        lucene::search::IndexSearcher cached(reader.get());
        const QStringList asked = words + QStringList{"无此词"};
        int matched = 0;
        int many = 0;
        for (int q = 0; q < 400; ++q) {
            const std::unique_ptr<lucene::search::Query> query(
                shape == 0   ? randomQuery(random, asked, 4)
                    : shape == 3 ? commonWords(random, words)
                                 : namesQuery(random, words, shape == 2));
            const vefinder::SearchHits expected(&plain, query.get());
            const std::vector<vefinder::ScoredDoc> got = vefinder::collectHits(&cached, query.get());
            TCHAR* raw = query->toString();
            const QString text = QString::fromWCharArray(raw);
            _CLDELETE_LCARRAY(raw);
            QVERIFY2(got.size() == size_t(expected->length()), qPrintable(text));
            for (size_t i = 0; i < got.size(); ++i) {
                const float_t score = expected->score(int32_t(i));
                QVERIFY2(got[i].doc == expected->id(int32_t(i))
                             && std::memcmp(&got[i].score, &score, sizeof score) == 0,
                         qPrintable(QString("hit %1 of %2").arg(i).arg(text)));
            }
            matched += got.size() > 1;
            many += got.size() >= 256;
        }
        QVERIFY(matched > 100);
        QVERIFY(docCount < 1000 || many > 50);
        cached.close();
        plain.close();
        reader->close();
    }

    // The keyed sort leaves hits in std::sort's order with ranksBefore, also
    // among hits that rank alike (they keep their document numbers apart),
    // with signed zeros, negative ranks and positions, and without positions.
    void keyedSortEqualsComparator_data()
    {
        columns<int, bool>("count", "positions");
        QTest::newRow("long, positions") << 5000 << true;
        QTest::newRow("long, no positions") << 5000 << false;
        QTest::newRow("short") << 40 << true;
    }
    void keyedSortEqualsComparator()
    {
        const auto [count, positions] = fetch<int, bool>("count", "positions");
        QRandomGenerator random(uint32_t(count) + positions);
        const double values[] = {0.0, -0.0, 1.0, 97.9, -3.5, 1e-300};
        const float scores[] = {0.0f, -0.0f, 0.25f, 1.0f, 0.3333f};
        std::vector<vefinder::RankedHit> hits;
        for (int i = 0; i < count; ++i)
            hits.push_back(vefinder::RankedHit{
                0, int(random.bounded(7)) - 2, i, double(scores[random.bounded(5)]),
                values[random.bounded(6)], positions ? qint64(random.bounded(5)) - 2 : 0});
        std::vector<vefinder::RankedHit> expected = hits;
        std::sort(expected.begin(), expected.end(), vefinder::ranksBefore);
        vefinder::sortRanked(hits);
        QCOMPARE(hits.size(), expected.size());
        for (size_t i = 0; i < hits.size(); ++i)
            QCOMPARE(hits[i].matIdOf, expected[i].matIdOf);
    }

    // An observer that searches from its callback, in the middle of a ranked
    // step that holds the thread's hit buffer, changes neither answer.
    void observerSearchingFromItsCallback()
    {
        QTemporaryDir dir;
        TestDocs docs = cableDocs("A1 电缆,A2 电力电缆,A3 控制电缆,A4 电缆接头");
        for (int i = 0; i < 300; ++i)
            docs << TestDoc(QString("B%1").arg(i)).code("C").withTitle("铜芯电缆").chsWords({"电缆", "铜芯"});
        const QString index = dir.filePath("索引");
        QVERIFY(writeTestIndex(index, docs));
        VeFinder plain;
        const QString expected = searchOf(plain, index);
        const QString expectedInner = searchOf(plain, index, "铜芯");
        QVERIFY(expected.count(' ') > 300);

        struct Nested : VeSearchObserver {
            QString index;
            QStringList inner;
            void delivered(const QString&, const QString&, double) override
            {
                if (inner.size() < 3) {
                    VeFinder other;
                    inner << searchOf(other, index, "铜芯");
                }
            }
        } observer;
        observer.index = index;
        VeFinder engine;
        engine.setObserver(&observer);
        QCOMPARE(searchOf(engine, index), expected);
        QCOMPARE(observer.inner.size(), 3);
        for (const QString& inner : qAsConst(observer.inner))
            QCOMPARE(inner, expectedInner);
    }

    // Engines on several threads share the cached fields of one index and
    // two versions of another, and the queries of the words they search,
    // filling what is kept of them at the same time; each answers as one
    // engine alone does afterwards on copies of the indexes.
    void concurrentSearchesAgreeWithSerial()
    {
        QTemporaryDir dir;
        const QStringList titles{"电缆", "电力电缆", "控制电缆", "电缆接头"};
        // The words as the indexer segments them: the names 电力电缆 and
        // 控制电缆 are searched as two words each.
        const QList<QStringList> words{
            {"电缆"}, {"电力", "电缆"}, {"控制", "电缆"}, {"电缆", "接头"}};
        TestDocs docs;
        for (int i = 0; i < 400; ++i)
            docs << TestDoc(QString("M%1").arg(i))
                        .code(QString("K%1").arg(i % 7))
                        .withTitle(titles.at(i % 4))
                        .chsWords(words.at(i % 4));
        const QStringList indexes{dir.filePath("a"), dir.filePath("b")};
        const QStringList copies{dir.filePath("a2"), dir.filePath("b2")};
        QVERIFY(writeTestIndex(indexes.at(0), docs) && writeTestIndex(copies.at(0), docs)
                && writeTestIndex(indexes.at(1), docs.mid(100))
                && writeTestIndex(copies.at(1), docs.mid(100)));
        const auto runAll = [&](VeFinder& engine, const QStringList& on = {}) {
            QStringList out;
            for (const QString& index : on.isEmpty() ? indexes : on)
                for (const QString& text : titles)
                    out << searchOf(engine, index, text, "K3");
            return out;
        };
        QList<QStringList> answers[4]; // each thread's answer per round
        std::thread threads[4];
        for (int t = 0; t < 4; ++t) {
            threads[t] = std::thread([&, t] {
                VeFinder engine;
                for (int round = 0; round < 5; ++round)
                    answers[t] << runAll(engine);
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        VeFinder serial;
        const QStringList expected = runAll(serial, copies);
        QVERIFY(expected.first().contains("M0"));
        for (const QList<QStringList>& rounds : answers) {
            for (const QStringList& got : rounds)
                QCOMPARE(got, expected);
        }
    }

    // The entries a name's words share, worked out by threads filling one
    // cache at the same time: each is the intersection of the words' entries
    // with their frequencies, for rare and common (bit-indexed) words alike.
    void intersectionsKeptConcurrently()
    {
        constexpr int32_t maxDoc = 5000;
        QRandomGenerator random(7);
        std::vector<vefinder::PostingsPtr> lists;
        std::vector<std::unique_ptr<lucene::index::Term, void (*)(lucene::index::Term*)>> terms;
        for (const int share : {2, 5, 20, 300}) { // one document in share
            vefinder::Postings p;
            for (int32_t doc = 0; doc < maxDoc; ++doc) {
                if (random.bounded(share) == 0) {
                    p.docs.push_back(doc);
                    p.freqs.push_back(1 + int32_t(random.bounded(40)));
                }
            }
            p.docFreq = int32_t(p.docs.size());
            p.indexDense(maxDoc);
            lists.push_back(std::make_shared<const vefinder::Postings>(std::move(p)));
            const std::wstring text = QString("词%1").arg(share).toStdWString();
            terms.emplace_back(_CLNEW lucene::index::Term(IndexFields::ChsWords, text.c_str()),
                               [](lucene::index::Term* t) { _CLDECDELETE(t); });
        }
        QVERIFY(!lists.front()->bits.empty() && lists.back()->bits.empty());
        // Every choice of two or more words, as "doc:freq,freq ..." rows.
        std::vector<std::vector<size_t>> names;
        for (unsigned mask = 0; mask < 16; ++mask) {
            std::vector<size_t> name;
            for (size_t i = 0; i < 4; ++i)
                if (mask & (1u << i))
                    name.push_back(i);
            if (name.size() > 1)
                names.push_back(name);
        }
        const auto render = [](const vefinder::Intersection& in, size_t words) {
            QStringList rows;
            for (size_t r = 0; r < in.docs.size(); ++r) {
                QStringList freqs;
                for (size_t w = 0; w < words; ++w)
                    freqs << QString::number(in.freqs[r * words + w]);
                rows << QString::number(in.docs[r]) + ':' + freqs.join(',');
            }
            return rows.join(' ');
        };
        QStringList expected;
        for (const std::vector<size_t>& name : names) {
            QStringList rows;
            for (int32_t doc = 0; doc < maxDoc; ++doc) {
                QStringList freqs;
                for (const size_t w : name) {
                    const auto& docs = lists[w]->docs;
                    const auto at = std::lower_bound(docs.begin(), docs.end(), doc);
                    if (at == docs.end() || *at != doc)
                        break;
                    freqs << QString::number(lists[w]->freqs[size_t(at - docs.begin())]);
                }
                if (size_t(freqs.size()) == name.size())
                    rows << QString::number(doc) + ':' + freqs.join(',');
            }
            expected << rows.join(' ');
        }
        QVERIFY(expected.front().count(' ') > 100);

        vefinder::PostingCache cache;
        std::atomic<int> mismatches{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (size_t k = 0; k < 3 * names.size(); ++k) {
                    const size_t n = (k + size_t(t) * 3) % names.size();
                    std::vector<const lucene::index::Term*> nameTerms;
                    std::vector<const vefinder::Postings*> namePostings;
                    for (const size_t w : names[n]) {
                        nameTerms.push_back(terms[w].get());
                        namePostings.push_back(lists[w].get());
                    }
                    const vefinder::IntersectionPtr got = cache.intersection(nameTerms, namePostings);
                    mismatches += render(*got, names[n].size()) != expected.at(int(n));
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(mismatches.load(), 0);
        QVERIFY(cache.bytes() > 0);
    }
};

QTEST_GUILESS_MAIN(TestIndexFieldCache)
#include "tst_indexfieldcache.moc"
