/** @file tst_samplesearch.cpp @brief End to end: the sample catalogue indexed by vefinder-index and searched as hosts search it. */
#include "csvreader.h"
#include "recordingobserver.h"

#include "engine/vefinder.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <thread>

namespace {

/// One catalogue row as the CSV holds it.
struct Entry {
    QString code;
    QString name;
    QString spec;
};

/// The sorted ids of @p ids, space-separated: the canonical form of a group
/// compared as a set.
QString asSet(QStringList ids)
{
    std::sort(ids.begin(), ids.end());
    return ids.join(QLatin1Char(' '));
}

QString asSet(const QSet<QString>& ids)
{
    return asSet(QStringList(ids.cbegin(), ids.cend()));
}

/// The first non-empty group between the precise group and the code group.
QStringList firstFuzzyGroup(const QList<QStringList>& result)
{
    for (int i = 1; i < result.size() - 1; ++i) {
        if (!result.at(i).isEmpty())
            return result.at(i);
    }
    return {};
}

QStringList allIds(const QList<QStringList>& result)
{
    QStringList ids;
    for (const QStringList& group : result)
        ids += group;
    return ids;
}

/// The text form the index keeps of names and specifications: lower case,
/// without line breaks, "、", "#" and the diameter signs, white space simplified.
QString indexText(const QString& text)
{
    static const QRegularExpression dropped(QStringLiteral("[\n、#\rφΦф]"));
    return text.toLower().remove(dropped).simplified();
}

/// What the code key compares of a specification: no white space, lower case.
QString squeezed(const QString& spec)
{
    static const QRegularExpression space(QStringLiteral("\\s"));
    return QString(spec).remove(space).toLower();
}

const QStringList kOrdinarySteps = {QStringLiteral("matsetAll"), QStringLiteral("allMixPpl"),
                                    QStringLiteral("rmEN"), QStringLiteral("onlyChs"),
                                    QStringLiteral("coreWord")};

/// Adds one description with what its first groups must hold: @p precise the
/// precise group, @p first the first non-empty group after it, @p absent ids
/// that no group may hold (all space-separated, compared as sets).
void addRow(const char* row, const char* code, const char* name, const char* spec,
            const char* precise, const char* first, const char* absent = "")
{
    const auto ids = [](const char* text) {
        return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    };
    QTest::newRow(row) << QString::fromUtf8(code) << QString::fromUtf8(name)
                       << QString::fromUtf8(spec) << ids(precise) << ids(first) << ids(absent);
}

void addColumns()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QStringList>("precise");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("absent");
}

