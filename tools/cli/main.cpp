/** @file main.cpp @brief vefinder: searches a catalogue index from the command line. */
#include "commands.h"
#include "console.h"

#include "engine/vefinder.h"

#include <QCoreApplication>

#include <cstring>

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments);
};

const Command Commands[] = {
    {"quota", "look an entry up by code, name and specification", runQuota},
    {"segment", "search one free-text description", runSegment},
    {"code", "list the entries of a code", runCode},
    {"batch", "match a CSV of descriptions on several threads", runBatch},
    {"index", "build an index from a catalogue CSV (runs vefinder-index)", nullptr},
    {"lex", "compile or decode a lexicon (runs vefinder-lex)", nullptr},
};

QString overview()
{
    QString text = QStringLiteral(
        "Usage: vefinder COMMAND [options] [arguments]\n"
        "\n"
        "Searches a catalogue index of construction materials from the command line.\n"
        "\n"
        "Commands:\n");
    for (const Command& command : Commands)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.name), -10)
                    .arg(QString::fromLatin1(command.summary));
    text += QStringLiteral(
        "\n"
        "'vefinder COMMAND --help' describes a command and its options. The searches read\n"
        "the index given with --index DIR (default ./index) and the lexicons and segmenter\n"
        "dictionary in dict/ beside this program.\n"
        "\n"
        "Exit codes: 0 the command ran (found or not), 1 error in an input file, the index\n"
        "or the data beside the program, 2 wrong usage.\n");
    return text;
}

int usage(const QString& message)
{
    return Console::usageError(message);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The sibling tools replace this process and get the raw arguments.
    if (argc >= 2 && std::strcmp(argv[1], "index") == 0)
        return runSiblingTool("vefinder-index", argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "lex") == 0)
        return runSiblingTool("vefinder-lex", argc, argv);

    QCoreApplication::setApplicationName(QStringLiteral("vefinder"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEFINDER_TOOLS_VERSION));

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return usage(QStringLiteral("no command given"));
    QString name = arguments.at(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        Console::out(overview());
        return ExitOk;
    }
    if (name == QLatin1String("--version")) {
        Console::out(QStringLiteral("vefinder %1\n").arg(QCoreApplication::applicationVersion()));
        return ExitOk;
    }
    QStringList rest = arguments;
    rest.removeAt(1); // the command; QCommandLineParser expects the program first
    if (name == QLatin1String("help")) {
        if (arguments.size() == 2) {
            Console::out(overview());
            return ExitOk;
        }
        name = arguments.at(2);
        rest = QStringList{arguments.at(0), QStringLiteral("--help")};
        if (name == QLatin1String("index") || name == QLatin1String("lex")) {
            char* toolArgs[] = {argv[0], argv[2], const_cast<char*>("--help"), nullptr};
            return runSiblingTool(
                name == QLatin1String("index") ? "vefinder-index" : "vefinder-lex", 3, toolArgs);
        }
    }
    int code = -1;
    for (const Command& command : Commands) {
        if (command.run && name == QLatin1String(command.name)) {
            code = command.run(rest);
            break;
        }
    }
    if (code < 0)
        return usage(QStringLiteral("unknown command \"%1\"").arg(name));
    cluceneShutdown();
    std::fflush(stdout);
    return code;
}
