/** @file tst_clitool.cpp @brief The vefinder program: errors and exit codes, JSON schema, explain, batch, positions. */
#include "tooltestsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString testData(const QString& name)
{
    return QStringLiteral(TOOLS_TEST_DATA "/") + name;
}

QSet<QString> keysOf(const QJsonObject& object)
{
    const QStringList keys = object.keys();
    return QSet<QString>(keys.begin(), keys.end());
}

QSet<QString> keySet(std::initializer_list<const char*> names)
{
    QSet<QString> set;
    for (const char* name : names)
        set.insert(QString::fromLatin1(name));
    return set;
}

/// The groups of a vefinder-result/1 document as lists of mat ids.
QList<QStringList> groupIds(const QJsonObject& root)
{
    QList<QStringList> groups;
    for (const QJsonValue& group : root.value(QStringLiteral("groups")).toArray()) {
        QStringList ids;
        for (const QJsonValue& entry : group.toObject().value(QStringLiteral("entries")).toArray())
            ids << entry.toObject().value(QStringLiteral("matId")).toString();
        groups << ids;
    }
    return groups;
}

QList<QStringList> toLists(const QJsonArray& groups)
{
    QList<QStringList> lists;
    for (const QJsonValue& group : groups) {
        QStringList ids;
        for (const QJsonValue& id : group.toArray())
            ids << id.toString();
        lists << ids;
    }
    return lists;
}

/// Cable entries that differ in model, cores and cross-section, so that one
/// cable description ranks them into many groups.
const char CableCatalogue[] =
    "mat_id,code,name,spec,brand,position\n"
    "C01,2801001,电力电缆,ZR-YJV-0.6/1KV-3×2.5,远东,1\n"
    "C02,2801002,电力电缆,YJV-0.6/1KV-3×2.5,远东,2\n"
    "C03,2801003,电力电缆,YJV-0.6/1KV-3×4,远东,3\n"
    "C04,2801004,电力电缆,YJV-0.6/1KV-3×4+2×2.5,远东,4\n"
    "C05,2801005,电力电缆,YJV22-0.6/1KV-3×2.5,远东,5\n"
    "C06,2801006,电力电缆,ZR-YJV-0.6/1KV-3×4,远东,6\n"
    "C07,2801007,电力电缆,ZR-YJV-0.6/1KV-4×2.5,远东,7\n"
    "C08,2801008,电力电缆,VV-0.6/1KV-3×2.5,远东,8\n"
    "C09,2801009,电力电缆,YJV-0.6/1KV-3×95,远东,9\n"
    "C10,2801010,电力电缆,ZR-YJV-0.6/1KV-3×6,远东,A\n"
    "C11,2801011,电力电缆,ZR-YJV-0.6/1KV-3×10,远东,B\n"
    "C12,2802001,铜芯聚氯乙烯绝缘电线,BV-2.5,起帆,C\n"
    "C13,0401001,镀锌钢管,DN25,华岐,D\n";

/// The rows block of a vefinder table: the lines between the column header
/// and the first blank line.
QStringList tableBlock(const QString& output)
{
    QStringList block;
    bool inTable = false;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (!inTable) {
            inTable = line.startsWith(QLatin1String("group  kind"));
            continue;
        }
        if (line.isEmpty())
            break;
        block << line;
    }
    return block;
}

/// The part of a table output after the rows block: summary and queries.
QString afterBlock(const QString& output)
{
    const int header = output.indexOf(QLatin1String("group  kind"));
    const int end = header < 0 ? -1 : output.indexOf(QLatin1String("\n\n"), header);
    return end < 0 ? QString() : output.mid(end);
}

} // namespace

class VeFinderCliTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void errorsAndExitCodes_data();
    void errorsAndExitCodes();
    void missingDataBesideProgram_data();
    void missingDataBesideProgram();
    void helpTexts_data();
    void helpTexts();
    void siblingToolsForwarded();

    void jsonSchema_data();
    void jsonSchema();
    void tableOutput();
    void explainKeepsGroups_data();
    void explainKeepsGroups();
    void positionsBreakTies_data();
    void positionsBreakTies();
    void tableGroupLimit_data();
    void tableGroupLimit();
    void allGroupsByDefault_data();
    void allGroupsByDefault();

    void batchEqualsSingleCalls();
    void batchIsDeterministicAcrossJobs_data();
    void batchIsDeterministicAcrossJobs();
    void batchCsvColumns();
    void batchReportsBadRows();

private:
    /// Runs vefinder with --json and returns the parsed document.
    QJsonObject runJson(const QStringList& arguments);

    QTemporaryDir m_dir;
    QString m_index;
    QString m_cableIndex; ///< CableCatalogue indexed
};

void VeFinderCliTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    QVERIFY2(ToolTest::installTools(&error), qPrintable(error));
    m_index = m_dir.filePath(QStringLiteral("index"));
    // Built through the index command, which runs vefinder-index.
    const ToolResult built = ToolTest::run(QStringLiteral("vefinder"),
                                           {QStringLiteral("index"), QStringLiteral("--quiet"),
                                            testData(QStringLiteral("catalogue.csv")), m_index});
    QVERIFY2(built.exitCode == 0 && !built.crashed, qPrintable(built.describe()));
    QVERIFY(QFileInfo(m_index).isDir());

    const QString cables = m_dir.filePath(QStringLiteral("cables.csv"));
    QVERIFY(ToolTest::writeFile(cables, CableCatalogue));
    m_cableIndex = m_dir.filePath(QStringLiteral("cable-index"));
    const ToolResult cableBuilt = ToolTest::run(QStringLiteral("vefinder"),
                                                {QStringLiteral("index"), QStringLiteral("--quiet"), cables, m_cableIndex});
    QVERIFY2(cableBuilt.exitCode == 0 && !cableBuilt.crashed, qPrintable(cableBuilt.describe()));
}

QJsonObject VeFinderCliTest::runJson(const QStringList& arguments)
{
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder"), arguments + QStringList{QStringLiteral("--json")});
    if (result.exitCode != 0 || result.crashed) {
        qWarning("%s", qPrintable(result.describe()));
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        qWarning("not JSON: %s", qPrintable(parseError.errorString()));
    return document.object();
}

void VeFinderCliTest::errorsAndExitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString missing = m_dir.filePath(QStringLiteral("no-such-dir"));
    const QString empty = m_dir.filePath(QStringLiteral("empty-dir"));
    QDir().mkpath(empty);
    const QString file = m_dir.filePath(QStringLiteral("a-file"));
    ToolTest::writeFile(file, "not an index");
    const QString noPositions = m_dir.filePath(QStringLiteral("no-positions.txt"));
    ToolTest::writeFile(noPositions, "just some words\nand more\n");
    const QString noName = m_dir.filePath(QStringLiteral("no-name.csv"));
    ToolTest::writeFile(noName, "id,code,spec\n1,2,3\n");
    // Arguments separated by '|'; INDEX, MISSING, EMPTY, FILE, BILL, ... stand for paths.
    const auto row = [&](const char* name, const char* args, int exitCode, const QString& message) {
        QStringList arguments = QString::fromUtf8(args).split(QLatin1Char('|'));
        for (QString& a : arguments) {
            a.replace(QStringLiteral("INDEX"), m_index).replace(QStringLiteral("MISSING"), missing);
            a.replace(QStringLiteral("EMPTY"), empty).replace(QStringLiteral("FILE"), file);
            a.replace(QStringLiteral("BILL"), testData(QStringLiteral("bill.csv")));
            a.replace(QStringLiteral("NOPOS"), noPositions).replace(QStringLiteral("NONAME"), noName);
        }
        QTest::newRow(name) << (QString::fromUtf8(args).isEmpty() ? QStringList() : arguments) << exitCode << message;
    };
    row("no command", "", 2, "no command given");
    row("unknown command", "frobnicate", 2, "unknown command");
    row("quota with two arguments", "quota|a|b|--index|INDEX", 2, "expected 3 argument(s), got 2");
    row("unknown option", "code|x|--bogus", 2, "bogus");
    row("option without its value", "code|x|--index", 2, "index");
    row("batch with zero jobs", "batch|BILL|--jobs|0|--index|INDEX", 2, "--jobs expects");
    row("batch with an unknown format", "batch|BILL|--format|xml|--index|INDEX", 2, "--format expects");
    // Checked before the index: these run where no ./index exists.
    row("groups negative", "quota||电力电缆|YJV 3×2.5|--groups|-1", 2,
        "--groups expects a whole number of groups, 0 or more (0: all), got \"-1\"");
    row("groups in Chinese numerals", "segment|钢管|--groups|三", 2, "--groups expects");
    row("groups with a fraction", "code|x|--groups=2.5", 2, "--groups expects");
    row("groups on batch", "batch|BILL|--groups|3", 2, "groups");
    row("index directory missing", "code|x|--index|MISSING", 1, missing + QStringLiteral(": no such index directory"));
    row("default index missing", "code|x", 1, "give another with --index DIR");
    row("directory without an index", "segment|x|--index|EMPTY", 1, empty + QStringLiteral(": holds no catalogue index"));
    row("file instead of a directory", "code|x|--index|FILE", 1, file + QStringLiteral(": not a directory"));
    row("positions file missing", "quota|a|b|c|--index|INDEX|--positions|MISSING", 1,
        missing + QStringLiteral(": cannot open the positions file"));
    row("positions file without positions", "segment|钢管|--index|INDEX|--positions|NOPOS", 1,
        noPositions + QStringLiteral(": holds no mat id with a hexadecimal position"));
    row("batch input missing", "batch|MISSING|--index|INDEX", 1, missing + QStringLiteral(": cannot open"));
    row("batch input without a name column", "batch|NONAME|--index|INDEX", 1, "names no \"name\" column");
}

