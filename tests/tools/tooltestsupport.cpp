/** @file tooltestsupport.cpp @brief Running the command-line tools from tests. */
#include "tooltestsupport.h"

namespace ToolTest {

namespace {

bool installTools()
{
    const char* built[][2] = {{"vefinder", VEFINDER_CLI_TOOL},
                              {"vefinder-index", VEFINDER_INDEX_TOOL},
                              {"vefinder-lex", VEFINDER_LEX_TOOL}};
    for (const auto& b : built) {
        const QString copy = QCoreApplication::applicationDirPath() + '/' + b[0];
        QFile::remove(copy);
        if (!QFile::copy(b[1], copy))
            qFatal("cannot copy %s to %s", b[1], qPrintable(copy));
        QFile::setPermissions(copy, QFile::permissions(b[1]));
    }
    return true;
}

} // namespace

QString tool(const QString& name)
{
    static const bool installed = installTools();
    Q_UNUSED(installed);
    return QCoreApplication::applicationDirPath() + '/' + name;
}

ToolResult run(const QString& name, const QStringList& arguments, const QString& workDir)
{
    return runProgram(name.contains('/') ? name : tool(name), arguments, workDir);
}

ToolResult buildIndex(const QString& csv, const QString& indexDir, const QStringList& extra)
{
    return run("vefinder-index", QStringList{"--quiet"} + extra + QStringList{csv, indexDir});
}

QString data(const QString& name)
{
    return QStringLiteral(TOOLS_TEST_DATA "/") + name;
}

} // namespace ToolTest
