/** @file tst_samplesearch.cpp @brief End to end: the sample catalogue indexed by vefinder-index and searched as hosts search it; every entry found by its own description. */
#include "csvreader.h"
#include "recordingobserver.h"
#include "testindex.h"

#include "engine/vefinder.h"

#include <algorithm>

using Groups = QList<QStringList>;

namespace {

/// The sorted ids of @p ids, space-separated: a group compared as a set.
QString asSet(QStringList ids)
{
    ids.sort();
    return ids.join(' ');
}

/// One description with what its first groups must hold: @p precise the
/// precise group, @p first the first non-empty group after it, @p absent ids
/// no group may hold (space-separated, compared as sets); @p cable: searched
/// by its cable attributes only, else by words only.
void row(bool cable, const char* name, const char* code, const char* text, const char* spec,
         const char* precise, const char* first, const char* absent = "")
{
    const auto ids = [](const char* ids) { return QString(ids).split(' ', Qt::SkipEmptyParts); };
    QTest::newRow(name) << cable << QString(code) << QString(text) << QString(spec)
                        << asSet(ids(precise)) << asSet(ids(first)) << ids(absent);
}

} // namespace

/// Indexes data/catalogue.csv with the real indexer once, then searches it
/// through VeFinder with the sample lexicons, as a host would.
class SampleSearchTest : public QObject
{
    Q_OBJECT

private slots:

    void initTestCase()
    {
        m_index = m_dir.filePath("index");
        const ToolResult built =
            runProgram(VEFINDER_INDEX_TOOL, {"--quiet", "--strict", SAMPLE_CATALOGUE, m_index});
        QVERIFY2(built.exitCode == 0, qPrintable(built.describe()));
        for (const auto& entry : readCsvTable(SAMPLE_CATALOGUE)) {
            m_names.insert(entry.value("mat_id"),
                           entry.value("name") + " | " + entry.value("spec"));
            m_positions.insert(entry.value("mat_id"), entry.value("position"));
        }
        QCOMPARE(m_names.size(), 2835);
    }

    // Ordinary materials (bill lines B..., and remarks in brackets) and cables in
    // the notations users write, the models of the full cable lexicon among them.
    // Expectations come from the catalogue's rows and the sample lexicons
    // (synonyms, smart-match entries) and built-in word tables.
    void descriptions_data()
    {
        columns<bool, QString, QString, QString, QString, QString, QStringList>(
            "cable", "code", "name", "spec", "precise", "first", "absent");
        // synonym 镀锌管 reaches 镀锌钢管 and 热镀锌钢管 DN32 alike
        row(false, "B111 镀锌管 DN32", "", "镀锌管", "DN32", "", "M000342 M000343 M000361");
        // smart-match 黑铁管 -> 焊接钢管
        row(false, "B115 黑铁管 DN40", "", "黑铁管", "DN40", "", "M000322 M000323");
        // code with a specification the catalogue writes 42.5级: no precise entry, the code holds the fuzzy search
        row(false, "B230 code 04010002 水泥 42.5", "04010002", "水泥", "42.5", "", "M000218");
        // code, name and specification exactly: the precise group holds both brands
        row(false, "B144 code 17030103 镀锌钢管 DN25", "17030103", "镀锌钢管", "DN25",
            "M000340 M000341", "");
        // the precise step compares the index's text form: case and Φ do not matter
        row(false, "code 01010104 螺纹钢 hrb400 12 (lower case, no Φ)", "01010104", "螺纹钢",
            "hrb400 12", "M000007 M000008", "");
        // the remark names the kind: 消声止回阀 before the plain check valve
        row(false, "止回阀(消声) DN80 (remark picks the kind)", "", "止回阀(消声)", "DN80", "",
            "M000760");
        // compact lower case, prefix glued to the model, x as separator
        row(true, "B001 zryjv3x2.5", "", "zryjv3x2.5", "", "", "M001074");
        // Chinese numeral 三芯 and a Chinese name glued to the model
        row(true, "B003 电力电缆YJV 三芯 2.5", "", "电力电缆YJV 三芯 2.5", "", "",
            "M000908 M000909");
        // name and hyphenated specification with voltage in separate fields
        row(true, "B006 电力电缆 YJV-0.6/1kV-4×25+1×16", "", "电力电缆", "YJV-0.6/1kV-4×25+1×16",
            "", "M001034 M001035");
        // control cable KYJV with ten cores
        row(true, "B043 KYJV 10X1.5", "", "KYJV 10X1.5", "", "", "M002246");
        // the catalogue writes this supplier's sizes with "*"
        row(true, "B070 YC 3×2.5+1×1.5", "", "YC 3×2.5+1×1.5", "", "", "M002424");
        // em dash between model and size
        row(true, "电力电缆 YJV22—3×95+1×50 (em dash)", "", "电力电缆 YJV22—3×95+1×50", "", "",
            "M001327");
        // mineral-insulated cable: the model is in the catalogue's name, not its specification
        row(true, "矿物绝缘电缆 BTTZ 1×185", "", "矿物绝缘电缆 BTTZ 1×185", "", "", "M002598");
        // models of the full cable lexicon: YJY22, not the YJV22 3×6 the word search gave before
        row(true, "YJY22 3×6 (armoured PE-sheathed)", "", "YJY22 3×6", "", "", "M002730",
            "M001298");
        // screened armoured control cable
        row(true, "KVVP22 4×1.5", "", "KVVP22 4×1.5", "", "", "M002766", "M002128");
        // twisted pairs, screened: not RVVP, RVS or KVV of the same size
        row(true, "RVVSP 2×1.0", "", "RVVSP 2×1.0", "", "", "M002792", "M002376 M002398 M001996");
        // halogen-free twisted cords, sold under the prefix WDZ
        row(true, "RYJS 2×1.5", "", "RYJS 2×1.5", "", "", "M002797");
        row(true, "RYJSP 2×1.0", "", "RYJSP 2×1.0", "", "", "M002799");
        // heavy rubber cable with a reduced fourth core
        row(true, "YHC 3×2.5+1×1.5", "", "YHC 3×2.5+1×1.5", "", "", "M002801", "M002424");
        // MYJV keeps its letters and YJV22 its digits in the notation
        row(true, "MYJV22 3×95 (mining)", "", "MYJV22 3×95", "", "", "M002831");
        // single-core non-magnetic armour: 62 is no core count
        row(true, "YJV62 1×300", "", "YJV62 1×300", "", "", "M002749");
    }

