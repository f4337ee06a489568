/** @file testindex.h @brief Crafted catalogue indexes for tests, and canonical renderings of results. */
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace lucene { namespace search { class Query; } }

/// One document of a crafted index. Every term is written exactly as given
/// (untokenized), so a test controls which document holds which term.
/// A null string leaves its field out of the document; an empty but non-null
/// string (QStringLiteral("")) writes an empty value.
struct TestDoc {
    QString matId;     ///< "mat_id", stored only
    QStringList codes; ///< "code_fvl_idx", one exact term each (code, norm key, ...)
    QString title;     ///< "title_fvl_idx", stored and one exact term
    QString spec;      ///< "spec_fvl_idx", stored and one exact term
    QString brand;     ///< "brand_fvl_idx", stored and one exact term
    QStringList chs;   ///< "chs_ppl_idx" terms
    QStringList mix;   ///< "mix_ppl_idx" terms
    QStringList num;   ///< "num_ppl_idx" terms
    QStringList en;    ///< "en_ppl_idx" terms

    TestDoc() = default;
    explicit TestDoc(const QString& id) : matId(id) {}

    // Fluent setters, so a table row reads as one expression.
    TestDoc& code(const QString& c) { codes << c; return *this; }
    TestDoc& withTitle(const QString& t) { title = t; return *this; }
    TestDoc& withSpec(const QString& s) { spec = s; return *this; }
    TestDoc& withBrand(const QString& b) { brand = b; return *this; }
    TestDoc& chsWords(const QStringList& w) { chs << w; return *this; }
    TestDoc& mixWords(const QStringList& w) { mix << w; return *this; }
    TestDoc& numWords(const QStringList& w) { num << w; return *this; }
    TestDoc& enWords(const QStringList& w) { en << w; return *this; }
    /// Puts each word into the word field wordFindType() chooses for it
    /// (defined in testindex_words.cpp; needs the analysis library).
    TestDoc& words(const QStringList& w);
};
Q_DECLARE_METATYPE(TestDoc)

using TestDocs = QList<TestDoc>;

/// Writes @p docs, in order (document numbers 0, 1, ...), into a new index at
/// @p dir (created if missing, replaced if present), optimises and closes it.
/// Returns false and sets @p error when the index library fails, or when a
/// text holds a character outside the BMP: the index library stores such a
/// character as U+0000, which truncates stored values and puts the term
/// dictionary out of order, so that lookups of other terms fail.
bool writeTestIndex(const QString& dir, const TestDocs& docs, QString* error = nullptr);

/// "[a b] [] [c]": each group in brackets, ids separated by one space.
QString renderGroups(const QList<QStringList>& groups);
/// Like renderGroups(), with each group's ids sorted first (for groups whose
/// inner order is not defined).
QString renderGroupsSorted(const QList<QStringList>& groups);
/// "a b c": the ids separated by one space.
QString renderIds(const QStringList& ids);

/// The index library's text form of @p query (Query::toString()), e.g.
/// "+code_fvl_idx:X +title_fvl_idx:Y"; "(null)" for a null query.
QString queryText(const lucene::search::Query* query);
