/** @file console.cpp @brief Console output of the command-line tools. */
#include "console.h"

#include <QByteArray>
#include <QCommandLineParser>

namespace Console {

namespace {
QString& program()
{
    static QString name = QStringLiteral("vefinder");
    return name;
}
} // namespace

void setProgram(const QString& name)
{
    program() = name;
}

void out(const QString& text)
{
    outBytes(text.toLocal8Bit());
}

void outBytes(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

void errText(const QString& text)
{
    std::fflush(stdout);
    std::fputs(text.toLocal8Bit().constData(), stderr);
}

void error(const QString& text)
{
    errText(QStringLiteral("%1: %2\n").arg(program(), text));
}

void info(const QString& text)
{
    error(text);
}

void warning(const QString& text)
{
    errText(QStringLiteral("%1: warning: %2\n").arg(program(), text));
}

int usageError(const QString& message, const QString& command)
{
    error(message);
    errText(QStringLiteral("Try '%1 --help'.\n").arg(command.isEmpty() ? program() : command));
    return ExitUsage;
}

QString helpText(const QCommandLineParser& parser, const QString& command)
{
    QString help = parser.helpText();
    // QCommandLineParser names the program as it was started.
    const int start = help.indexOf(QLatin1String("Usage: "));
    if (start >= 0) {
        const int name = start + 7;
        const int end = help.indexOf(QLatin1Char(' '), name);
        help.replace(name, (end < 0 ? help.size() : end) - name, command);
    }
    return help;
}

} // namespace Console
