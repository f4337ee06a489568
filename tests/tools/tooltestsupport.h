/** @file tooltestsupport.h @brief Running the command-line tools from tests, with the test's own data. */
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// What a tool run left behind; exitCode -1 when it did not start or crashed.
struct ToolResult {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out, err;
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    QString describe() const { return QStringLiteral("exit %1: %2").arg(exitCode).arg(errText()); }
};

namespace ToolTest {
/// Copies the built tools beside the test, where dict/ holds the test's
/// lexicons, so that they run with the same data as the test itself.
bool installTools(QString* error);
/// Path of an installed tool.
QString tool(const QString& name);
/// Runs a tool (installed, or by path) and waits for it.
ToolResult run(const QString& name, const QStringList& arguments, const QString& workDir = {});
/// Builds @p indexDir from @p csv with the installed vefinder-index (quiet).
ToolResult buildIndex(const QString& csv, const QString& indexDir, const QStringList& extra = {});
bool writeFile(const QString& path, const QByteArray& bytes);
/// Path of a file of tests/tools/data/.
QString data(const QString& name);
} // namespace ToolTest
