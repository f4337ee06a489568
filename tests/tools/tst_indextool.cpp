/** @file tst_indextool.cpp @brief vefinder-index: the terms it writes, rejected rows, safe replacement (its usage errors: tst_clitool). */
#include "testindex.h"
#include "tooltestsupport.h"

#include "engine/vefinder.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

using namespace ToolTest;

namespace {

/// Every term of the index at @p dir as "matId field:term", sorted.
QStringList indexTerms(const QString& dir)
{
    using namespace lucene::index;
    IndexReader* reader = IndexReader::open(QFile::encodeName(dir).constData());
    QStringList lines;
    TermEnum* terms = reader->terms();
    while (terms->next()) {
        TermDocs* docs = reader->termDocs(terms->term(false));
        while (docs->next()) {
            lucene::document::Document doc;
            reader->document(docs->doc(), doc);
            lines << QString::fromWCharArray(doc.get(L"mat_id")) + ' '
                    + QString::fromWCharArray(terms->term(false)->field()) + ':'
                    + QString::fromWCharArray(terms->term(false)->text());
        }
        docs->close();
        _CLDELETE(docs);
    }
    terms->close();
    _CLDELETE(terms);
    reader->close();
    _CLDELETE(reader);
    lines.sort();
    return lines;
}

/// Relative path, size and modification time of every file under @p dir.
QStringList snapshot(const QString& dir)
{
    QStringList files;
    for (QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo file(it.next());
        files << QString("%1 %2 %3")
                     .arg(file.filePath())
                     .arg(file.size())
                     .arg(file.lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}

QStringList ids(const QString& code, const QString& index)
{
    QStringList ids;
    VeFinder().normCodeSearch(ids, code, index);
    return ids;
}

} // namespace

class VeFinderIndexTest : public QObject
{
    Q_OBJECT

private slots:

    // The index format is what the engine and other readers rely on: every term
    // of every entry of data/catalogue.csv (code and norm key, normalised title and
    // spec, brand, the words in their fields, cable words) against golden/index-terms.txt.
    void indexTerms()
    {
        const QString index = m_dir.filePath("index");
        const ToolResult built = run("vefinder-index", {"--quiet", m_catalogue, index});
        QVERIFY2(built.exitCode == 0, qPrintable(built.describe()));
        compareGolden(data("../golden/index-terms.txt"), ::indexTerms(index).join('\n') + '\n');
    }

    // Rows that cannot be indexed are reported and left out (every row's code
    // is "c" and its line number, so the test can tell which rows made it into
    // the index); a failed build leaves the old index as it was and nothing
    // beside it.
    void catalogues_data()
    {
        // csv: null: the file does not exist
        // message: empty: the build succeeds
        columns<QByteArray, QString, QList<int>, int, QString>("csv", "option", "rejected",
                                                               "lastLine", "message");
        const auto row = [](const char* name, const QByteArray& rows, const QList<int>& rejected,
                            int lastLine,
                            const QByteArray& header = "mat_id,code,name,spec,brand\n") {
            QTest::newRow(name) << header + rows << QString() << rejected << lastLine << QString();
        };
        const auto fails = [](const char* name, const QByteArray& csv, const char* message,
                              const char* option = "") {
            QTest::newRow(name) << csv << QString(option) << QList<int>() << 0 << QString(message);
        };
        row("missing and blank mat id",
            "A2,c2,钢管,DN20,x\n,c3,钢管,DN25,x\n  ,c4,钢管,DN32,x\nA5,c5,钢管,DN40,x\n", {3, 4},
            5);
        row("too few and too many fields",
            "A2,c2,钢管,DN20\nA3,c3,钢管,DN25,x,extra\nA4,c4,钢管,DN32,x\n", {2, 3}, 4);
        row("invalid UTF-8: stray byte, overlong, surrogate, truncated",
            "A2,c2,\xff\xfe,DN20,x\nA3,c3,\xc0\xaf,DN25,x\nA4,c4,\xed\xa0\x80,DN32,x\n"
            "A5,c5,\xe9\x92,DN40,x\nA6,c6,\xe9\x92\xa2\xe7\xae\xa1,DN50,x\n",
            {2, 3, 4, 5}, 6);
        row("quoted line breaks keep the line count",
            "A2,c2,\"钢管\n第二行\",DN20,x\nA4,c4,钢管,DN25\nA5,c5,\"say \"\"hi\"\"\",DN32,x\n",
            {4}, 5);
        row("CRLF line ends", "A2,c2,钢管,DN20,x\r\n,c3,钢管,DN25,x\r\nA4,c4,钢管,DN32,x\r\n", {3},
            4, "mat_id,code,name,spec,brand\r\n");
        row("unterminated quote at the end", "A2,c2,钢管,DN20,x\nA3,c3,\"钢管,DN25,x\n", {3}, 3);
        row("overlong field and NUL character",
            "A2,c2," + QByteArray(17000, 'x') + ",DN20,x\nA3,c3,钢管,DN25,x\n"
                + QByteArray("A4,c4,钢\0管,DN32,x\n", 21) + "A5,c5," + QByteArray(15000, 'y')
                + ",DN40,x\n",
            {2, 4}, 5);
        // U+20000 (a CJK character beyond U+FFFF) would be stored as U+0000 and
        // spoil the index's term order for the other rows.
        row("character beyond U+FFFF",
            "A2,c2,钢管,DN20,x\nA3,c3,\xf0\xa0\x80\x80钢管,DN25,x\nA4,c4,钢管,DN32,\xf0\x9f\x94\xa7\nA5,c5,钢管,DN40,x\n",
            {3, 4}, 5);
        row("byte order mark and an empty line", "A2,c2,钢管,DN20,x\n\nA4,c4,钢管,DN32\n", {4}, 4,
            "\xef\xbb\xbfmat_id,code,name,spec,brand\n");

        fails("missing file", QByteArray(), "cannot open the catalogue");
        fails("empty file", "", "empty file");
        fails("header without spec", "mat_id,code,name,brand\nA,c,钢管,x\n",
              "lacks the column(s) spec");
        fails("column named twice", "mat_id,code,name,spec,name\nA,c,钢管,DN20,x\n", "twice");
        fails("every row rejected", "mat_id,code,name,spec\n,c,钢管,DN20\nA,c\n",
              "no row could be indexed");
        fails("strict and one bad row", "mat_id,code,name,spec\nA,c,钢管,DN20\n,c,钢管,DN25\n",
              "--strict", "--strict");
    }

    void catalogues()
    {
        const auto [csv, option, rejected, lastLine, message] =
            fetch<QByteArray, QString, QList<int>, int, QString>("csv", "option", "rejected",
                                                                 "lastLine", "message");
        QTemporaryDir dir;
        const QString csvPath = dir.filePath("rows.csv"), index = dir.filePath("index");
        const bool fails = !message.isEmpty();
        QVERIFY(!fails || run("vefinder-index", {"--quiet", m_catalogue, index}).exitCode == 0);
        const QStringList before = snapshot(index);
        QVERIFY(csv.isNull() || writeFile(csvPath, csv));
        const ToolResult built = run(
            "vefinder-index", QStringList{option, csvPath, index}.filter(QRegularExpression(".")));
        QVERIFY2(built.exitCode == int(fails) && built.errText().contains(message),
                 qPrintable(built.describe()));
        if (fails) {
            QCOMPARE(snapshot(index), before);
            QCOMPARE(
                QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                QStringList({"index", "rows.csv"}).mid(0, csv.isNull() ? 1 : 2));
            QCOMPARE(ids("0401001", index), QStringList{"T001"});
            return;
        }
        QList<int> reported;
        for (const QString& line : built.errText().split('\n'))
            if (line.startsWith(csvPath + ':') && line.contains(": rejected: "))
                reported << line.section(':', 1, 1).toInt();
        QCOMPARE(reported, rejected);
        int indexed = 0;
        for (int line = 2; line <= lastLine; ++line) {
            const bool found = !ids(QString("c%1").arg(line), index).isEmpty();
            indexed += found;
            QVERIFY2(!found || !rejected.contains(line),
                     qPrintable(QString("line %1 indexed").arg(line)));
        }
        const QString summary =
            QString("indexed %1 row(s), rejected %2").arg(indexed).arg(rejected.size());
        QVERIFY2(built.errText().contains(summary), qPrintable(built.describe()));
    }

    // A new build replaces an index whole, in a directory made for it; a directory
    // or file that holds no index is never replaced.
    void replacement()
    {
        QTemporaryDir dir;
        const QString index = dir.filePath("nested/index"), other = dir.filePath("other.csv");
        QCOMPARE(run("vefinder-index", {"--quiet", m_catalogue, index}).exitCode, 0);
        QVERIFY(writeFile(other, "mat_id,code,name,spec\nN1,NEW,新材料,A1\n"));
        QCOMPARE(run("vefinder-index", {"--quiet", other, index}).exitCode, 0);
        QCOMPARE(ids("NEW", index), QStringList{"N1"});
        QCOMPARE(ids("0401001", index), QStringList());
        QCOMPARE(QDir(dir.filePath("nested"))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"index"});

        const QString documents = dir.filePath("documents");
        QVERIFY(QDir().mkpath(documents) && writeFile(documents + "/precious.txt", "keep me"));
        const ToolResult refused = run("vefinder-index", {"--quiet", m_catalogue, documents});
        QVERIFY2(refused.exitCode == 1 && refused.errText().contains("refusing"),
                 qPrintable(refused.describe()));
        QCOMPARE(QDir(documents).entryList(QDir::Files), QStringList{"precious.txt"});
        QCOMPARE(run("vefinder-index", {"--quiet", m_catalogue, other}).exitCode, 1);
    }

private:
    QTemporaryDir m_dir;
    const QString m_catalogue = data("catalogue.csv");
};

QTEST_GUILESS_MAIN(VeFinderIndexTest)
#include "tst_indextool.moc"
