/** @file console.h @brief Exit codes and printing of the vefinder program. */
#pragma once

#include <QString>

#include <cstdio>

/// What vefinder returns to the shell.
enum ExitCode {
    ExitOk = 0,        ///< the command ran (whether or not anything was found)
    ExitDataError = 1, ///< an input file, the index or the data beside the program is at fault
    ExitUsage = 2      ///< wrong arguments
};

namespace Console {
/// Writes @p text to standard output in the local encoding.
void out(const QString& text);
/// Writes @p text and a line break to standard error, prefixed with "vefinder: ".
void error(const QString& text);
/// Writes @p text and a line break to standard error, prefixed with "vefinder: warning: ".
void warning(const QString& text);
/// Writes raw bytes to standard output.
void outBytes(const QByteArray& bytes);
} // namespace Console
