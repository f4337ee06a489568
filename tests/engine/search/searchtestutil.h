/** @file searchtestutil.h @brief Shared helpers of the fuzzy-search tests: crafted indexes and expected query texts. */
#pragma once

#include "recordingobserver.h"
#include "testindex.h"
#include "vefindertestaccess.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

/// A finder whose queries are recorded, with an index open for calling its
/// search steps directly; unpack it as `auto& [f, observer, index] = ...`.
struct ObservedSearch {
    explicit ObservedSearch(const QString& indexPath)
        : index((f.setObserver(&observer), f), indexPath)
    {
    }
    VeFinder f;
    RecordingObserver observer;
    VeFinderTestAccess::OpenIndex index;
};

/// A crafted index in a temporary directory, alive as long as the object.
class ScratchIndex
{
public:
    bool write(const TestDocs& docs)
    {
        if (!m_dir.isValid())
            return false;
        m_path = m_dir.path() + QStringLiteral("/index");
        QString error;
        const bool ok = writeTestIndex(m_path, docs, &error);
        if (!ok)
            qWarning("index not written: %s", qPrintable(error));
        return ok;
    }
    const QString& path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

/// Text form of the equivalent-name query of @p word, as a strategy embeds it.
inline QString wordQuery(const QString& word)
{
    std::unique_ptr<lucene::search::Query> q(VeFinderTestAccess::mkWordPplQuery(word));
    return queryText(q.get());
}

/// Clauses written as tokens: "+word" is a required word query, "word" an
/// allowed one, '' the empty word. Returns the clauses' text form joined by
/// spaces.
inline QString clausesText(const QString& tokens)
{
    QStringList out;
    for (const QString& token : tokens.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool must = token.startsWith(QLatin1Char('+'));
        QString word = must ? token.mid(1) : token;
        if (word == QLatin1String("''"))
            word.clear();
        out << (must ? QStringLiteral("+(") : QStringLiteral("(")) + wordQuery(word)
                + QLatin1Char(')');
    }
    return out.join(QLatin1Char(' '));
}

/// The required clause of the code query, or nothing for an empty code.
inline QString codeClause(const QString& code)
{
    return code.isEmpty() ? QString()
                          : QStringLiteral("+(+code_fvl_idx:") + code + QStringLiteral(") ");
}

/// A query that wraps @p inner (a boolean query's text) as required, after
/// the code clause.
inline QString wrapped(const QString& code, const QString& inner)
{
    return codeClause(code) + QStringLiteral("+(") + inner + QLatin1Char(')');
}

/// The query a cable step runs for the words @p words (separated by spaces).
inline QString cableQuery(const QString& code, const QString& words)
{
    QStringList must;
    for (const QString& w : words.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        must << QLatin1Char('+') + w;
    return wrapped(code, clausesText(must.join(QLatin1Char(' '))));
}

/// The step names of the recorded queries, in order, repeats of the same
/// step next to each other merged: "matsetAll allMixPpl rmEN".
inline QString stepsRun(const RecordingObserver& observer)
{
    QStringList steps;
    for (const QString& entry : observer.queries()) {
        const QString step = entry.left(entry.indexOf(QStringLiteral(": ")));
        if (steps.isEmpty() || steps.last() != step)
            steps << step;
    }
    return steps.join(QLatin1Char(' '));
}

/// How often @p needle occurs in @p haystack.
inline int occurrences(const QString& haystack, const QString& needle)
{
    return haystack.count(needle);
}

/// All ids of @p groups, sorted, separated by one space.
inline QString allIdsSorted(const QList<QStringList>& groups)
{
    QStringList ids;
    for (const QStringList& g : groups)
        ids << g;
    ids.sort();
    return ids.join(QLatin1Char(' '));
}

/// "1 2 3 ... n" as a list of words.
inline QStringList numberWords(int n)
{
    QStringList words;
    for (int i = 1; i <= n; ++i)
        words << QString::number(i);
    return words;
}
