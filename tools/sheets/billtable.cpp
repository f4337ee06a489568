/** @file billtable.cpp @brief Bills from CSV files (UTF-8 or GB18030) and xlsx sheets, columns found through one alias table. */
#include "billtable.h"

#include "csvcolumns.h"
#include "csvreader.h"
#include "workbookreader.h"

#include <QBuffer>
#include <QFile>
#include <QTextCodec>

namespace {

/// How many rows at the top may come before the header row.
constexpr int HeaderSearchRows = 20;

/// Marks a record whose text did not decode until the field counts are checked.
const QString InvalidText = QStringLiteral("\x01invalid");

/// A row as read, before the header is known.
struct RawRow {
    qint64 line = 0;
    QStringList cells;
    QString error;
};

QString headerKey(const QString& text)
{
    QString key;
    for (const QChar c : text)
        if (!c.isSpace())
            key += c.toLower();
    return key;
}

QString fieldList()
{
    return QStringLiteral("id,code,name,spec");
}

/// Finds the header row among @p raw and the columns; fills @p table. @p merges
/// (of a sheet) give header cells covered by a merged cell the merged text
/// and make the rows below a header cell merged downwards part of the header.
bool interpret(QVector<RawRow>& raw, const QVector<SheetMerge>& merges, const QString& where,
               const BillOptions& options, BillTable* table, QString* error)
{
    QHash<qint64, int> rowAt; // sheet row number to index, for the rows a header may use
    for (int r = 0; r < qMin(raw.size(), HeaderSearchRows + 1); ++r)
        rowAt.insert(raw.at(r).line, r);
    auto mergedText = [&](int r, int column) {
        const RawRow& row = raw.at(r);
        QString text = row.cells.value(column);
        if (!text.trimmed().isEmpty())
            return text;
        for (const SheetMerge& merge : merges) {
            if (merge.firstRow + 1 <= row.line && row.line <= merge.lastRow + 1
                && merge.firstColumn <= column && column <= merge.lastColumn
                && (merge.firstRow + 1 != row.line || merge.firstColumn != column)) {
                const int top = rowAt.value(merge.firstRow + 1, -1);
                return top >= 0 ? raw.at(top).cells.value(merge.firstColumn) : text;
            }
        }
        return text;
    };
    auto headerOf = [&](int r) {
        int width = raw.at(r).cells.size();
        for (const SheetMerge& merge : merges)
            if (merge.firstRow + 1 <= raw.at(r).line && raw.at(r).line <= merge.lastRow + 1)
                width = qBound(width, merge.lastColumn + 1, Bill::MaxColumns);
        QStringList names;
        for (int c = 0; c < width; ++c)
            names << mergedText(r, c).trimmed();
        return names;
    };
    // The column given by header text in --columns names the header row too.
    QStringList byText;
    bool nameByLetter = false;
    for (auto it = options.columns.constBegin(); it != options.columns.constEnd(); ++it) {
        if (WorkbookReader::columnIndex(it.value()) >= 0 && it.value().size() <= 3
            && it.value().at(0).unicode() < 128)
            nameByLetter = nameByLetter || it.key() == QLatin1String("name");
        else
            byText << headerKey(it.value());
    }
    int header = -1;
    const int candidates = qMin(raw.size(), HeaderSearchRows);
    for (int r = 0; r < candidates && header < 0; ++r) {
        if (!raw.at(r).error.isEmpty())
            continue;
        for (const QString& text : headerOf(r)) {
            const QString key = headerKey(text);
            const bool named =
                key == QLatin1String("name") || Bill::aliases().value(key) == QLatin1String("name");
            if ((named && !options.columns.contains(QStringLiteral("name")))
                || (!key.isEmpty() && byText.contains(key))) {
                header = r;
                break;
            }
        }
    }
    if (header < 0 && nameByLetter && !raw.isEmpty())
        header = 0;
    if (header < 0) {
        *error = QStringLiteral(
                     "%1: no header row: each of the first %2 rows names no \"name\" column "
                     "(a header of name, 名称, 材料名称, 项目名称, 品名, ... or --columns name=C); "
                     "expected id,code,name,spec")
                     .arg(where)
                     .arg(candidates);
        return false;
    }
    table->header = headerOf(header);
    table->headerLine = int(raw.at(header).line);
    QStringList keys;
    for (const QString& text : qAsConst(table->header))
        keys << headerKey(text);
    CsvColumns columns(Bill::fields(), Bill::aliases());
    columns.readNames(keys);
    for (auto it = options.columns.constBegin(); it != options.columns.constEnd(); ++it) {
        int column = keys.indexOf(headerKey(it.value()));
        if (column < 0 && it.value().size() <= 3 && it.value().at(0).unicode() < 128)
            column = WorkbookReader::columnIndex(it.value());
        if (column < 0) {
            *error =
                QStringLiteral(
                    "%1: --columns %2=%3: no such column letter or header text in the header row (row %4)")
                    .arg(where, it.key(), it.value())
                    .arg(table->headerLine);
            return false;
        }
        columns.setColumn(it.key(), column);
    }
    // Rows below the header row that a header cell merged downwards covers are part of the header.
    int headerEnd = table->headerLine;
    for (const SheetMerge& merge : merges)
        if (merge.firstRow + 1 == table->headerLine)
            headerEnd = qMax(headerEnd, merge.lastRow + 1);

    const int id = columns.column(QStringLiteral("id"));
    const int code = columns.column(QStringLiteral("code"));
    const int name = columns.column(QStringLiteral("name"));
    const int spec = columns.column(QStringLiteral("spec"));
    for (int r = header + 1; r < raw.size(); ++r) {
        RawRow& in = raw[r];
        if (in.line <= headerEnd)
            continue;
        BillRow row;
        row.line = in.line;
        row.error = in.error;
        row.id = in.cells.value(id).trimmed();
        row.code = in.cells.value(code);
        row.name = in.cells.value(name);
        row.spec = in.cells.value(spec);
        if (row.id.isEmpty())
            row.id = QString::number(row.line);
        row.cells = std::move(in.cells);
        table->rows.append(row);
    }
    raw.clear();
    return true;
}

bool readCsv(QIODevice* device, const QString& name, const BillOptions& options, BillTable* table,
             QString* error)
{
    const bool bom = device->peek(3) == QByteArray("\xEF\xBB\xBF");
    CsvReader reader(device);
    CsvRecord record;
    QVector<CsvRecord> records;
    int validUtf8 = 0;
    int invalidUtf8 = 0;
    while (reader.next(record)) {
        for (const QByteArray& field : qAsConst(record.fields)) {
            bool ascii = true;
            for (const char c : field)
                ascii = ascii && static_cast<unsigned char>(c) < 0x80;
            if (!ascii)
                ++(decodeUtf8Strict(field, nullptr) ? validUtf8 : invalidUtf8);
        }
        records.append(record);
    }
    if (!reader.deviceError().isEmpty()) {
        *error = QStringLiteral("%1: read error: %2").arg(name, reader.deviceError());
        return false;
    }
    if (records.isEmpty()) {
        *error =
            QStringLiteral("%1: empty file; expected a header row id,code,name,spec").arg(name);
        return false;
    }
    // GB18030 (what a spreadsheet program on a Chinese system saves) when strict
    // UTF-8 fails for most of the text; a UTF-8 file with a few damaged rows stays UTF-8.
    QTextCodec* gb18030 = QTextCodec::codecForName("GB18030");
    const bool chinese = !bom && gb18030 && invalidUtf8 > 0 && invalidUtf8 >= validUtf8;
    table->encoding = chinese ? QStringLiteral("GB18030")
        : bom                 ? QStringLiteral("UTF-8 with BOM")
                              : QStringLiteral("UTF-8");

    QVector<RawRow> raw;
    raw.reserve(records.size());
    for (CsvRecord& in : records) {
        RawRow row;
        row.line = in.line;
        row.error = in.error;
        bool valid = true;
        for (const QByteArray& field : qAsConst(in.fields)) {
            QString text;
            if (chinese) {
                QTextCodec::ConverterState state;
                text = gb18030->toUnicode(field.constData(), field.size(), &state);
                if (state.invalidChars > 0 || state.remainingChars > 0) {
                    valid = false;
                    text.clear();
                }
            } else if (!decodeUtf8Strict(field, &text)) {
                valid = false;
            }
            row.cells << text;
        }
        if (row.error.isEmpty() && !valid)
            row.error = InvalidText;
        in.fields.clear();
        raw.append(row);
    }
    records.clear();
    if (!interpret(raw, {}, name, options, table, error))
        return false;
    // Every record holds as many fields as the header row; a damaged record
    // says so first, then a wrong count, then undecodable text.
    const int columns = table->header.size();
    for (BillRow& row : table->rows) {
        const bool undecodable = row.error == InvalidText;
        if (undecodable)
            row.error.clear();
        if (row.error.isEmpty() && row.cells.size() != columns)
            row.error =
                QStringLiteral("%1 field(s), expected %2").arg(row.cells.size()).arg(columns);
        else if (row.error.isEmpty() && undecodable)
            row.error =
                chinese ? QStringLiteral("invalid GB18030") : QStringLiteral("invalid UTF-8");
    }
    return true;
}

bool readWorkbook(const QString& path, const BillOptions& options, BillTable* table, QString* error)
{
    WorkbookReader workbook(path);
    if (!workbook.open(error))
        return false;
    const int sheet = options.sheet.isEmpty() ? 0 : workbook.findSheet(options.sheet, error);
    if (sheet < 0)
        return false;
    table->encoding = QStringLiteral("xlsx");
    table->sheet = workbook.sheetNames().at(sheet);
    const QString where = QStringLiteral("%1: sheet \"%2\"").arg(path, table->sheet);
    QVector<RawRow> raw;
    QVector<SheetMerge> merges;
    bool tooLong = false;
    int lastRow = 0;
    const bool done = workbook.readSheet(
        sheet,
        [&](const SheetRow& row) {
            int used = 0; // cells up to the last that holds text, within the columns kept
            bool empty = true;
            for (int c = 0; c < qMin(row.cells.size(), Bill::MaxColumns); ++c) {
                if (!row.cells.at(c).isEmpty())
                    used = c + 1;
                empty = empty && row.cells.at(c).trimmed().isEmpty();
            }
            if (empty)
                return true; // empty rows are skipped
            const QStringList cells = row.cells.mid(0, used);
            if (raw.size() >= Bill::MaxSheetRows + HeaderSearchRows) {
                tooLong = true;
                lastRow = row.number;
                return false;
            }
            raw.append(RawRow{row.number, cells, QString()});
            return true;
        },
        &merges, error);
    // Only the header's merged cells matter; a few hundred cover any real header.
    merges.resize(qMin(merges.size(), 1000));
    if (!done)
        return false;
    if (tooLong) {
        *error =
            QStringLiteral("%1: row %2: more than %3 rows; a bill this long is refused (split it)")
                .arg(where)
                .arg(lastRow)
                .arg(Bill::MaxSheetRows);
        return false;
    }
    if (raw.isEmpty()) {
        *error = QStringLiteral("%1: empty sheet; expected a header row naming a name column")
                     .arg(where);
        return false;
    }
    return interpret(raw, merges, where, options, table, error);
}

} // namespace

