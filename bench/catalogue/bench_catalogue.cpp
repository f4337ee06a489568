/** @file bench_catalogue.cpp @brief quotaSearch at catalogue scale: latency per query class, the id-collection floor, threads, lexicon lookups, cold start, memory. */
#include "csvreader.h"

#include "engine/vefinder.h"
#include "lexicon/lexiconcipher.h"
#include "lexicon/lexiconrecords.h"
#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"

#if __has_include("engine/storedfields_p.h")
#include "engine/storedfields_p.h"
#define HAVE_FIELD_CACHE 1
#endif

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
extern "C" {
#include <friso.h>
}
#pragma GCC diagnostic pop

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <malloc.h>
#include <map>
#include <set>
#include <thread>
#include <vector>

namespace {

struct Query {
    QString id, code, name, spec, kind;
};

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(std::ceil(p * double(v.size())));
    return v[std::max<size_t>(rank, 1) - 1];
}

QString f2(double v, int digits = 2)
{
    return QString::number(v, 'f', digits);
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double search(VeFinder& finder, const Query& q, const QString& index)
{
    QList<QStringList> result;
    QElapsedTimer timer;
    timer.start();
    finder.quotaSearch(result, q.code, q.name, q.spec, index, nullptr, true);
    return timer.nsecsElapsed() / 1e6;
}

/// Counts hits only: the floor under any search that reports them.
class IdCollector : public lucene::search::HitCollector
{
public:
    void collect(const int32_t doc, const float_t) override { ids.push_back(doc); }
    std::vector<int32_t> ids;
};

/// Median ms of collecting the doc ids of a term query on "chs_ppl_idx".
double idFloor(const QString& index, const QString& word, size_t* hits)
{
    lucene::index::IndexReader* reader =
        lucene::index::IndexReader::open(index.toLocal8Bit().constData());
    auto* searcher = _CLNEW lucene::search::IndexSearcher(reader);
    const std::wstring w = word.toStdWString();
    auto* term = _CLNEW lucene::index::Term(L"chs_ppl_idx", w.c_str());
    auto* query = _CLNEW lucene::search::TermQuery(term);
    _CLDECDELETE(term);
    std::vector<double> ms;
    for (int i = 0; i < 21; ++i) {
        IdCollector collector;
        collector.ids.reserve(8192);
        QElapsedTimer timer;
        timer.start();
        searcher->_search(query, nullptr, &collector);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        *hits = collector.ids.size();
    }
    _CLDELETE(query);
    searcher->close();
    _CLDELETE(searcher);
    reader->close();
    _CLDELETE(reader);
    return percentile(ms, 0.5);
}

/// Median ms of opening and closing the index, as every entry operation does.
double openClose(const QString& index)
{
    std::vector<double> ms;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        lucene::index::IndexReader* reader =
            lucene::index::IndexReader::open(index.toLocal8Bit().constData());
        auto* searcher = _CLNEW lucene::search::IndexSearcher(reader);
        searcher->close();
        _CLDELETE(searcher);
        reader->close();
        _CLDELETE(reader);
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return percentile(ms, 0.5);
}

/// Queries per second of @p threads engines working through @p queries.
double throughput(const QList<Query>& queries, const QString& index, int threads)
{
    std::atomic<int> next{0};
    const int total = queries.size();
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&] {
            VeFinder finder;
            for (int i = next.fetch_add(1); i < total; i = next.fetch_add(1)) {
                QList<QStringList> result;
                const Query& q = queries.at(i);
                finder.quotaSearch(result, q.code, q.name, q.spec, index, nullptr, true);
            }
        });
    }
    for (std::thread& t : pool)
        t.join();
    return total / (timer.nsecsElapsed() / 1e9);
}

// --- child modes: each a fresh process ---------------------------------------

/// The first segmentText call: the whole pool of segmenters.
int coldPool()
{
    QElapsedTimer timer;
    timer.start();
    WordSegment::segmentText(QStringLiteral("x"), true);
    out() << timer.nsecsElapsed() << '\n';
    return 0;
}

/// One friso instance loading the dictionary, configured as the pool does.
int coldOneDictionary()
{
    const QByteArray dir =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/dict/UTF-8/")).toLocal8Bit();
    QElapsedTimer timer;
    timer.start();
    friso_t friso = friso_new();
    friso_config_t config = friso_new_config();
    config->max_len = 9;
    config->mix_len = 2;
    config->mode = __FRISO_COMPLEX_MODE__;
    friso->charset = FRISO_UTF8;
    friso->dic = friso_dic_new();
    friso_dic_load_from_ifile(friso, config, const_cast<char*>(dir.constData()),
                              config->max_len * 3);
    out() << timer.nsecsElapsed() << '\n';
    std::free(config);
    friso_free(friso);
    return 0;
}

