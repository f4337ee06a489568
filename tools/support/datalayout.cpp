/** @file datalayout.cpp @brief Checks of dict/ beside the program and of index directories. */
#include "datalayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

namespace {

QString dataDirOrApplication(const QString& dataDir)
{
    return dataDir.isEmpty() ? QCoreApplication::applicationDirPath() : dataDir;
}

} // namespace

namespace DataLayout {

QStringList missingData(const QString& dataDir)
{
    const QString dict = dataDirOrApplication(dataDir) + QStringLiteral("/dict");
    QStringList problems;
    const QString lexicons = dict + QStringLiteral("/MATLEX");
    if (!QFileInfo(lexicons).isDir())
        problems << QStringLiteral("%1: missing; expected the compiled lexicons (lex-*.lex) there")
                        .arg(QDir::toNativeSeparators(lexicons));
    const QString friso = dict + QStringLiteral("/UTF-8");
    if (!QFileInfo(friso).isDir())
        problems
            << QStringLiteral(
                   "%1: missing; expected the segmenter dictionary (friso.lex.ini and its .lex files) there")
                   .arg(QDir::toNativeSeparators(friso));
    else if (!QFileInfo(friso + QStringLiteral("/friso.lex.ini")).isFile())
        problems << QStringLiteral(
                        "%1: holds no friso.lex.ini; expected the segmenter dictionary there")
                        .arg(QDir::toNativeSeparators(friso));
    return problems;
}

QStringList dataWarnings(const QString& dataDir)
{
    const QString lexicons = dataDirOrApplication(dataDir) + QStringLiteral("/dict/MATLEX");
    QStringList warnings;
    if (QFileInfo(lexicons).isDir()
        && QDir(lexicons).entryList({QStringLiteral("lex-*.lex")}, QDir::Files).isEmpty())
        warnings
            << QStringLiteral(
                   "%1 holds no lexicon (lex-*.lex); searching without synonyms, sets and core words")
                   .arg(QDir::toNativeSeparators(lexicons));
    return warnings;
}

bool holdsIndex(const QString& path)
{
    try {
        return lucene::index::IndexReader::indexExists(QFile::encodeName(path).constData());
    } catch (CLuceneError&) {
        return false;
    }
}

QString indexProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1: no such index directory").arg(path);
    if (!info.isDir())
        return QStringLiteral("%1: not a directory; expected a catalogue index directory")
            .arg(path);
    if (!holdsIndex(path))
        return QStringLiteral(
                   "%1: holds no catalogue index (build one with vefinder index CATALOGUE.csv %1)")
            .arg(path);
    return QString();
}

} // namespace DataLayout
