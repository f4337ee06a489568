/** @file console.h @brief Exit codes, console output, help and usage texts of the command-line tools. */
#pragma once

#include <QString>

#include <cstdio>

class QCommandLineParser;

/// What every tool returns to the shell.
enum ExitCode {
    ExitOk = 0,        ///< the command ran (whether or not anything was found)
    ExitDataError = 1, ///< an input file, the index or the data beside the program is at fault
    ExitUsage = 2      ///< wrong arguments
};

namespace Console {
/// Names the running tool in the prefix of errors and warnings ("vefinder" by default).
void setProgram(const QString& program);
/// Writes @p text to standard output in the local encoding.
void out(const QString& text);
/// Writes raw bytes to standard output.
void outBytes(const QByteArray& bytes);
/// Writes @p text and a line break to standard error, prefixed with "PROGRAM: ".
void error(const QString& text);
/// A note on standard error (a summary, say), prefixed like an error.
void info(const QString& text);
/// Writes @p text and a line break to standard error, prefixed with "PROGRAM: warning: ".
void warning(const QString& text);
/// Writes @p text to standard error as it is.
void errText(const QString& text);
/// Prints @p message as an error and "Try 'COMMAND --help'." (@p command
/// defaults to the program); returns ExitUsage.
int usageError(const QString& message, const QString& command = QString());
/// The help text of @p parser with the usage line naming @p command (for
/// example "vefinder batch") rather than the path the program was started as.
QString helpText(const QCommandLineParser& parser, const QString& command);
} // namespace Console
