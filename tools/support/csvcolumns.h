/** @file csvcolumns.h @brief CsvColumns, which column of a table holds which named field. */
#pragma once

#include "csvreader.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

/// The header row of a table: the names of its columns and which column holds
/// each field a tool knows. A header text names a field when it is the field's
/// own name or one of its aliases (compared trimmed and in lower case); the
/// first column naming a field holds it.
class CsvColumns
{
public:
    /// Header text (lower case) to field name, besides each field's own name.
    using Aliases = QHash<QString, QString>;

    /// A header naming @p fields (lower case), optionally also through @p aliases.
    explicit CsvColumns(const QStringList& fields, const Aliases& aliases = Aliases());

    /// Takes the header texts of @p header; false when one is not valid UTF-8.
    bool read(const CsvRecord& header);
    /// Takes the header texts @p names.
    void readNames(const QStringList& names);

    /// The column holding @p field, or -1.
    int column(const QString& field) const { return m_columns.value(field, -1); }
    /// Makes @p column (0-based) the one holding @p field.
    void setColumn(const QString& field, int column) { m_columns.insert(field, column); }
    /// The number of columns of the header row.
    int count() const { return m_names.size(); }
    /// The header texts, trimmed.
    QStringList names() const { return m_names; }
    /// The fields among @p required that no column holds.
    QStringList missing(const QStringList& required) const;
    /// The first header text (trimmed, lower case) given twice, or empty.
    QString duplicate() const { return m_duplicate; }
    /// The header texts (trimmed, lower case) naming no field, in order.
    QStringList unknown() const { return m_unknown; }
    /// The field a header text names, or an empty string.
    QString fieldOf(const QString& headerText) const;

private:
    QStringList m_fields;
    Aliases m_aliases;
    QStringList m_names;
    QHash<QString, int> m_columns;
    QString m_duplicate;
    QStringList m_unknown;
};
