/** @file tst_vefinderlex.cpp @brief vefinder-lex run as a process: the compile and decode round trip, errors and exit codes, atomic output. */
#include "lexicontestutil.h"

using namespace lexicontest;

class TestVeFinderLex : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_dir.reset(new QTemporaryDir); }

    void roundTrip_data()
    {
        // decoded: the canonical source
        columns<QString, QByteArray, QString>("kind", "source", "decoded");
        const auto row = [](const char* name, const char* kind, const QByteArray& source,
                            const char* decoded) {
            QTest::newRow(name) << QString(kind) << source << QString(decoded);
        };
        row("synonym groups", "synonyms", "钢管 焊管 焊接钢管\n电缆 电线\n水泥\n",
            "钢管 焊管 焊接钢管\n电缆 电线\n水泥\n");
        row("sets with and without sub-sets, members unsorted", "matset",
            "z y x | 镀锌钢管 无缝钢管\n镀锌钢管 热镀锌钢管\n",
            "z y x | 镀锌钢管 无缝钢管\n镀锌钢管 热镀锌钢管\n");
        row("word list keeps case, # inside a word, beyond the BMP", "coreword",
            "电缆\nABC\nabc\nc#\n𠀀管\n", "电缆\nABC\nabc\nc#\n𠀀管\n");
        row("BOM, CRLF, comments, blank lines", "synonyms",
            "\xEF\xBB\xBF# pipes\r\n\r\n钢管 焊管\r\n   # indented\r\n电缆 电线\r\n",
            "钢管 焊管\n电缆 电线\n");
        row("tabs, runs of spaces, ideographic space", "synonyms",
            "\t钢管\t \t焊管   焊接\xE3\x80\x80钢\n", "钢管 焊管 焊接 钢\n");
        row("| without spaces, no final line break", "matset", "焊接钢管 焊管|镀锌钢管",
            "焊接钢管 焊管 | 镀锌钢管\n");
    }

    // Compiled then decoded, a source comes back in its canonical form; a compiled
    // file is a whole number of cipher blocks.
    void roundTrip()
    {
        const auto [kind, source, decoded] =
            fetch<QString, QByteArray, QString>("kind", "source", "decoded");
        QVERIFY(write("src.txt", source));
        QCOMPARE(run("compile|" + kind + "|src.txt|out.lex"), QStringList({"0", "", ""}));
        QCOMPARE(read("out.lex").size() % 8, 0);
        QCOMPARE(run("decode|" + kind + "|out.lex"), QStringList({"0", decoded, ""}));
    }

    // The arguments, the file the run reads (src.txt: a source; in.lex: bytes as
    // stored), the exit code and what the error output says. Nothing else is left
    // in the directory; help goes to the output, errors to the error output only.
    void errors_data()
    {
        columns<QString, QByteArray, int, QString>("args", "file", "exitCode", "message");
        const auto row = [](const char* name, const char* args, const QByteArray& file,
                            int exitCode, const char* message) {
            QTest::newRow(name) << QString(args) << file << exitCode << QString(message);
        };
        const char* compile = "compile|coreword|src.txt|out.lex";
        row("source: invalid UTF-8 on line 3", compile, "电缆\n钢管\n\xFF\xFE\n", 1,
            "src.txt:3: invalid UTF-8");
        row("source: line numbers count comments and blank lines",
            "compile|cablecoreword|src.txt|out.lex", "# models\n\nYJV\nYJV 22\n", 1,
            "src.txt:4: one word per line expected, found 2 words");
        row("source: | in a synonym group", "compile|synonyms|src.txt|out.lex", "钢管 | 焊管\n", 1,
            "src.txt:1: \"|\" separates sub-sets");
        row("source: two | in a set", "compile|matset|src.txt|out.lex", "a | b | c\n", 1,
            "src.txt:1: more than one \"|\"");
        row("source: no members before |", "compile|matset|src.txt|out.lex", "钢管\n | 焊管\n", 1,
            "src.txt:2: no member words before \"|\"");
        const QByteArray ok = list({"钢管", "焊管"});
        row("decode: missing file", "decode|synonyms|in.lex", QByteArray(), 1,
            "in.lex: cannot open");
        row("decode: 5 bytes", "decode|synonyms|in.lex", cipher(ok).left(5), 1,
            "in.lex: cannot decipher");
        row("decode: count 0x7FFFFFFF in record 2", "decode|synonyms|in.lex",
            cipher(ok + be32(0x7FFFFFFF)), 1, "in.lex: record 2:");
        row("decode: empty word, no source form", "decode|coreword|in.lex", cipher(str("")), 1,
            "in.lex: record 1 has no source form: empty word");
        row("decode: word holding a space", "decode|synonyms|in.lex", cipher(list({"钢 管"})), 1,
            "in.lex: record 1 has no source form");
        row("decode: set without members", "decode|matset|in.lex",
            cipher(list({}) + list({"钢管"})), 1, "in.lex: record 1 has no source form");
        row("no arguments: usage error", "", QByteArray(), 2, "vefinder-lex");
        row("--help: usage on standard output", "--help", QByteArray(), 0, "");
        row("unknown command", "convert", QByteArray(), 2, "vefinder-lex");
        row("unknown kind", "decode|Synonyms|a.lex", QByteArray(), 2, "vefinder-lex");
    }

    void errors()
    {
        const auto [args, file, exitCode, message] =
            fetch<QString, QByteArray, int, QString>("args", "file", "exitCode", "message");
        const char* name = args.startsWith("compile") ? "src.txt" : "in.lex";
        QVERIFY(file.isNull() || write(name, file));
        const QStringList r = run(args);
        QCOMPARE(r.at(0).toInt(), exitCode);
        QVERIFY2(r.at(exitCode ? 2 : 1).contains(exitCode ? message : "vefinder-lex"),
                 qPrintable(r.join('\n')));
        QCOMPARE(r.at(exitCode ? 1 : 2), QString());
        QCOMPARE(entries(), file.isNull() ? QStringList() : QStringList{name});
    }

    // A failed compile leaves the old output as it was and nothing beside it; a
    // successful one replaces it.
    void atomicOutput()
    {
        const QByteArray old = cipher(str("旧"));
        QVERIFY(write("out.lex", old) && write("bad.txt", "电缆\n钢管 焊管\n")
                && write("good.txt", "电缆\n钢管\n"));
        const QStringList before = entries();
        // source, output, what the error names
        for (const char* c : {"bad.txt|out.lex|bad.txt:2", "none.txt|out.lex|none.txt",
                              "good.txt|nodir/out.lex|nodir/out.lex"}) {
            const QStringList r = run("compile|coreword|" + QString(c).section('|', 0, 1));
            QVERIFY2(r.at(0) == "1" && r.at(2).contains(QString(c).section('|', 2)),
                     qPrintable(r.join('\n')));
            QCOMPARE(read("out.lex"), old);
            QCOMPARE(entries(), before);
        }
        QCOMPARE(run("compile|coreword|good.txt|out.lex").at(0), QStringLiteral("0"));
        QCOMPARE(cipher(read("out.lex"), false), str("电缆") + str("钢管"));
        QCOMPARE(entries(), before);
    }

private:
    /// Runs vefinder-lex in the test's directory: exit code (-1: crashed), output, error output.
    QStringList run(const QString& args)
    {
        const ToolResult r =
            runProgram(VEFINDER_LEX_TOOL, args.split('|', Qt::SkipEmptyParts), m_dir->path());
        return {QString::number(r.exitCode), r.outText(), r.errText()};
    }
    bool write(const char* name, const QByteArray& data)
    {
        return writeFile(m_dir->filePath(name), data);
    }
    QByteArray read(const char* name) { return readFile(m_dir->filePath(name)); }
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestVeFinderLex)
#include "tst_vefinderlex.moc"
