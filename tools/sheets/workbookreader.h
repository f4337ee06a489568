/** @file workbookreader.h @brief WorkbookReader, a streaming reader of the sheets of an xlsx workbook. */
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class KZip;
class QIODevice;

/// One row of a sheet: its own row number and the displayed text of its
/// cells by column (0 is column A); trailing empty cells are left out.
struct SheetRow {
    int number = 0;
    QStringList cells;
};

/// A merged range of cells, 0-based rows and columns, inclusive.
struct SheetMerge {
    int firstRow = 0;
    int lastRow = 0;
    int firstColumn = 0;
    int lastColumn = 0;
};

/// Reads xlsx workbooks (Office Open XML spreadsheets): the zip container
/// through KArchive, each part with QXmlStreamReader. Sheets are streamed
/// row by row, so memory does not grow with the sheet; the shared strings are
/// held in memory. Every part is bounded in its decompressed size (against
/// zip bombs), and a part with a document type declaration is refused (no
/// entity can be declared, so none can expand).
class WorkbookReader
{
public:
    /// Most bytes a sheet part may decompress to.
    static constexpr qint64 MaxSheetBytes = qint64(1) << 30;
    /// Most bytes the other parts (workbook, relationships, shared strings) may decompress to.
    static constexpr qint64 MaxPartBytes = qint64(128) << 20;
    /// The last row and column a cell reference may name (XFD1048576).
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;
    /// The merged ranges kept of a sheet (the first ones); the rest are ignored.
    static constexpr int MaxMerges = 10000;

    /// A reader of the file @p path; messages name it.
    explicit WorkbookReader(const QString& path);
    /// A reader of @p device (open for reading), named @p name in messages.
    WorkbookReader(QIODevice* device, const QString& name);
    ~WorkbookReader();
    WorkbookReader(const WorkbookReader&) = delete;
    WorkbookReader& operator=(const WorkbookReader&) = delete;

    /// Opens the container and reads the workbook's sheet list and shared
    /// strings; false with @p error naming the file and what is wrong.
    bool open(QString* error);
    /// The names of the sheets, in the workbook's order.
    QStringList sheetNames() const { return m_sheetNames; }
    /// The sheet named @p key, or else numbered @p key (from 1); -1 with @p error.
    int findSheet(const QString& key, QString* error) const;

    /// Called with each row that holds a cell; returns false to stop reading.
    using RowSink = std::function<bool(const SheetRow& row)>;
    /// Streams the rows of sheet @p index to @p sink and fills @p merges with
    /// its merged ranges (listed after the rows in the file; up to MaxMerges). False with
    /// @p error naming the file, sheet and row when the sheet is damaged;
    /// true when @p sink stopped the reading.
    bool readSheet(int index, const RowSink& sink, QVector<SheetMerge>* merges, QString* error);

    /// The text of a cell value as a spreadsheet displays it in the General
    /// format: whole numbers in full, others to 10 significant digits
    /// ("2.5000000001" shows as 2.5).
    static QString displayNumber(const QString& value);
    /// Column @p column (0-based) as letters: 0 is A, 27 is AB.
    static QString columnName(int column);
    /// The 0-based column of the letters @p letters (A to XFD), or -1.
    static int columnIndex(const QString& letters);

private:
    std::unique_ptr<QIODevice> openPart(const QString& part, qint64 limit, QString* error) const;
    bool readRelationships(const QString& part, QHash<QString, QString>* targets,
                           QHash<QString, QString>* types, QString* error) const;
    bool readSharedStrings(const QString& part, QString* error);

    QString m_name;
    std::unique_ptr<KZip> m_zip;
    QStringList m_sheetNames;
    QStringList m_sheetParts;
    QStringList m_sharedStrings;
};
