/** @file csvreader.h @brief CsvReader, a streaming reader of RFC 4180 files with line numbers. */
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QVector>

class QIODevice;

/// One record of a CSV file: its raw fields and where it starts.
struct CsvRecord {
    qint64 line = 0;            ///< 1-based line on which the record starts
    QVector<QByteArray> fields; ///< raw bytes of each field, quotes resolved
    QString error;              ///< set when the record is damaged (unterminated quote)
};

/// Reads comma-separated records from a device in chunks, resolving quoted
/// fields (commas, quotes and line breaks inside double quotes, "" for a
/// quote). Fields stay bytes so that every record can be checked for valid
/// UTF-8 on its own; a leading UTF-8 byte order mark is skipped. Lines that
/// are completely empty are skipped.
class CsvReader
{
public:
    explicit CsvReader(QIODevice* device);

    /// Reads the next record into @p record; false at the end of the input.
    bool next(CsvRecord& record);
    /// Bytes consumed from the device so far (for progress).
    qint64 bytesRead() const { return m_consumed; }
    /// Set when the device failed to deliver data.
    QString deviceError() const { return m_deviceError; }

private:
    bool fill();
    int peekByte();
    int takeByte();

    QIODevice* m_device;
    QByteArray m_buffer;
    int m_pos = 0;
    qint64 m_consumed = 0;
    qint64 m_line = 1;
    bool m_started = false;
    bool m_eof = false;
    QString m_deviceError;
};

/// Decodes @p bytes as strict UTF-8 (no overlong forms, surrogates or values
/// above U+10FFFF, no truncated sequences); false if they are not valid.
bool decodeUtf8Strict(const QByteArray& bytes, QString* out);

/// Quotes a field for CSV output when it holds a comma, quote or line break.
QString csvQuote(const QString& field);

/// The records of the CSV file at @p path, each as column name (from the
/// header row, trimmed) to text. Records whose field count differs from the
/// header's are left out and counted in @p malformed. Empty when the file
/// cannot be read. For tests, benchmarks and small tools; the indexer streams.
QList<QHash<QString, QString>> readCsvTable(const QString& path, int* malformed = nullptr);
