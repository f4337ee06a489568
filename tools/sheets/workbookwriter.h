/** @file workbookwriter.h @brief WorkbookWriter, xlsx output through libxlsxwriter, replaced in one step. */
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

class QTemporaryFile;
struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

/// Writes a workbook of sheets with a frozen header row and column widths
/// that fit their texts. Rows are written in order, sheet by sheet or
/// interleaved, without holding them in memory. The workbook goes to a
/// temporary file beside the target and replaces it only in commit(); a
/// writer dropped before that leaves the target as it was.
class WorkbookWriter
{
public:
    explicit WorkbookWriter(const QString& path);
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    /// Starts the workbook; false with @p error naming the file.
    bool open(QString* error);
    /// Adds a sheet named @p name with the header row @p header; returns its number.
    int addSheet(const QString& name, const QStringList& header);
    /// Appends a row to @p sheet: numbers (int, double) as numbers, the rest as text.
    void addRow(int sheet, const QVector<QVariant>& cells);
    /// Sets the widths, writes the workbook and moves it into place; false with @p error.
    bool commit(QString* error);

private:
    struct Sheet {
        lxw_worksheet* sheet = nullptr;
        int rows = 0;
        QVector<int> widths;
    };
    void write(Sheet& sheet, int column, const QVariant& value, lxw_format* format);

    QString m_path;
    std::unique_ptr<QTemporaryFile> m_temporary;
    lxw_workbook* m_workbook = nullptr;
    lxw_format* m_bold = nullptr;
    QVector<Sheet> m_sheets;
};
