/** @file tst_vefinderlex.cpp @brief vefinder-lex run as a process: the compile and decode round trip, source errors, decode errors, atomic output, exit codes. */
#include "lexicontestutil.h"

#include <QProcess>
#include <QtTest>

using namespace lexicontest;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run runTool(const QStringList& args, const QString& workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(VEFINDER_LEX_TOOL), args);
    Run r;
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit) {
        r.exitCode = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
    }
    return r;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestVeFinderLex : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_dir.reset(new QTemporaryDir); }
    void roundTrip_data();
    void roundTrip();
    void sourceErrors_data();
    void sourceErrors();
    void decodeErrors_data();
    void decodeErrors();
    void atomicOutput();
    void exitCodes_data();
    void exitCodes();

private:
    QString path(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }
    QStringList entries() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestVeFinderLex::roundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("decoded"); // the canonical source
    QTest::newRow("synonym groups") << "synonyms" << QByteArray("钢管 焊管 焊接钢管\n电缆 电线\n水泥\n")
                                    << "钢管 焊管 焊接钢管\n电缆 电线\n水泥\n";
    QTest::newRow("sets with and without sub-sets, members unsorted")
        << "matset" << QByteArray("z y x | 镀锌钢管 无缝钢管\n镀锌钢管 热镀锌钢管\n") << "z y x | 镀锌钢管 无缝钢管\n镀锌钢管 热镀锌钢管\n";
    QTest::newRow("smart match, mixed script") << "smartmatch" << QByteArray("YJV-3×2.5 电力电缆 | YJV\n")
                                               << "YJV-3×2.5 电力电缆 | YJV\n";
    QTest::newRow("word list keeps case, # inside a word, beyond the BMP")
        << "coreword" << QByteArray("电缆\nABC\nabc\nc#\n𠀀管\n") << "电缆\nABC\nabc\nc#\n𠀀管\n";
    QTest::newRow("empty") << "encore" << QByteArray() << "";
    QTest::newRow("BOM, CRLF, comments, blank lines")
        << "synonyms" << QByteArray("\xEF\xBB\xBF# pipes\r\n\r\n钢管 焊管\r\n   # indented\r\n电缆 电线\r\n") << "钢管 焊管\n电缆 电线\n";
    QTest::newRow("tabs, runs of spaces, ideographic space") << "synonyms" << QByteArray("\t钢管\t \t焊管   焊接\xE3\x80\x80钢\n")
                                                            << "钢管 焊管 焊接 钢\n";
    QTest::newRow("| without spaces, no final line break") << "matset" << QByteArray("焊接钢管 焊管|镀锌钢管")
                                                           << "焊接钢管 焊管 | 镀锌钢管\n";
}

// Compiled then decoded, a source comes back in its canonical form; a compiled
// file is a whole number of cipher blocks (what the store reads: see tst_store).
void TestVeFinderLex::roundTrip()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, source);
    QFETCH(QString, decoded);
    QVERIFY(writeFile(path("src.txt"), source));
    const Run compiled = runTool({QStringLiteral("compile"), kind, QStringLiteral("src.txt"), QStringLiteral("out.lex")}, m_dir->path());
    QCOMPARE(compiled.err, QString());
    QCOMPARE(compiled.exitCode, 0);
    QCOMPARE(readFile(path("out.lex")).size() % 8, 0);
    const Run back = runTool({QStringLiteral("decode"), kind, QStringLiteral("out.lex")}, m_dir->path());
    QCOMPARE(back.err, QString());
    QCOMPARE(back.exitCode, 0);
    QCOMPARE(back.out, decoded);
}

void TestVeFinderLex::sourceErrors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("error");
    QTest::newRow("invalid UTF-8 on line 3") << "coreword" << QByteArray("电缆\n钢管\n\xFF\xFE\n") << "src.txt:3: invalid UTF-8";
    QTest::newRow("line numbers count comments and blank lines")
        << "cablecoreword" << QByteArray("# models\n\nYJV\nYJV 22\n") << "src.txt:4: one word per line expected, found 2 words";
    QTest::newRow("| in a synonym group") << "synonyms" << QByteArray("钢管 | 焊管\n") << "src.txt:1: \"|\" separates sub-sets";
    QTest::newRow("two | in a set") << "matset" << QByteArray("a | b | c\n") << "src.txt:1: more than one \"|\"";
    QTest::newRow("no members before |") << "matset" << QByteArray("钢管\n | 焊管\n") << "src.txt:2: no member words before \"|\"";
}

