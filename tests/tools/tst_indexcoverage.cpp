/** @file tst_indexcoverage.cpp @brief Every entry of the sample catalogue is found by its own description. */
#include "csvreader.h"
#include "tooltestsupport.h"

#include "engine/vefinder.h"

#include <QTemporaryDir>
#include <QtTest>

/// Indexes the bundled sample catalogue with the sample lexicons and asks
/// for each entry by its own name and specification: the searches cut that
/// text into words in their several ways, and the index must hold them all.
class IndexCoverageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void entryFoundByOwnDescription_data();
    void entryFoundByOwnDescription();

private:
    QTemporaryDir m_dir;
    const QString m_index = m_dir.filePath("index");
};

void IndexCoverageTest::initTestCase()
{
    QString error;
    QVERIFY2(ToolTest::installTools(&error), qPrintable(error));
    const ToolResult built =
        ToolTest::run("vefinder-index", {"--quiet", SAMPLE_CATALOGUE, m_index});
    QVERIFY2(built.exitCode == 0, qPrintable(built.describe()));
}

void IndexCoverageTest::entryFoundByOwnDescription_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spec");
    const auto rows = readCsvTable(SAMPLE_CATALOGUE);
    QVERIFY(rows.size() > 1000);
    for (const auto& row : rows)
        QTest::newRow(qPrintable(row["mat_id"] + ' ' + row["name"] + ' ' + row["spec"]))
            << row["mat_id"].trimmed() << row["code"] << row["name"] << row["spec"];
}

// Found by segmentSearch of name and spec, in the fuzzy groups of a code-less
// quotaSearch, and in the precise group of a quotaSearch with its code (in a
// later group when its specification is blank).
void IndexCoverageTest::entryFoundByOwnDescription()
{
    QFETCH(QString, id);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, spec);
    const auto holds = [&](const QList<QStringList>& groups) {
        return std::any_of(groups.begin(), groups.end(),
                           [&](const QStringList& g) { return g.contains(id); });
    };
    VeFinder finder;
    QList<QStringList> result;
    finder.segmentSearch(result, name + ' ' + spec, m_index, true);
    QVERIFY2(holds(result), "segmentSearch of name and spec");
    finder.quotaSearch(result, QString(), name, spec, m_index, nullptr, true);
    QVERIFY2(holds(result.mid(1, result.size() - 2)), "fuzzy groups of quotaSearch without a code");
    finder.quotaSearch(result, code, name, spec, m_index, nullptr, true);
    QVERIFY2(holds(spec.trimmed().isEmpty() ? result.mid(1) : result.mid(0, 1)),
             "precise group, or later if blank spec");
}

QTEST_GUILESS_MAIN(IndexCoverageTest)
#include "tst_indexcoverage.moc"