/// µs a call of @p lookup over @p inputs, repeated for a second at least.
template <typename Lookup>
double microsPerCall(const QStringList& inputs, Lookup lookup)
{
    for (const QString& w : inputs) // warm
        lookup(w);
    QElapsedTimer timer;
    timer.start();
    int rounds = 0;
    while (timer.elapsed() < 1000 || rounds < 1) {
        for (const QString& w : inputs)
            lookup(w);
        ++rounds;
    }
    return timer.nsecsElapsed() / 1e3 / (double(rounds) * inputs.size());
}

/// getMatEquivals µs a call over words of the generated synonym lexicon
/// beside this copy, then coreWord µs a call over texts holding its core words.
int lexiconLookups(int groups)
{
    const SearchUtil* util = SearchUtil::instance();
    QStringList words;
    QStringList texts;
    for (int i = 0; i < 1000; ++i) {
        const int n = (i * 7919) % groups;
        words << QStringLiteral("材%1甲").arg(n) << QStringLiteral("未收%1").arg(i);
        texts << QStringLiteral("镀锌材%1甲 DN%2").arg(n).arg(i % 100)
              << QStringLiteral("未收的材料%1").arg(i);
    }
    size_t sink = 0;
    const double equivalents = microsPerCall(
        words, [&](const QString& w) { sink += size_t(util->getMatEquivals(w).size()); });
    const double cores =
        microsPerCall(texts, [&](const QString& t) { sink += size_t(util->coreWord(t).size()); });
    out() << equivalents << ' ' << cores << ' ' << sink << '\n';
    return 0;
}

/// Writes the enciphered lexicon @p kind of @p records at @p path.
bool writeLexicon(const QString& path, LexiconKind kind, const QList<LexiconRecord>& records)
{
    QByteArray plain;
    {
        QDataStream stream(&plain, QIODevice::WriteOnly);
        stream.setVersion(kLexiconStreamVersion);
        for (const LexiconRecord& record : records)
            writeLexiconRecord(stream, kind, record);
    }
    QBuffer in(&plain);
    in.open(QIODevice::ReadOnly);
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly))
        return false;
    encryptStream(in, file, lexiconKey, true);
    return true;
}

/// Writes into @p dir a synonym lexicon of @p groups groups of three words
/// and a core-word lexicon of the groups' first words.
bool writeLexicons(const QString& dir, int groups)
{
    QList<LexiconRecord> synonyms;
    QList<LexiconRecord> cores;
    for (int i = 0; i < groups; ++i) {
        LexiconRecord record;
        record.words << QStringLiteral("材%1甲").arg(i) << QStringLiteral("材%1乙").arg(i)
                     << QStringLiteral("材%1丙").arg(i);
        synonyms << record;
        record.words = QStringList{record.words.first()};
        cores << record;
    }
    return writeLexicon(dir + QStringLiteral("/dict/MATLEX/lex-synonyms.lex"),
                        LexiconKind::Synonyms, synonyms)
        && writeLexicon(dir + QStringLiteral("/dict/MATLEX/lex-coreword.lex"),
                        LexiconKind::CoreWord, cores);
}

/// Runs this program as a child with @p args (from @p program) and returns its first output number.
double child(const QString& program, const QStringList& args, QString* rest = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        QTextStream(stderr) << "bench_catalogue: child " << args.join(QLatin1Char(' '))
                            << " failed\n";
        std::exit(1);
    }
    const QStringList words = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char(' '));
    if (rest)
        *rest = words.mid(1).join(QLatin1Char(' '));
    return words.value(0).trimmed().toDouble();
}

double medianOfChildren(const QString& mode, int runs)
{
    std::vector<double> v;
    for (int i = 0; i < runs; ++i)
        v.push_back(child(QCoreApplication::applicationFilePath(), {mode}) / 1e6);
    return percentile(v, 0.5);
}

