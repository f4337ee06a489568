/** @file csvreader.cpp @brief Streaming RFC 4180 reader and strict UTF-8 decoding. */
#include "csvreader.h"

#include <QFile>
#include <QIODevice>
#include <QStringList>

namespace {
constexpr qint64 ChunkSize = 1 << 16;
} // namespace

CsvReader::CsvReader(QIODevice* device) : m_device(device)
{}

bool CsvReader::fill()
{
    if (m_eof)
        return false;
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    const QByteArray chunk = m_device->read(ChunkSize);
    if (chunk.isEmpty()) {
        if (!m_device->atEnd() && m_deviceError.isEmpty())
            m_deviceError = m_device->errorString();
        m_eof = true;
        return false;
    }
    m_buffer += chunk;
    return true;
}

int CsvReader::peekByte()
{
    if (m_pos >= m_buffer.size() && !fill())
        return -1;
    return static_cast<unsigned char>(m_buffer.at(m_pos));
}

int CsvReader::takeByte()
{
    const int c = peekByte();
    if (c >= 0) {
        ++m_pos;
        ++m_consumed;
    }
    return c;
}

bool CsvReader::next(CsvRecord& record)
{
    if (!m_started) {
        m_started = true;
        if (peekByte() == 0xEF) {
            while (m_buffer.size() - m_pos < 3 && fill()) {}
            if (m_buffer.mid(m_pos, 3) == QByteArray("\xEF\xBB\xBF")) {
                m_pos += 3;
                m_consumed += 3;
            }
        }
    }

    for (;;) {
        record.line = m_line;
        record.fields.clear();
        record.error.clear();
        if (peekByte() < 0)
            return false;

        QByteArray field;
        bool quoted = false;     // inside a quoted section
        bool anyContent = false; // the line holds something besides its end
        bool recordDone = false;
        while (!recordDone) {
            const int c = takeByte();
            if (c < 0) {
                if (quoted)
                    record.error = QStringLiteral("unterminated quoted field");
                recordDone = true;
                break;
            }
            if (quoted) {
                if (c == '"') {
                    if (peekByte() == '"') {
                        takeByte();
                        field.append('"');
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == '\n')
                        ++m_line;
                    field.append(static_cast<char>(c));
                }
                continue;
            }
            switch (c) {
            case '"':
                quoted = true;
                anyContent = true;
                break;
            case ',':
                record.fields.append(field);
                field.clear();
                anyContent = true;
                break;
            case '\r':
                if (peekByte() == '\n')
                    break; // the line feed ends the record
                field.append('\r');
                anyContent = true;
                break;
            case '\n':
                ++m_line;
                recordDone = true;
                break;
            default:
                field.append(static_cast<char>(c));
                anyContent = true;
                break;
            }
        }
        if (!anyContent && record.error.isEmpty()) {
            if (peekByte() < 0)
                return false;
            continue; // an empty line
        }
        record.fields.append(field);
        return true;
    }
}

bool decodeUtf8Strict(const QByteArray& bytes, QString* out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const int n = bytes.size();
    for (int i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int extra;
        quint32 value;
        quint32 minimum;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            value = b & 0x1F;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            value = b & 0x0F;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            value = b & 0x07;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cont = p[i + k];
            if ((cont & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (cont & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    // The QByteArray overload of fromUtf8 would stop at a NUL byte.
    if (out)
        *out = QString::fromUtf8(bytes.constData(), bytes.size());
    return true;
}

QString csvQuote(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"'))
        && !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QList<QHash<QString, QString>> readCsvTable(const QString& path, int* malformed)
{
    QList<QHash<QString, QString>> rows;
    if (malformed)
        *malformed = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    CsvReader reader(&file);
    CsvRecord record;
    if (!reader.next(record))
        return rows;
    QStringList header;
    for (const QByteArray& field : qAsConst(record.fields))
        header << QString::fromUtf8(field).trimmed();
    while (reader.next(record)) {
        if (record.fields.size() != header.size() || !record.error.isEmpty()) {
            if (malformed)
                ++*malformed;
            continue;
        }
        QHash<QString, QString> row;
        for (int i = 0; i < header.size(); ++i)
            row.insert(header.at(i), QString::fromUtf8(record.fields.at(i)));
        rows << row;
    }
    return rows;
}