void VeFinderCliTest::errorsAndExitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir workDir; // holds no ./index
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder"), arguments, workDir.path());
    QVERIFY2(!result.crashed && result.exitCode == exitCode, qPrintable(result.describe()));
    QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
    if (exitCode == 2)
        QVERIFY2(result.errText().contains(QStringLiteral("--help")), qPrintable(result.errText()));
    QVERIFY(result.out.isEmpty());
}

void VeFinderCliTest::missingDataBesideProgram_data()
{
    QTest::addColumn<bool>("withLexicons");
    QTest::addColumn<bool>("withSegmenter");
    QTest::newRow("no dict at all") << false << false;
    QTest::newRow("no lexicon directory") << false << true;
    QTest::newRow("no segmenter dictionary") << true << false;
}

void VeFinderCliTest::missingDataBesideProgram()
{
    QFETCH(bool, withLexicons);
    QFETCH(bool, withSegmenter);
    QTemporaryDir app;
    const QString program = app.filePath(QStringLiteral("vefinder"));
    QVERIFY(QFile::copy(ToolTest::tool(QStringLiteral("vefinder")), program));
    QFile::setPermissions(program, QFile::permissions(ToolTest::tool(QStringLiteral("vefinder"))));
    const QString lexicons = app.filePath(QStringLiteral("dict/MATLEX"));
    const QString segmenter = app.filePath(QStringLiteral("dict/UTF-8"));
    if (withLexicons)
        QVERIFY(QDir().mkpath(lexicons));
    if (withSegmenter)
        QVERIFY(QDir().mkpath(app.filePath(QStringLiteral("dict"))) && QFile::link(QCoreApplication::applicationDirPath() + QStringLiteral("/dict/UTF-8"), segmenter));

    const ToolResult result = ToolTest::run(program, {QStringLiteral("code"), QStringLiteral("x"),
                                                      QStringLiteral("--index"), m_index});
    QVERIFY2(!result.crashed && result.exitCode == 1, qPrintable(result.describe()));
    QCOMPARE(result.errText().contains(lexicons + QStringLiteral(": missing")), !withLexicons);
    QCOMPARE(result.errText().contains(segmenter + QStringLiteral(": missing")), !withSegmenter);

    const ToolResult index = ToolTest::run(program, {QStringLiteral("index"), QStringLiteral("a.csv"), QStringLiteral("b")});
    QCOMPARE(index.exitCode, 1);
    QVERIFY2(index.errText().contains(app.filePath(QStringLiteral("vefinder-index")) + QStringLiteral(": not found")),
             qPrintable(index.errText()));
}

void VeFinderCliTest::helpTexts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("mentions");
    QTest::newRow("overview") << QStringList{QStringLiteral("--help")}
                              << QStringList{QStringLiteral("quota"), QStringLiteral("segment"), QStringLiteral("code"),
                                             QStringLiteral("batch"), QStringLiteral("index"), QStringLiteral("lex"),
                                             QStringLiteral("Exit codes")};
    QTest::newRow("quota") << QStringList{QStringLiteral("quota"), QStringLiteral("--help")}
                           << QStringList{QStringLiteral("vefinder quota"), QStringLiteral("CODE"), QStringLiteral("NAME"),
                                          QStringLiteral("SPEC"), QStringLiteral("--index"), QStringLiteral("--shallow"),
                                          QStringLiteral("--positions"), QStringLiteral("--json"),
                                          QStringLiteral("--explain"), QStringLiteral("--groups <N>")};
    QTest::newRow("index") << QStringList{QStringLiteral("index"), QStringLiteral("--help")}
                           << QStringList{QStringLiteral("Usage: vefinder-index [options] CATALOGUE.csv INDEX_DIR")};
}

void VeFinderCliTest::helpTexts()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, mentions);
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder"), arguments);
    QVERIFY2(result.exitCode == 0 && !result.crashed, qPrintable(result.describe()));
    for (const QString& mention : mentions)
        QVERIFY2(result.outText().contains(mention), qPrintable(mention + QStringLiteral(" not in:\n") + result.outText()));
}

void VeFinderCliTest::siblingToolsForwarded()
{
    // vefinder index/lex give the tool its arguments and return its exit code.
    const QList<QStringList> cases = {{QStringLiteral("lex")},
                                      {QStringLiteral("lex"), QStringLiteral("decode"), QStringLiteral("nonsense")},
                                      {QStringLiteral("index"), QStringLiteral("only-one-argument")}};
    for (const QStringList& arguments : cases) {
        const QString tool = arguments.first() == QLatin1String("lex") ? QStringLiteral("vefinder-lex")
                                                                        : QStringLiteral("vefinder-index");
        const ToolResult direct = ToolTest::run(tool, arguments.mid(1));
        const ToolResult forwarded = ToolTest::run(QStringLiteral("vefinder"), arguments);
        QVERIFY(direct.exitCode != 0);
        QCOMPARE(forwarded.exitCode, direct.exitCode);
        QCOMPARE(forwarded.err, direct.err);
    }
}