    // The first groups as the rows say, and the steps that ran as the observer
    // sees them; every id of the result was reported as delivered, and nothing else.
    void descriptions()
    {
        const auto [cable, code, name, spec, precise, first, absent] =
            fetch<bool, QString, QString, QString, QString, QString, QStringList>(
                "cable", "code", "name", "spec", "precise", "first", "absent");
        RecordingObserver observer;
        VeFinder finder;
        finder.setObserver(&observer);
        Groups result;
        int found = -1; // as hosts call it
        finder.setPosIndex(m_positions);
        finder.quotaSearch(result, code, name, spec, m_index, &found, true);
        QVERIFY(result.size() >= 2);
        QStringList fuzzy; // the first non-empty group between the precise and the code group
        for (int i = 1; i < result.size() - 1 && fuzzy.isEmpty(); ++i)
            fuzzy = result.at(i);
        QString seen;
        for (const QString& id : result.first() + fuzzy)
            seen += "\n  " + id + ' ' + m_names.value(id);
        QVERIFY2(asSet(result.first()) == precise && asSet(fuzzy) == first, qPrintable(seen));
        QStringList ids;
        for (const QStringList& group : result)
            ids += group;
        for (const QString& id : qAsConst(absent))
            QVERIFY2(m_names.contains(id) && !ids.contains(id), qPrintable(id));

        QSet<QString> steps;
        QStringList delivered;
        for (const QString& entry : observer.queries + observer.deliveries)
            steps << entry.section(": ", 0, 0);
        for (const QString& entry : qAsConst(observer.deliveries))
            delivered << entry.section(": ", 1).section(' ', 0, 0);
        QCOMPARE(asSet(delivered), asSet(ids));
        const QString ran = QStringList(steps.values()).join(' ');
        static const QRegularExpression cableSteps(
            "^(precise|code|cableWords|cableParts|cable([1-9]|10))$");
        static const QRegularExpression wordSteps(
            "^(precise|code|matsetAll|allMixPpl|rmEN|onlyChs|coreWord)$");
        QVERIFY2(steps.contains("precise") && steps.contains("code"), qPrintable(ran));
        QVERIFY2(steps.contains(cable ? "cable1" : "matsetAll"), qPrintable(ran));
        for (const QString& step : qAsConst(steps))
            QVERIFY2((cable ? cableSteps : wordSteps).match(step).hasMatch(), qPrintable(ran));
    }

    void entryFoundByOwnDescription_data()
    {
        columns<QString, QString, QString, QString>("id", "code", "name", "spec");
        for (const auto& row : readCsvTable(SAMPLE_CATALOGUE))
            QTest::newRow(qPrintable(row["mat_id"] + ' ' + row["name"] + ' ' + row["spec"]))
                << row["mat_id"].trimmed() << row["code"] << row["name"] << row["spec"];
    }

    // The searches cut the text into words in their several ways, and the index
    // must hold them all: found by segmentSearch of name and spec, in the fuzzy
    // groups of a code-less quotaSearch, and in the precise group of a quotaSearch
    // with its code (in a later group when its specification is blank).
    void entryFoundByOwnDescription()
    {
        QFETCH(QString, id);
        const auto [code, name, spec] = fetch<QString, QString, QString>("code", "name", "spec");
        const auto holds = [&](const Groups& groups) {
            return std::any_of(groups.begin(), groups.end(),
                               [&](const QStringList& g) { return g.contains(id); });
        };
        VeFinder finder;
        Groups result;
        finder.segmentSearch(result, name + ' ' + spec, m_index, true);
        QVERIFY2(holds(result), "segmentSearch of name and spec");
        finder.quotaSearch(result, QString(), name, spec, m_index, nullptr, true);
        QVERIFY2(holds(result.mid(1, result.size() - 2)),
                 "fuzzy groups of quotaSearch without a code");
        finder.quotaSearch(result, code, name, spec, m_index, nullptr, true);
        QVERIFY2(holds(spec.trimmed().isEmpty() ? result.mid(1) : result.mid(0, 1)),
                 "precise group, or later if blank spec");
    }

private:
    QTemporaryDir m_dir;
    QString m_index;
    QHash<QString, QString> m_names;     ///< mat id to "name | spec", for failure messages
    QHash<QString, QString> m_positions; ///< mat id to position, the host's table
};

QTEST_GUILESS_MAIN(SampleSearchTest)
#include "tst_samplesearch.moc"
