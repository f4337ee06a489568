/** @file bench_analysis.cpp @brief Per-call cost of segmentation, cable normalisation and word splitting. */
#include "analysis/charclass.h"
#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"

#include <QtTest>

class AnalysisBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void segmentText_data();
    void segmentText();
    void cableFormReplace_data();
    void cableFormReplace();
    void splitAlnumWord_data();
    void splitAlnumWord();
};

namespace {

void addTexts()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("cable") << QString::fromUtf8("电力电缆YJV 三芯 2.5");
    QTest::newRow("cable, compact") << QString::fromUtf8("zryjv3x2.5");
    QTest::newRow("pipe") << QString::fromUtf8("镀锌钢管DN25 PN1.6");
    QTest::newRow("long name") << QString::fromUtf8(
        "铜芯交联聚乙烯绝缘聚氯乙烯护套钢带铠装电力电缆");
}

} // namespace

void AnalysisBench::initTestCase()
{
    // Build the pool before measuring.
    WordSegment::segmentText(QStringLiteral("x"), true);
}

void AnalysisBench::segmentText_data()
{
    addTexts();
}

void AnalysisBench::segmentText()
{
    QFETCH(QString, text);
    QBENCHMARK {
        WordSegment::segmentText(text, true);
    }
}

void AnalysisBench::cableFormReplace_data()
{
    addTexts();
}

void AnalysisBench::cableFormReplace()
{
    QFETCH(QString, text);
    const SearchUtil* store = SearchUtil::instance();
    QBENCHMARK {
        store->cableFormReplace(text);
    }
}

void AnalysisBench::splitAlnumWord_data()
{
    addTexts();
}

void AnalysisBench::splitAlnumWord()
{
    QFETCH(QString, text);
    QBENCHMARK {
        ::splitAlnumWord(text);
    }
}

QTEST_GUILESS_MAIN(AnalysisBench)
#include "bench_analysis.moc"
