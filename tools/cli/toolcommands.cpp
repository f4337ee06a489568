/** @file toolcommands.cpp @brief The index and lex commands: the sibling tools, run in place of vefinder. */
#include "commands.h"

#include "console.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

int runSiblingTool(const char* tool, int argc, char* argv[])
{
    const QString path =
        QCoreApplication::applicationDirPath() + QLatin1Char('/') + QString::fromLatin1(tool);
    if (!QFileInfo(path).isExecutable()) {
        Console::error(QStringLiteral("%1: not found; expected the tool %2 beside vefinder")
                           .arg(path, QString::fromLatin1(tool)));
        return ExitDataError;
    }
    // The tool gets the arguments after the command exactly as they came.
    const QByteArray program = QFile::encodeName(path);
    std::vector<char*> args;
    args.push_back(const_cast<char*>(program.constData()));
    for (int i = 2; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    ::execv(program.constData(), args.data());
    Console::error(QStringLiteral("%1: cannot run: %2")
                       .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return ExitDataError;
}
