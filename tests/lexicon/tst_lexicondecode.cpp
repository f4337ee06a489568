/** @file tst_lexicondecode.cpp @brief SearchUtil::decodeFile: deciphering into private temporary files. */
#include "lexicontestutil.h"

#include "lexicon/searchutil.h"

#include <QtTest>

#include <memory>

using namespace lexicontest;

class SearchUtilTestAccess
{
public:
    static bool decodeFile(QFile& tmpFile, const QString& srcRelPath, const QString& tmpName)
    {
        return SearchUtil::instance()->decodeFile(tmpFile, srcRelPath, tmpName);
    }
};

namespace {

QByteArray pattern(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char((i * 13 + 5) % 253));
    return b;
}

const QString kTmpName = QStringLiteral("lex-tmpmatsyn.lex");
const QRegularExpression kTmpPattern(QStringLiteral("^lex-tmpmatsyn-[A-Za-z0-9]{6}\\.lex$"));

bool ownerOnly(const QString& path)
{
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                      | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return (QFileInfo(path).permissions() & others) == 0;
}

} // namespace

class TestLexiconDecode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void decode_data();
    void decode();
    void namesAreUnique();
    void plantedNamesUntouched();
    void temporaryDirectoryUnusable();
    void logLineFollowsLoggingRules();

private:
    QString casePath(const QString& name) const { return m_appDir + QStringLiteral("/cases/") + name; }

    QString m_appDir;
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<MessageCapture> m_capture;
};

void TestLexiconDecode::initTestCase()
{
    m_appDir = QCoreApplication::applicationDirPath();
    QDir(m_appDir + QStringLiteral("/cases")).removeRecursively();
    m_tmp = ownTempDir();
    QVERIFY(m_tmp->isValid());
    QCOMPARE(QDir::tempPath(), QDir::cleanPath(m_tmp->path()));
    m_capture.reset(new MessageCapture);
    QVERIFY(SearchUtil::instance());
    QCOMPARE(MessageCapture::messages(), QStringList());
}

void TestLexiconDecode::cleanupTestCase()
{
    m_capture.reset();
    qunsetenv("TMPDIR");
}

void TestLexiconDecode::decode_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("plain");

    const QByteArray sixteen = pattern(16);
    QTest::newRow("16 plain bytes stored as 24") << true << encipher(sixteen) << true << sixteen;
    const QByteArray nineteen = pattern(19);
    for (int j = 1; j <= 7; ++j)
        QTest::addRow("24 + %d bytes decode as the first 24", j)
            << true << encipher(nineteen) + pattern(j) << true << nineteen;
    QTest::newRow("8 bytes with count 0: empty") << true << encipher(QByteArray()) << true << QByteArray();
    QTest::newRow("last block counting 8: whole block")
        << true << encipher(pattern(8)).left(8) + encipherBlock(QByteArray("1234567\x08", 8)) << true
        << pattern(8) + QByteArray("1234567\x08", 8);
    QTest::newRow("last block counting 9: damage")
        << true << encipher(pattern(8)).left(8) + encipherBlock(QByteArray("1234567\x09", 8)) << false
        << QByteArray();
    for (int n = 0; n <= 7; ++n)
        QTest::addRow("%d bytes: no whole block", n) << true << encipher(pattern(3)).left(n) << false
                                                     << QByteArray();
    QTest::newRow("missing file") << false << QByteArray() << false << QByteArray();
}

void TestLexiconDecode::decode()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, file);
    QFETCH(bool, ok);
    QFETCH(QByteArray, plain);

    const QString name = QStringLiteral("case-%1.lex").arg(QString::fromUtf8(QTest::currentDataTag())).replace(QLatin1Char(' '), QLatin1Char('_'));
    QFile::remove(casePath(name));
    if (present)
        QVERIFY(writeFile(casePath(name), file));
    MessageCapture::clear();

    QFile tmp;
    QCOMPARE(SearchUtilTestAccess::decodeFile(tmp, QStringLiteral("cases/") + name, kTmpName), ok);
    // The one log line of the library goes out exactly when a present file
    // cannot be deciphered.
    const QStringList expectedLog = present && !ok ? QStringList{QStringLiteral("debug: encryptStream error.")}
                                                   : QStringList();
    QCOMPARE(MessageCapture::messages(), expectedLog);

    if (ok) {
        QVERIFY(tmp.isOpen());
        QCOMPARE(tmp.openMode() & QIODevice::ReadWrite, QIODevice::ReadWrite);
        QCOMPARE(tmp.pos(), qint64(0));
        const QFileInfo info(tmp.fileName());
        QCOMPARE(info.absolutePath(), QDir::tempPath());
        QVERIFY2(kTmpPattern.match(info.fileName()).hasMatch(), qPrintable(info.fileName()));
        QVERIFY(ownerOnly(tmp.fileName()));
        QCOMPARE(entriesOf(QDir::tempPath()), QStringList{info.fileName()});
        QCOMPARE(tmp.readAll().toHex(), plain.toHex());
        QVERIFY(tmp.remove());
    } else {
        QVERIFY(!tmp.isOpen());
    }
    // Nothing is left behind on any path.
    QCOMPARE(entriesOf(QDir::tempPath()), QStringList());
}

