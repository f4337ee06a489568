/** @file commands.h @brief The subcommands of vefinder; each takes its arguments with the program and command first. */
#pragma once

#include <QStringList>

int runQuota(const QStringList& arguments);
int runSegment(const QStringList& arguments);
int runCode(const QStringList& arguments);
int runBatch(const QStringList& arguments);
/// Runs the sibling tool @p tool (vefinder-index, vefinder-lex) with the
/// raw arguments after the command; returns only if it cannot be started.
int runSiblingTool(const char* tool, int argc, char* argv[]);
