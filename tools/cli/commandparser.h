/** @file commandparser.h @brief CommandParser, argument parsing of one vefinder subcommand. */
#pragma once

#include "console.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

/// What the search commands (quota, segment, code, batch) share.
struct SearchSettings {
    QString indexPath;     ///< --index, default DefaultIndexPath
    QString positionsPath; ///< --positions, empty when not given
    bool deepSearch = true;
    bool json = false;
    bool explain = false;
    /// --groups: the table shows the fuzzy groups up to the N-th that holds
    /// entries (the precise and code groups always); 0 shows every group.
    int tableGroups = 0;
};

/// Parses the arguments of one subcommand with QCommandLineParser: --help on
/// every command, usage errors reported with the way to the help text and
/// exit code 2, and the options the search commands share.
class CommandParser
{
public:
    /// The index directory searched when --index is not given.
    static const QString DefaultIndexPath;

    CommandParser(const QString& command, const QString& description);

    QCommandLineParser& parser() { return m_parser; }
    void addPositional(const QString& name, const QString& description,
                       const QString& syntax = QString());
    /// --index and --positions, and --shallow for the searches.
    void addIndexOptions(bool withShallow);
    /// --json, --explain and --groups.
    void addOutputOptions();

    /// Parses @p arguments (the first is the program and command). Returns
    /// false when the command should end at once with @p exitCode: after
    /// printing its help (0) or a usage error (2), a bad option value included.
    bool parse(const QStringList& arguments, int minPositional, int maxPositional, int* exitCode);

    QStringList positional() const { return m_parser.positionalArguments(); }
    SearchSettings searchSettings() const;

    /// Prints "vefinder COMMAND: MESSAGE" and the way to the help text; 2.
    int usageError(const QString& message) const;

private:
    QString m_command;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_index;
    QCommandLineOption m_positions;
    QCommandLineOption m_shallow;
    QCommandLineOption m_json;
    QCommandLineOption m_explain;
    QCommandLineOption m_groups;
    int m_tableGroups = 0;
    bool m_hasIndex = false;
    bool m_hasShallow = false;
    bool m_hasOutput = false;
};