void TestLexiconDecode::namesAreUnique()
{
    const QByteArray plain = pattern(20);
    QVERIFY(writeFile(casePath(QStringLiteral("unique.lex")), encipher(plain)));
    QFile first;
    QFile second;
    QVERIFY(SearchUtilTestAccess::decodeFile(first, QStringLiteral("cases/unique.lex"), kTmpName));
    QVERIFY(SearchUtilTestAccess::decodeFile(second, QStringLiteral("cases/unique.lex"), kTmpName));
    QVERIFY(first.fileName() != second.fileName());
    QCOMPARE(first.readAll(), plain);
    QCOMPARE(second.readAll(), plain);
    QVERIFY(first.remove());
    QVERIFY(second.remove());
    QCOMPARE(entriesOf(QDir::tempPath()), QStringList());
}

void TestLexiconDecode::plantedNamesUntouched()
{
    // Files planted under the lexicons' traditional temporary names, one a
    // symbolic link to a file elsewhere, are neither read, nor written, nor removed.
    const QString target = m_appDir + QStringLiteral("/planted-target.txt");
    QVERIFY(writeFile(target, "precious"));
    const QString planted = QDir::tempPath() + QLatin1Char('/') + kTmpName;
    QVERIFY(writeFile(planted, "planted"));
    const QString link = QDir::tempPath() + QStringLiteral("/lex-tmpmatset.lex");
    QVERIFY(QFile::link(target, link));

    const QByteArray plain = pattern(30);
    QVERIFY(writeFile(casePath(QStringLiteral("planted.lex")), encipher(plain)));
    for (const QString& tmpName : {kTmpName, QStringLiteral("lex-tmpmatset.lex")}) {
        QFile tmp;
        QVERIFY(SearchUtilTestAccess::decodeFile(tmp, QStringLiteral("cases/planted.lex"), tmpName));
        QCOMPARE(tmp.readAll(), plain);
        QVERIFY(tmp.remove());
    }
    QFile plantedFile(planted);
    QVERIFY(plantedFile.open(QIODevice::ReadOnly));
    QCOMPARE(plantedFile.readAll(), QByteArray("planted"));
    QFile targetFile(target);
    QVERIFY(targetFile.open(QIODevice::ReadOnly));
    QCOMPARE(targetFile.readAll(), QByteArray("precious"));
    QVERIFY(QFileInfo(link).isSymLink());

    QVERIFY(QFile::remove(planted));
    QVERIFY(QFile::remove(link));
    QCOMPARE(entriesOf(QDir::tempPath()), QStringList());
}

void TestLexiconDecode::temporaryDirectoryUnusable()
{
    QVERIFY(writeFile(casePath(QStringLiteral("nodir.lex")), encipher(pattern(12))));
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_appDir + QStringLiteral("/no-such-directory")));
    MessageCapture::clear();
    QFile tmp;
    const bool ok = SearchUtilTestAccess::decodeFile(tmp, QStringLiteral("cases/nodir.lex"), kTmpName);
    qputenv("TMPDIR", saved);
    QVERIFY(!ok);
    QVERIFY(!tmp.isOpen());
    QCOMPARE(MessageCapture::messages(), QStringList());
    QVERIFY(!QFileInfo::exists(m_appDir + QStringLiteral("/no-such-directory")));
}

void TestLexiconDecode::logLineFollowsLoggingRules()
{
    // The log line belongs to the category "vefinder.lexicon", so a host can
    // switch it off like any other Qt debug output.
    const QString name = QStringLiteral("rules-damaged.lex");
    QVERIFY(writeFile(casePath(name), QByteArray("abc")));
    for (const bool enabled : {false, true}) {
        QLoggingCategory::setFilterRules(enabled ? QStringLiteral("vefinder.lexicon.debug=true")
                                                 : QStringLiteral("vefinder.lexicon.debug=false"));
        MessageCapture::clear();
        QFile tmp;
        QVERIFY(!SearchUtilTestAccess::decodeFile(tmp, QStringLiteral("cases/") + name, kTmpName));
        QCOMPARE(MessageCapture::messages(),
                 enabled ? QStringList{QStringLiteral("debug: encryptStream error.")} : QStringList());
    }
    QLoggingCategory::setFilterRules(QString());
}

QTEST_GUILESS_MAIN(TestLexiconDecode)
#include "tst_lexicondecode.moc"