void VeFinderCliTest::jsonSchema_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("explain");
    QTest::addColumn<QString>("expectedFirst"); // mat id expected first in the first non-empty group

    const QStringList exact = {QStringLiteral("quota"), QStringLiteral("0401001"), QStringLiteral("镀锌钢管"),
                               QStringLiteral("DN25")};
    QTest::newRow("quota") << exact << false << QStringLiteral("T001");
    QTest::newRow("quota explained") << exact << true << QStringLiteral("T001");
    QTest::newRow("quota shallow, without code")
        << QStringList{QStringLiteral("quota"), QString(), QStringLiteral("镀锌钢管"), QStringLiteral("DN50"),
                       QStringLiteral("--shallow")}
        << false << QStringLiteral("T002");
    QTest::newRow("segment, cable") << QStringList{QStringLiteral("segment"), QStringLiteral("电力电缆YJV 三芯 2.5")} << true
                                    << QStringLiteral("T004");
    QTest::newRow("code") << QStringList{QStringLiteral("code"), QStringLiteral("2801002")} << false
                          << QStringLiteral("T005");
    QTest::newRow("code explained") << QStringList{QStringLiteral("code"), QStringLiteral("2801002")} << true
                                    << QStringLiteral("T005");
    QTest::newRow("nothing found") << QStringList{QStringLiteral("code"), QStringLiteral("nope")} << false << QString();
}

void VeFinderCliTest::jsonSchema()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, explain);
    QFETCH(QString, expectedFirst);
    QStringList full = arguments + QStringList{QStringLiteral("--index"), m_index};
    if (explain)
        full << QStringLiteral("--explain");
    const QJsonObject root = runJson(full);
    QVERIFY(!root.isEmpty());

    QSet<QString> rootKeys = keySet({"schema", "command", "input", "index", "deepSearch", "foundCount", "entryCount", "groups"});
    if (explain)
        rootKeys.insert(QStringLiteral("queries"));
    QCOMPARE(keysOf(root), rootKeys);
    QCOMPARE(root.value(QStringLiteral("schema")).toString(), QStringLiteral("vefinder-result/1"));
    const QString command = arguments.first();
    QCOMPARE(root.value(QStringLiteral("command")).toString(), command);
    QCOMPARE(root.value(QStringLiteral("index")).toString(), QFileInfo(m_index).absoluteFilePath());
    QCOMPARE(root.value(QStringLiteral("deepSearch")).toBool(), !arguments.contains(QStringLiteral("--shallow")));
    QVERIFY(root.value(QStringLiteral("deepSearch")).isBool());
    QVERIFY(root.value(QStringLiteral("foundCount")).isNull() || root.value(QStringLiteral("foundCount")).isDouble());
    if (command != QLatin1String("quota"))
        QVERIFY(root.value(QStringLiteral("foundCount")).isNull());

    const QJsonObject input = root.value(QStringLiteral("input")).toObject();
    if (command == QLatin1String("quota")) {
        QCOMPARE(keysOf(input), keySet({"code", "name", "spec"}));
        QCOMPARE(input.value(QStringLiteral("name")).toString(), arguments.at(2));
    } else if (command == QLatin1String("segment")) {
        QCOMPARE(keysOf(input), keySet({"text"}));
        QCOMPARE(input.value(QStringLiteral("text")).toString(), arguments.at(1));
    } else {
        QCOMPARE(keysOf(input), keySet({"code"}));
    }

    const QJsonArray groups = root.value(QStringLiteral("groups")).toArray();
    if (command == QLatin1String("quota"))
        QVERIFY(groups.size() >= 2);
    if (command == QLatin1String("code"))
        QCOMPARE(groups.size(), 1);
    QSet<QString> entryKeys = keySet({"matId", "inIndex", "code", "name", "spec", "brand"});
    if (explain) {
        entryKeys.insert(QStringLiteral("step"));
        entryKeys.insert(QStringLiteral("sortValue"));
    }
    int entries = 0;
    QString first;
    for (int g = 0; g < groups.size(); ++g) {
        const QJsonObject group = groups.at(g).toObject();
        QCOMPARE(keysOf(group), keySet({"number", "kind", "entries"}));
        QCOMPARE(group.value(QStringLiteral("number")).toInt(), g + 1);
        QString kind = QStringLiteral("fuzzy");
        if (command == QLatin1String("code") || (command == QLatin1String("quota") && g == groups.size() - 1))
            kind = QStringLiteral("code");
        if (command == QLatin1String("quota") && g == 0)
            kind = QStringLiteral("precise");
        QCOMPARE(group.value(QStringLiteral("kind")).toString(), kind);
        QVERIFY(group.value(QStringLiteral("entries")).isArray());
        for (const QJsonValue& value : group.value(QStringLiteral("entries")).toArray()) {
            const QJsonObject entry = value.toObject();
            QCOMPARE(keysOf(entry), entryKeys);
            for (const char* key : {"matId", "code", "name", "spec", "brand"})
                QVERIFY2(entry.value(QLatin1String(key)).isString(), key);
            QCOMPARE(entry.value(QStringLiteral("inIndex")).toBool(), true);
            if (explain) {
                QVERIFY(!entry.value(QStringLiteral("step")).toString().isEmpty());
                QVERIFY(entry.value(QStringLiteral("sortValue")).isDouble());
                if (kind != QLatin1String("fuzzy"))
                    QCOMPARE(entry.value(QStringLiteral("step")).toString(), kind);
            }
            if (first.isEmpty())
                first = entry.value(QStringLiteral("matId")).toString();
            ++entries;
        }
    }
    QCOMPARE(root.value(QStringLiteral("entryCount")).toInt(), entries);
    QCOMPARE(first, expectedFirst);
    if (explain) {
        const QJsonArray queries = root.value(QStringLiteral("queries")).toArray();
        QVERIFY(!queries.isEmpty());
        for (const QJsonValue& query : queries) {
            QCOMPARE(keysOf(query.toObject()), keySet({"step", "query"}));
            QVERIFY(!query.toObject().value(QStringLiteral("query")).toString().isEmpty());
        }
    }
}

