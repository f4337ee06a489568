/** @file positiontable.cpp @brief Loading the location table from a catalogue or a two-column file. */
#include "positiontable.h"

#include "csvcolumns.h"
#include "csvreader.h"

#include <QFile>
#include <QRegularExpression>

namespace {

bool isHexadecimal(const QString& text)
{
    bool ok = false;
    text.toLongLong(&ok, 16);
    return ok;
}

/// The fields of a record; a record of one field with inner white space is
/// taken as a white-space separated pair.
QStringList recordFields(const CsvRecord& record, bool* valid)
{
    QStringList fields;
    *valid = true;
    for (const QByteArray& raw : record.fields) {
        QString text;
        if (!decodeUtf8Strict(raw, &text)) {
            *valid = false;
            return {};
        }
        fields << text.trimmed();
    }
    if (fields.size() == 1) {
        static const QRegularExpression space(QStringLiteral("\\s+"));
        fields = fields.first().split(space, Qt::SkipEmptyParts);
    }
    return fields;
}

} // namespace

namespace PositionTable {

bool load(const QString& path, QHash<QString, QString>* table, QStringList* warnings,
          QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("%1: cannot open the positions file: %2").arg(path, file.errorString());
        return false;
    }
    CsvReader reader(&file);
    CsvRecord record;
    int idColumn = 0;
    int positionColumn = 1;
    bool first = true;
    int skipped = 0;
    int listed = 0;
    auto skip = [&](qint64 line, const QString& why) {
        ++skipped;
        if (listed++ < 20)
            *warnings << QStringLiteral("%1:%2: %3; skipped").arg(path).arg(line).arg(why);
    };
    while (reader.next(record)) {
        bool valid = true;
        const QStringList fields =
            record.error.isEmpty() ? recordFields(record, &valid) : QStringList();
        if (!record.error.isEmpty() || !valid) {
            skip(record.line,
                 record.error.isEmpty() ? QStringLiteral("invalid UTF-8") : record.error);
            first = false;
            continue;
        }
        if (first) {
            first = false;
            CsvColumns named({QStringLiteral("mat_id"), QStringLiteral("position")});
            named.readNames(fields);
            if (named.missing({QStringLiteral("mat_id"), QStringLiteral("position")}).isEmpty()) {
                idColumn = named.column(QStringLiteral("mat_id"));
                positionColumn = named.column(QStringLiteral("position"));
                continue;
            }
            if (fields.size() == 2 && !isHexadecimal(fields.at(1)))
                continue; // a header of some other names
        }
        if (fields.size() <= qMax(idColumn, positionColumn)) {
            skip(record.line,
                 QStringLiteral("%1 field(s), too few for mat id and position").arg(fields.size()));
            continue;
        }
        const QString id = fields.at(idColumn);
        const QString position = fields.at(positionColumn);
        if (id.isEmpty() || position.isEmpty())
            continue; // an entry without a position ranks as position 0 anyway
        if (!isHexadecimal(position)) {
            skip(record.line, QStringLiteral("position \"%1\" is not hexadecimal").arg(position));
            continue;
        }
        table->insert(id, position);
    }
    if (!reader.deviceError().isEmpty()) {
        *error = QStringLiteral("%1: read error: %2").arg(path, reader.deviceError());
        return false;
    }
    if (skipped > 20)
        *warnings << QStringLiteral("%1: %2 more row(s) skipped").arg(path).arg(skipped - 20);
    if (table->isEmpty()) {
        *error = QStringLiteral(
                     "%1: holds no mat id with a hexadecimal position; expected the catalogue CSV "
                     "(mat_id and position columns) or two columns of mat id and position")
                     .arg(path);
        return false;
    }
    return true;
}

} // namespace PositionTable
