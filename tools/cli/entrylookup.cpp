/** @file entrylookup.cpp @brief Reading stored fields of catalogue entries with CLucene. */
#include "entrylookup.h"

#include "analysis/indexfields.h"

#include <QFile>

#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

using lucene::document::Document;
using lucene::index::IndexReader;
using lucene::index::Term;
using lucene::index::TermDocs;

namespace {

QString storedValue(Document& doc, const wchar_t* field)
{
    const wchar_t* value = doc.get(field);
    return value ? QString::fromWCharArray(value) : QString();
}

} // namespace

EntryLookup::EntryLookup(const QString& indexPath)
{
    try {
        m_reader = IndexReader::open(QFile::encodeName(indexPath).constData());
    } catch (CLuceneError& e) {
        m_error = QStringLiteral("%1: cannot open the index: %2")
                      .arg(indexPath, QString::fromLocal8Bit(e.what()));
        m_reader = nullptr;
    }
}

EntryLookup::~EntryLookup()
{
    if (m_reader) {
        m_reader->close();
        _CLDELETE(m_reader);
    }
}

int EntryLookup::findDocument(const QString& matId)
{
    const std::wstring id = matId.toStdWString();
    Term* term = _CLNEW Term(IndexFields::MatId, id.c_str());
    TermDocs* docs = m_reader->termDocs(term);
    _CLDECDELETE(term);
    int found = -1;
    if (docs->next())
        found = docs->doc();
    docs->close();
    _CLDELETE(docs);
    return found;
}

void EntryLookup::scanAll()
{
    m_scanned = true;
    const int count = m_reader->maxDoc();
    for (int n = 0; n < count; ++n) {
        if (m_reader->isDeleted(n))
            continue;
        Document doc;
        m_reader->document(n, doc);
        const QString id = storedValue(doc, IndexFields::MatId);
        if (!id.isEmpty() && !m_documents.contains(id))
            m_documents.insert(id, n);
    }
}

CatalogueEntry EntryLookup::entry(const QString& matId)
{
    CatalogueEntry entry;
    if (!m_reader)
        return entry;
    int n = findDocument(matId);
    if (n < 0) {
        if (!m_scanned)
            scanAll();
        n = m_documents.value(matId, -1);
    }
    if (n < 0)
        return entry;
    Document doc;
    m_reader->document(n, doc);
    entry.found = true;
    entry.code = storedValue(doc, IndexFields::Code);
    entry.name = storedValue(doc, IndexFields::Title);
    entry.spec = storedValue(doc, IndexFields::Spec);
    entry.brand = storedValue(doc, IndexFields::Brand);
    return entry;
}
