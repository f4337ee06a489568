/** @file tst_clitool.cpp @brief The vefinder program: arguments to exit code, error message and output; explain, batch, positions. */
#include "testindex.h"
#include "tooltestsupport.h"

using namespace ToolTest;

class VeFinderCliTest : public QObject
{
    Q_OBJECT

private slots:

    // Two indexes, built through the index command (which runs vefinder-index):
    // the test catalogue, and cable entries that differ in model, cores and
    // cross-section, so that one cable description ranks them into many groups.
    void initTestCase()
    {
        const QString cables = m_dir.filePath("cables.csv");
        QVERIFY(writeFile(cables,
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
                          "C13,0401001,镀锌钢管,DN25,华岐,D\n"));
        m_index = m_dir.filePath("index");
        m_cableIndex = m_dir.filePath("cable-index");
        for (const QStringList& paths :
             {QStringList{data("catalogue.csv"), m_index}, {cables, m_cableIndex}}) {
            const ToolResult built = run("vefinder", QStringList{"index", "--quiet"} + paths);
            QVERIFY2(built.exitCode == 0 && QFileInfo(paths.at(1)).isDir(),
                     qPrintable(built.describe()));
        }
    }

    // The arguments ('|'-separated; INDEX, CABLE, MISSING, EMPTY, FILE, BILL, NOPOS
    // and NONAME stand for paths), the exit code, a part of standard error, and
    // the golden file standard output must equal (none: output empty). A usage
    // error (2) points to --help. The output formats are what scripts parse: the
    // index and data paths are written <INDEX> and <DATA> in the golden files.
    void commands_data()
    {
        columns<QStringList, int, QString, QString>("arguments", "exitCode", "message", "golden");
        const QString missing = m_dir.filePath("no-such-dir"), empty = m_dir.filePath("empty-dir");
        const QString file = m_dir.filePath("a-file"),
                      noPositions = m_dir.filePath("no-positions.txt");
        const QString noName = m_dir.filePath("no-name.csv");
        QDir().mkpath(empty);
        writeFile(file, "not an index");
        writeFile(noPositions, "just some words\nand more\n");
        writeFile(noName, "id,code,spec\n1,2,3\n");
        const QString badRows = m_dir.filePath("bad-rows.csv");
        writeFile(badRows,
                  "id,code,name,spec\nR1,0401001,镀锌钢管,DN25\nR2,0401001,镀锌钢管\n"
                  "R3,,\xff\xfe,DN25\nR4,,镀锌钢管,DN50\n");
        const QList<QPair<QString, QString>> paths{
            {"NOPOS", noPositions}, {"NONAME", noName},         {"CABLE", m_cableIndex},
            {"INDEX", m_index},     {"MISSING", missing},       {"EMPTY", empty},
            {"FILE", file},         {"BILL", data("bill.csv")}, {"BADROWS", badRows}};
        const auto row = [&](const char* name, const char* args, int exitCode,
                             const QString& message, const char* golden = "") {
            QStringList arguments = QString(args).split('|', Qt::SkipEmptyParts);
            for (QString& a : arguments) {
                for (const auto& path : paths)
                    a.replace(path.first, path.second);
                if (a == "''")
                    a.clear();
            }
            QTest::newRow(name) << arguments << exitCode << message << QString(golden);
        };
        row("no command", "", 2, "no command given");
        row("unknown command", "frobnicate", 2, "unknown command");
        row("quota with two arguments", "quota|a|b|--index|INDEX", 2,
            "expected 3 argument(s), got 2");
        row("unknown option", "code|x|--bogus", 2, "bogus");
        row("batch with zero jobs", "batch|BILL|--jobs|0|--index|INDEX", 2, "--jobs expects");
        row("batch with an unknown format", "batch|BILL|--format|xml|--index|INDEX", 2,
            "--format expects");
        // Checked before the index: these run where no ./index exists.
        row("groups negative", "quota|''|电力电缆|YJV 3×2.5|--groups|-1", 2,
            "--groups expects a whole number of groups, 0 or more (0: all), got \"-1\"");
        row("groups on batch", "batch|BILL|--groups|3", 2, "groups");
        row("index directory missing", "code|x|--index|MISSING", 1,
            missing + ": no such index directory");
        row("default index missing", "code|x", 1, "give another with --index DIR");
        row("directory without an index", "segment|x|--index|EMPTY", 1,
            empty + ": holds no catalogue index");
        row("file instead of a directory", "code|x|--index|FILE", 1, file + ": not a directory");
        row("positions file missing", "quota|a|b|c|--index|INDEX|--positions|MISSING", 1,
            missing + ": cannot open the positions file");
        row("positions file without positions", "segment|钢管|--index|INDEX|--positions|NOPOS", 1,
            noPositions + ": holds no mat id with a hexadecimal position");
        row("batch input missing", "batch|MISSING|--index|INDEX", 1, missing + ": cannot open");
        row("batch input without a name column", "batch|NONAME|--index|INDEX", 1,
            "names no \"name\" column");
        // vefinder index/lex hand their arguments to the tool and return its exit code.
        row("lex forwarded", "lex", 2, "vefinder-lex");
        row("index forwarded", "index|only-one-argument", 2, "vefinder-index");
        row("index: unknown option", "index|--bogus|BILL|out", 2, "bogus");
        row("index: zero jobs", "index|--jobs|0|BILL|out", 2, "--jobs");
        row("index: one argument too many", "index|BILL|out|more", 2, "vefinder-index");

        row("quota, JSON, explained", "quota|0401001|镀锌钢管|DN25|--json|--explain|--index|INDEX",
            0, "", "quota-json-explained");
        row("quota, shallow, JSON", "quota|''|镀锌钢管|DN50|--shallow|--json|--index|INDEX", 0, "",
            "quota-shallow-json");
        row("code, JSON", "code|2801002|--json|--index|INDEX", 0, "", "code-json");
        row("nothing found, table", "code|nope|--index|INDEX", 0, "", "nothing-found-table");
        row("segment cable, table, explained", "segment|电力电缆YJV 3×2.5|--explain|--index|CABLE",
            0, "", "segment-cable-table-explained");
        row("segment cable, first three groups", "segment|zryjv3x2.5|--groups|3|--index|CABLE", 0,
            "", "segment-cable-first-three-groups");
        row("quota cable, first two groups",
            "quota|''|电力电缆|ZR-YJV 3×2.5|--groups|2|--index|CABLE", 0, "",
            "quota-cable-first-two-groups");
        row("batch, CSV", "batch|BILL|--quiet|--index|INDEX", 0, "", "batch-csv");
        // Rows that cannot be searched are reported, answered with an error, and make the exit code 1.
        const char* bad = "batch|BADROWS|--index|INDEX|--format|jsonl";
        row("batch, bad rows: field count", bad, 1,
            badRows + ":3: row not searched: 3 field(s), expected 4", "batch-bad-rows");
        row("batch, bad rows: invalid UTF-8", bad, 1,
            badRows + ":4: row not searched: invalid UTF-8", "batch-bad-rows");
        row("batch, bad rows: counted", bad, 1, "2 rejected", "batch-bad-rows");
        row("batch, JSON lines", "batch|BILL|--quiet|--format|jsonl|--index|INDEX", 0, "",
            "batch-jsonl");
        row("help", "--help", 0, "", "help");
        row("quota help", "quota|--help", 0, "", "quota-help");
        row("index help", "index|--help", 0, "", "index-help");
    }

