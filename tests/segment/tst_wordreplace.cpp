/** @file tst_wordreplace.cpp @brief Tests of reading the segmenter's replacement table. */
#include "wordsegmenttestaccess.h"

#include "segment/replacewords_p.h"

#include <QBuffer>
#include <QtTest>

namespace {

/// "k=v; k=v" in key order.
QString render(const QMap<QString, QString>& table)
{
    QStringList pairs;
    for (auto it = table.constBegin(); it != table.constEnd(); ++it)
        pairs.append(it.key() + QLatin1Char('=') + it.value());
    return pairs.join(QStringLiteral("; "));
}

} // namespace

class WordReplaceTest : public QObject
{
    Q_OBJECT

private slots:
    void lineRules_data();
    void lineRules();
    void tableBesideTheApplication();
};

void WordReplaceTest::lineRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("table");

    QTest::newRow("two words") << QByteArray("砼 混凝土\n") << QString::fromUtf8("砼=混凝土");
    QTest::newRow("comment holding two words") << QByteArray("# x y\n") << QString();
    QTest::newRow("comment without space") << QByteArray("#x y\n") << QString();
    QTest::newRow("one word") << QByteArray("x\n") << QString();
    QTest::newRow("three words: the third ignored") << QByteArray("x y z\n")
                                                    << QStringLiteral("x=y");
    QTest::newRow("later line wins") << QByteArray("x y\nx z\n") << QStringLiteral("x=z");
    QTest::newRow("white space then hash is no comment")
        << QByteArray("  # x y\n") << QStringLiteral("#=x");
    QTest::newRow("hash inside a line") << QByteArray("a#b c\n") << QStringLiteral("a#b=c");
    QTest::newRow("tabs and runs of spaces") << QByteArray("\tx \t  y  \n")
                                             << QStringLiteral("x=y");
    QTest::newRow("CRLF line ends") << QByteArray("x y\r\nu v\r\n") << QStringLiteral("u=v; x=y");
    QTest::newRow("no final line break") << QByteArray("x y") << QStringLiteral("x=y");
    QTest::newRow("blank lines") << QByteArray("\n\n  \nx y\n\n") << QStringLiteral("x=y");
    QTest::newRow("ideographic space separates")
        << QByteArray("砼\xE3\x80\x80混凝土\n") << QString::fromUtf8("砼=混凝土");
    QTest::newRow("byte-order mark before the first word")
        << QByteArray("\xEF\xBB\xBF砼 混凝土\n") << QString::fromUtf8("砼=混凝土");
    QTest::newRow("byte-order mark before a comment")
        << QByteArray("\xEF\xBB\xBF# x y\nu v\n") << QStringLiteral("u=v");
    QTest::newRow("empty") << QByteArray() << QString();
}

void WordReplaceTest::lineRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, table);
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QMap<QString, QString> words;
    readReplaceWords(buffer, words);
    QCOMPARE(render(words), table);
}

void WordReplaceTest::tableBesideTheApplication()
{
    // dict/UTF-8/word-replace.txt beside this test holds one line per rule.
    QCOMPARE(render(WordSegmentTestAccess::replaceWords(*WordSegment::instance())),
             QString::fromUtf8("#=leading; x1=y1; x2=z2; x3=y3; x4=y4; x5=y5; x7=y7; 砼=混凝土"));
    QCOMPARE(WordSegment::segmentText(QStringLiteral("x2 x7"), true),
             (QStringList{QStringLiteral("z2"), QStringLiteral("y7")}));
}

QTEST_GUILESS_MAIN(WordReplaceTest)
#include "tst_wordreplace.moc"
