/** @file tst_indexcoverage.cpp @brief Every entry of the sample catalogue is found by its own description. */
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
    ToolTest::addCatalogueRows(QStringLiteral(SAMPLE_CATALOGUE), 1000);
}

void IndexCoverageTest::entryFoundByOwnDescription()
{
    QFETCH(QString, id);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, spec);
    ToolTest::checkEntryFindsItself(m_index, id, code, name, spec);
}

QTEST_GUILESS_MAIN(IndexCoverageTest)
#include "tst_indexcoverage.moc"
