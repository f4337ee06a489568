/** @file entryterms.h @brief EntryTermBuilder, the word terms a catalogue entry is indexed under. */
#pragma once

#include "analysis/endocfindtype.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

/// One word term: the word field it belongs in and the word.
using WordTerm = QPair<EnDocFindType, QString>;

/// Works out the words an entry must be found under so that the searches,
/// which cut their query texts into words in several ways, reach it: the
/// segmented words of the normalised name, specification and both together,
/// of their space-separated parts, of their texts without parenthesised
/// remarks, of their core words and of what remains around them, the pieces
/// of mixed and numeric words, and for cable descriptions the notation parts,
/// prefix, model, cores, sections and voltage. Every derived word is cut
/// again until nothing new comes out. Keeps caches, so use one builder per
/// thread.
class EntryTermBuilder
{
public:
    /// The word terms of an entry with @p name and @p spec (raw catalogue
    /// texts; full-width forms are folded first), sorted by field and word,
    /// each once.
    QList<WordTerm> build(const QString& name, const QString& spec);

    /// Longest word put into a word field; longer words are left out.
    static constexpr int MaxWordLength = 256;

private:
    /// What the searches make of one word: its field, and the words its
    /// segmentation and (for mixed and numeric words) its pieces give.
    struct WordInfo {
        EnDocFindType type = DocEnPpl;
        QStringList derived;
    };

    /// The words of one name or specification, and whether it describes a cable.
    struct TextWords {
        QSet<QString> words;
        bool cable = false;
    };
    /// Which text collectTextWords() works on.
    enum TextKind {
        OwnText,          ///< a name or a specification
        JoinedCableTexts, ///< name and specification, one of them describing a cable
        JoinedPlainTexts  ///< name and specification, neither describing a cable
    };

    const WordInfo& wordInfo(const QString& word);
    const QStringList& segment(const QString& text);
    const TextWords& textWords(const QString& text);
    bool collectTextWords(const QString& text, QSet<QString>& words, TextKind kind);
    void addSpacedParts(const QString& text, QSet<QString>& words);
    bool addCableWords(const QString& text, QSet<QString>& words);
    void addCoreWords(const QString& text, QSet<QString>& words);
    void addSegmented(const QString& text, QSet<QString>& words);
    void close(QSet<QString>& words);

    QHash<QString, QStringList> m_segments; ///< segmentation cache
    QHash<QString, WordInfo> m_words;       ///< word cache
    QHash<QString, TextWords> m_textWords;  ///< names and specifications seen before
};
