#include <engine/VeFinder>

// Every declaration a host needs from the engine header alone.
bool checkEngine()
{
    bool (*dataDir)(const QString&) = &setVeFinderDataDir;
    VeFinder finder;
    VeFinder copy(finder);
    copy = finder;
    copy.setPosIndex({});
    QStringList ids;
    finder.normCodeSearch(ids, QStringLiteral("x"), QStringLiteral("/nonexistent-index"));
    return dataDir != nullptr && ids.isEmpty()
        && normalizeSearchText(QStringLiteral(" A  b ")) == QStringLiteral("a b") && DocEnPpl == 8;
}
