/** @file tst_vefinderlex.cpp @brief vefinder-lex run as a process: round trips, canonical form, error reports, atomic output. */
#include "lexicontestutil.h"

#include <QtTest>

#include <QProcess>

#include <memory>

using namespace lexicontest;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList& args, const QString& workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(VEFINDER_LEX_TOOL), args);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

/// The records of a canonical source, split without the tool's parser.
QList<LexiconRecord> canonicalRecords(LexiconKind kind, const QString& text)
{
    QList<LexiconRecord> records;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList halves = line.split(QStringLiteral(" | "));
        LexiconRecord r;
        r.words = halves.at(0).split(QLatin1Char(' '));
        if (isSetKind(kind) && halves.size() > 1)
            r.subSets = halves.at(1).split(QLatin1Char(' '));
        records.append(r);
    }
    return records;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestVeFinderLex : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTrip_data();
    void roundTrip();
    void canonicalForm_data();
    void canonicalForm();
    void malformedSource_data();
    void malformedSource();
    void atomicOutput();
    void usage_data();
    void usage();
    void decodeErrors_data();
    void decodeErrors();

private:
    QString path(const QString& name) const { return m_dir->path() + QLatin1Char('/') + name; }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestVeFinderLex::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestVeFinderLex::roundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("source");
    QTest::newRow("synonyms 钢管 焊管, 3芯 三芯")
        << QStringLiteral("synonyms") << QStringLiteral("钢管 焊管 焊接钢管\n电缆 电线\n3芯 三芯\n");
    QTest::newRow("synonyms one-word group") << QStringLiteral("synonyms") << QStringLiteral("水泥\n");
    QTest::newRow("matset with and without sub-sets")
        << QStringLiteral("matset")
        << QStringLiteral("焊接钢管 焊管 | 镀锌钢管 无缝钢管\n镀锌钢管 热镀锌钢管\nPVC管 | 塑料管\n");
    QTest::newRow("smartmatch mixed script YJV-3×2.5")
        << QStringLiteral("smartmatch") << QStringLiteral("YJV-3×2.5 电力电缆 | YJV\nZR-YJV 阻燃电缆\n");
    QTest::newRow("matset members in source order, not sorted")
        << QStringLiteral("matset") << QStringLiteral("z y x w v u t s r q | p o\n");
    QTest::newRow("coreword keeps case") << QStringLiteral("coreword") << QStringLiteral("电缆\n电力电缆\nABC\nabc\n");
    QTest::newRow("cablecoreword") << QStringLiteral("cablecoreword") << QStringLiteral("YJV\nYJV22\nVV\nZR-YJV\n");
    QTest::newRow("encore") << QStringLiteral("encore") << QStringLiteral("pvc\nppr\ndn\n");
    QTest::newRow("word with # inside") << QStringLiteral("encore") << QStringLiteral("c#\n");
    QTest::newRow("beyond the BMP 𠀀") << QStringLiteral("coreword") << QStringLiteral("𠀀管\n");
    QTest::newRow("empty synonyms") << QStringLiteral("synonyms") << QString();
    QTest::newRow("empty matset") << QStringLiteral("matset") << QString();
}

void TestVeFinderLex::roundTrip()
{
    QFETCH(QString, kind);
    QFETCH(QString, source);
    QVERIFY(writeFile(path(QStringLiteral("src.txt")), source.toUtf8()));
    const Run compiled = runTool({QStringLiteral("compile"), kind, QStringLiteral("src.txt"), QStringLiteral("out.lex")},
                                 m_dir->path());
    QCOMPARE(compiled.err, QByteArray());
    QCOMPARE(compiled.exitCode, 0);

    // The file is the lexicon stream of the records, enciphered as the library reads it.
    LexiconKind k;
    QVERIFY(lexiconKindFromName(kind, k));
    const QByteArray file = readAll(path(QStringLiteral("out.lex")));
    const QByteArray plain = recordStream(k, canonicalRecords(k, source));
    QCOMPARE(file.size(), 8 * (plain.size() / 8 + 1));
    QCOMPARE(lexicontest::cipher(file, lexiconKey, false).toHex(), plain.toHex());

    const Run decoded = runTool({QStringLiteral("decode"), kind, QStringLiteral("out.lex")}, m_dir->path());
    QCOMPARE(decoded.err, QByteArray());
    QCOMPARE(decoded.exitCode, 0);
    QCOMPARE(QString::fromUtf8(decoded.out), source);
}