// Ordinary materials: the bill's lines (B...) and a few descriptions with
// remarks in brackets. Expectations come from the catalogue's rows and the
// sample lexicons (synonyms, smart-match entries) and built-in word tables.
void addOrdinaryRows()
{
    // the catalogue's own name and size; both brands share the row
    addRow("B107 镀锌钢管 DN25", "", "镀锌钢管", "DN25", "", "M000340 M000341");
    // the exact name 热镀锌钢管 ranks above plain 镀锌钢管 DN100
    addRow("B110 热镀锌钢管 DN100", "", "热镀锌钢管", "DN100", "", "M000366");
    // synonym 镀锌管 reaches 镀锌钢管 and 热镀锌钢管 DN32 alike
    addRow("B111 镀锌管 DN32", "", "镀锌管", "DN32", "", "M000342 M000343 M000361");
    // smart-match 黑铁管 -> 焊接钢管
    addRow("B115 黑铁管 DN40", "", "黑铁管", "DN40", "", "M000322 M000323");
    // Φ is dropped on both sides
    addRow("B116 无缝钢管 Φ57×3.5", "", "无缝钢管", "Φ57×3.5", "", "M000374");
    // D108*4 is another notation of Φ108×4
    addRow("B117 无缝钢管 D108*4", "", "无缝钢管", "D108*4", "", "M000377");
    // the catalogue's specification adds W型
    addRow("B121 柔性铸铁排水管 DN100", "", "柔性铸铁排水管", "DN100", "", "M000406");
    // synonym ppr管 = pp-r给水管, not the hot-water pipe
    addRow("B126 PPR管 dn25", "", "PPR管", "dn25", "", "M000443 M000444");
    // size typed into the name; ppr and pp-r spelled differently
    addRow("B128 PPR给水管 dn20 in the name", "", "PPR给水管 dn20", "", "", "M000441 M000442");
    // synonym jdg管 -> 套接紧定式镀锌钢导管, the size inside JDG20×1.6
    addRow("B139 JDG管 Φ20", "", "JDG管", "Φ20", "", "M000530");
    // synonym 大小头 = 异径管; DN100×80 is DN100×DN80
    addRow("B155 大小头 DN100×80", "", "大小头", "DN100×80", "", "M000596");
    // valve model and size as the catalogue writes them
    addRow("B161 闸阀 Z41T-10 DN100", "", "闸阀", "Z41T-10 DN100", "", "M000656 M000657");
    // synonym of the bracketed catalogue name 蝶阀(对夹式)
    addRow("B166 对夹蝶阀 DN100", "", "对夹蝶阀", "DN100", "", "M000727");
    // synonym 逆止阀 = 止回阀; the longer 消声止回阀 DN80 comes later
    addRow("B170 逆止阀 DN80", "", "逆止阀", "DN80", "", "M000749");
    // name, grade and diameter as the catalogue writes them
    addRow("B178 螺纹钢 HRB400 Φ12", "", "螺纹钢", "HRB400 Φ12", "", "M000007 M000008");
    // synonym 盘圆 -> 高速线材
    addRow("B185 盘圆 Φ6.5", "", "盘圆", "Φ6.5", "", "M000055");
    // 水泥 42.5级 itself, not the 普通硅酸盐水泥 P.O 42.5 rows
    addRow("B199 水泥 42.5", "", "水泥", "42.5", "", "M000218");
    // smart-match 红砖 -> 标准砖 (not 粉煤灰砖 of the same size)
    addRow("B218 红砖 240×115×53", "", "红砖", "240×115×53", "", "M000264");
    // synonym 商砼 = 商品混凝土
    addRow("B222 商砼 C25", "", "商砼", "C25", "", "M000279");
    // built-in water word: its own entry first, never cement or waterproofing
    addRow("B244 施工用水", "", "施工用水", "", "", "M000839", "M000217 M000218 M000829");
    // 水 is a whole word: 水 itself first; 水泥 and the cement-based coating never
    addRow("B245 水", "", "水", "", "", "M000837", "M000217 M000218 M000219 M000829");
    // 工程用水 has no entry of its own: every water entry of its synonym group ranks alike
    addRow("B247 工程用水", "", "工程用水", "", "", "M000837 M000838 M000839 M000840",
           "M000218");
    // built-in electricity word
    addRow("B248 工程用电", "", "工程用电", "", "", "M000842");
    // names ending in 煤; 煤焦油 and 粉煤灰 (brick) never
    addRow("B262 煤", "", "煤", "", "", "M000858 M000859 M000860",
           "M000862 M000273 M000274 M000276");
    // names containing 铜丝: the exact name first, 裸铜丝 later
    addRow("B263 铜丝", "", "铜丝", "", "", "M000201 M000202 M000203");
    // smart-match 铅丝 -> 镀锌铁丝; "#" dropped on both sides
    addRow("B273 铅丝 8#", "", "铅丝", "8#", "", "M000182");
    // synonym 空气开关 = 微型断路器; 3P picks the three-pole one
    addRow("B284 空气开关 C32 3P", "", "空气开关", "C32 3P", "", "M002678");
    // code with a specification the catalogue writes 42.5级: no precise entry, the code holds the fuzzy search
    addRow("B230 code 04010002 水泥 42.5", "04010002", "水泥", "42.5", "", "M000218");
    // code, name and specification exactly: the precise group holds both brands
    addRow("B144 code 17030103 镀锌钢管 DN25", "17030103", "镀锌钢管", "DN25",
           "M000340 M000341", "");
    // code, name and specification exactly
    addRow("B197 code 01010104 螺纹钢 HRB400 Φ12", "01010104", "螺纹钢", "HRB400 Φ12",
           "M000007 M000008", "");
    // the precise step compares the index's text form: case and Φ do not matter
    addRow("code 01010104 螺纹钢 hrb400 12 (lower case, no Φ)", "01010104", "螺纹钢",
           "hrb400 12", "M000007 M000008", "");
    // code 34130001 holds 水 and 自来水: 水 first, 自来水 left for the code group
    addRow("B265 code 34130001 水", "34130001", "水", "", "", "M000837");
    // a code the catalogue does not hold keeps every fuzzy step to nothing
    addRow("B299 unknown code 0101019999 螺纹钢 HRB600 Φ50", "0101019999", "螺纹钢",
           "HRB600 Φ50", "", "");
    // nothing of the kind in the catalogue
    addRow("B296 钢琴", "", "钢琴", "", "", "");
    // the remark names the kind: 消声止回阀 before the plain check valve
    addRow("止回阀(消声) DN80 (remark picks the kind)", "", "止回阀(消声)", "DN80", "", "M000760");
    // an unknown remark does not spoil the match
    addRow("闸阀(法兰连接) Z41T-10 DN100 (unknown remark)", "", "闸阀(法兰连接)", "Z41T-10 DN100",
           "", "M000656 M000657");
    // the catalogue's own bracketed name
    addRow("中砂(水洗) (bracketed catalogue name)", "", "中砂(水洗)", "", "", "M000244");
    // the remark picks the silent drain pipe over the plain one
    addRow("PVC-U排水管(实壁消音) De110 (remark picks the kind)", "", "PVC-U排水管(实壁消音)",
           "De110", "", "M000476");
    // fullwidth brackets around a remark of a built-in water word
    addRow("施工用水（临时） (fullwidth remark)", "", "施工用水（临时）", "", "", "M000839",
           "M000218");
    // synonym 螺纹钢筋 = 螺纹钢
    addRow("螺纹钢筋 HRB400 Φ12 (synonym)", "", "螺纹钢筋", "HRB400 Φ12", "", "M000007 M000008");
}

