/** @file firstsegment.cpp @brief Times the first segmentText call, which builds the segmenter pool. */
#include "segment/wordsegment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString text = QString::fromUtf8("电力电缆YJV 三芯 2.5");

    QElapsedTimer timer;
    timer.start();
    const QStringList words = WordSegment::segmentText(text, true);
    const qint64 firstNs = timer.nsecsElapsed();

    timer.restart();
    constexpr int calls = 1000;
    for (int i = 0; i < calls; ++i)
        WordSegment::segmentText(text, true);
    const qint64 laterNs = timer.nsecsElapsed();

    out << "words: " << words.join(QLatin1Char(' ')) << '\n'
        << "first segmentText call: " << QString::number(firstNs / 1e6, 'f', 1) << " ms\n"
        << "later calls: " << QString::number(laterNs / 1e3 / calls, 'f', 1) << " us each\n";
    return 0;
}
