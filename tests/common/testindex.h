/** @file testindex.h @brief What every test includes: QtTest (and QtCore with it), crafted catalogue indexes, canonical renderings, data-table columns and fetches, files, program runs. */
#pragma once

#include <QtTest>

#include <tuple>

/// One document of a crafted index. Every term is written exactly as given
/// (untokenized), so a test controls which document holds which term. A null
/// string leaves its field out; an empty non-null one writes an empty value.
struct TestDoc {
    QString matId;                 ///< "mat_id", stored only
    QStringList codes;             ///< "code_fvl_idx" terms (code, norm key, ...)
    QString title, spec;           ///< stored, and one exact term each
    QStringList chs, mix, num, en; ///< the four word fields

    TestDoc() = default;
    explicit TestDoc(const QString& id) : matId(id) {}
    // Setters, so that a table row reads as one expression.
    TestDoc& code(const QString& c) { return codes << c, *this; }
    TestDoc& withTitle(const QString& t) { return title = t, *this; }
    TestDoc& withSpec(const QString& s) { return spec = s, *this; }
    TestDoc& chsWords(const QStringList& w) { return chs << w, *this; }
    TestDoc& enWords(const QStringList& w) { return en << w, *this; }
    /// Puts each word into the field wordFindType() chooses (testindex_words.cpp).
    TestDoc& words(const QStringList& w);
};
Q_DECLARE_METATYPE(TestDoc)

using TestDocs = QList<TestDoc>;

/// Writes @p docs in order (document numbers 0, 1, ...) into a new index at
/// @p dir (replaced if present). Characters outside the BMP are stored by
/// CLucene as U+0000, which spoils the term order: keep them out.
bool writeTestIndex(const QString& dir, const TestDocs& docs, QString* error = nullptr);

/// Declares the columns of a data table, one type per name:
/// columns<QString, int>("text", "count").
template <typename... Types, typename... Names>
void columns(Names... names)
{
    (QTest::addColumn<Types>(names), ...);
}

/// The current row's values of the named columns:
/// const auto [text, count] = fetch<QString, int>("text", "count").
template <typename... Types, typename... Names>
std::tuple<Types...> fetch(Names... names)
{
    return {*static_cast<Types*>(QTest::qData(names, qMetaTypeId<Types>()))...};
}

/// What a program run left behind; exitCode -1 when it did not start or crashed.
struct ToolResult {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out, err;
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    QString describe() const { return QStringLiteral("exit %1: %2").arg(exitCode).arg(errText()); }
};

/// Runs @p program (standard input closed) in @p workDir and waits for it.
ToolResult runProgram(const QString& program, const QStringList& arguments,
                      const QString& workDir = {});

/// Writes @p bytes to @p path, making its directory first.
bool writeFile(const QString& path, const QByteArray& bytes);
/// The contents of @p path, or "(unreadable)".
QByteArray readFile(const QString& path);

/// Compares @p text with the golden file at @p path; VEFINDER_WRITE_GOLDEN=1
/// rewrites the file instead, after a deliberate change of the output.
void compareGolden(const QString& path, const QString& text);

/// "[a b] [] [c]"; @p sorted sorts each group's ids first (inner order undefined).
QString renderGroups(const QList<QStringList>& groups, bool sorted = false);