// Cables in the notations users write: the first group holds the rows whose
// model, prefix, cores and sections are those of the description.
void addCableRows()
{
    // compact lower case, prefix glued to the model, x as separator
    addRow("B001 zryjv3x2.5", "", "zryjv3x2.5", "", "", "M001074");
    // core count in Chinese (芯) and the unit mm²
    addRow("B002 ZR-YJV 3芯2.5mm²", "", "ZR-YJV 3芯2.5mm²", "", "", "M001074");
    // Chinese numeral 三芯 and a Chinese name glued to the model
    addRow("B003 电力电缆YJV 三芯 2.5", "", "电力电缆YJV 三芯 2.5", "", "", "M000908 M000909");
    // armoured model with digits, two core groups
    addRow("B004 yjv22 3x95+1x50", "", "yjv22 3x95+1x50", "", "", "M001327");
    // name and hyphenated specification with voltage in separate fields
    addRow("B006 电力电缆 YJV-0.6/1kV-4×25+1×16", "", "电力电缆", "YJV-0.6/1kV-4×25+1×16", "",
           "M001034 M001035");
    // "*" as the core separator
    addRow("B011 YJV 3*185+2*95", "", "YJV 3*185+2*95", "", "", "M001026 M001027");
    // Chinese numeral 四芯 and a bare section
    addRow("B015 YJV 四芯 35", "", "YJV 四芯 35", "", "", "M000950 M000951");
    // upper case compact with X and two core groups
    addRow("B022 ZRYJV4X95+1X50", "", "ZRYJV4X95+1X50", "", "", "M001141");
    // fire-resistant prefix NH
    addRow("B025 NH-YJV 4x25+1x16", "", "NH-YJV 4x25+1x16", "", "", "M001288");
    // low-smoke halogen-free prefix WDZ and model YJY
    addRow("B028 WDZ-YJY 4×50+1×25", "", "WDZ-YJY 4×50+1×25", "", "", "M001700");
    // aluminium conductor model YJLV
    addRow("B033 YJLV 4×95+1×50", "", "YJLV 4×95+1×50", "", "", "M001857");
    // medium voltage 8.7/15kV
    addRow("B035 YJV22 8.7/15kV 3×240", "", "YJV22 8.7/15kV 3×240", "", "", "M001963");
    // control cable KYJV with ten cores
    addRow("B043 KYJV 10X1.5", "", "KYJV 10X1.5", "", "", "M002246");
    // flexible cord, model glued to the size
    addRow("B045 RVV3X1.5", "", "RVV3X1.5", "", "", "M002314 M002315");
    // building wire, model glued to the section
    addRow("B051 BV2.5", "", "BV2.5", "", "", "M002441 M002442");
    // lower-case compact prefix and wire model
    addRow("B059 zrbv4", "", "zrbv4", "", "", "M002466");
    // compound WDZBYJ split into prefix and model
    addRow("B064 WDZBYJ 4", "", "WDZBYJ 4", "", "", "M002533");
    // voltage in upper case between hyphens
    addRow("B013 YJV-0.6/1KV-1×185", "", "YJV-0.6/1KV-1×185", "", "", "M000882 M000883");
    // lower-case compact NH prefix
    addRow("B027 nhyjv 3x50+2x25", "", "nhyjv 3x50+2x25", "", "", "M001279");
    // the catalogue writes this supplier's sizes with "*"
    addRow("B070 YC 3×2.5+1×1.5", "", "YC 3×2.5+1×1.5", "", "", "M002424");
    // remark in brackets in the name
    addRow("B072 电力电缆(铜芯) YJV-4×25+1×16", "", "电力电缆(铜芯)", "YJV-4×25+1×16", "",
           "M001034 M001035");
    // section with the unit 平方 in the specification
    addRow("B055 电线 BV 2.5平方", "", "电线", "BV 2.5平方", "", "M002441 M002442");
    // code with the catalogue's own name and specification: the precise group holds both brands
    addRow("B100 code 2801010023 电力电缆 YJV 0.6/1kV 3×2.5", "2801010023", "电力电缆",
           "YJV 0.6/1kV 3×2.5", "M000908 M000909", "");
    // code with another notation of the specification: the fuzzy search under that code
    addRow("B101 code 2801010086 电力电缆 YJV-4×25+1×16", "2801010086", "电力电缆",
           "YJV-4×25+1×16", "", "M001034 M001035");
    // code, specification without the voltage
    addRow("B106 code 2801050031 铠装电力电缆 YJV22 3×95+1×50", "2801050031", "铠装电力电缆",
           "YJV22 3×95+1×50", "", "M001327");
    // building wire by code, name and specification exactly
    addRow("B103 code 2807010003 铜芯聚氯乙烯绝缘电线 BV-2.5", "2807010003",
           "铜芯聚氯乙烯绝缘电线", "BV-2.5", "M002441 M002442", "");
    // hyphens and "*" together
    addRow("ZR-YJV-4*95+1*50", "", "ZR-YJV-4*95+1*50", "", "", "M001141");
    // em dash between model and size
    addRow("电力电缆 YJV22—3×95+1×50 (em dash)", "", "电力电缆 YJV22—3×95+1×50", "", "",
           "M001327");
    // voltage after the size
    addRow("YJV-3×2.5 0.6/1KV (voltage last)", "", "YJV-3×2.5 0.6/1KV", "", "",
           "M000908 M000909");
    // Chinese numeral 五芯
    addRow("YJV 五芯 16", "", "YJV 五芯 16", "", "", "M000976 M000977");
    // lower-case x; not YJV 3×4+2×2.5, which holds the same numbers
    addRow("B076 YJV 3x2.5", "", "YJV 3x2.5", "", "", "M000908 M000909");
    // two core groups, the smaller section 2.5 in the second
    addRow("B016 电力电缆 YJV-3×4+2×2.5", "", "电力电缆", "YJV-3×4+2×2.5", "", "M001004 M001005");
    // not 3×25+2×16 or 4×25+1×16, which share one core group each
    addRow("B082 YJV 3×25+1×16", "", "YJV 3×25+1×16", "", "", "M000986 M000987");
    // mineral-insulated cable: the model is in the catalogue's name, not its specification
    addRow("矿物绝缘电缆 BTTZ 1×185", "", "矿物绝缘电缆 BTTZ 1×185", "", "", "M002598");
    // models of the full cable lexicon: YJY22, not the YJV22 3×6 the word search gave before
    addRow("YJY22 3×6 (armoured PE-sheathed)", "", "YJY22 3×6", "", "", "M002730", "M001298");
    addRow("电力电缆YJY22 三芯 6 (Chinese name and numeral)", "", "电力电缆YJY22 三芯 6", "", "",
           "M002730", "M001298");
    addRow("yjy22 4x25+1x16 (lower case, x)", "", "yjy22 4x25+1x16", "", "", "M002737");
    // screened armoured control cable; a prefix the catalogue lacks still finds model and size
    addRow("KVVP22 4×1.5", "", "KVVP22 4×1.5", "", "", "M002766", "M002128");
    addRow("ZR-KVVP22 4×1.5 (prefix not in the catalogue)", "", "ZR-KVVP22 4×1.5", "", "", "M002766");
    // twisted pairs, screened: not RVVP, RVS or KVV of the same size
    addRow("RVVSP 2×1.0", "", "RVVSP 2×1.0", "", "", "M002792", "M002376 M002398 M001996");
    // halogen-free twisted cords, sold under the prefix WDZ
    addRow("RYJS 2×1.5", "", "RYJS 2×1.5", "", "", "M002797");
    addRow("RYJSP 2×1.0", "", "RYJSP 2×1.0", "", "", "M002799");
    // heavy rubber cable with a reduced fourth core
    addRow("YHC 3×2.5+1×1.5", "", "YHC 3×2.5+1×1.5", "", "", "M002801", "M002424");
    // MYJV keeps its letters and YJV22 its digits in the notation
    addRow("MYJV22 3×95 (mining)", "", "MYJV22 3×95", "", "", "M002831");
    // single-core non-magnetic armour: 62 is no core count
    addRow("YJV62 1×300", "", "YJV62 1×300", "", "", "M002749");
    // the model in the catalogue's name
    addRow("矿物绝缘电缆 BTTVZ 1×70", "", "矿物绝缘电缆 BTTVZ 1×70", "", "", "M002833");
}

} // namespace