void VeFinderCliTest::tableOutput()
{
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder"),
                                            {QStringLiteral("quota"), QStringLiteral("0401001"), QStringLiteral("镀锌钢管"),
                                             QStringLiteral("DN25"), QStringLiteral("--index"), m_index,
                                             QStringLiteral("--explain")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    const QStringList lines = result.outText().split(QLatin1Char('\n'));
    // The entry's row: group, kind, mat id, stored code, name and spec, step, sort value.
    const QRegularExpression row(QStringLiteral("^1\\s+precise\\s+T001\\s+0401001\\s+镀锌钢管\\s+dn25\\s+precise\\s+1$"));
    bool found = false;
    for (const QString& line : lines)
        found = found || row.match(line).hasMatch();
    QVERIFY2(found, qPrintable(result.outText()));
    QVERIFY(result.outText().contains(QStringLiteral("queries run:")));
    QVERIFY(result.outText().contains(QStringLiteral("code     (none)")));
}

void VeFinderCliTest::explainKeepsGroups_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("quota, exact") << QStringList{QStringLiteral("quota"), QStringLiteral("0401001"), QStringLiteral("镀锌钢管"),
                                                 QStringLiteral("DN25")};
    QTest::newRow("quota, cable by code") << QStringList{QStringLiteral("quota"), QStringLiteral("2801002"),
                                                         QStringLiteral("电力电缆"), QStringLiteral("YJV22 3×95+1×50")};
    QTest::newRow("quota, shallow") << QStringList{QStringLiteral("quota"), QString(), QStringLiteral("焊管"),
                                                   QStringLiteral("DN100"), QStringLiteral("--shallow")};
    QTest::newRow("segment, ordinary") << QStringList{QStringLiteral("segment"), QStringLiteral("镀锌钢管")};
    QTest::newRow("segment, cable") << QStringList{QStringLiteral("segment"), QStringLiteral("zryjv3x2.5")};
    QTest::newRow("segment, nothing") << QStringList{QStringLiteral("segment"), QStringLiteral("不存在的材料")};
    QTest::newRow("code") << QStringList{QStringLiteral("code"), QStringLiteral("0101001")};
}

void VeFinderCliTest::explainKeepsGroups()
{
    QFETCH(QStringList, arguments);
    const QStringList base = arguments + QStringList{QStringLiteral("--index"), m_index};
    const QJsonObject plain = runJson(base);
    const QJsonObject explained = runJson(base + QStringList{QStringLiteral("--explain")});
    QVERIFY(!plain.isEmpty() && !explained.isEmpty());
    QCOMPARE(groupIds(explained), groupIds(plain));
    QCOMPARE(explained.value(QStringLiteral("foundCount")), plain.value(QStringLiteral("foundCount")));
}

void VeFinderCliTest::positionsBreakTies_data()
{
    QTest::addColumn<QByteArray>("positions"); // null: the test catalogue itself
    QTest::addColumn<QStringList>("order");
    QTest::newRow("catalogue position column") << QByteArray() << QStringList{QStringLiteral("T007"), QStringLiteral("T008")};
    QTest::newRow("two columns, whitespace") << QByteArray("T007 8\nT008\t7\n")
                                             << QStringList{QStringLiteral("T008"), QStringLiteral("T007")};
    QTest::newRow("two columns with a header") << QByteArray("id,pos\nT007,1\nT008,2\n")
                                               << QStringList{QStringLiteral("T007"), QStringLiteral("T008")};
    QTest::newRow("hexadecimal") << QByteArray("T007,1F\nT008,a\n") << QStringList{QStringLiteral("T008"), QStringLiteral("T007")};
}

