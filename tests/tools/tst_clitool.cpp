/** @file tst_clitool.cpp @brief The vefinder program: errors and exit codes, JSON schema, explain, batch, positions. */
#include "tooltestsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString testData(const QString& name)
{
    return QStringLiteral(TOOLS_TEST_DATA "/") + name;
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
    void siblingToolsForwarded();

    void outputFormats_data();
    void outputFormats();
    void explainKeepsGroups_data();
    void explainKeepsGroups();
    void positionsBreakTies_data();
    void positionsBreakTies();

    void batchEqualsSingleCalls();
    void batchIsDeterministicAcrossJobs_data();
    void batchIsDeterministicAcrossJobs();
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

void VeFinderCliTest::outputFormats_data()
{
    QTest::addColumn<QString>("index"); // "test", "cable" or none
    QTest::addColumn<QStringList>("arguments");
    const auto row = [](const char* name, const char* index, const char* args) {
        QTest::newRow(name) << QString::fromLatin1(index) << QString::fromUtf8(args).split(QLatin1Char('|'));
    };
    row("quota-json-explained", "test", "quota|0401001|镀锌钢管|DN25|--json|--explain");
    row("quota-table-explained", "test", "quota|0401001|镀锌钢管|DN25|--explain");
    row("quota-shallow-json", "test", "quota||镀锌钢管|DN50|--shallow|--json");
    row("code-json", "test", "code|2801002|--json");
    row("nothing-found-table", "test", "code|nope");
    row("segment-cable-table-explained", "cable", "segment|电力电缆YJV 3×2.5|--explain");
    row("segment-cable-first-three-groups", "cable", "segment|zryjv3x2.5|--groups|3");
    row("quota-cable-first-two-groups", "cable", "quota||电力电缆|ZR-YJV 3×2.5|--groups|2");
    row("batch-csv", "test", "batch|BILL|--quiet");
    row("batch-jsonl", "test", "batch|BILL|--quiet|--format|jsonl");
    row("help", "", "--help");
    row("quota-help", "", "quota|--help");
    row("index-help", "", "index|--help");
}

// The output formats are what scripts parse: each row's output (index and data
// paths written as <INDEX> and <DATA>) is compared with golden/<row>.txt.
// VEFINDER_WRITE_GOLDEN=1 rewrites the files after a deliberate change.
void VeFinderCliTest::outputFormats()
{
    QFETCH(QString, index);
    QFETCH(QStringList, arguments);
    const QString indexPath = index == QLatin1String("cable") ? m_cableIndex : m_index;
    for (QString& a : arguments)
        a.replace(QStringLiteral("BILL"), testData(QStringLiteral("bill.csv")));
    if (!index.isEmpty())
        arguments << QStringLiteral("--index") << indexPath;
    const ToolResult result = ToolTest::run(QStringLiteral("vefinder"), arguments);
    QVERIFY2(result.exitCode == 0 && !result.crashed, qPrintable(result.describe()));
    QString out = result.outText();
    out.replace(QFileInfo(indexPath).absoluteFilePath(), QStringLiteral("<INDEX>")).replace(indexPath, QStringLiteral("<INDEX>"));
    out.replace(QStringLiteral(TOOLS_TEST_DATA), QStringLiteral("<DATA>"));
    const QString golden = QStringLiteral(TOOLS_TEST_DATA "/../golden/") + QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".txt");
    if (qEnvironmentVariableIsSet("VEFINDER_WRITE_GOLDEN"))
        QVERIFY(ToolTest::writeFile(golden, out.toUtf8()));
    QFile expected(golden);
    QVERIFY2(expected.open(QIODevice::ReadOnly), qPrintable(golden));
    QCOMPARE(out, QString::fromUtf8(expected.readAll()));
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