/// Indexes data/catalogue.csv with the real indexer once, then searches it
/// through VeFinder with the sample lexicons, as a host would.
class SampleSearchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void parallelEnginesMatchOneEngine_data();
    void parallelEnginesMatchOneEngine();
    void ordinaryDescriptions_data();
    void ordinaryDescriptions();
    void cableDescriptions_data();
    void cableDescriptions();
    void resultLayout_data();
    void resultLayout();

private:
    void checkFirstGroups(bool cable);
    VeFinder engine() const;
    QList<QStringList> quota(VeFinder& finder, const QString& code, const QString& name,
                             const QString& spec) const;
    QString describe(const QList<QStringList>& result) const;

    QTemporaryDir m_dir;
    QString m_index;
    QHash<QString, Entry> m_catalogue;       ///< mat id to row
    QHash<QString, QString> m_positions;     ///< mat id to position, the host's table
};

void SampleSearchTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_index = m_dir.filePath(QStringLiteral("index"));

    QProcess indexer;
    indexer.start(QStringLiteral(VEFINDER_INDEX_TOOL),
                  {QStringLiteral("--quiet"), QStringLiteral("--strict"),
                   QStringLiteral(SAMPLE_CATALOGUE), m_index});
    QVERIFY2(indexer.waitForStarted(30000), qPrintable(indexer.errorString()));
    QVERIFY(indexer.waitForFinished(600000));
    QVERIFY2(indexer.exitStatus() == QProcess::NormalExit && indexer.exitCode() == 0,
             indexer.readAllStandardError().constData());

    for (const auto& row : readCsvTable(QStringLiteral(SAMPLE_CATALOGUE))) {
        const QString id = row.value(QStringLiteral("mat_id"));
        QVERIFY2(!m_catalogue.contains(id), qPrintable(id));
        m_catalogue.insert(id, Entry{row.value(QStringLiteral("code")),
                                     row.value(QStringLiteral("name")),
                                     row.value(QStringLiteral("spec"))});
        m_positions.insert(id, row.value(QStringLiteral("position")));
    }
    QCOMPARE(m_catalogue.size(), 2835);
}