void VeFinderCliTest::positionsBreakTies()
{
    // T007 and T008 differ in brand and position only, so the location
    // table alone decides which ranks first.
    QFETCH(QByteArray, positions);
    QFETCH(QStringList, order);
    QString file = testData(QStringLiteral("catalogue.csv"));
    QTemporaryDir dir;
    if (!positions.isNull()) {
        file = dir.filePath(QStringLiteral("positions.txt"));
        QVERIFY(ToolTest::writeFile(file, positions));
    }
    const QJsonObject root = runJson({QStringLiteral("segment"), QStringLiteral("普通硅酸盐水泥 P.O 42.5"), QStringLiteral("--index"),
                                      m_index, QStringLiteral("--positions"), file});
    QVERIFY(!root.isEmpty());
    QStringList tied;
    for (const QStringList& group : groupIds(root)) {
        for (const QString& id : group)
            if (id == QLatin1String("T007") || id == QLatin1String("T008"))
                tied << id;
        if (!tied.isEmpty())
            break;
    }
    QCOMPARE(tied, order);
}

void VeFinderCliTest::tableGroupLimit_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("shown");  // the group numbers the table shows, in order
    QTest::addColumn<QString>("hidden"); // the line about the rest, empty when all show

    // Six fuzzy groups holding 1, 1, 1, 1, 2 and 1 entries.
    const QStringList cable = {QStringLiteral("segment"), QStringLiteral("zryjv3x2.5")};
    // Precise group empty, six fuzzy groups as for cable, code group empty.
    const QStringList quota = {QStringLiteral("quota"), QString(), QStringLiteral("电力电缆"), QStringLiteral("ZR-YJV 3×2.5")};
    const QString all = QStringLiteral("; --groups 0 shows all");

    QTest::newRow("segment, cable, first three") << cable << QStringLiteral("3") << QStringLiteral("1 2 3")
                                                 << QStringLiteral("not shown: 3 groups (4 to 6) with 4 entries") + all;
    QTest::newRow("segment, as many as there are") << cable << QStringLiteral("6") << QStringLiteral("1 2 3 4 5 6") << QString();
    QTest::newRow("quota, precise and code groups kept") << quota << QStringLiteral("2") << QStringLiteral("1 2 3 8")
                                                         << QStringLiteral("not shown: 4 groups (4 to 7) with 5 entries") + all;
    QTest::newRow("code, one group whatever the limit")
        << QStringList{QStringLiteral("code"), QStringLiteral("2801003")} << QStringLiteral("1") << QStringLiteral("1") << QString();
}

void VeFinderCliTest::tableGroupLimit()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, limit);
    QFETCH(QString, shown);
    QFETCH(QString, hidden);
    const QStringList base = arguments + QStringList{QStringLiteral("--index"), m_cableIndex};
    const ToolResult full = ToolTest::run(QStringLiteral("vefinder"), base);
    const ToolResult limited = ToolTest::run(QStringLiteral("vefinder"), base + QStringList{QStringLiteral("--groups"), limit});
    QVERIFY2(full.exitCode == 0 && !full.crashed, qPrintable(full.describe()));
    QVERIFY2(limited.exitCode == 0 && !limited.crashed, qPrintable(limited.describe()));
    const QJsonObject json = runJson(base + QStringList{QStringLiteral("--groups"), limit});
    QVERIFY(!json.isEmpty());
    const QList<QStringList> groups = groupIds(json);

    // Rows of the shown groups, in result order, each group with all its
    // entries (or its "(none)"), then the line about the rest.
    const QStringList block = tableBlock(limited.outText());
    QStringList numbers;
    QStringList expectedRows;
    QStringList rows;
    QString rest;
    for (const QString& line : block) {
        if (line.startsWith(QLatin1String("not shown: "))) {
            QVERIFY2(rest.isEmpty(), qPrintable(limited.outText()));
            rest = line;
            continue;
        }
        QVERIFY2(rest.isEmpty(), qPrintable(QStringLiteral("row after the line about the rest:\n") + limited.outText()));
        const QStringList cells = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QVERIFY2(cells.size() >= 3, qPrintable(line));
        if (numbers.isEmpty() || numbers.last() != cells.at(0)) {
            numbers << cells.at(0);
            const int g = cells.at(0).toInt() - 1;
            QVERIFY2(g >= 0 && g < groups.size(), qPrintable(line));
            for (const QString& id : groups.at(g))
                expectedRows << cells.at(0) + QLatin1Char(' ') + id;
            if (groups.at(g).isEmpty())
                expectedRows << cells.at(0) + QStringLiteral(" (none)");
        }
        rows << cells.at(0) + QLatin1Char(' ') + cells.at(2);
        if (arguments.contains(QStringLiteral("--explain")) && cells.at(2) != QLatin1String("(none)"))
            QVERIFY2(cells.size() >= 7, qPrintable(QStringLiteral("no step and sort: ") + line));
    }
    QCOMPARE(numbers.join(QLatin1Char(' ')), shown);
    QCOMPARE(rows, expectedRows);
    QCOMPARE(rest, hidden);

    // What is left out is counted from the whole result: the JSON keeps
    // every group and the summary and the queries stay those of the full table.
    int hiddenGroups = 0;
    int hiddenEntries = 0;
    for (int g = 0; g < groups.size(); ++g) {
        if (!numbers.contains(QString::number(g + 1))) {
            ++hiddenGroups;
            hiddenEntries += groups.at(g).size();
        }
    }
    QCOMPARE(hiddenGroups == 0, hidden.isEmpty());
    if (hiddenGroups > 0)
        QVERIFY2(rest.startsWith(QStringLiteral("not shown: %1 group").arg(hiddenGroups))
                     && rest.contains(QStringLiteral(" with %1 entr").arg(hiddenEntries)),
                 qPrintable(rest));
    QCOMPARE(afterBlock(limited.outText()), afterBlock(full.outText()));
    QVERIFY(!afterBlock(full.outText()).isEmpty());
    if (arguments.contains(QStringLiteral("--explain")))
        QVERIFY(afterBlock(limited.outText()).contains(QStringLiteral("queries run:")));
}