void TestVeFinderLex::sourceErrors()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, source);
    QFETCH(QString, error);
    QVERIFY(writeFile(path("src.txt"), source));
    const Run r = runTool({QStringLiteral("compile"), kind, QStringLiteral("src.txt"), QStringLiteral("out.lex")}, m_dir->path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
    QCOMPARE(entries(), QStringList{QStringLiteral("src.txt")});
}

void TestVeFinderLex::decodeErrors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<QString>("error");
    const QByteArray ok = list({"钢管", "焊管"});
    QTest::newRow("missing file") << "synonyms" << QByteArray() << "in.lex: cannot open";
    QTest::newRow("5 bytes") << "synonyms" << cipher(ok).left(5) << "in.lex: cannot decipher";
    QTest::newRow("count 0x7FFFFFFF in record 2") << "synonyms" << cipher(ok + be32(0x7FFFFFFF)) << "in.lex: record 2:";
    QTest::newRow("empty word: no source form") << "coreword" << cipher(str("")) << "in.lex: record 1 has no source form: empty word";
    QTest::newRow("word holding a space") << "synonyms" << cipher(list({"钢 管"})) << "in.lex: record 1 has no source form";
    QTest::newRow("set without members") << "matset" << cipher(list({}) + list({"钢管"})) << "in.lex: record 1 has no source form";
}

void TestVeFinderLex::decodeErrors()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    if (!file.isEmpty())
        QVERIFY(writeFile(path("in.lex"), file));
    const Run r = runTool({QStringLiteral("decode"), kind, QStringLiteral("in.lex")}, m_dir->path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
    QCOMPARE(r.out, QString());
}

// A failed compile leaves the old output as it was and nothing beside it; a
// successful one replaces it.
void TestVeFinderLex::atomicOutput()
{
    const QByteArray old = cipher(str("旧"));
    QVERIFY(writeFile(path("out.lex"), old));
    QVERIFY(writeFile(path("bad.txt"), "电缆\n钢管 焊管\n"));
    QVERIFY(writeFile(path("good.txt"), "电缆\n钢管\n"));
    const QStringList before = entries();
    static const char* const cases[][3] = {// source, output, what the error names
                                           {"bad.txt", "out.lex", "bad.txt:2"},
                                           {"none.txt", "out.lex", "none.txt"},
                                           {"good.txt", "nodir/out.lex", "nodir/out.lex"}};
    for (const auto& c : cases) {
        const Run r = runTool({QStringLiteral("compile"), QStringLiteral("coreword"), QString::fromLatin1(c[0]), QString::fromLatin1(c[1])},
                              m_dir->path());
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QString::fromLatin1(c[2])), qPrintable(r.err));
        QCOMPARE(readFile(path("out.lex")), old);
        QCOMPARE(entries(), before);
    }
    const Run r = runTool({QStringLiteral("compile"), QStringLiteral("coreword"), QStringLiteral("good.txt"), QStringLiteral("out.lex")}, m_dir->path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(cipher(readFile(path("out.lex")), false), str("电缆") + str("钢管"));
    QCOMPARE(entries(), before);
}

void TestVeFinderLex::exitCodes_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("no arguments: usage error") << "" << 2;
    QTest::newRow("--help: usage on standard output") << "--help" << 0;
    QTest::newRow("compile --help") << "compile|--help" << 0;
    QTest::newRow("unknown command") << "convert" << 2;
    QTest::newRow("compile with two arguments") << "compile|synonyms|a.txt" << 2;
    QTest::newRow("unknown kind") << "decode|Synonyms|a.lex" << 2;
}

void TestVeFinderLex::exitCodes()
{
    QFETCH(QString, args);
    QFETCH(int, exitCode);
    const Run r = runTool(args.isEmpty() ? QStringList() : args.split(QLatin1Char('|')), m_dir->path());
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2((exitCode == 0 ? r.out : r.err).contains(QStringLiteral("vefinder-lex")), qPrintable(r.out + r.err));
    QCOMPARE(exitCode == 0 ? r.err : r.out, QString());
}

QTEST_GUILESS_MAIN(TestVeFinderLex)
#include "tst_vefinderlex.moc"