VeFinder SampleSearchTest::engine() const
{
    VeFinder finder;
    finder.setPosIndex(m_positions);
    return finder;
}

QList<QStringList> SampleSearchTest::quota(VeFinder& finder, const QString& code,
                                           const QString& name, const QString& spec) const
{
    QList<QStringList> result;
    int found = -1;
    finder.quotaSearch(result, code, name, spec, m_index, &found, true);
    return result;
}

QString SampleSearchTest::describe(const QList<QStringList>& result) const
{
    QString text;
    for (int i = 0; i < result.size() && i < 6; ++i) {
        text += QStringLiteral("\n  group %1:").arg(i);
        for (const QString& id : result.at(i).mid(0, 8)) {
            const Entry entry = m_catalogue.value(id);
            text += QStringLiteral("\n    %1 %2 | %3").arg(id, entry.name, entry.spec);
        }
        if (result.at(i).size() > 8)
            text += QStringLiteral("\n    ... %1 in all").arg(result.at(i).size());
    }
    return text;
}

// Two engines searching at once on two threads, each going through the same
// descriptions in its own order, give what one engine gives searching them in
// turn. Runs first, so the threads also race to build the lexicon store and
// the segmenter pool.
void SampleSearchTest::parallelEnginesMatchOneEngine_data()
{
    QTest::addColumn<QList<QStringList>>("descriptions"); // code, name, spec
    QTest::newRow("cables and ordinary materials, with and without codes")
        << QList<QStringList>{{"", "镀锌钢管", "DN25"},
                              {"", "zryjv3x2.5", ""},
                              {"", "铅丝", "8#"},
                              {"", "电力电缆YJV 三芯 2.5", ""},
                              {"04010002", "水泥", "42.5"},
                              {"", "止回阀(消声)", "DN80"},
                              {"2801010086", "电力电缆", "YJV-4×25+1×16"},
                              {"", "煤", ""},
                              {"", "KYJV 10X1.5", ""}};
}

