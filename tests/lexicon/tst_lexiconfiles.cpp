/** @file tst_lexiconfiles.cpp @brief The lexicon file format (DES known answers, the block layout, the last-block count, short files, bounded reading of the record streams) and loading the store from files (damaged files, planted temporary names, a missing TMPDIR, no files at all). */
#include "lexicontestutil.h"

#include "lexicon/lexiconrecords.h"
#include "lexicon/searchutil.h"

#include <cstdio>
#include <stdexcept>

using namespace lexicontest;
Q_DECLARE_METATYPE(LexiconKind)

namespace {

QByteArray crypt(const QByteArray& key, QByteArray block, bool encrypt)
{
    desCryptBlock(desKeySchedule(reinterpret_cast<const unsigned char*>(key.constData()), encrypt),
                  reinterpret_cast<unsigned char*>(block.data()));
    return block;
}

/// @p file deciphered, or "damaged" (with what was written before) when the transform throws.
QString decipher(const QByteArray& file)
{
    try {
        return QString::fromLatin1(cipher(file, false).toHex());
    } catch (const std::runtime_error&) {
        return "damaged";
    }
}

QByteArray pattern(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char((i * 7 + 3) % 251));
    return b;
}

/// The records of @p plain read up to the end or the first damage:
/// "words | sub-sets" per record, joined by "; ", then " DAMAGED" if damaged.
QString readRecords(LexiconKind kind, QByteArray plain)
{
    QBuffer dev(&plain);
    dev.open(QIODevice::ReadOnly);
    QDataStream in(&dev);
    in.setVersion(kLexiconStreamVersion);
    QStringList parts;
    while (!in.atEnd()) {
        LexiconRecord r;
        QString error;
        if (!readLexiconRecord(in, kind, r, &error))
            return parts.join("; ") + (error.isEmpty() ? " NO ERROR" : " DAMAGED");
        parts << r.words.join(' ')
                + (r.subSets.isEmpty() ? QString() : QString(" | " + r.subSets.join(' ')));
    }
    return parts.join("; ");
}

QStringList g_log;

