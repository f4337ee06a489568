/** @file tst_lexiconload.cpp @brief Loading the lexicon store from files: damaged files, planted temporary names, a missing TMPDIR, no files at all. */
#include "lexicontestutil.h"

#include "lexicon/lexiconrecords.h"
#include "lexicon/searchutil.h"

#include <QtTest>

#include <cstdio>

using namespace lexicontest;

namespace {

const char kCaseVariable[] = "VEFINDER_LOAD_CASE";

QStringList g_log;

QString appPath(const QString& relative)
{
    return QCoreApplication::applicationDirPath() + '/' + relative;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : "(unreadable)";
}

/// The lexicon files of each case, as stored (enciphered, or deliberately not).
QMap<LexiconKind, QByteArray> caseFiles(const QString& name)
{
    if (name == QLatin1String("damaged 1"))
        return {
            // three groups (a repeated word, an empty one), then a count of 0x7FFFFFFF
            {LexiconKind::Synonyms,
             cipher(list({"钢管", "焊管", "钢管"}) + list({}) + list({"电缆", "电线"})
                    + be32(0x7FFFFFFF) + str("x"))},
            // two entries, then one cut inside a sub-set word
            {LexiconKind::MatSet,
             cipher(list({"焊接钢管", "焊管"}) + list({"镀锌钢管"}) + list({"镀锌钢管"}) + list({})
                    + list({"无缝钢管"}) + be32(1) + str("无缝钢管").left(6))},
            // one entry, then a sub-set count of 0xFFFFFFFF
            {LexiconKind::SmartMatch,
             cipher(list({"YJV电缆"}) + list({"电力电缆"}) + list({"VV电缆"}) + be32(0xFFFFFFFF))},
            // two words, then a string of odd byte length
            {LexiconKind::CoreWord,
             cipher(str("Cable") + str("电缆") + be32(7) + QByteArray("abcdefgh"))},
            // five bytes: not one whole block (the one log line)
            {LexiconKind::CableCoreWord, cipher(str("YJV")).left(5)},
            {LexiconKind::EnCore, cipher(str("PVC") + str("ppr") + str("pvc"))},
        };
    if (name == QLatin1String("no files"))
        return {};
    return {
        {LexiconKind::Synonyms, cipher(list({"钢管", "焊管"}))},
        {LexiconKind::MatSet, cipher(list({"焊接钢管"}) + list({"镀锌钢管"}))},
        {LexiconKind::SmartMatch, cipher(list({"YJV电缆"}) + list({"电力电缆"}))},
        {LexiconKind::CoreWord, cipher(str("电缆"))},
        {LexiconKind::CableCoreWord, cipher(str("YJV"))},
        {LexiconKind::EnCore, cipher(str("pvc"))},
    };
}

/// Runs in a child process: lays out the case's files, loads the store, and
/// prints what it holds, the log and what TMPDIR holds afterwards.
int runCase(const QString& name)
{
    const QString matlex = appPath(QStringLiteral("dict/MATLEX/"));
    QDir(matlex).removeRecursively();
    const QMap<LexiconKind, QByteArray> files = caseFiles(name);
    for (auto it = files.constBegin(); it != files.constEnd(); ++it)
        writeFile(matlex + lexiconFileName(it.key()), it.value());

    QString tmp =
        appPath(QStringLiteral("tmp-") + QString(name).replace(QLatin1Char(' '), QLatin1Char('-')));
    QDir(tmp).removeRecursively();
    if (name == QLatin1String("missing TMPDIR"))
        tmp = appPath(QStringLiteral("no-such-directory"));
    else
        QDir().mkpath(tmp);
    qputenv("TMPDIR", QFile::encodeName(tmp));
    if (name == QLatin1String("planted names")) {
        // Files under the traditional temporary names, one a link to a file elsewhere.
        writeFile(tmp + QStringLiteral("/lex-tmpmatsyn.lex"), "planted");
        writeFile(appPath(QStringLiteral("planted-target.txt")), "precious");
        QFile::link(appPath(QStringLiteral("planted-target.txt")),
                    tmp + QStringLiteral("/lex-tmpmatset.lex"));
    }

    // The files are a few dozen bytes: the load must fit a small address space.
    limitAddressSpace(qint64(256) << 20);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        g_log << (type == QtDebugMsg ? "debug: " : "other: ") + text;
    });
    const SearchUtil* s = SearchUtil::instance();
    qInstallMessageHandler(nullptr);

    QStringList left =
        QDir(tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (name == "planted names")
        left << readFile(tmp + "/lex-tmpmatsyn.lex") + '/'
                + readFile(appPath("planted-target.txt"));
    QStringList out{"log: " + g_log.join(" | "),
                    "tmp: " + (QFileInfo::exists(tmp) ? left.join(' ') : "(none)")};
    for (const char* word : {"钢管", "电线", "3芯", "焊接钢管", "YJV电缆"}) {
        QStringList words = s->getMatEquivals(word);
        words.sort();
        out << word + QString(": ") + words.join(' ');
    }
    QStringList core;
    for (auto [length, words] : s->coreWord("cable电缆").toStdMap())
        core << QString::number(length) + ':' + words.join(',');
    out << "core: " + core.join(' ')
        << "cable: " + s->getCabelMainAttr("YJV22-3") + ',' + s->getCabelMainAttr("YJV-3");
    QString en = "en: ";
    for (const char* word : {"pvc", "ppr", "dn"})
        en += s->isEnCore(word) ? 'y' : 'n';
    out << en + (s->containEnCore("钢管") ? " any" : "");
    std::fputs(out.join('\n').toUtf8().constData(), stdout);
    return 0;
}

} // namespace

