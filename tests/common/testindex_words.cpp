/** @file testindex_words.cpp @brief Placing words into the word field their characters choose. */
#include "testindex.h"

#include "analysis/charclass.h"

TestDoc& TestDoc::words(const QStringList& w)
{
    for (const QString& word : w) {
        const EnDocFindType type = wordFindType(word);
        (type == DocChsPpl ? chs : type == DocMixPpl ? mix : type == DocNumPpl ? num : en) << word;
    }
    return *this;
}
