/** @file searchreport.cpp @brief The table and JSON forms of a search result. */
#include "searchreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVector>

#include <algorithm>

int SearchReport::entryCount() const
{
    int count = 0;
    for (const Group& group : groups)
        count += group.entries.size();
    return count;
}

namespace {

bool isWide(uint c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E)
        || (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF)
        || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
        || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

QString padded(const QString& text, int width)
{
    const int missing = width - ReportFormat::displayWidth(text);
    return missing > 0 ? text + QString(missing, QLatin1Char(' ')) : text;
}

QString sortText(double value)
{
    return QString::number(value, 'g', 10);
}

QString quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("\""), QLatin1String("\\\""));
    escaped.replace(QLatin1String("\n"), QLatin1String("\\n"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

/// Which groups the table shows: every precise and code group, and the fuzzy
/// groups up to the @p fuzzyGroups-th that holds entries (all when 0).
QVector<bool> shownGroups(const SearchReport& report, int fuzzyGroups)
{
    QVector<bool> shown(report.groups.size(), true);
    if (fuzzyGroups <= 0)
        return shown;
    int filled = 0;
    for (int g = 0; g < report.groups.size(); ++g) {
        const SearchReport::Group& group = report.groups.at(g);
        if (group.kind != QLatin1String("fuzzy"))
            continue;
        if (filled >= fuzzyGroups)
            shown[g] = false;
        else if (!group.entries.isEmpty())
            ++filled;
    }
    return shown;
}

/// "not shown: 18 groups (5 to 22) with 80 entries; ...", or empty when the
/// table shows every group.
QString hiddenLine(const SearchReport& report, const QVector<bool>& shown)
{
    int groups = 0;
    int entries = 0;
    int first = -1;
    int last = -1;
    for (int g = 0; g < report.groups.size(); ++g) {
        if (shown.at(g))
            continue;
        ++groups;
        entries += report.groups.at(g).entries.size();
        if (first < 0)
            first = g;
        last = g;
    }
    if (groups == 0)
        return QString();
    // The fuzzy groups run together, so those left out are one range.
    const QString range = first == last ? QString::number(first + 1)
                                        : QStringLiteral("%1 to %2").arg(first + 1).arg(last + 1);
    return QStringLiteral("not shown: %1 group%2 (%3) with %4 entr%5; --groups 0 shows all\n")
        .arg(groups)
        .arg(groups == 1 ? QString() : QStringLiteral("s"))
        .arg(range)
        .arg(entries)
        .arg(entries == 1 ? QStringLiteral("y") : QStringLiteral("ies"));
}

} // namespace

namespace ReportFormat {

int displayWidth(const QString& text)
{
    int width = 0;
    const QVector<uint> codePoints = text.toUcs4();
    for (uint c : codePoints)
        width += isWide(c) ? 2 : 1;
    return width;
}

QString elided(const QString& text, int width)
{
    if (displayWidth(text) <= width)
        return text;
    QString cut;
    int used = 0;
    const QVector<uint> codePoints = text.toUcs4();
    for (uint c : codePoints) {
        const int w = isWide(c) ? 2 : 1;
        if (used + w > width - 1)
            break;
        cut += QString::fromUcs4(&c, 1);
        used += w;
    }
    return cut + QChar(0x2026);
}

QString table(const SearchReport& report, int fuzzyGroups)
{
    const QVector<bool> shown = shownGroups(report, fuzzyGroups);
    QStringList inputs;
    for (const auto& item : report.input)
        inputs << QStringLiteral("%1 %2").arg(item.first, quoted(item.second));
    QString out = QStringLiteral("%1: %2\nindex: %3 (%4)\n\n")
                      .arg(report.command, inputs.join(QStringLiteral(", ")), report.indexPath,
                           report.deepSearch ? QStringLiteral("deep search")
                                             : QStringLiteral("shallow search"));

    QStringList header = {QStringLiteral("group"), QStringLiteral("kind"), QStringLiteral("mat id"),
                          QStringLiteral("code"),  QStringLiteral("name"), QStringLiteral("spec")};
    if (report.explain)
        header << QStringLiteral("step") << QStringLiteral("sort");
    QList<QStringList> rows;
    for (int g = 0; g < report.groups.size(); ++g) {
        if (!shown.at(g))
            continue;
        const SearchReport::Group& group = report.groups.at(g);
        const QString number = QString::number(g + 1);
        if (group.entries.isEmpty()) {
            rows << QStringList{number, group.kind, QStringLiteral("(none)")};
            continue;
        }
        for (const SearchReport::Entry& entry : group.entries) {
            QStringList row = {number,
                               group.kind,
                               entry.matId,
                               entry.stored.code,
                               entry.stored.found ? entry.stored.name
                                                  : QStringLiteral("(not in the index)"),
                               entry.stored.spec};
            if (report.explain) {
                row << (entry.explained ? entry.step : QStringLiteral("?"))
                    << (entry.explained ? sortText(entry.sortValue) : QString());
            }
            for (QString& cell : row)
                cell = elided(cell, MaxCellWidth);
            rows << row;
        }
    }

    QVector<int> widths(header.size(), 0);
    for (int c = 0; c < header.size(); ++c)
        widths[c] = displayWidth(header.at(c));
    for (const QStringList& row : qAsConst(rows)) {
        // The "(none)" of an empty group may run over the columns after kind.
        const int cells = row.size() < header.size() ? 2 : row.size();
        for (int c = 0; c < cells; ++c)
            widths[c] = std::max(widths[c], displayWidth(row.at(c)));
    }
    auto line = [&widths](const QStringList& cells) -> QString {
        QString text;
        for (int c = 0; c < cells.size(); ++c) {
            if (c > 0)
                text += QStringLiteral("  ");
            text += c + 1 < cells.size() ? padded(cells.at(c), widths.value(c)) : cells.at(c);
        }
        return text + QLatin1Char('\n');
    };
    out += line(header);
    for (const QStringList& row : qAsConst(rows))
        out += line(row);
    out += hiddenLine(report, shown);

    int filled = 0;
    for (const SearchReport::Group& group : report.groups)
        filled += group.entries.isEmpty() ? 0 : 1;
    out += QStringLiteral("\n%1 entr%2 in %3 group(s), %4 of them empty\n")
               .arg(report.entryCount())
               .arg(report.entryCount() == 1 ? QStringLiteral("y") : QStringLiteral("ies"))
               .arg(report.groups.size())
               .arg(report.groups.size() - filled);
    if (report.explain && !report.queries.isEmpty()) {
        out += QStringLiteral("\nqueries run:\n");
        int stepWidth = 0;
        for (const auto& query : report.queries)
            stepWidth = std::max(stepWidth, displayWidth(query.first));
        for (const auto& query : report.queries)
            out += QStringLiteral("  %1  %2\n").arg(padded(query.first, stepWidth), query.second);
    }
    return out;
}

QByteArray json(const SearchReport& report)
{
    QJsonObject input;
    for (const auto& item : report.input)
        input.insert(item.first, item.second);

    QJsonArray groups;
    for (int g = 0; g < report.groups.size(); ++g) {
        const SearchReport::Group& group = report.groups.at(g);
        QJsonArray entries;
        for (const SearchReport::Entry& entry : group.entries) {
            QJsonObject object{{QStringLiteral("matId"), entry.matId},
                               {QStringLiteral("inIndex"), entry.stored.found},
                               {QStringLiteral("code"), entry.stored.code},
                               {QStringLiteral("name"), entry.stored.name},
                               {QStringLiteral("spec"), entry.stored.spec},
                               {QStringLiteral("brand"), entry.stored.brand}};
            if (report.explain) {
                object.insert(QStringLiteral("step"),
                              entry.explained ? QJsonValue(entry.step) : QJsonValue());
                object.insert(QStringLiteral("sortValue"),
                              entry.explained ? QJsonValue(entry.sortValue) : QJsonValue());
            }
            entries.append(object);
        }
        groups.append(QJsonObject{{QStringLiteral("number"), g + 1},
                                  {QStringLiteral("kind"), group.kind},
                                  {QStringLiteral("entries"), entries}});
    }

    QJsonObject root{{QStringLiteral("schema"), QStringLiteral("vefinder-result/1")},
                     {QStringLiteral("command"), report.command},
                     {QStringLiteral("input"), input},
                     {QStringLiteral("index"), report.indexPath},
                     {QStringLiteral("deepSearch"), report.deepSearch},
                     {QStringLiteral("foundCount"),
                      report.hasFoundCount ? QJsonValue(report.foundCount) : QJsonValue()},
                     {QStringLiteral("entryCount"), report.entryCount()},
                     {QStringLiteral("groups"), groups}};
    if (report.explain) {
        QJsonArray queries;
        for (const auto& query : report.queries)
            queries.append(QJsonObject{{QStringLiteral("step"), query.first},
                                       {QStringLiteral("query"), query.second}});
        root.insert(QStringLiteral("queries"), queries);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace ReportFormat