/// Deciphering into a temporary file is inside the store's load; the file is
/// gone by the time the load returns, so only a call of the private step can
/// show that each file is new, unique and readable by its owner alone.
class SearchUtilTestAccess
{
public:
    static bool decodeFile(QFile& tmp, const QString& srcRelPath)
    {
        return SearchUtil::instance()->decodeFile(tmp, srcRelPath,
                                                  QStringLiteral("lex-tmpmatsyn.lex"));
    }
};

class TestLexiconLoad : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void temporaryFilesPrivateAndUnique();
};

void TestLexiconLoad::load_data()
{
    QTest::addColumn<QString>("expected");
    // Damaged files: the records before the damage are kept, one log line per
    // file that does not decipher, nothing left in TMPDIR.
    QTest::newRow("damaged 1")
        << "log: debug: encryptStream error.\ntmp: \n钢管: 焊管 钢管\n电线: 电线 电缆\n3芯: 3芯 三芯\n"
           "焊接钢管: 焊接钢管 焊管 钢管 镀锌钢管\nYJV电缆: YJV电缆 电力电缆\ncore: 2:电缆 5:cable\ncable: ,\nen: yyn";
    QTest::newRow("planted names")
        << "log: \ntmp: lex-tmpmatset.lex lex-tmpmatsyn.lex planted/precious\n钢管: 焊管 钢管\n电线: 电线\n"
           "3芯: 3芯 三芯\n焊接钢管: 焊接钢管 镀锌钢管\nYJV电缆: YJV电缆 电力电缆\ncore: 2:电缆\ncable: ,YJV\nen: ynn";
    // No usable temporary directory: nothing is loaded, nothing created, no log line.
    QTest::newRow("missing TMPDIR")
        << "log: \ntmp: (none)\n钢管: 钢管\n电线: 电线\n3芯: 3芯\n焊接钢管: 焊接钢管\nYJV电缆: YJV电缆\n"
           "core: \ncable: ,\nen: nnn";
    QTest::newRow("no files")
        << "log: \ntmp: \n钢管: 钢管\n电线: 电线\n3芯: 3芯\n焊接钢管: 焊接钢管\nYJV电缆: YJV电缆\n"
           "core: \ncable: ,\nen: nnn";
}

// The store loads once per process: each case runs in a child process.
void TestLexiconLoad::load()
{
    QFETCH(QString, expected);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kCaseVariable), QString::fromUtf8(QTest::currentDataTag()));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), expected);
}

void TestLexiconLoad::temporaryFilesPrivateAndUnique()
{
    QTemporaryDir tmp(appPath(QStringLiteral("tmp-XXXXXX")));
    QVERIFY(tmp.isValid());
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    QVERIFY(
        writeFile(appPath(QStringLiteral("cases/private.lex")), cipher("twenty plain bytes!!")));
    QFile first, second;
    QVERIFY(SearchUtilTestAccess::decodeFile(first, QStringLiteral("cases/private.lex")));
    QVERIFY(SearchUtilTestAccess::decodeFile(second, QStringLiteral("cases/private.lex")));
    QVERIFY(first.fileName() != second.fileName());
    for (QFile* f : {&first, &second}) {
        QCOMPARE(QFileInfo(f->fileName()).absolutePath(), QDir(tmp.path()).absolutePath());
        QCOMPARE(int(QFileInfo(f->fileName()).permissions() & 0x0077), 0); // no group or other bits
        QCOMPARE(f->readAll(), QByteArray("twenty plain bytes!!"));
        QVERIFY(f->remove());
    }
    qunsetenv("TMPDIR");
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kCaseVariable))
        return runCase(qEnvironmentVariable(kCaseVariable));
    TestLexiconLoad test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lexiconload.moc"
