/** @file searchsetup.cpp @brief Checks of data, index and positions before a search. */
#include "searchsetup.h"

#include "datalayout.h"
#include "positiontable.h"

namespace SearchSetup {

int prepare(const SearchSettings& settings, QHash<QString, QString>* positions)
{
    const QStringList missing = DataLayout::missingData();
    for (const QString& problem : missing)
        Console::error(problem);
    if (!missing.isEmpty())
        return ExitDataError;
    for (const QString& warning : DataLayout::dataWarnings())
        Console::warning(warning);

    const QString indexProblem = DataLayout::indexProblem(settings.indexPath);
    if (!indexProblem.isEmpty()) {
        Console::error(settings.indexPath == CommandParser::DefaultIndexPath ? indexProblem
                               + QStringLiteral(" (the default; give another with --index DIR)")
                                                                             : indexProblem);
        return ExitDataError;
    }

    if (!settings.positionsPath.isEmpty()) {
        QStringList warnings;
        QString error;
        if (!PositionTable::load(settings.positionsPath, positions, &warnings, &error)) {
            for (const QString& warning : qAsConst(warnings))
                Console::warning(warning);
            Console::error(error);
            return ExitDataError;
        }
        for (const QString& warning : qAsConst(warnings))
            Console::warning(warning);
    }
    return ExitOk;
}

} // namespace SearchSetup