int usage()
{
    QTextStream(stderr)
        << "usage: bench_catalogue --index DIR --queries FILE.csv [--rounds N] [--slowest N] [--latency-only]\n"
           "  the queries file: id,code,name,spec,class (bench/index/make-queries.py)\n"
           "  --slowest N     also list the N slowest queries of each class\n"
           "  --latency-only  skip cold start, lexicon lookups and throughput\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    out().setCodec("UTF-8");
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == QLatin1String("--cold-pool"))
        return coldPool();
    if (args.value(0) == QLatin1String("--cold-one-dictionary"))
        return coldOneDictionary();
    if (args.value(0) == QLatin1String("--lexicon-lookups"))
        return lexiconLookups(args.value(1).toInt());

    QString index, queryFile;
    int rounds = 2;
    int slowest = 0;
    bool latencyOnly = false;
    for (int i = 0; i < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--latency-only")) {
            latencyOnly = true;
            --i;
        } else if (i + 1 >= args.size())
            return usage();
        else if (args.at(i) == QLatin1String("--slowest"))
            slowest = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--index"))
            index = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--queries"))
            queryFile = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--rounds"))
            rounds = args.at(i + 1).toInt();
        else
            return usage();
    }
    if (index.isEmpty() || queryFile.isEmpty() || rounds < 1)
        return usage();

    QList<Query> queries;
    for (const auto& row : readCsvTable(queryFile))
        queries << Query{row.value(QStringLiteral("id")), row.value(QStringLiteral("code")),
                         row.value(QStringLiteral("name")), row.value(QStringLiteral("spec")),
                         row.value(QStringLiteral("class"))};
    if (queries.isEmpty()) {
        QTextStream(stderr) << "bench_catalogue: no queries in " << queryFile << '\n';
        return 1;
    }

    double pool = 0, one = 0;
    std::map<int, double> lookup;
    std::map<int, double> coreLookup;
    QTemporaryDir tmp;
    if (!latencyOnly) {
        // Cold start, each in fresh processes.
        pool = medianOfChildren(QStringLiteral("--cold-pool"), 5);
        one = medianOfChildren(QStringLiteral("--cold-one-dictionary"), 5);
        out() << "cold start (median of 5 fresh processes): first segmentText " << f2(pool, 1)
              << " ms, one dictionary load " << f2(one, 1) << " ms, ratio " << f2(pool / one)
              << "\n";

        // getMatEquivals with generated synonym lexicons, each in a copy of this program.
        for (int groups : {1000, 100000}) {
            const QString dir = tmp.filePath(QStringLiteral("lex%1").arg(groups));
            const QString program = dir + QStringLiteral("/bench_catalogue");
            QDir().mkpath(dir);
            if (!QFile::copy(QCoreApplication::applicationFilePath(), program)
                || !QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner)
                || !writeLexicons(dir, groups)) {
                QTextStream(stderr) << "bench_catalogue: cannot prepare " << dir << '\n';
                return 1;
            }
            QString rest;
            lookup[groups] = child(
                program, {QStringLiteral("--lexicon-lookups"), QString::number(groups)}, &rest);
            coreLookup[groups] = rest.section(QLatin1Char(' '), 0, 0).toDouble();
        }
        out() << "getMatEquivals: " << f2(lookup[1000]) << " us a call with 1,000 synonym groups, "
              << f2(lookup[100000]) << " us with 100,000, ratio "
              << f2(lookup[100000] / lookup[1000]) << "\n";
        out() << "coreWord: " << f2(coreLookup[1000]) << " us a call with 1,000 core words, "
              << f2(coreLookup[100000]) << " us with 100,000, ratio "
              << f2(coreLookup[100000] / coreLookup[1000]) << "\n";
    }

    // Warm-up: the lexicon store and the segmenter pool, then the first search
    // (which reads the index's stored fields into the cache).
    SearchUtil::instance();
    WordSegment::segmentText(QStringLiteral("x"), true);
    std::this_thread::sleep_for(
        std::chrono::seconds(2)); // segmenters still loading in the background
    VeFinder finder;
    const size_t heapBefore = mallinfo2().uordblks;
    const double first = search(finder, queries.first(), index);
    const size_t heapAfter = mallinfo2().uordblks;
    out() << "first search on the index " << f2(first, 1) << " ms, heap growth "
          << f2((double(heapAfter) - double(heapBefore)) / 1048576.0, 1) << " MiB";
#ifdef HAVE_FIELD_CACHE
    int versions = 0;
    qint64 bytes = 0;
    vefinder::storedFieldsCacheStats(&versions, &bytes);
    out() << "; stored-field cache: " << versions << " version(s), " << f2(bytes / 1048576.0, 1)
          << " MiB estimated";
