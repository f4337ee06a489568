/** @file testindex_words.cpp @brief Placing words into the word field their characters choose. */
#include "testindex.h"

#include "analysis/charclass.h"

TestDoc& TestDoc::words(const QStringList& w)
{
    for (const QString& word : w) {
        switch (wordFindType(word)) {
        case DocChsPpl: chs << word; break;
        case DocMixPpl: mix << word; break;
        case DocNumPpl: num << word; break;
        default: en << word; break;
        }
    }
    return *this;
}
