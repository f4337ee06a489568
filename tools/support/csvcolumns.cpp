/** @file csvcolumns.cpp @brief Header rows: which column holds which named field. */
#include "csvcolumns.h"

#include <QSet>

CsvColumns::CsvColumns(const QStringList& fields, const Aliases& aliases)
    : m_fields(fields), m_aliases(aliases)
{}

bool CsvColumns::read(const CsvRecord& header)
{
    QStringList names;
    bool valid = true;
    for (const QByteArray& raw : header.fields) {
        QString name;
        valid = decodeUtf8Strict(raw, &name) && valid;
        names << name;
    }
    readNames(names);
    return valid;
}

QString CsvColumns::fieldOf(const QString& headerText) const
{
    const QString key = headerText.trimmed().toLower();
    if (m_fields.contains(key))
        return key;
    return m_aliases.value(key);
}

void CsvColumns::readNames(const QStringList& names)
{
    m_names.clear();
    m_columns.clear();
    m_duplicate.clear();
    m_unknown.clear();
    QSet<QString> seen;
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names.at(i).trimmed();
        const QString key = name.toLower();
        m_names << name;
        if (seen.contains(key) && m_duplicate.isEmpty())
            m_duplicate = key;
        seen.insert(key);
        const QString field = fieldOf(key);
        if (field.isEmpty())
            m_unknown << key;
        else if (!m_columns.contains(field))
            m_columns.insert(field, i);
    }
}

QStringList CsvColumns::missing(const QStringList& required) const
{
    QStringList result;
    for (const QString& field : required)
        if (!m_columns.contains(field))
            result << field;
    return result;
}