void SampleSearchTest::parallelEnginesMatchOneEngine()
{
    QFETCH(QList<QStringList>, descriptions);
    const int rounds = 3;
    // thread t searches the list forwards (t = 0) or backwards (t = 1), several times
    QHash<int, QList<QList<QStringList>>> parallel[2];
    const auto search = [&](int t) {
        VeFinder finder = engine();
        for (int round = 0; round < rounds; ++round) {
            for (int k = 0; k < descriptions.size(); ++k) {
                const int i = t == 0 ? k : descriptions.size() - 1 - k;
                const QStringList& d = descriptions.at(i);
                parallel[t][i] << quota(finder, d.at(0), d.at(1), d.at(2));
            }
        }
    };
    std::thread first(search, 0);
    std::thread second(search, 1);
    first.join();
    second.join();

    VeFinder finder = engine();
    for (int i = 0; i < descriptions.size(); ++i) {
        const QStringList& d = descriptions.at(i);
        const QList<QStringList> expected = quota(finder, d.at(0), d.at(1), d.at(2));
        QVERIFY2(!allIds(expected).isEmpty(), qPrintable(d.join(QLatin1Char('/'))));
        for (int t = 0; t < 2; ++t) {
            QCOMPARE(parallel[t][i].size(), rounds);
            for (const QList<QStringList>& got : qAsConst(parallel[t][i]))
                QCOMPARE(got, expected);
        }
    }
}