void TestVeFinderLex::canonicalForm_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("canonical");
    QTest::newRow("BOM, CRLF, comments, blank lines")
        << QStringLiteral("synonyms")
        << QByteArray("\xEF\xBB\xBF# pipes\r\n\r\n钢管 焊管\r\n   # indented comment\r\n电缆 电线\r\n")
        << QStringLiteral("钢管 焊管\n电缆 电线\n");
    QTest::newRow("tabs and runs of spaces")
        << QStringLiteral("synonyms") << QByteArray("\t钢管\t \t焊管   焊接钢管  \n") << QStringLiteral("钢管 焊管 焊接钢管\n");
    QTest::newRow("| without spaces")
        << QStringLiteral("matset") << QByteArray("焊接钢管 焊管|镀锌钢管") << QStringLiteral("焊接钢管 焊管 | 镀锌钢管\n");
    QTest::newRow("last line without a line break")
        << QStringLiteral("coreword") << QByteArray("电缆\n钢管") << QStringLiteral("电缆\n钢管\n");
    QTest::newRow("ideographic space separates") << QStringLiteral("synonyms")
                                                 << QByteArray("钢管\xE3\x80\x80焊管\n") << QStringLiteral("钢管 焊管\n");
    QTest::newRow("comment only") << QStringLiteral("encore") << QByteArray("# none yet\n") << QString();
}

void TestVeFinderLex::canonicalForm()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, source);
    QFETCH(QString, canonical);
    QVERIFY(writeFile(path(QStringLiteral("src.txt")), source));
    QCOMPARE(runTool({QStringLiteral("compile"), kind, QStringLiteral("src.txt"), QStringLiteral("out.lex")}, m_dir->path())
                 .exitCode,
             0);
    const Run decoded = runTool({QStringLiteral("decode"), kind, QStringLiteral("out.lex")}, m_dir->path());
    QCOMPARE(decoded.exitCode, 0);
    QCOMPARE(QString::fromUtf8(decoded.out), canonical);
}

void TestVeFinderLex::malformedSource_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("error");
    QTest::newRow("invalid UTF-8 on line 3")
        << QStringLiteral("coreword") << QByteArray("电缆\n钢管\n\xFF\xFE\n") << QStringLiteral("src.txt:3: invalid UTF-8");
    QTest::newRow("UTF-8 cut at the end of the file")
        << QStringLiteral("coreword") << QByteArray("电缆\n\xE7\x94") << QStringLiteral("src.txt:2: invalid UTF-8");
    QTest::newRow("two words on a word-list line")
        << QStringLiteral("coreword") << QByteArray("电缆\n电力 电缆\n")
        << QStringLiteral("src.txt:2: one word per line expected, found 2 words");
    QTest::newRow("line numbers count comments and blank lines")
        << QStringLiteral("cablecoreword") << QByteArray("# models\n\nYJV\nYJV 22\n")
        << QStringLiteral("src.txt:4: one word per line expected");
    QTest::newRow("| in a synonym group")
        << QStringLiteral("synonyms") << QByteArray("钢管 | 焊管\n") << QStringLiteral("src.txt:1: \"|\" separates sub-sets");
    QTest::newRow("| in an English core word")
        << QStringLiteral("encore") << QByteArray("pvc\np|e\n") << QStringLiteral("src.txt:2: \"|\" separates sub-sets");
    QTest::newRow("two | in a set")
        << QStringLiteral("matset") << QByteArray("a | b | c\n") << QStringLiteral("src.txt:1: more than one \"|\"");
    QTest::newRow("no members before |")
        << QStringLiteral("matset") << QByteArray("钢管\n | 焊管\n") << QStringLiteral("src.txt:2: no member words before \"|\"");
    QTest::newRow("no sub-sets after |")
        << QStringLiteral("smartmatch") << QByteArray("钢管 |  \n") << QStringLiteral("src.txt:1: no sub-set words after \"|\"");
}

