/** @file tooltestsupport.h @brief Running the command-line tools from tests, with the test's own data. */
#pragma once

#include "testindex.h"

namespace ToolTest {
/// Path of an installed tool: the built tools are copied beside the test
/// (once), where dict/ holds the test's lexicons, so that they run with the
/// same data as the test itself.
QString tool(const QString& name);
/// Runs a tool (installed, or by path) and waits for it.
ToolResult run(const QString& name, const QStringList& arguments, const QString& workDir = {});
/// Builds @p indexDir from @p csv with the installed vefinder-index (quiet).
ToolResult buildIndex(const QString& csv, const QString& indexDir, const QStringList& extra = {});
/// Path of a file of tests/tools/data/.
QString data(const QString& name);
} // namespace ToolTest