void VeFinderCliTest::allGroupsByDefault_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("index"); // "cable" or "test"
    QTest::newRow("segment, cable") << QStringList{QStringLiteral("segment"), QStringLiteral("zryjv3x2.5")} << QStringLiteral("cable");
    QTest::newRow("quota, precise hit") << QStringList{QStringLiteral("quota"), QStringLiteral("0401001"),
                                                       QStringLiteral("镀锌钢管"), QStringLiteral("DN25")}
                                        << QStringLiteral("test");
    QTest::newRow("code") << QStringList{QStringLiteral("code"), QStringLiteral("0101001")} << QStringLiteral("test");
    QTest::newRow("nothing found") << QStringList{QStringLiteral("segment"), QStringLiteral("不存在的材料")} << QStringLiteral("test");
}

void VeFinderCliTest::allGroupsByDefault()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, index);
    const QStringList base = arguments + QStringList{QStringLiteral("--index"),
                                                     index == QLatin1String("cable") ? m_cableIndex : m_index};
    const ToolResult plain = ToolTest::run(QStringLiteral("vefinder"), base);
    QVERIFY2(plain.exitCode == 0 && !plain.crashed, qPrintable(plain.describe()));
    QVERIFY(!plain.outText().contains(QStringLiteral("not shown")));
    for (const QString& option : {QStringLiteral("--groups=0"), QStringLiteral("--groups=00")}) {
        const ToolResult zero = ToolTest::run(QStringLiteral("vefinder"), base + QStringList{option});
        QVERIFY2(zero.exitCode == 0 && !zero.crashed, qPrintable(zero.describe()));
        QCOMPARE(zero.outText(), plain.outText());
    }

    // JSON output ignores the limit: the same document with any --groups.
    const QStringList json = base + QStringList{QStringLiteral("--json")};
    const ToolResult document = ToolTest::run(QStringLiteral("vefinder"), json);
    QVERIFY2(document.exitCode == 0, qPrintable(document.describe()));
    for (const QString& limit : {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")}) {
        const ToolResult limited = ToolTest::run(QStringLiteral("vefinder"), json + QStringList{QStringLiteral("--groups"), limit});
        QVERIFY2(limited.exitCode == 0, qPrintable(limited.describe()));
        QCOMPARE(limited.outText(), document.outText());
    }
}

void VeFinderCliTest::batchEqualsSingleCalls()
{
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("out.jsonl"));
    const ToolResult batch = ToolTest::run(QStringLiteral("vefinder"),
                                           {QStringLiteral("batch"), testData(QStringLiteral("bill.csv")),
                                            QStringLiteral("--index"), m_index, QStringLiteral("--jobs"),
                                            QStringLiteral("2"), QStringLiteral("--output"), output});
    QVERIFY2(batch.exitCode == 0 && !batch.crashed, qPrintable(batch.describe()));
    QVERIFY2(batch.errText().contains(QStringLiteral("batch: 12 rows")), qPrintable(batch.errText()));
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 13); // twelve rows and the final line break
    QStringList ids;
    for (int i = 0; i < 12; ++i) {
        const QJsonObject row = QJsonDocument::fromJson(lines.at(i)).object();
        QCOMPARE(keysOf(row), keySet({"schema", "line", "id", "code", "name", "spec", "matched", "found", "foundCount",
                                      "groups", "error"}));
        QCOMPARE(row.value(QStringLiteral("schema")).toString(), QStringLiteral("vefinder-batch/1"));
        QCOMPARE(row.value(QStringLiteral("line")).toInt(), i + 2);
        QVERIFY(row.value(QStringLiteral("error")).isNull());
        ids << row.value(QStringLiteral("id")).toString();

        const QJsonObject single = runJson({QStringLiteral("quota"), row.value(QStringLiteral("code")).toString(),
                                            row.value(QStringLiteral("name")).toString(),
                                            row.value(QStringLiteral("spec")).toString(), QStringLiteral("--index"), m_index});
        QVERIFY(!single.isEmpty());
        const QList<QStringList> batchGroups = toLists(row.value(QStringLiteral("groups")).toArray());
        QCOMPARE(batchGroups, groupIds(single));
        QCOMPARE(row.value(QStringLiteral("foundCount")), single.value(QStringLiteral("foundCount")));
        int found = 0;
        for (const QStringList& group : batchGroups)
            found += group.size();
        QCOMPARE(row.value(QStringLiteral("matched")).toBool(), found > 0);
    }
    QCOMPARE(ids.first(), QStringLiteral("B01"));
    QCOMPARE(ids.last(), QStringLiteral("B12"));
}

