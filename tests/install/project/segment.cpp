#include <segment/WordSegment>

// The segmenter header alone declares the pooled segmenter.
bool checkSegment()
{
    QStringList (*entry)(const QString&, bool) = &WordSegment::segmentText;
    return entry != nullptr;
}
