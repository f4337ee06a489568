/** @file main.cpp @brief vefinder-lex: compiles lexicon sources into enciphered lexicon files and decodes them back. */
#include "lexicon/lexiconcipher.h"
#include "lexicon/lexiconrecords.h"
#include "lexsource.h"

#include "console.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>
#include <exception>

namespace {

const char kUsage[] = "Usage: vefinder-lex compile KIND SOURCE.txt OUT.lex\n"
                      "       vefinder-lex decode KIND IN.lex\n"
                      "       vefinder-lex [COMMAND] --help\n"
                      "\n"
                      "Compiles the plain-text source of a lexicon into the enciphered file the\n"
                      "library loads from dict/MATLEX/, and decodes such a file back into its\n"
                      "canonical source form.\n"
                      "\n"
                      "KIND is one of: synonyms matset smartmatch coreword cablecoreword encore\n"
                      "Exit status: 0 success, 1 bad input or data, 2 usage error.\n";

const char kCompileUsage[] =
    "Usage: vefinder-lex compile KIND SOURCE.txt OUT.lex\n"
    "\n"
    "Reads the UTF-8 source SOURCE.txt of a KIND lexicon (one record per line,\n"
    "'#' comments, blank lines skipped; matset and smartmatch lines hold their\n"
    "member words, then optionally '|' and the sub-set words) and writes the\n"
    "enciphered lexicon OUT.lex. OUT.lex is replaced only when the whole\n"
    "source compiled; an error names the line and what is wrong.\n"
    "\n"
    "KIND is one of: synonyms matset smartmatch coreword cablecoreword encore\n"
    "Exit status: 0 success, 1 bad input, 2 usage error.\n";

const char kDecodeUsage[] =
    "Usage: vefinder-lex decode KIND IN.lex\n"
    "\n"
    "Deciphers the KIND lexicon IN.lex and prints its records in canonical\n"
    "source form to standard output: words joined by one space, ' | ' before\n"
    "sub-sets, one record per line. Compiling that output gives the same file.\n"
    "\n"
    "KIND is one of: synonyms matset smartmatch coreword cablecoreword encore\n"
    "Exit status: 0 success, 1 unreadable or damaged file, 2 usage error.\n";

void printOut(const QByteArray& text)
{
    Console::outBytes(text);
}

void printErr(const QString& text)
{
    Console::error(text);
}

int usageError(const QString& what, const char* usage)
{
    printErr(what);
    Console::errText(QString::fromUtf8(usage));
    return ExitUsage;
}

bool readFile(const QString& path, QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printErr(QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
        return false;
    }
    data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        printErr(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

int compile(LexiconKind kind, const QString& sourcePath, const QString& outPath)
{
    QByteArray source;
    if (!readFile(sourcePath, source))
        return ExitDataError;
    QList<LexiconRecord> records;
    int errorLine = 0;
    QString errorText;
    if (!parseLexiconSource(source, kind, records, errorLine, errorText)) {
        printErr(QStringLiteral("%1:%2: %3").arg(sourcePath).arg(errorLine).arg(errorText));
        return ExitDataError;
    }

    QByteArray plain;
    {
        QDataStream stream(&plain, QIODevice::WriteOnly);
        stream.setVersion(kLexiconStreamVersion);
        for (const LexiconRecord& record : qAsConst(records))
            writeLexiconRecord(stream, kind, record);
    }

    QBuffer in(&plain);
    in.open(QIODevice::ReadOnly);
    QSaveFile out(outPath);
    if (!out.open(QIODevice::WriteOnly)) {
        printErr(QStringLiteral("%1: cannot write: %2").arg(outPath, out.errorString()));
        return ExitDataError;
    }
    try {
        encryptStream(in, out, lexiconKey, true);
    } catch (const std::exception& e) {
        out.cancelWriting();
        printErr(QStringLiteral("%1: cannot write: %2").arg(outPath, QString::fromUtf8(e.what())));
        return ExitDataError;
    }
    if (!out.commit()) {
        printErr(QStringLiteral("%1: cannot write: %2").arg(outPath, out.errorString()));
        return ExitDataError;
    }
    return ExitOk;
}

int decode(LexiconKind kind, const QString& path)
{
    QByteArray ciphered;
    if (!readFile(path, ciphered))
        return ExitDataError;
    QBuffer in(&ciphered);
    in.open(QIODevice::ReadOnly);
    QByteArray plain;
    QBuffer out(&plain);
    out.open(QIODevice::WriteOnly);
    try {
        encryptStream(in, out, lexiconKey, false);
    } catch (const std::exception& e) {
        printErr(QStringLiteral("%1: cannot decipher: %2").arg(path, QString::fromUtf8(e.what())));
        return ExitDataError;
    }
    out.close();

    QBuffer plainDevice(&plain);
    plainDevice.open(QIODevice::ReadOnly);
    QDataStream stream(&plainDevice);
    stream.setVersion(kLexiconStreamVersion);
    QString text;
    for (int n = 1; !stream.atEnd(); ++n) {
        LexiconRecord record;
        QString error;
        if (!readLexiconRecord(stream, kind, record, &error)) {
            printErr(QStringLiteral("%1: record %2: %3").arg(path).arg(n).arg(error));
            return ExitDataError;
        }
        QString line;
        if (!formatLexiconRecord(kind, record, line, error)) {
            printErr(
                QStringLiteral("%1: record %2 has no source form: %3").arg(path).arg(n).arg(error));
            return ExitDataError;
        }
        text += line + QLatin1Char('\n');
    }
    printOut(text.toUtf8());
    return ExitOk;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Console::setProgram(QStringLiteral("vefinder-lex"));
    QCommandLineParser parser;
    // The usage texts above are the help; the parser takes the options and operands.
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows the help."));
    parser.addOption(helpOption);
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("compile or decode"));
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText(), kUsage);
    QStringList args = parser.positionalArguments();

    if (args.isEmpty()) {
        if (parser.isSet(helpOption)) {
            Console::out(QString::fromUtf8(kUsage));
            return ExitOk;
        }
        return usageError(QStringLiteral("no command given"), kUsage);
    }
    const QString command = args.takeFirst();
    const char* usage = nullptr;
    int operands = 0;
    if (command == QLatin1String("compile")) {
        usage = kCompileUsage;
        operands = 3;
    } else if (command == QLatin1String("decode")) {
        usage = kDecodeUsage;
        operands = 2;
    } else {
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command), kUsage);
    }
    if (parser.isSet(helpOption)) {
        Console::out(QString::fromUtf8(usage));
        return ExitOk;
    }
    if (args.size() != operands) {
        return usageError(QStringLiteral("%1 takes %2 arguments, %3 given")
                              .arg(command)
                              .arg(operands)
                              .arg(args.size()),
                          usage);
    }
    LexiconKind kind;
    if (!lexiconKindFromName(args.at(0), kind))
        return usageError(QStringLiteral("unknown lexicon kind \"%1\"").arg(args.at(0)), usage);

    if (command == QLatin1String("compile"))
        return compile(kind, args.at(1), args.at(2));
    return decode(kind, args.at(1));
}
