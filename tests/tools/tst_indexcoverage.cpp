/** @file tst_indexcoverage.cpp @brief Every entry of the sample catalogue is found by its own description. */
#include "tooltestsupport.h"

#include "engine/vefinder.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
bool contains(const QList<QStringList>& groups, const QString& id)
{
    for (const QStringList& group : groups)
        if (group.contains(id))
            return true;
    return false;
}
} // namespace

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
    QString m_index;
};

void IndexCoverageTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    QVERIFY2(ToolTest::installTools(&error), qPrintable(error));
    m_index = m_dir.filePath(QStringLiteral("index"));
    const ToolResult built = ToolTest::buildIndex(QStringLiteral(SAMPLE_CATALOGUE), m_index);
    QVERIFY2(built.exitCode == 0 && !built.crashed, qPrintable(built.describe()));
}

void IndexCoverageTest::entryFoundByOwnDescription_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spec");
    const auto rows = ToolTest::readCatalogue(QStringLiteral(SAMPLE_CATALOGUE));
    QVERIFY(rows.size() > 1000);
    for (const ToolTest::CatalogueRow& row : rows)
        QTest::newRow(qPrintable(row.matId + QLatin1Char(' ') + row.name + QLatin1Char(' ') + row.spec))
            << row.matId << row.code << row.name << row.spec;
}

void IndexCoverageTest::entryFoundByOwnDescription()
{
    QFETCH(QString, id);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, spec);
    VeFinder finder;
    QList<QStringList> result;
    finder.segmentSearch(result, name + QLatin1Char(' ') + spec, m_index, true);
    QVERIFY2(contains(result, id), "segmentSearch of name and spec");
    finder.quotaSearch(result, QString(), name, spec, m_index, nullptr, true);
    QVERIFY2(contains(result.mid(1, result.size() - 2), id), "fuzzy groups of quotaSearch without a code");
    finder.quotaSearch(result, code, name, spec, m_index, nullptr, true);
    if (spec.trimmed().isEmpty())
        QVERIFY2(contains(result.mid(1), id), "later groups of quotaSearch, blank spec");
    else
        QVERIFY2(result.first().contains(id), "precise group of quotaSearch");
}

QTEST_GUILESS_MAIN(IndexCoverageTest)
#include "tst_indexcoverage.moc"