void VeFinderCliTest::batchIsDeterministicAcrossJobs_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("csv") << QStringLiteral("csv");
    QTest::newRow("jsonl") << QStringLiteral("jsonl");
}

void VeFinderCliTest::batchIsDeterministicAcrossJobs()
{
    QFETCH(QString, format);
    // The sample bill repeated, so that the workers overlap a good while.
    QTemporaryDir dir;
    QFile bill(testData(QStringLiteral("bill.csv")));
    QVERIFY(bill.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = bill.readAll().split('\n');
    QByteArray input = lines.takeFirst() + '\n';
    for (int copy = 0; copy < 15; ++copy)
        for (const QByteArray& line : qAsConst(lines))
            if (!line.isEmpty())
                input += line + '\n';
    const QString inputPath = dir.filePath(QStringLiteral("bill.csv"));
    QVERIFY(ToolTest::writeFile(inputPath, input));

    QByteArray reference;
    for (const QString& jobs : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4")}) {
        const ToolResult result = ToolTest::run(QStringLiteral("vefinder"),
                                                {QStringLiteral("batch"), inputPath, QStringLiteral("--index"), m_index,
                                                 QStringLiteral("--jobs"), jobs, QStringLiteral("--format"), format});
        QVERIFY2(result.exitCode == 0 && !result.crashed, qPrintable(result.describe()));
        QVERIFY2(result.errText().contains(QStringLiteral("with %1 job(s)").arg(jobs)), qPrintable(result.errText()));
        QCOMPARE(result.out.count('\n'), format == QLatin1String("csv") ? 181 : 180);
        if (reference.isNull())
            reference = result.out;
        else
            QCOMPARE(result.out, reference);
    }
}

void VeFinderCliTest::batchCsvColumns()
{
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder"),
                                            {QStringLiteral("batch"), testData(QStringLiteral("bill.csv")),
                                             QStringLiteral("--index"), m_index, QStringLiteral("--quiet")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QVERIFY(result.err.isEmpty());
    const QStringList lines = result.outText().split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("line,id,matched,found,best,groups,error"));
    // B01 names code, name and spec of T001 exactly: precise group first.
    QVERIFY2(lines.at(1).startsWith(QStringLiteral("2,B01,1,")), qPrintable(lines.at(1)));
    const QStringList cells = lines.at(1).split(QLatin1Char(','));
    QCOMPARE(cells.at(4), QStringLiteral("T001"));
    QVERIFY(cells.at(5).startsWith(QStringLiteral("T001|")));
    QVERIFY(cells.at(6).isEmpty());
}

void VeFinderCliTest::batchReportsBadRows()
{
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("bad.csv"));
    QVERIFY(ToolTest::writeFile(input, "id,code,name,spec\n"
                                       "R1,0401001,镀锌钢管,DN25\n"
                                       "R2,0401001,镀锌钢管\n"
                                       "R3,,\xff\xfe,DN25\n"
                                       "R4,,镀锌钢管,DN50\n"));
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder"),
                                            {QStringLiteral("batch"), input, QStringLiteral("--index"), m_index,
                                             QStringLiteral("--format"), QStringLiteral("jsonl")});
    QVERIFY2(!result.crashed && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY(result.errText().contains(input + QStringLiteral(":3: row not searched: 3 field(s), expected 4")));
    QVERIFY(result.errText().contains(input + QStringLiteral(":4: row not searched: invalid UTF-8")));
    QVERIFY(result.errText().contains(QStringLiteral("2 rejected")));
    const QList<QByteArray> lines = result.out.split('\n');
    QCOMPARE(lines.size(), 5);
    QStringList errors;
    for (int i = 0; i < 4; ++i) {
        const QJsonObject row = QJsonDocument::fromJson(lines.at(i)).object();
        QCOMPARE(row.value(QStringLiteral("id")).toString(), QStringLiteral("R%1").arg(i + 1));
        errors << row.value(QStringLiteral("error")).toString();
    }
    QVERIFY(errors.at(0).isEmpty() && errors.at(3).isEmpty());
    QVERIFY(!errors.at(1).isEmpty() && !errors.at(2).isEmpty());
}

QTEST_GUILESS_MAIN(VeFinderCliTest)
#include "tst_clitool.moc"
