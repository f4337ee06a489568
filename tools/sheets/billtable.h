/** @file billtable.h @brief Reading a bill (rows of id, code, name, spec) from a CSV file or an xlsx sheet. */
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

/// One row of a bill: where it is, the fields a search takes and every input cell.
struct BillRow {
    qint64 line = 0; ///< the line of the CSV file, or the sheet's own row number
    QString id;      ///< the id column, or the line when there is none or it is empty
    QString code;
    QString name;
    QString spec;
    QString error;     ///< the row could not be read; it is not searched
    QStringList cells; ///< the row's cells, one per input column
};

/// What to read and how to find the columns.
struct BillOptions {
    /// The sheet of a workbook, by name or number from 1 (empty: the first).
    QString sheet;
    /// Field (id, code, name, spec) to a column: letters (B, AA) or a header text.
    QHash<QString, QString> columns;
};

/// A bill as read.
struct BillTable {
    QString encoding;   ///< "UTF-8", "UTF-8 with BOM", "GB18030", or "xlsx"
    QString sheet;      ///< the sheet read, for a workbook
    int headerLine = 0; ///< line or row number of the header row
    QStringList header; ///< the header texts of the input columns
    QVector<BillRow> rows;
};

namespace Bill {
/// The fields a bill's columns can hold.
QStringList fields();
/// Header texts (white space removed, lower case) that name a field, besides the field names themselves.
const QHash<QString, QString>& aliases();
/// The most data rows a workbook may hold; a longer sheet is refused while it streams.
constexpr int MaxSheetRows = 100000;
/// The columns of a sheet kept per row (for its header and the workbook output); cells beyond are ignored.
constexpr int MaxColumns = 256;
/// Whether @p path names a workbook (ends in .xlsx, any case).
bool isWorkbook(const QString& path);
/// Parses "name=C,spec=D" into @p columns; false with @p error on a malformed list or an unknown field.
bool parseColumns(const QString& text, QHash<QString, QString>* columns, QString* error);
/// Reads the bill at @p path; false with @p error naming the file (and sheet
/// and row) at fault. Rows that cannot be read are kept with their error.
bool read(const QString& path, const BillOptions& options, BillTable* table, QString* error);
/// Reads a CSV bill from @p bytes, named @p name in messages (for fuzzing and tests).
bool readCsvBytes(const QByteArray& bytes, const QString& name, const BillOptions& options,
                  BillTable* table, QString* error);
} // namespace Bill