#endif
    out() << "\n";
    // The first pass meets most terms for the first time: their postings are
    // read from the index then, and from memory afterwards.
    std::map<QString, std::vector<double>> firstPass;
    for (const Query& q : qAsConst(queries))
        firstPass[q.kind].push_back(search(finder, q, index));

    std::map<QString, std::vector<double>> byClass;
    std::vector<double> fastest(size_t(queries.size()), 1e300); // per query, over the rounds

    // The floor under the broad queries: their head word's doc ids alone (a
    // term of "chs_ppl_idx"), for the head words 1,000 or more entries hold.
    // A few milliseconds of work: measured before, between and after the
    // rounds, so that a moment's disturbance of the machine weighs no more on
    // it than on the rounds.
    std::map<QString, size_t> termHits;
    std::vector<double> floorRuns;
    const auto measureFloor = [&] {
        std::vector<double> floors;
        std::set<QString> seen;
        for (const Query& q : qAsConst(queries)) {
            if (q.kind != QLatin1String("broad") || !seen.insert(q.name).second)
                continue;
            size_t hits = 0;
            const double ms = idFloor(index, q.name, &hits);
            termHits[q.name] = hits;
            if (hits >= 1000)
                floors.push_back(ms);
        }
        floorRuns.push_back(percentile(floors, 0.5));
    };
    measureFloor();
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < queries.size(); ++i) {
            const double ms = search(finder, queries.at(i), index);
            byClass[queries.at(i).kind].push_back(ms);
            fastest[size_t(i)] = std::min(fastest[size_t(i)], ms);
        }
        measureFloor();
    }
    const auto table = [](const std::map<QString, std::vector<double>>& times) {
        out() << QStringLiteral("%1 %2 %3 %4 %5\n")
                     .arg(QStringLiteral("class"), -8)
                     .arg(QStringLiteral("count"), 6)
                     .arg(QStringLiteral("p50 ms"), 8)
                     .arg(QStringLiteral("p90 ms"), 8)
                     .arg(QStringLiteral("p99 ms"), 8);
        for (const auto& entry : times) {
            out() << QStringLiteral("%1 %2 %3 %4 %5\n")
                         .arg(entry.first, -8)
                         .arg(int(entry.second.size()), 6)
                         .arg(f2(percentile(entry.second, 0.5)), 8)
                         .arg(f2(percentile(entry.second, 0.9)), 8)
                         .arg(f2(percentile(entry.second, 0.99)), 8);
        }
    };
    out() << "\nquotaSearch, one engine, first pass over the " << queries.size()
          << " queries (postings of new terms read from the index)\n";
    table(firstPass);
    out() << "\nquotaSearch, one engine, warm, " << queries.size() << " queries x " << rounds
          << " rounds\n";
    table(byClass);
#ifdef HAVE_FIELD_CACHE
    qint64 postingBytes = 0;
    vefinder::storedFieldsCacheStats(&versions, &bytes, &postingBytes);
    out() << "caches after the rounds: stored fields " << f2(bytes / 1048576.0, 1)
          << " MiB, postings and norms " << f2(postingBytes / 1048576.0, 1)
          << " MiB (estimated); heap growth since before the first search "
          << f2((double(mallinfo2().uordblks) - double(heapBefore)) / 1048576.0, 1) << " MiB\n";
#endif

    if (slowest > 0) {
        // Each query's fastest round, so that a slow query is slow every time.
        for (const auto& entry : byClass) {
            std::vector<int> order;
            for (int i = 0; i < queries.size(); ++i) {
                if (queries.at(i).kind == entry.first)
                    order.push_back(i);
            }
            std::sort(order.begin(), order.end(),
                      [&](int a, int b) { return fastest[size_t(a)] > fastest[size_t(b)]; });
            out() << "slowest " << entry.first << " (fastest of " << rounds << " rounds):\n";
            for (size_t k = 0; k < order.size() && k < size_t(slowest); ++k) {
                const Query& q = queries.at(order[k]);
                out() << "  " << f2(fastest[size_t(order[k])]) << " ms  " << q.id << "  " << q.code
                      << " | " << q.name << " | " << q.spec << "\n";
            }
        }
    }

    std::vector<double> heldBroad;
    for (int r = 0, i = 0; r < rounds; ++r) {
        for (const Query& q : qAsConst(queries)) {
            if (q.kind == QLatin1String("broad") && termHits[q.name] >= 1000)
                heldBroad.push_back(byClass[q.kind].at(size_t(i)));
            if (q.kind == QLatin1String("broad"))
                ++i;
        }
    }
    const double floor = percentile(floorRuns, 0.5);
    const double broad = percentile(heldBroad, 0.5);
    QStringList runs;
    for (const double run : floorRuns)
        runs << f2(run, 3);
    const auto held = std::count_if(termHits.begin(), termHits.end(),
                                    [](const auto& word) { return word.second >= 1000; });
    out() << "\nbroad id-collection floor (HitCollector, doc ids only): " << held << " of "
          << termHits.size() << " head words held by 1,000+ entries as a term; floor p50 "
          << f2(floor, 3) << " ms (median of " << floorRuns.size()
          << " measurements spread over the rounds: " << runs.join(QStringLiteral(", "))
          << "); their quotaSearch p50 " << f2(broad, 3)
          << " ms = " << f2(broad / floor, 1) << " x the floor"
          << " (opening and closing the index alone: " << f2(openClose(index), 3) << " ms)\n";

    if (latencyOnly)
        return 0;
    const double t1 = throughput(queries, index, 1);
    const double t2 = throughput(queries, index, 2);
    out() << "throughput: 1 thread " << f2(t1, 1) << " queries/s, 2 threads " << f2(t2, 1)
          << " queries/s, ratio " << f2(t2 / t1) << "\n";
    out() << "peak RSS " << f2(peakRssKb() / 1024.0, 1) << " MiB\n";
    return 0;
}
