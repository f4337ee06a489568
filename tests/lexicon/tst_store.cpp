/** @file tst_store.cpp @brief The lexicon store's public queries over a compiled lexicon set (store/): one table, a row per case, and concurrent readers. */
#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"
#include "testindex.h"

#include <thread>
#include <vector>

namespace {

QString yesNo(bool a, bool b)
{
    return QString(a ? "yes " : "no ") + (b ? "yes" : "no");
}

/// @p query of the store on @p arg (and @p arg2), rendered as one string:
/// core words as "2:[电缆] 4:[电力电缆]", sort-word maps as "[{电缆=99.9, 线缆=99.8}]"
/// with weights in their shortest round-trip form.
QString ask(const QString& query, const QString& arg, const QString& arg2 = QString())
{
    const SearchUtil* s = SearchUtil::instance();
    QStringList out;
    if (query == "getMatEquivals")
        return s->getMatEquivals(arg).join(' ');
    if (query == "getMatEquivalsPPL") {
        QMap<QString, QStringList> names;
        s->getMatEquivalsPPL(names, arg);
        for (auto it = names.constBegin(); it != names.constEnd(); ++it)
            out << it.key() + ':' + it.value().join('|');
        return out.join(' ');
    }
    if (query == "category")
        return yesNo(s->isSetCategory(arg, arg2), s->isWordCategory(arg, arg2));
    if (query == "wordFlag")
        return QStringList{"equivalent", "ends-with", "contains", "none"}.value(s->wordFlag(arg),
                                                                                "none");
    if (query == "enCore")
        return yesNo(s->isEnCore(arg), s->containEnCore(arg));
    if (query == "numberToChinese")
        return SearchUtil::numberToChinese(arg.toInt());
    if (query == "coreWord") {
        for (auto [length, words] : s->coreWord(arg).toStdMap())
            out << QString::number(length) + ":[" + words.join(", ") + ']';
        return out.join(' ');
    }
    for (const QMap<QString, double>& map : s->getSortWordMap(arg)) {
        QStringList entries;
        for (auto [word, weight] : map.toStdMap())
            entries << word + '=' + QString::number(weight, 'g', QLocale::FloatingPointShortest);
        out << '{' + entries.join(", ") + '}';
    }
    return '[' + out.join(", ") + ']';
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void queries_data()
    {
        columns<QString, QString, QString, QString>("query", "arg", "arg2", "expected");
        const auto row = [](const char* query, const char* name, const char* arg, const char* arg2,
                            const char* expected) {
            QTest::addRow("%s: %s", query, name)
                << QString::fromLatin1(query) << QString::fromUtf8(arg) << QString::fromUtf8(arg2)
                << QString::fromUtf8(expected);
        };

        // Equivalents: set words, their synonyms, their variants; sub-sets expanded.
        row("getMatEquivals", "members, then the sub-set's set", "A", "", "A B C D");
        row("getMatEquivals", "synonyms of each set word", "钢管", "",
            "钢管 焊管 焊接管 镀锌管 镀锌钢管");
        row("getMatEquivals", "generated core-count group", "3芯", "", "3芯 三芯");
        row("getMatEquivals", "case-sensitive: YJV is not yjv", "YJV", "", "YJV");
        row("getMatEquivals", "variants of set words", "3*4", "", "3*4 3×4 4-5 4~5");
        row("getMatEquivals", "bracket-free forms of set words", "阀门", "",
            "阀门 闸阀(铸铁) 闸阀铸铁");
        row("getMatEquivals", "bracketed word: its bare form", "（钢材）", "", "（钢材） 钢材");
        row("getMatEquivals", "smart-match entry after the sets", "PVC管", "", "PVC管 塑料管");
        // Material-set cycles end, each word once.
        row("getMatEquivals", "cycle: two sets pointing at each other", "P", "", "P Q R S");
        row("getMatEquivals", "cycle: word is its own sub-set", "T", "", "T");
        row("getMatEquivals", "cycle: three-set ring entered midway", "铝管", "",
            "铝管 铁管 铜管 水管");

        row("category", "B in A's set", "B", "A", "yes yes");
        row("category", "D only through the sub-set", "D", "A", "no yes");
        row("category", "base word in no set", "A", "水泥", "no no");
        row("category", "variant of the base word", "3×4", "3*4", "no yes");
        row("category", "cycle", "S", "P", "no yes");

        // The built-in word tables.
        row("wordFlag", "水", "水", "", "equivalent");
        row("wordFlag", "B建筑用水, Latin B", "B建筑用水", "", "equivalent");
        row("wordFlag", "b建筑用水, lower-case b", "b建筑用水", "", "none");
        row("wordFlag", "煤", "煤", "", "ends-with");
        row("wordFlag", "柴油", "柴油", "", "contains");
        row("wordFlag", "水泥 contains 水", "水泥", "", "none");

        row("enCore", "pvc whole", "pvc", "", "yes yes");
        row("enCore", "ppr管 contains ppr", "ppr管", "", "no yes");
        row("enCore", "upper-case PVC管 not found", "PVC管", "", "no no");

        // Core words by length, list order inside a length; lower-case matching.
        row("coreWord", "part of a longer core word matches too", "交联聚乙烯绝缘电力电缆", "",
            "2:[电缆] 4:[电力电缆]");
        row("coreWord", "upper-case text does not match", "YJV电缆", "", "2:[电缆]");
        row("coreWord", "lower-case text matches", "yjv电缆", "", "2:[电缆] 3:[yjv]");
        row("coreWord", "no core word", "镀锌钢管", "", "");

        // Sort-word levels: the text 99.9, its equivalents 0.1 lower each kind,
        // then one map per core-word length, longest first, 10 apart.
        row("getSortWordMap", "no core word: one map", "水泥", "", "[{水泥=99.9}]");
        row("getSortWordMap", "synonym of the text", "线缆", "",
            "[{电缆=99.80000000000001, 线缆=99.9}]");
        row("getSortWordMap", "set member a synonym, its synonyms equivalents", "钢管", "",
            "[{焊接管=99.7, 焊管=99.80000000000001, 钢管=99.9, 镀锌管=99.7, 镀锌钢管=99.7}]");
        row("getSortWordMap", "core words longest first", "铜芯电力电缆", "",
            "[{铜芯电力电缆=99.9}, {电力电缆=89.60000000000001}, {电缆=79.60000000000001, 线缆=79.5}]");

        row("numberToChinese", "0 has none", "0", "", "");
        row("numberToChinese", "11", "11", "", "十一");
        row("numberToChinese", "99", "99", "", "九十九");
        row("numberToChinese", "100 has none", "100", "", "");
    }

    void queries()
    {
        const auto [query, arg, arg2, expected] =
            fetch<QString, QString, QString, QString>("query", "arg", "arg2", "expected");
        QCOMPARE(ask(query, arg, arg2), expected);
    }

    // The store is read without locks: readers on many threads, filling its
    // memos at the same time, get the answers one thread gets afterwards (a
    // reader that modified the shared store would race here).
    void concurrentReaders()
    {
        const QStringList words{"A",  "P",        "铝管",         "钢管", "3*4",
                                "水", "（钢材）", "铜芯电力电缆", "ppr管"};
        const auto answer = [](const QString& w) -> QString {
            QString all;
            for (const char* query :
                 {"getMatEquivals", "wordFlag", "enCore", "getSortWordMap", "coreWord"})
                all += ask(query, w) + '/';
            return all + ask("category", w, "A") + '/' + ask("getMatEquivalsPPL", w);
        };
        std::vector<QStringList> answers(8); // each thread's, in the order it asked
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 30 * words.size(); ++i)
                    answers[size_t(t)] << answer(words.at((i + t * 5) % words.size()));
            });
        }
        for (std::thread& th : threads)
            th.join();
        QStringList expected;
        for (const QString& w : words) {
            // The equivalent names with their words, worked out here without
            // the store's memo.
            QMap<QString, QString> names;
            for (const QString& name : SearchUtil::instance()->getMatEquivals(w))
                names.insert(name, name + ':' + WordSegment::segmentText(name, true).join('|'));
            const QString all = answer(w);
            QVERIFY(all.endsWith('/' + QStringList(names.values()).join(' ')));
            expected << all;
        }
        int mismatches = 0;
        for (int t = 0; t < 8; ++t) {
            for (int i = 0; i < answers[size_t(t)].size(); ++i)
                mismatches += answers[size_t(t)].at(i) != expected.at((i + t * 5) % words.size());
        }
        QCOMPARE(mismatches, 0);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