void TestVeFinderLex::malformedSource()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, source);
    QFETCH(QString, error);
    QVERIFY(writeFile(path(QStringLiteral("src.txt")), source));
    const Run r = runTool({QStringLiteral("compile"), kind, QStringLiteral("src.txt"), QStringLiteral("out.lex")}, m_dir->path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QString::fromUtf8(r.err).contains(error), r.err.constData());
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(entriesOf(m_dir->path()), QStringList{QStringLiteral("src.txt")});
}

void TestVeFinderLex::atomicOutput()
{
    const QByteArray old = encipher(recordStream(LexiconKind::CoreWord, {record({QStringLiteral("旧")})}));
    QVERIFY(writeFile(path(QStringLiteral("out.lex")), old));
    QVERIFY(writeFile(path(QStringLiteral("bad.txt")), "电缆\n钢管 焊管\n"));
    QVERIFY(writeFile(path(QStringLiteral("good.txt")), "电缆\n钢管\n"));

    // A failed compile leaves the old file as it was, and nothing beside it.
    Run r = runTool({QStringLiteral("compile"), QStringLiteral("coreword"), QStringLiteral("bad.txt"), QStringLiteral("out.lex")},
                    m_dir->path());
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(readAll(path(QStringLiteral("out.lex"))), old);
    QStringList expectedEntries{QStringLiteral("bad.txt"), QStringLiteral("good.txt"), QStringLiteral("out.lex")};
    QCOMPARE(entriesOf(m_dir->path()), expectedEntries);

    // An output directory that does not exist.
    r = runTool({QStringLiteral("compile"), QStringLiteral("coreword"), QStringLiteral("good.txt"), QStringLiteral("nodir/out.lex")},
                m_dir->path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains("nodir/out.lex"));
    QCOMPARE(entriesOf(m_dir->path()), expectedEntries);

    // A missing source.
    r = runTool({QStringLiteral("compile"), QStringLiteral("coreword"), QStringLiteral("none.txt"), QStringLiteral("out.lex")},
                m_dir->path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains("none.txt"));
    QCOMPARE(readAll(path(QStringLiteral("out.lex"))), old);

    // A successful compile replaces it.
    r = runTool({QStringLiteral("compile"), QStringLiteral("coreword"), QStringLiteral("good.txt"), QStringLiteral("out.lex")},
                m_dir->path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(lexicontest::cipher(readAll(path(QStringLiteral("out.lex"))), lexiconKey, false),
             recordStream(LexiconKind::CoreWord, {record({QStringLiteral("电缆")}), record({QStringLiteral("钢管")})}));
    QCOMPARE(entriesOf(m_dir->path()), expectedEntries);
}

void TestVeFinderLex::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("onStdout");
    QTest::addColumn<QString>("text");
    QTest::newRow("no arguments") << QStringList() << 2 << false << QStringLiteral("Usage: vefinder-lex");
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0 << true << QStringLiteral("vefinder-lex decode KIND");
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << 0 << true << QStringLiteral("vefinder-lex compile KIND");
    QTest::newRow("compile --help") << QStringList{QStringLiteral("compile"), QStringLiteral("--help")} << 0 << true
                                    << QStringLiteral("Usage: vefinder-lex compile KIND SOURCE.txt OUT.lex");
    QTest::newRow("decode --help") << QStringList{QStringLiteral("decode"), QStringLiteral("--help")} << 0 << true
                                   << QStringLiteral("Usage: vefinder-lex decode KIND IN.lex");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("convert")} << 2 << false
                                     << QStringLiteral("unknown command \"convert\"");
    QTest::newRow("compile with two arguments")
        << QStringList{QStringLiteral("compile"), QStringLiteral("synonyms"), QStringLiteral("a.txt")} << 2 << false
        << QStringLiteral("compile takes 3 arguments, 2 given");
    QTest::newRow("decode with three arguments")
        << QStringList{QStringLiteral("decode"), QStringLiteral("synonyms"), QStringLiteral("a.lex"), QStringLiteral("b")} << 2
        << false << QStringLiteral("decode takes 2 arguments, 3 given");
    QTest::newRow("unknown kind")
        << QStringList{QStringLiteral("decode"), QStringLiteral("Synonyms"), QStringLiteral("a.lex")} << 2 << false
        << QStringLiteral("unknown lexicon kind \"Synonyms\"");
}