QString appPath(const QString& relative)
{
    return QCoreApplication::applicationDirPath() + '/' + relative;
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
        left << QString(readFile(tmp + "/lex-tmpmatsyn.lex") + '/'
                        + readFile(appPath("planted-target.txt")));
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

class TestLexiconFiles : public QObject
{
    Q_OBJECT

private slots:
    void desKnownAnswers_data()
    {
        columns<QByteArray, QByteArray, QByteArray>("key", "plain", "cipher");
        // Published DES known answers (textbook example, FIPS 81 sample, NBS tables).
        const auto row = [](const char* name, const char* key, const char* plain,
                            const char* cipher) {
            QTest::newRow(name) << QByteArray::fromHex(key) << QByteArray::fromHex(plain)
                                << QByteArray::fromHex(cipher);
        };
        row("textbook 133457799BBCDFF1", "133457799BBCDFF1", "0123456789ABCDEF",
            "85E813540F0AB405");
        row("to zero 0E329232EA6D0D73", "0E329232EA6D0D73", "8787878787878787", "0000000000000000");
        row("'Now is t'", "0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815");
        row("variable plaintext bit 1", "0101010101010101", "8000000000000000", "95F8A5E5DD31D900");
        row("parity bits ignored", "0000000000000000", "0000000000000000", "8CA64DE9C1B123A7");
        row("7CA110454A1A6E57", "7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B");
    }

    void desKnownAnswers()
    {
        const auto [key, plain, cipher] =
            fetch<QByteArray, QByteArray, QByteArray>("key", "plain", "cipher");
        QCOMPARE(crypt(key, plain, true).toHex(), cipher.toHex());
        QCOMPARE(crypt(key, cipher, false).toHex(), plain.toHex());
    }

    void layout_data()
    {
        QTest::addColumn<int>("plainSize");
        for (int n : {0, 1, 7, 8, 9, 16, 23, 100})
            QTest::addRow("%d plain bytes", n) << n;
    }

    // Blocks enciphered one by one (no chaining); the last holds the remainder,
    // zero padding and the count of its bytes. An empty lexicon is one block.
    void layout()
    {
        QFETCH(int, plainSize);
        const QByteArray key(reinterpret_cast<const char*>(lexiconKey), 8);
        QCOMPARE(key.toHex().toUpper(), QByteArray("A7C3B5E1D9F2BEC4"));
        const QByteArray plain = pattern(plainSize);
        const QByteArray file = cipher(plain);
        const int q = plainSize / 8, r = plainSize % 8;
        QCOMPARE(file.size(), 8 * (q + 1));
        for (int i = 0; i < q; ++i)
            QCOMPARE(crypt(key, file.mid(8 * i, 8), false), plain.mid(8 * i, 8));
        QByteArray last = plain.mid(8 * q) + QByteArray(7 - r, '\0');
        last.append(char(r));
        QCOMPARE(crypt(key, file.mid(8 * q, 8), false).toHex(), last.toHex());
        QCOMPARE(decipher(file), QString::fromLatin1(plain.toHex()));
        QCOMPARE(decipher(file + QByteArray(r % 7 + 1, 'Z')),
                 QString::fromLatin1(plain.toHex())); // a partial block after the last is ignored
        if (plainSize == 0)
            QCOMPARE(file.toHex().toUpper(), QByteArray("C908C1CFDFB9855E"));
    }

    void damagedFiles_data()
    {
        columns<QByteArray, QString>("file", "expected");
        const QByteArray first = pattern(8);
        const QString firstHex = QString::fromLatin1(first.toHex());
        const QByteArray key(reinterpret_cast<const char*>(lexiconKey), 8);
        for (int count : {0, 5, 8, 9, 255}) {
            const QByteArray last = "ABCDEFG" + QByteArray(1, char(count));
            QTest::addRow("last block counting %d%s", count, count > 8 ? ": damage" : "")
                << cipher(first).left(8) + crypt(key, last, true)
                << (count > 8 ? QString("damaged") : firstHex + last.left(count).toHex());
        }
        for (int n : {0, 1, 7})
            QTest::addRow("%d bytes: no whole block", n)
                << cipher(pattern(3)).left(n) << QStringLiteral("damaged");
    }

    void damagedFiles()
    {
        const auto [file, expected] = fetch<QByteArray, QString>("file", "expected");
        QCOMPARE(decipher(file), expected);
    }

    void records_data()
    {
        columns<LexiconKind, QByteArray, QString>("kind", "plain", "expected");
        const QByteArray good = str("钢管");
        const QByteArray goodList = list({"钢管", "焊管"});
        const QByteArray goodSet = goodList + list({"管材"});

        const auto row = [](const char* name, LexiconKind kind, const QByteArray& plain,
                            const char* expected) {
            QTest::newRow(name) << kind << plain << QString(expected);
        };
        using K = LexiconKind;
        row("synonyms, an empty group", K::Synonyms, goodList + list({}) + list({"电缆"}),
            "钢管 焊管; ; 电缆");
        row("material sets with sub-sets", K::MatSet, goodSet + list({"PVC管"}) + list({}),
            "钢管 焊管 | 管材; PVC管");
        row("words beyond the BMP", K::CableCoreWord, str("𠀀YJV") + str("电缆"), "𠀀YJV; 电缆");
        // Damage: the records before it are kept; nothing is allocated for what a count announces.
        row("list count 0x7FFFFFFF", K::Synonyms, goodList + be32(0x7FFFFFFF) + good,
            "钢管 焊管 DAMAGED");
        row("list count beyond the strings left", K::Synonyms, goodList + be32(2) + good,
            "钢管 焊管 DAMAGED");
        row("sub-set count 0xFFFFFFFF", K::MatSet, goodSet + goodList + be32(0xFFFFFFFF),
            "钢管 焊管 | 管材 DAMAGED");
        row("set cut between members and sub-sets", K::SmartMatch, goodSet + goodList,
            "钢管 焊管 | 管材 DAMAGED");
        row("string byte length odd", K::CoreWord, good + be32(3) + "abcd", "钢管 DAMAGED");
        row("string byte length 0x7FFFFFF0", K::CoreWord,
            good + be32(0x7FFFFFF0) + QByteArray(64, 'x'), "钢管 DAMAGED");
        row("string cut inside its length", K::CableCoreWord, good + QByteArray("\0\0", 2),
            "钢管 DAMAGED");
        row("damage in the first record", K::MatSet, be32(0x7FFFFFFF), " DAMAGED");
    }

    void records()
    {
        const auto [kind, plain, expected] =
            fetch<LexiconKind, QByteArray, QString>("kind", "plain", "expected");
        // Every stream is tiny: reading one fits in a small address space, whatever it announces.
        limitAddressSpace(qint64(512) << 20);
        QCOMPARE(readRecords(kind, plain), expected);
    }

    void load_data()
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
    void load()
    {
        QFETCH(QString, expected);
        const ToolResult child =
            runProgram(QCoreApplication::applicationFilePath(),
                       {"--load-case", QString::fromUtf8(QTest::currentDataTag())});
        QVERIFY2(child.exitCode == 0, qPrintable(child.describe()));
        QCOMPARE(child.outText(), expected);
    }

    void temporaryFilesPrivateAndUnique()
    {
        QTemporaryDir tmp(appPath(QStringLiteral("tmp-XXXXXX")));
        QVERIFY(tmp.isValid());
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        QVERIFY(writeFile(appPath(QStringLiteral("cases/private.lex")),
                          cipher("twenty plain bytes!!")));
        QFile first, second;
        QVERIFY(SearchUtilTestAccess::decodeFile(first, QStringLiteral("cases/private.lex")));
        QVERIFY(SearchUtilTestAccess::decodeFile(second, QStringLiteral("cases/private.lex")));
        QVERIFY(first.fileName() != second.fileName());
        for (QFile* f : {&first, &second}) {
            QCOMPARE(QFileInfo(f->fileName()).absolutePath(), QDir(tmp.path()).absolutePath());
            QCOMPARE(int(QFileInfo(f->fileName()).permissions() & 0x0077),
                     0); // no group or other bits
            QCOMPARE(f->readAll(), QByteArray("twenty plain bytes!!"));
            QVERIFY(f->remove());
        }
        qunsetenv("TMPDIR");
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--load-case") == 0)
        return runCase(QString::fromUtf8(argv[2]));
    TestLexiconFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lexiconfiles.moc"
