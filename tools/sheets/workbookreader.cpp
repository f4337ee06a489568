/** @file workbookreader.cpp @brief Streaming reading of xlsx workbooks: KArchive for the container, QXmlStreamReader for the parts. */
#include "workbookreader.h"

#include <KZip>

#include <QDir>
#include <QXmlStreamReader>

#include <cmath>

namespace {

/// Hands on the bytes of another device up to a limit, then fails; tells
/// afterwards whether the limit cut it short.
class BoundedDevice : public QIODevice
{
public:
    BoundedDevice(QIODevice* source, qint64 limit) : m_source(source), m_limit(limit)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    bool overLimit() const { return m_overLimit; }
    qint64 limit() const { return m_limit; }

protected:
    qint64 readData(char* data, qint64 size) override
    {
        if (m_overLimit)
            return -1;
        const qint64 got = m_source->read(data, qMin(size, m_limit - m_total + 1));
        if (got > 0) {
            m_total += got;
            if (m_total > m_limit) {
                m_overLimit = true;
                return -1;
            }
        }
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::unique_ptr<QIODevice> m_source;
    qint64 m_limit;
    qint64 m_total = 0;
    bool m_overLimit = false;
};

/// Why @p xml stopped, if it did for a fault; refuses document type declarations.
QString xmlProblem(QXmlStreamReader& xml, QIODevice* device)
{
    const auto* bounded = dynamic_cast<const BoundedDevice*>(device);
    if (bounded && bounded->overLimit())
        return QStringLiteral("decompresses to more than %1 MB; refused (a zip bomb?)")
            .arg(bounded->limit() >> 20);
    if (xml.hasError())
        return QStringLiteral("damaged XML at line %1: %2")
            .arg(xml.lineNumber())
            .arg(xml.errorString());
    return QString();
}

/// Reads the next token of @p xml; false (with @p problem) on a document type declaration.
bool nextToken(QXmlStreamReader& xml, QString* problem)
{
    if (xml.readNext() == QXmlStreamReader::DTD) {
        *problem = QStringLiteral("holds a document type declaration (DTD); refused");
        return false;
    }
    return true;
}

/// The text of the <t> elements inside the element @p xml is on (a shared
/// string or an inline string), leaving out phonetic runs (<rPh>).
bool readRichText(QXmlStreamReader& xml, QString* text, QString* problem)
{
    int depth = 1;
    int phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        if (!nextToken(xml, problem))
            return false;
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("t")) {
                const QString part = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (phonetic == 0)
                    *text += part;
                continue;
            }
            ++depth;
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
        }
    }
    return !xml.hasError();
}

/// Splits "AB12" into column 27 and row 12 (0-based column, 1-based row);
/// false when it is no cell reference or out of range.
bool parseReference(const QStringRef& ref, int* column, int* row)
{
    int i = 0;
    QString letters;
    while (i < ref.size() && ref.at(i).isLetter() && ref.at(i).unicode() < 128)
        letters += ref.at(i++).toUpper();
    *column = WorkbookReader::columnIndex(letters);
    bool ok = false;
    const qint64 number = ref.mid(i).toLongLong(&ok);
    *row = ok && number >= 1 && number <= WorkbookReader::MaxRows ? int(number) : -1;
    return *column >= 0 && *row > 0 && i < ref.size() && ref.at(i).isDigit();
}

} // namespace

WorkbookReader::WorkbookReader(const QString& path) : m_name(path), m_zip(new KZip(path))
{}

WorkbookReader::WorkbookReader(QIODevice* device, const QString& name)
    : m_name(name), m_zip(new KZip(device))
{}

WorkbookReader::~WorkbookReader() = default;

QString WorkbookReader::columnName(int column)
{
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(ushort('A' + (n - 1) % 26)));
    return name;
}

int WorkbookReader::columnIndex(const QString& letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return -1;
    int n = 0;
    for (const QChar c : letters) {
        const ushort u = c.toUpper().unicode();
        if (u < 'A' || u > 'Z')
            return -1;
        n = n * 26 + (u - 'A' + 1);
    }
    return n <= MaxColumns ? n - 1 : -1;
}

QString WorkbookReader::displayNumber(const QString& value)
{
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return value;
    if (number == std::floor(number) && std::fabs(number) < 1e15)
        return QString::number(qint64(number));
    const double magnitude = std::fabs(number);
    if (magnitude >= 1e-4 && magnitude < 1e10) {
        // 10 significant digits in fixed notation, without trailing zeros.
        const int digits = qMax(0, 9 - int(std::floor(std::log10(magnitude))));
        QString text = QString::number(number, 'f', digits);
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
        }
        return text;
    }
    return QString::number(number, 'g', 10);
}

std::unique_ptr<QIODevice> WorkbookReader::openPart(const QString& part, qint64 limit,
                                                    QString* error) const
{
    const KArchiveFile* file = m_zip->directory()->file(part);
    if (!file) {
        *error = QStringLiteral("%1: holds no part %2; not a workbook").arg(m_name, part);
        return nullptr;
    }
    QIODevice* device = file->createDevice();
    if (!device || !device->isOpen()) {
        delete device;
        *error = QStringLiteral("%1: cannot read the part %2").arg(m_name, part);
        return nullptr;
    }
    return std::unique_ptr<QIODevice>(new BoundedDevice(device, limit));
}

