/** @file testindex.cpp @brief Writing crafted catalogue indexes and rendering results for tests. */
#include "testindex.h"

#include "analysis/indexfields.h"

#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

using lucene::document::Field;

namespace {

void add(lucene::document::Document& doc, const wchar_t* name, const QString& value, int config)
{
    if (value.isNull())
        return;
    const std::wstring v = value.toStdWString();
    doc.add(*_CLNEW Field(name, v.c_str(), config)); // the document owns the field
}

void addTerms(lucene::document::Document& doc, const wchar_t* name, const QStringList& terms)
{
    for (const QString& term : terms)
        add(doc, name, term.isNull() ? QStringLiteral("") : term,
            Field::STORE_NO | Field::INDEX_UNTOKENIZED);
}

} // namespace

ToolResult runProgram(const QString& program, const QStringList& arguments, const QString& workDir)
{
    ToolResult result;
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.start(program, arguments);
    process.closeWriteChannel();
    result.crashed =
        !process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit;
    result.exitCode = result.crashed ? -1 : process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "(unreadable)";
}

bool writeTestIndex(const QString& dir, const TestDocs& docs, QString* error)
{
    QDir().mkpath(dir);
    const QByteArray path = QFile::encodeName(dir);
    lucene::analysis::WhitespaceAnalyzer analyzer;
    lucene::index::IndexWriter* writer = nullptr;
    const int stored = Field::STORE_YES | Field::INDEX_UNTOKENIZED;
    try {
        writer = _CLNEW lucene::index::IndexWriter(path.constData(), &analyzer, true);
        for (const TestDoc& d : docs) {
            lucene::document::Document doc;
            add(doc, IndexFields::MatId, d.matId, Field::STORE_YES | Field::INDEX_NO);
            addTerms(doc, IndexFields::Code, d.codes);
            add(doc, IndexFields::Title, d.title, stored);
            add(doc, IndexFields::Spec, d.spec, stored);
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
            } catch (CLuceneError&) {}
            _CLDELETE(writer);
        }
        return false;
    }
}

void compareGolden(const QString& path, const QString& text)
{
    QFile file(path);
    if (qEnvironmentVariableIsSet("VEFINDER_WRITE_GOLDEN")) {
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0);
        return;
    }
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    QCOMPARE(text, QString::fromUtf8(file.readAll()));
}

QString renderGroups(const QList<QStringList>& groups, bool sorted)
{
    QStringList parts;
    for (QStringList group : groups) {
        if (sorted)
            group.sort();
        parts << QLatin1Char('[') + group.join(QLatin1Char(' ')) + QLatin1Char(']');
    }
    return parts.join(QLatin1Char(' '));
}
