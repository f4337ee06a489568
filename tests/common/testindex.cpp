/** @file testindex.cpp @brief Writing crafted catalogue indexes and rendering results for tests. */
#include "testindex.h"

#include "analysis/indexfields.h"

#include <QDir>

#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

namespace {

std::wstring wide(const QString& text)
{
    return text.toStdWString();
}

void addField(lucene::document::Document& doc, const wchar_t* name, const QString& value,
              int config)
{
    if (value.isNull())
        return;
    const std::wstring v = wide(value);
    // The document takes ownership of the field; the value is copied.
    doc.add(*_CLNEW lucene::document::Field(name, v.c_str(), config));
}

void addTerms(lucene::document::Document& doc, const wchar_t* name, const QStringList& terms)
{
    for (const QString& term : terms)
        addField(doc, name, term.isNull() ? QStringLiteral("") : term,
                 lucene::document::Field::STORE_NO | lucene::document::Field::INDEX_UNTOKENIZED);
}

QString render(const QList<QStringList>& groups, bool sorted)
{
    QStringList parts;
    for (QStringList group : groups) {
        if (sorted)
            group.sort();
        parts << QLatin1Char('[') + group.join(QLatin1Char(' ')) + QLatin1Char(']');
    }
    return parts.join(QLatin1Char(' '));
}

bool outsideBmp(const QString& text)
{
    for (const QChar c : text) {
        if (c.isSurrogate())
            return true;
    }
    return false;
}

bool outsideBmp(const TestDoc& d)
{
    for (const QString& t : {d.matId, d.title, d.spec, d.brand}) {
        if (outsideBmp(t))
            return true;
    }
    for (const QStringList* list : {&d.codes, &d.chs, &d.mix, &d.num, &d.en}) {
        for (const QString& t : *list) {
            if (outsideBmp(t))
                return true;
        }
    }
    return false;
}

} // namespace

bool writeTestIndex(const QString& dir, const TestDocs& docs, QString* error)
{
    using lucene::document::Field;
    for (const TestDoc& d : docs) {
        if (outsideBmp(d)) {
            if (error)
                *error = QStringLiteral("document %1 holds a character outside the BMP").arg(d.matId);
            return false;
        }
    }
    QDir().mkpath(dir);
    const QByteArray path = QFile::encodeName(dir);
    lucene::analysis::WhitespaceAnalyzer analyzer;
    lucene::index::IndexWriter* writer = nullptr;
    try {
        writer = _CLNEW lucene::index::IndexWriter(path.constData(), &analyzer, true);
        for (const TestDoc& d : docs) {
            lucene::document::Document doc;
            addField(doc, IndexFields::MatId, d.matId, Field::STORE_YES | Field::INDEX_NO);
            addTerms(doc, IndexFields::Code, d.codes);
            addField(doc, IndexFields::Title, d.title, Field::STORE_YES | Field::INDEX_UNTOKENIZED);
            addField(doc, IndexFields::Spec, d.spec, Field::STORE_YES | Field::INDEX_UNTOKENIZED);
            addField(doc, IndexFields::Brand, d.brand, Field::STORE_YES | Field::INDEX_UNTOKENIZED);
            addTerms(doc, IndexFields::ChsWords, d.chs);
            addTerms(doc, IndexFields::MixWords, d.mix);
            addTerms(doc, IndexFields::NumWords, d.num);
            addTerms(doc, IndexFields::EnWords, d.en);
            writer->addDocument(&doc);
        }
        writer->optimize();
        writer->close();
        _CLDELETE(writer);
        return true;
    } catch (CLuceneError& e) {
        if (error)
            *error = QString::fromLocal8Bit(e.what());
        if (writer) {
            try {
                writer->close();
            } catch (CLuceneError&) {
            }
            _CLDELETE(writer);
        }
        return false;
    }
}

QString renderGroups(const QList<QStringList>& groups)
{
    return render(groups, false);
}

QString renderGroupsSorted(const QList<QStringList>& groups)
{
    return render(groups, true);
}

QString renderIds(const QStringList& ids)
{
    return ids.join(QLatin1Char(' '));
}

QString queryText(const lucene::search::Query* query)
{
    if (!query)
        return QStringLiteral("(null)");
    wchar_t* text = query->toString();
    const QString result = QString::fromWCharArray(text);
    _CLDELETE_CARRAY(text);
    return result;
}