// The first groups as the rows say, and the steps that ran as the engine's
// observer sees them: a cable description is searched by its attributes only,
// an ordinary one by words only; every id of the result was reported as
// delivered, and nothing else was.
void SampleSearchTest::checkFirstGroups(bool cable)
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, spec);
    QFETCH(QStringList, precise);
    QFETCH(QStringList, first);
    QFETCH(QStringList, absent);
    for (const QString& id : precise + first + absent)
        QVERIFY2(m_catalogue.contains(id), qPrintable(QStringLiteral("no entry %1").arg(id)));

    RecordingObserver observer;
    VeFinder finder = engine();
    finder.setObserver(&observer);
    const QList<QStringList> result = quota(finder, code, name, spec);
    QVERIFY2(result.size() >= 2, qPrintable(describe(result)));
    if (asSet(result.first()) != asSet(precise) || asSet(firstFuzzyGroup(result)) != asSet(first))
        qWarning().noquote() << "result:" << describe(result);
    QCOMPARE(asSet(result.first()), asSet(precise));
    QCOMPARE(asSet(firstFuzzyGroup(result)), asSet(first));
    const QStringList ids = allIds(result);
    for (const QString& id : qAsConst(absent))
        QVERIFY2(!ids.contains(id), qPrintable(id + describe(result)));

    QSet<QString> steps;
    QSet<QString> delivered;
    for (const QString& entry : observer.queries())
        steps << entry.section(QStringLiteral(": "), 0, 0);
    for (const QString& entry : observer.deliveries()) {
        steps << entry.section(QStringLiteral(": "), 0, 0);
        delivered << entry.section(QStringLiteral(": "), 1).section(QLatin1Char(' '), 0, 0);
    }
    QCOMPARE(asSet(delivered), asSet(ids));

    QVERIFY(steps.contains(QStringLiteral("precise")));
    QVERIFY(steps.contains(QStringLiteral("code")));
    const QString ran = asSet(steps);
    if (cable) {
        QVERIFY2(steps.contains(QStringLiteral("cableWords")), qPrintable(ran));
        QVERIFY2(steps.contains(QStringLiteral("cable1")), qPrintable(ran));
        static const QRegularExpression cableStep(
            QStringLiteral("^(precise|code|cableWords|cableParts|cable([1-9]|10))$"));
        for (const QString& step : qAsConst(steps))
            QVERIFY2(cableStep.match(step).hasMatch(), qPrintable(ran));
    } else {
        QVERIFY2(steps.contains(QStringLiteral("matsetAll")), qPrintable(ran));
        for (const QString& step : qAsConst(steps)) {
            QVERIFY2(step == QStringLiteral("precise") || step == QStringLiteral("code")
                         || kOrdinarySteps.contains(step),
                     qPrintable(ran));
        }
    }
}

void SampleSearchTest::ordinaryDescriptions_data()
{
    addColumns();
    addOrdinaryRows();
}

void SampleSearchTest::ordinaryDescriptions()
{
    checkFirstGroups(false);
}

void SampleSearchTest::cableDescriptions_data()
{
    addColumns();
    addCableRows();
}

void SampleSearchTest::cableDescriptions()
{
    checkFirstGroups(true);
}

