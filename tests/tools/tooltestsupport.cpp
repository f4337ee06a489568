/** @file tooltestsupport.cpp @brief Running the command-line tools from tests. */
#include "tooltestsupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

namespace ToolTest {

bool installTools(QString* error)
{
    const char* built[][2] = {{"vefinder", VEFINDER_CLI_TOOL},
                              {"vefinder-index", VEFINDER_INDEX_TOOL},
                              {"vefinder-lex", VEFINDER_LEX_TOOL}};
    for (const auto& b : built) {
        QFile::remove(tool(b[0]));
        if (!QFile::copy(b[1], tool(b[0]))) {
            *error = QStringLiteral("cannot copy %1 to %2").arg(b[1], tool(b[0]));
            return false;
        }
        QFile::setPermissions(tool(b[0]), QFile::permissions(b[1]));
    }
    return true;
}

QString tool(const QString& name)
{
    return QCoreApplication::applicationDirPath() + '/' + name;
}

ToolResult run(const QString& name, const QStringList& arguments, const QString& workDir)
{
    ToolResult result;
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.start(name.contains('/') ? name : tool(name), arguments);
    process.closeWriteChannel();
    result.crashed =
        !process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit;
    result.exitCode = result.crashed ? -1 : process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

ToolResult buildIndex(const QString& csv, const QString& indexDir, const QStringList& extra)
{
    return run("vefinder-index", QStringList{"--quiet"} + extra + QStringList{csv, indexDir});
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString data(const QString& name)
{
    return QStringLiteral(TOOLS_TEST_DATA "/") + name;
}

} // namespace ToolTest
