/** @file commandparser.cpp @brief Argument parsing of one vefinder subcommand. */
#include "commandparser.h"

#include <climits>

const QString CommandParser::DefaultIndexPath = QStringLiteral("index");

CommandParser::CommandParser(const QString& command, const QString& description)
    : m_command(command),
      m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")),
      m_index(
          QStringLiteral("index"),
          QStringLiteral("The catalogue index directory (default: ./%1).").arg(DefaultIndexPath),
          QStringLiteral("DIR"), DefaultIndexPath),
      m_positions(
          QStringLiteral("positions"),
          QStringLiteral("Catalogue positions for the ranking's last tie-break: the catalogue CSV "
                         "(its mat_id and position columns) or a two-column file of mat id and "
                         "hexadecimal position."),
          QStringLiteral("FILE")),
      m_shallow(QStringLiteral("shallow"),
                QStringLiteral("Stop after the strict strategies (no deep search).")),
      m_json(QStringLiteral("json"), QStringLiteral("Print the result as JSON (see docs/cli.md).")),
      m_explain(QStringLiteral("explain"),
                QStringLiteral(
                    "Show which step delivered each entry, its sort value and the queries run.")),
      m_groups(QStringLiteral("groups"),
               QStringLiteral(
                   "The table shows the fuzzy groups up to the N-th that holds entries, then a "
                   "line counting the groups and entries left out; the precise and code groups "
                   "always show. 0 (the default) shows every group. --json output always "
                   "holds every group."),
               QStringLiteral("N"), QStringLiteral("0"))
{
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
}

void CommandParser::addPositional(const QString& name, const QString& description,
                                  const QString& syntax)
{
    m_parser.addPositionalArgument(name, description, syntax);
}

void CommandParser::addIndexOptions(bool withShallow)
{
    m_parser.addOption(m_index);
    m_parser.addOption(m_positions);
    m_hasIndex = true;
    if (withShallow)
        m_parser.addOption(m_shallow);
    m_hasShallow = withShallow;
}

void CommandParser::addOutputOptions()
{
    m_parser.addOption(m_json);
    m_parser.addOption(m_explain);
    m_parser.addOption(m_groups);
    m_hasOutput = true;
}

bool CommandParser::parse(const QStringList& arguments, int minPositional, int maxPositional,
                          int* exitCode)
{
    if (!m_parser.parse(arguments)) {
        *exitCode = usageError(m_parser.errorText());
        return false;
    }
    if (m_parser.isSet(m_help)) {
        Console::out(Console::helpText(m_parser, QStringLiteral("vefinder %1").arg(m_command)));
        *exitCode = ExitOk;
        return false;
    }
    const int count = m_parser.positionalArguments().size();
    if (count < minPositional || count > maxPositional) {
        QString expected = minPositional == maxPositional
            ? QStringLiteral("%1 argument(s)").arg(minPositional)
            : QStringLiteral("%1 to %2 arguments").arg(minPositional).arg(maxPositional);
        *exitCode = usageError(QStringLiteral("expected %1, got %2").arg(expected).arg(count));
        return false;
    }
    if (m_hasOutput && m_parser.isSet(m_groups)) {
        // Digits only: no sign, no blanks, nothing that toInt() would also take.
        const QString value = m_parser.value(m_groups);
        bool ok = !value.isEmpty();
        for (const QChar c : value)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (ok) {
            bool fits = false;
            m_tableGroups = value.toInt(&fits);
            if (!fits) // more groups than any result holds: all of them
                m_tableGroups = INT_MAX;
        }
        if (!ok) {
            *exitCode = usageError(
                QStringLiteral(
                    "--groups expects a whole number of groups, 0 or more (0: all), got \"%1\"")
                    .arg(value));
            return false;
        }
    }
    return true;
}

SearchSettings CommandParser::searchSettings() const
{
    SearchSettings settings;
    settings.indexPath = DefaultIndexPath;
    if (m_hasIndex) {
        settings.indexPath = m_parser.value(m_index);
        settings.positionsPath = m_parser.value(m_positions);
    }
    if (m_hasShallow)
        settings.deepSearch = !m_parser.isSet(m_shallow);
    if (m_hasOutput) {
        settings.json = m_parser.isSet(m_json);
        settings.explain = m_parser.isSet(m_explain);
        settings.tableGroups = m_tableGroups;
    }
    return settings;
}

int CommandParser::usageError(const QString& message) const
{
    return Console::usageError(QStringLiteral("%1: %2").arg(m_command, message),
                               QStringLiteral("vefinder %1").arg(m_command));
}