bool WorkbookReader::readRelationships(const QString& part, QHash<QString, QString>* targets,
                                       QHash<QString, QString>* types, QString* error) const
{
    std::unique_ptr<QIODevice> device = openPart(part, MaxPartBytes, error);
    if (!device)
        return false;
    // Targets are relative to the folder of the part the relationships belong to.
    QString base = QFileInfo(part).path();
    if (base.endsWith(QLatin1String("_rels")))
        base.chop(5);
    QXmlStreamReader xml(device.get());
    QString problem;
    while (!xml.atEnd() && nextToken(xml, &problem)) {
        if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        QString target = attributes.value(QLatin1String("Target")).toString();
        target =
            target.startsWith(QLatin1Char('/')) ? target.mid(1) : QDir::cleanPath(base + target);
        const QString id = attributes.value(QLatin1String("Id")).toString();
        targets->insert(id, target);
        types->insert(
            attributes.value(QLatin1String("Type")).toString().section(QLatin1Char('/'), -1),
            target);
    }
    if (problem.isEmpty())
        problem = xmlProblem(xml, device.get());
    if (!problem.isEmpty()) {
        *error = QStringLiteral("%1: %2: %3").arg(m_name, part, problem);
        return false;
    }
    return true;
}

bool WorkbookReader::readSharedStrings(const QString& part, QString* error)
{
    std::unique_ptr<QIODevice> device = openPart(part, MaxPartBytes, error);
    if (!device)
        return false;
    QXmlStreamReader xml(device.get());
    QString problem;
    while (!xml.atEnd() && nextToken(xml, &problem)) {
        if (!xml.isStartElement() || xml.name() != QLatin1String("si"))
            continue;
        QString text;
        if (!readRichText(xml, &text, &problem))
            break;
        m_sharedStrings << text;
    }
    if (problem.isEmpty())
        problem = xmlProblem(xml, device.get());
    if (!problem.isEmpty()) {
        *error = QStringLiteral("%1: %2: %3").arg(m_name, part, problem);
        return false;
    }
    return true;
}

bool WorkbookReader::open(QString* error)
{
    if (!m_zip->open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: not an xlsx workbook (no zip container: %2)")
                     .arg(m_name, m_zip->errorString());
        return false;
    }
    QString workbook = QStringLiteral("xl/workbook.xml");
    QHash<QString, QString> targets;
    QHash<QString, QString> types;
    if (m_zip->directory()->file(QStringLiteral("_rels/.rels"))) {
        if (!readRelationships(QStringLiteral("_rels/.rels"), &targets, &types, error))
            return false;
        workbook = types.value(QStringLiteral("officeDocument"), workbook);
    }
    if (!m_zip->directory()->file(workbook)) {
        *error = QStringLiteral("%1: a zip file without a workbook (no %2); not an xlsx workbook")
                     .arg(m_name, workbook);
        return false;
    }
    const QString folder = QFileInfo(workbook).path();
    const QString relationships = folder + QStringLiteral("/_rels/")
        + QFileInfo(workbook).fileName() + QStringLiteral(".rels");
    targets.clear();
    types.clear();
    if (m_zip->directory()->file(relationships)
        && !readRelationships(relationships, &targets, &types, error))
        return false;

    std::unique_ptr<QIODevice> device = openPart(workbook, MaxPartBytes, error);
    if (!device)
        return false;
    QXmlStreamReader xml(device.get());
    QString problem;
    while (!xml.atEnd() && nextToken(xml, &problem)) {
        if (!xml.isStartElement() || xml.name() != QLatin1String("sheet"))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        QString id;
        for (const QXmlStreamAttribute& attribute : attributes)
            if (attribute.name() == QLatin1String("id"))
                id = attribute.value().toString();
        m_sheetNames << attributes.value(QLatin1String("name")).toString();
        m_sheetParts << targets.value(
            id, folder + QStringLiteral("/worksheets/sheet%1.xml").arg(m_sheetNames.size()));
    }
    if (problem.isEmpty())
        problem = xmlProblem(xml, device.get());
    if (!problem.isEmpty()) {
        *error = QStringLiteral("%1: %2: %3").arg(m_name, workbook, problem);
        return false;
    }
    if (m_sheetNames.isEmpty()) {
        *error = QStringLiteral("%1: the workbook lists no sheet").arg(m_name);
        return false;
    }
    const QString shared =
        types.value(QStringLiteral("sharedStrings"), folder + QStringLiteral("/sharedStrings.xml"));
    return !m_zip->directory()->file(shared) || readSharedStrings(shared, error);
}

