/** @file lexsource.cpp @brief The plain-text source form of lexicons: parsing and canonical formatting. */
#include "lexsource.h"

#include <QTextCodec>

namespace {

const QChar kSubSetSeparator = QLatin1Char('|');

/// The words of @p text, split at any white space.
QStringList splitWords(const QString& text)
{
    QStringList words;
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text.at(i).isSpace();
        if (space && start >= 0) {
            words.append(text.mid(start, i - start));
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return words;
}

bool decodeLine(const QByteArray& bytes, QString& text)
{
    static QTextCodec* const utf8 = QTextCodec::codecForName("UTF-8");
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    text = utf8->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

bool parseLine(const QString& text, LexiconKind kind, LexiconRecord& record, QString& errorText)
{
    const int bar = text.indexOf(kSubSetSeparator);
    if (bar >= 0 && !isSetKind(kind)) {
        errorText = QStringLiteral(
            "\"|\" separates sub-sets and belongs only in matset and smartmatch lexicons");
        return false;
    }
    if (bar >= 0 && text.indexOf(kSubSetSeparator, bar + 1) >= 0) {
        errorText = QStringLiteral("more than one \"|\"");
        return false;
    }
    record.words = splitWords(bar >= 0 ? text.left(bar) : text);
    record.subSets.clear();
    if (bar >= 0) {
        record.subSets = splitWords(text.mid(bar + 1));
        if (record.words.isEmpty()) {
            errorText = QStringLiteral("no member words before \"|\"");
            return false;
        }
        if (record.subSets.isEmpty()) {
            errorText = QStringLiteral("no sub-set words after \"|\"");
            return false;
        }
    }
    if (isWordKind(kind) && record.words.size() != 1) {
        errorText =
            QStringLiteral("one word per line expected, found %1 words").arg(record.words.size());
        return false;
    }
    return true;
}

bool checkWord(const QString& word, QString& problem)
{
    if (word.isEmpty()) {
        problem = QStringLiteral("empty word");
        return false;
    }
    for (const QChar c : word) {
        if (c.isSpace() || c == kSubSetSeparator) {
            problem = QStringLiteral("word \"%1\" holds white space or \"|\"").arg(word);
            return false;
        }
    }
    return true;
}

} // namespace

bool parseLexiconSource(const QByteArray& data, LexiconKind kind, QList<LexiconRecord>& records,
                        int& errorLine, QString& errorText)
{
    records.clear();
    int from = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int lineNo = 0;
    while (from < data.size()) {
        int end = data.indexOf('\n', from);
        if (end < 0)
            end = data.size();
        ++lineNo;
        QByteArray bytes = data.mid(from, end - from);
        from = end + 1;
        if (bytes.endsWith('\r'))
            bytes.chop(1);

        QString text;
        if (!decodeLine(bytes, text)) {
            errorLine = lineNo;
            errorText = QStringLiteral("invalid UTF-8");
            return false;
        }
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        LexiconRecord record;
        if (!parseLine(text, kind, record, errorText)) {
            errorLine = lineNo;
            return false;
        }
        records.append(record);
    }
    return true;
}

bool formatLexiconRecord(LexiconKind kind, const LexiconRecord& record, QString& line,
                         QString& problem)
{
    if (record.words.isEmpty()) {
        problem = QStringLiteral("record without words");
        return false;
    }
    if (isWordKind(kind) && record.words.size() != 1) {
        problem = QStringLiteral("%1 words in a one-word record").arg(record.words.size());
        return false;
    }
    for (const QString& w : record.words + record.subSets) {
        if (!checkWord(w, problem))
            return false;
    }
    if (record.words.first().startsWith(QLatin1Char('#'))) {
        problem =
            QStringLiteral("first word \"%1\" would read as a comment").arg(record.words.first());
        return false;
    }
    line = record.words.join(QLatin1Char(' '));
    if (isSetKind(kind) && !record.subSets.isEmpty())
        line += QStringLiteral(" | ") + record.subSets.join(QLatin1Char(' '));
    return true;
}