namespace Bill {

QStringList fields()
{
    return {QStringLiteral("id"), QStringLiteral("code"), QStringLiteral("name"),
            QStringLiteral("spec")};
}

const QHash<QString, QString>& aliases()
{
    // Keep in step with the table in docs/cli.md.
    static const QHash<QString, QString> table = [] {
        const QVector<QPair<const char*, QStringList>> groups = {
            {"name",
             {QStringLiteral("名称"), QStringLiteral("材料名称"), QStringLiteral("项目名称"),
              QStringLiteral("品名"), QStringLiteral("产品名称"), QStringLiteral("物料名称"),
              QStringLiteral("设备名称"), QStringLiteral("材料设备名称"),
              QStringLiteral("货物名称"), QStringLiteral("商品名称"), QStringLiteral("清单名称"),
              QStringLiteral("子目名称"), QStringLiteral("材料"), QStringLiteral("description"),
              QStringLiteral("item")}},
            {"spec",
             {QStringLiteral("规格"), QStringLiteral("规格型号"), QStringLiteral("型号规格"),
              QStringLiteral("型号"), QStringLiteral("规格及型号"), QStringLiteral("型号及规格"),
              QStringLiteral("规格/型号"), QStringLiteral("项目特征"),
              QStringLiteral("项目特征描述"), QStringLiteral("特征描述"),
              QStringLiteral("specification"), QStringLiteral("model")}},
            {"code",
             {QStringLiteral("编码"), QStringLiteral("材料编码"), QStringLiteral("项目编码"),
              QStringLiteral("物料编码"), QStringLiteral("产品编码"), QStringLiteral("清单编码"),
              QStringLiteral("子目编码"), QStringLiteral("编号"), QStringLiteral("材料编号")}},
            {"id",
             {QStringLiteral("序号"), QStringLiteral("行号"), QStringLiteral("no"),
              QStringLiteral("no.")}},
        };
        QHash<QString, QString> map;
        for (const auto& group : groups)
            for (const QString& text : group.second)
                map.insert(text, QString::fromLatin1(group.first));
        return map;
    }();
    return table;
}

bool isWorkbook(const QString& path)
{
    return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}

bool parseColumns(const QString& text, QHash<QString, QString>* columns, QString* error)
{
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int equals = item.indexOf(QLatin1Char('='));
        const QString field = item.left(equals).trimmed().toLower();
        const QString column = item.mid(equals + 1).trimmed();
        if (equals < 0 || column.isEmpty() || !fields().contains(field)) {
            *error = QStringLiteral(
                         "--columns expects FIELD=COLUMN pairs such as name=C,spec=D (fields %1; "
                         "a column by its letters or its header text), got \"%2\"")
                         .arg(fieldList(), item);
            return false;
        }
        columns->insert(field, column);
    }
    return true;
}

bool read(const QString& path, const BillOptions& options, BillTable* table, QString* error)
{
    if (isWorkbook(path))
        return readWorkbook(path, options, table, error);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot open: %2").arg(path, file.errorString());
        return false;
    }
    return readCsv(&file, path, options, table, error);
}

bool readCsvBytes(const QByteArray& bytes, const QString& name, const BillOptions& options,
                  BillTable* table, QString* error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readCsv(&buffer, name, options, table, error);
}

} // namespace Bill