    void commands()
    {
        const auto [arguments, exitCode, message, golden] =
            fetch<QStringList, int, QString, QString>("arguments", "exitCode", "message", "golden");
        QTemporaryDir workDir; // holds no ./index
        const ToolResult result = run("vefinder", arguments, workDir.path());
        QCOMPARE(QDir(workDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY2(result.exitCode == exitCode && result.errText().contains(message),
                 qPrintable(result.describe()));
        if (exitCode == 2)
            QVERIFY2(result.errText().contains("--help"), qPrintable(result.describe()));
        if (golden.isEmpty())
            QVERIFY(result.out.isEmpty());
        else
            compareGolden(data("../golden/" + golden + ".txt"),
                          QString::fromUtf8(result.out)
                              .replace(m_cableIndex, "<INDEX>")
                              .replace(m_index, "<INDEX>")
                              .replace(TOOLS_TEST_DATA, "<DATA>"));
    }

    // Each missing part of dict/ is named; a missing sibling tool too.
    void missingDataBesideProgram()
    {
        QTemporaryDir app;
        const QString program = app.filePath("vefinder");
        QVERIFY(QFile::copy(tool("vefinder"), program));
        QFile::setPermissions(program, QFile::permissions(tool("vefinder")));
        const ToolResult result = run(program, {"code", "x", "--index", m_index});
        QVERIFY2(result.exitCode == 1
                     && result.errText().contains(app.filePath("dict/MATLEX: missing"))
                     && result.errText().contains(app.filePath("dict/UTF-8: missing")),
                 qPrintable(result.describe()));
        const ToolResult index = run(program, {"index", "a.csv", "b"});
        QVERIFY2(index.exitCode == 1
                     && index.errText().contains(app.filePath("vefinder-index: not found")),
                 qPrintable(index.describe()));
    }

    // T007 and T008 differ in brand and position only: the location table alone
    // decides which ranks first (a header line, hexadecimal positions).
    void positionsBreakTies()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("positions.txt");
        QVERIFY(writeFile(file, "id,pos\nT007,1F\nT008,a\n"));
        const ToolResult result = run("vefinder",
                                      {"segment", "普通硅酸盐水泥 P.O 42.5", "--positions", file,
                                       "--index", m_index, "--json"});
        for (const QJsonValue& group : QJsonDocument::fromJson(result.out)["groups"].toArray()) {
            QStringList ids;
            for (const QJsonValue& entry : group["entries"].toArray())
                ids << entry["matId"].toString();
            if (!(ids = ids.filter(QRegularExpression("^T00[78]$"))).isEmpty()) {
                QCOMPARE(ids.join(' '), QString("T008 T007"));
                return;
            }
        }
        QFAIL(qPrintable(result.describe()));
    }

    // The sample bill fifteen times, so that the workers overlap a good while.
    void batchIsDeterministicAcrossJobs()
    {
        QFile bill(data("bill.csv"));
        QVERIFY(bill.open(QIODevice::ReadOnly));
        const QByteArray header = bill.readLine(), rows = bill.readAll();
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("bill.csv"), header + rows.repeated(15)));
        for (const QString format : {"csv", "jsonl"}) {
            QByteArray reference;
            for (const char* jobs : {"1", "2", "4"}) {
                const ToolResult result = run("vefinder",
                                              {"batch", dir.filePath("bill.csv"), "--index",
                                               m_index, "--jobs", jobs, "--format", format});
                QVERIFY2(result.exitCode == 0
                             && result.errText().contains(QString("with %1 job(s)").arg(jobs)),
                         qPrintable(result.describe()));
                QCOMPARE(result.out.count('\n'), format == "csv" ? 181 : 180);
                if (reference.isNull())
                    reference = result.out;
                QCOMPARE(result.out, reference);
            }
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_index, m_cableIndex;
};

QTEST_GUILESS_MAIN(VeFinderCliTest)
#include "tst_clitool.moc"