void TestVeFinderLex::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(bool, onStdout);
    QFETCH(QString, text);
    const Run r = runTool(args, m_dir->path());
    QCOMPARE(r.exitCode, exitCode);
    const QString shown = QString::fromUtf8(onStdout ? r.out : r.err);
    QVERIFY2(shown.contains(text), qPrintable(shown));
    QCOMPARE(onStdout ? r.err : r.out, QByteArray());
}

void TestVeFinderLex::decodeErrors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");
    const QByteArray ok = recordStream(LexiconKind::Synonyms, {record({QStringLiteral("钢管"), QStringLiteral("焊管")})});
    QTest::newRow("missing file") << QStringLiteral("synonyms") << false << QByteArray() << QStringLiteral("in.lex: cannot open");
    QTest::newRow("5 bytes") << QStringLiteral("synonyms") << true << encipher(ok).left(5)
                             << QStringLiteral("in.lex: cannot decipher");
    QTest::newRow("last block counting 9")
        << QStringLiteral("synonyms") << true << encipherBlock(QByteArray("1234567\x09", 8))
        << QStringLiteral("in.lex: cannot decipher");
    QTest::newRow("count 0x7FFFFFFF in record 2")
        << QStringLiteral("synonyms") << true << encipher(ok + be32(0x7FFFFFFF)) << QStringLiteral("in.lex: record 2:");
    QTest::newRow("empty word") << QStringLiteral("coreword") << true
                                << encipher(recordStream(LexiconKind::CoreWord, {record({QStringLiteral("")})}))
                                << QStringLiteral("in.lex: record 1 has no source form: empty word");
    QTest::newRow("first word reads as a comment")
        << QStringLiteral("synonyms") << true
        << encipher(ok + recordStream(LexiconKind::Synonyms, {record({QStringLiteral("#1"), QStringLiteral("一号")})}))
        << QStringLiteral("in.lex: record 2 has no source form");
    QTest::newRow("word holding a space")
        << QStringLiteral("synonyms") << true
        << encipher(recordStream(LexiconKind::Synonyms, {record({QStringLiteral("钢 管")})}))
        << QStringLiteral("in.lex: record 1 has no source form");
    QTest::newRow("set without members")
        << QStringLiteral("matset") << true
        << encipher(recordStream(LexiconKind::MatSet, {record({}, {QStringLiteral("钢管")})}))
        << QStringLiteral("in.lex: record 1 has no source form");
}

void TestVeFinderLex::decodeErrors()
{
    QFETCH(QString, kind);
    QFETCH(bool, present);
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    if (present)
        QVERIFY(writeFile(path(QStringLiteral("in.lex")), file));
    const Run r = runTool({QStringLiteral("decode"), kind, QStringLiteral("in.lex")}, m_dir->path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QString::fromUtf8(r.err).contains(error), r.err.constData());
    QCOMPARE(r.out, QByteArray());
}

QTEST_GUILESS_MAIN(TestVeFinderLex)
#include "tst_vefinderlex.moc"
