/** @file datalayout.h @brief Checks of the data the tools need beside them and of index directories. */
#pragma once

#include <QString>
#include <QStringList>

namespace DataLayout {
/// Problems with dict/ (dict/MATLEX, dict/UTF-8) in @p dataDir, by default
/// beside the running program; empty when both are there. Each message names
/// the path and what is missing.
QStringList missingData(const QString& dataDir = QString());
/// Warnings that do not stop a tool (for example no lexicon in dict/MATLEX).
QStringList dataWarnings(const QString& dataDir = QString());
/// Why @p path cannot be searched as a catalogue index, or an empty string.
QString indexProblem(const QString& path);
/// Whether @p path holds a catalogue index CLucene can open.
bool holdsIndex(const QString& path);
} // namespace DataLayout
