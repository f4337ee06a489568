/** @file workbookwriter.cpp @brief xlsx output through libxlsxwriter, written beside the target and renamed into place. */
#include "workbookwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

/// Columns a text takes in a spreadsheet's default font, roughly: CJK characters count two.
int textWidth(const QString& text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x2E80 && !c.isLowSurrogate() ? 2 : 1;
    return width;
}

} // namespace

WorkbookWriter::WorkbookWriter(const QString& path) : m_path(path)
{}

WorkbookWriter::~WorkbookWriter()
{
    if (m_workbook)
        workbook_close(m_workbook); // only to free it; the temporary file goes with m_temporary
}

bool WorkbookWriter::open(QString* error)
{
    const QFileInfo target(m_path);
    m_temporary.reset(new QTemporaryFile(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName()))));
    if (!m_temporary->open()) {
        *error = QStringLiteral("%1: cannot write: %2").arg(m_path, m_temporary->errorString());
        return false;
    }
    m_temporary->close();
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(QFile::encodeName(m_temporary->fileName()).constData(), &options);
    if (!m_workbook) {
        *error = QStringLiteral("%1: cannot start the workbook").arg(m_path);
        return false;
    }
    m_bold = workbook_add_format(m_workbook);
    format_set_bold(m_bold);
    return true;
}

void WorkbookWriter::write(Sheet& sheet, int column, const QVariant& value, lxw_format* format)
{
    QString text;
    if (value.type() == QVariant::Int || value.type() == QVariant::Double
        || value.type() == QVariant::LongLong) {
        worksheet_write_number(sheet.sheet, lxw_row_t(sheet.rows), lxw_col_t(column),
                               value.toDouble(), format);
        text = value.toString();
    } else {
        text = value.toString();
        if (!text.isEmpty())
            worksheet_write_string(sheet.sheet, lxw_row_t(sheet.rows), lxw_col_t(column),
                                   text.toUtf8().constData(), format);
    }
    if (sheet.widths.size() <= column)
        sheet.widths.resize(column + 1);
    sheet.widths[column] = qMax(sheet.widths.at(column), textWidth(text));
}

int WorkbookWriter::addSheet(const QString& name, const QStringList& header)
{
    Sheet sheet;
    sheet.sheet = workbook_add_worksheet(m_workbook, name.toUtf8().constData());
    worksheet_freeze_panes(sheet.sheet, 1, 0);
    for (int c = 0; c < header.size(); ++c)
        write(sheet, c, header.at(c), m_bold);
    sheet.rows = 1;
    m_sheets << sheet;
    return m_sheets.size() - 1;
}

void WorkbookWriter::addRow(int sheet, const QVector<QVariant>& cells)
{
    Sheet& target = m_sheets[sheet];
    if (target.rows >= int(LXW_ROW_MAX))
        return;
    for (int c = 0; c < cells.size(); ++c)
        write(target, c, cells.at(c), nullptr);
    ++target.rows;
}

bool WorkbookWriter::commit(QString* error)
{
    for (const Sheet& sheet : qAsConst(m_sheets))
        for (int c = 0; c < sheet.widths.size(); ++c)
            worksheet_set_column(sheet.sheet, lxw_col_t(c), lxw_col_t(c),
                                 qBound(6, sheet.widths.at(c) + 2, 60), nullptr);
    const lxw_error result = workbook_close(m_workbook);
    m_workbook = nullptr;
    if (result != LXW_NO_ERROR) {
        *error = QStringLiteral("%1: writing failed: %2")
                     .arg(m_path, QString::fromUtf8(lxw_strerror(result)));
        return false;
    }
    const QString temporary = m_temporary->fileName();
    QFile::setPermissions(
        temporary, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(m_path).constData())
        != 0) {
        *error = QStringLiteral("%1: cannot move the workbook into place: %2")
                     .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_temporary->setAutoRemove(false);
    return true;
}