// Every line of the sample bill, and a few lines on the one code whose
// entries differ in specification: each id once per call and an entry of the
// catalogue; the precise group first and the code group last, both as the
// catalogue's rows say; without a code, segmentSearch of the joined text is
// the fuzzy part of quotaSearch.
void SampleSearchTest::resultLayout_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spec");
    int malformed = 0;
    const auto lines = readCsvTable(QStringLiteral(SAMPLE_BILL), &malformed);
    QCOMPARE(malformed, 0);
    QCOMPARE(lines.size(), 299);
    for (const auto& line : lines) {
        const QString code = line.value(QStringLiteral("code"));
        const QString name = line.value(QStringLiteral("name"));
        const QString spec = line.value(QStringLiteral("spec"));
        const QString row = QStringList{line.value(QStringLiteral("id")), code, name, spec}
                                .join(QLatin1Char(' '))
                                .simplified();
        QTest::newRow(qPrintable(row)) << code << name << spec;
    }
    // 14330001 holds 氧气 without a specification and 氧气 40L瓶装: code and
    // specification together reach the second only
    QTest::newRow("code 14330001 氧气 40L瓶装") << "14330001" << "氧气" << "40L瓶装";
    QTest::newRow("code 14330001 氧气 40l 瓶装 (case and spacing aside)")
        << "14330001" << "氧气" << "40l 瓶装";
    QTest::newRow("code with spaces around it, 氧气 40L瓶装") << " 14330001 " << "氧气" << "40L瓶装";
    QTest::newRow("code 14330001 氧气 without specification") << "14330001" << "氧气" << "";
    QTest::newRow("code 14330001 氧气 5L (no such specification)") << "14330001" << "氧气" << "5L";
    QTest::newRow("code 34130001 自来水") << "34130001" << "自来水" << "";
}

void SampleSearchTest::resultLayout()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, spec);

    VeFinder finder = engine();
    const QList<QStringList> result = quota(finder, code, name, spec);
    QVERIFY(result.size() >= 2);

    const QStringList ids = allIds(result);
    QSet<QString> seen;
    for (const QString& id : ids) {
        QVERIFY2(m_catalogue.contains(id), qPrintable(id));
        QVERIFY2(!seen.contains(id), qPrintable(id + QStringLiteral(" twice") + describe(result)));
        seen << id;
    }

    // The entries the code reaches: those whose code (spaces around it aside)
    // and specification (white space and case aside) are the line's, if there
    // are any, else all entries of exactly that code.
    QSet<QString> keyed;
    QSet<QString> ofCode;
    for (auto it = m_catalogue.cbegin(); it != m_catalogue.cend(); ++it) {
        if (code.isEmpty())
            break;
        if (it->code == code)
            ofCode << it.key();
        if (it->code.trimmed() == code.trimmed() && !spec.trimmed().isEmpty()
            && !it->spec.trimmed().isEmpty() && squeezed(it->spec) == squeezed(spec))
            keyed << it.key();
    }
    if (keyed.isEmpty())
        keyed = ofCode;

    QSet<QString> precise;
    for (const QString& id : qAsConst(keyed)) {
        const Entry entry = m_catalogue.value(id);
        if (!indexText(name).isEmpty() && !indexText(spec).isEmpty()
            && indexText(entry.name) == indexText(name) && indexText(entry.spec) == indexText(spec))
            precise << id;
    }
    QCOMPARE(asSet(result.first()), asSet(precise));

    QSet<QString> beforeCode = seen;
    beforeCode.subtract(QSet<QString>(result.last().cbegin(), result.last().cend()));
    QCOMPARE(asSet(result.last()), asSet(QSet<QString>(keyed).subtract(beforeCode)));

    if (code.isEmpty()) {
        QList<QStringList> segmented;
        finder.segmentSearch(segmented, name + QLatin1Char(' ') + spec, m_index, true);
        QCOMPARE(segmented, result.mid(1, result.size() - 2));
    }
}

QTEST_GUILESS_MAIN(SampleSearchTest)
#include "tst_samplesearch.moc"