int WorkbookReader::findSheet(const QString& key, QString* error) const
{
    const int named = m_sheetNames.indexOf(key);
    if (named >= 0)
        return named;
    bool ok = false;
    const int number = key.toInt(&ok);
    if (ok && number >= 1 && number <= m_sheetNames.size())
        return number - 1;
    *error =
        QStringLiteral(
            "%1: no sheet \"%2\"; the workbook holds %3 (by name, or by number from 1 to %4)")
            .arg(m_name, key,
                 QLatin1Char('"') + m_sheetNames.join(QStringLiteral("\", \"")) + QLatin1Char('"'))
            .arg(m_sheetNames.size());
    return -1;
}

bool WorkbookReader::readSheet(int index, const RowSink& sink, QVector<SheetMerge>* merges,
                               QString* error)
{
    const QString sheet = m_sheetNames.value(index);
    const QString where = QStringLiteral("%1: sheet \"%2\"").arg(m_name, sheet);
    std::unique_ptr<QIODevice> device = openPart(m_sheetParts.value(index), MaxSheetBytes, error);
    if (!device)
        return false;
    QXmlStreamReader xml(device.get());
    QString problem;
    SheetRow row;
    int lastRow = 0;
    bool inRow = false;
    while (problem.isEmpty() && !xml.atEnd() && nextToken(xml, &problem)) {
        if (xml.isEndElement() && xml.name() == QLatin1String("row")) {
            inRow = false;
            while (!row.cells.isEmpty() && row.cells.last().isEmpty())
                row.cells.removeLast();
            if (!row.cells.isEmpty() && !sink(row))
                return true;
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == QLatin1String("row")) {
            const QStringRef r = attributes.value(QLatin1String("r"));
            bool ok = true;
            const qint64 number = r.isEmpty() ? lastRow + 1 : r.toLongLong(&ok);
            if (!ok || number < 1 || number > MaxRows) {
                problem = QStringLiteral("row number \"%1\" out of range (1 to %2)")
                              .arg(r.isEmpty() ? QString::number(number) : r.toString())
                              .arg(MaxRows);
                break;
            }
            lastRow = int(number);
            row.number = lastRow;
            row.cells.clear();
            inRow = true;
        } else if (xml.name() == QLatin1String("c") && inRow) {
            const QStringRef ref = attributes.value(QLatin1String("r"));
            int column = row.cells.size();
            int cellRow = row.number;
            if (!ref.isEmpty() && !parseReference(ref, &column, &cellRow)) {
                problem = QStringLiteral("row %1: cell reference \"%2\" out of range (A1 to XFD%3)")
                              .arg(row.number)
                              .arg(ref.toString())
                              .arg(MaxRows);
                break;
            }
            if (cellRow != row.number) {
                problem = QStringLiteral("row %1: cell reference \"%2\" lies outside its row")
                              .arg(row.number)
                              .arg(ref.toString());
                break;
            }
            const QString type = attributes.value(QLatin1String("t")).toString();
            QString value;
            QString inlineText;
            bool hasValue = false;
            int depth = 1;
            while (depth > 0 && !xml.atEnd() && problem.isEmpty() && nextToken(xml, &problem)) {
                if (xml.isEndElement()) {
                    --depth;
                } else if (xml.isStartElement()) {
                    if (xml.name() == QLatin1String("v")) {
                        value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                        hasValue = true;
                    } else if (xml.name() == QLatin1String("is")) {
                        readRichText(xml, &inlineText, &problem);
                    } else {
                        ++depth;
                    }
                }
            }
            QString text;
            if (type == QLatin1String("s") && hasValue) {
                bool ok = false;
                const int i = value.trimmed().toInt(&ok);
                if (!ok || i < 0 || i >= m_sharedStrings.size()) {
                    problem =
                        QStringLiteral(
                            "row %1: cell %2 names shared string \"%3\", which the workbook lacks")
                            .arg(row.number)
                            .arg(columnName(column) + QString::number(row.number), value);
                    break;
                }
                text = m_sharedStrings.at(i);
            } else if (type == QLatin1String("inlineStr")) {
                text = inlineText;
            } else if (type == QLatin1String("b")) {
                text = value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE")
                                                             : QStringLiteral("FALSE");
            } else if (type.isEmpty() || type == QLatin1String("n")) {
                text = displayNumber(value);
            } else {
                text = value; // str (a formula's text), e (an error such as #N/A), d (an ISO date)
            }
            if (column >= row.cells.size()) {
                while (row.cells.size() < column)
                    row.cells << QString();
                row.cells << text;
            } else {
                row.cells[column] = text;
            }
        } else if (xml.name() == QLatin1String("mergeCell") && merges
                   && merges->size() < MaxMerges) {
            const QStringList corners =
                attributes.value(QLatin1String("ref")).toString().split(QLatin1Char(':'));
            SheetMerge merge;
            if (corners.size() == 2
                && parseReference(QStringRef(&corners.at(0)), &merge.firstColumn, &merge.firstRow)
                && parseReference(QStringRef(&corners.at(1)), &merge.lastColumn, &merge.lastRow)) {
                --merge.firstRow;
                --merge.lastRow;
                merges->append(merge);
            }
        }
    }
    if (problem.isEmpty())
        problem = xmlProblem(xml, device.get());
    if (!problem.isEmpty()) {
        *error = QStringLiteral("%1: %2").arg(where, problem);
        return false;
    }
    return true;
}
