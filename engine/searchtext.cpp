/** @file searchtext.cpp @brief Normalisation of search texts and the hashed norm key. */
#include "engine/searchtext.h"

#include <QCryptographicHash>

namespace {

/// Characters a search text loses: line feed, "、", "#", carriage return,
/// and the diameter signs users type as φ, Φ or the Cyrillic ф.
const QString& droppedCharacters()
{
    static const QString chars = QString::fromUtf8("\n\xe3\x80\x81#\r\xcf\x86\xce\xa6\xd1\x84");
    return chars;
}

} // namespace

QString normalizeSearchText(const QString& text)
{
    const QString lower = text.toLower();
    const QString& dropped = droppedCharacters();
    QString kept;
    kept.reserve(lower.size());
    for (const QChar c : lower) {
        if (!dropped.contains(c))
            kept.append(c);
    }
    return kept.simplified();
}

QString normKeyHash(const QString& code, const QString& spec)
{
    if (spec.trimmed().isEmpty())
        return QString();
    // White space is what QChar::isSpace() (and so the pattern \s) calls white space.
    QString compact;
    compact.reserve(spec.size());
    for (const QChar c : spec) {
        if (!c.isSpace())
            compact.append(c);
    }
    const QString keyText = code.trimmed() + QLatin1Char('_') + compact.toLower();
    const QByteArray digest = QCryptographicHash::hash(keyText.toUtf8(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toBase64(QByteArray::OmitTrailingEquals));
}
