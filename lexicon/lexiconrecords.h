/** @file lexiconrecords.h @brief The record streams of deciphered lexicon files: kinds, bounded reading, writing. */
#pragma once

#include <QString>
#include <QStringList>

class QDataStream;

/// The six lexicon files.
enum class LexiconKind {
    Synonyms,
    MatSet,
    SmartMatch,
    CoreWord,
    CableCoreWord,
    EnCore
};

/// One record of a lexicon stream. Synonyms: the group in @c words. Material
/// sets and smart-match entries: the members in @c words (stored order), the
/// sub-set words in @c subSets. Word lists: the one word in @c words.
struct LexiconRecord {
    QStringList words;
    QStringList subSets;
};

/// The stream version of every deciphered lexicon (Qt 5.2's serialisation).
constexpr int kLexiconStreamVersion = 15;

/// All kinds, in loading order.
const QList<LexiconKind>& allLexiconKinds();
/// The kind's name on the command line and in source file names ("synonyms", "matset", ...).
QString lexiconKindName(LexiconKind kind);
/// The kind named @p name; false when there is none.
bool lexiconKindFromName(const QString& name, LexiconKind& kind);
/// The compiled file name of the kind, e.g. "lex-synonyms.lex".
QString lexiconFileName(LexiconKind kind);
/// Whether the kind's records are material-set entries (members and sub-sets).
bool isSetKind(LexiconKind kind);
/// Whether the kind's records are single words.
bool isWordKind(LexiconKind kind);

/// Reads the next record of @p kind from @p in, never trusting a length or
/// count beyond the bytes left on the stream's device, so a damaged stream
/// costs no more memory than its size. On damage (a record cut short, a count
/// or string length larger than what is left, a string of an odd byte length)
/// returns false with a description in @p error (if given) and leaves
/// @p record in an unspecified state. A null string (length 0xFFFFFFFF) is
/// read as a null QString.
[[nodiscard]] bool readLexiconRecord(QDataStream& in, LexiconKind kind, LexiconRecord& record,
                                     QString* error = nullptr);

/// Writes @p record as a record of @p kind (set members in the list's order).
/// Word kinds write the first word of @c words only.
void writeLexiconRecord(QDataStream& out, LexiconKind kind, const LexiconRecord& record);
