/** @file vefinder_cable.cpp @brief Cable attributes, the cable query sequence and its ranking. */
#include "engine/vefinder_p.h"
#include "engine/hitranking_p.h"

#include "analysis/charclass.h"

#include <QRegExp>

#include <algorithm>
#include <initializer_list>
#include <memory>

using lucene::search::BooleanClause;
using lucene::search::BooleanQuery;

namespace {

/// A cable query takes at most this many words.
constexpr int kWordCap = 1000;

/// The texts joined with one space between each two, empty ones included; the
/// word split of the cable query drops the gaps that empty texts leave.
QString joinWords(std::initializer_list<QString> texts)
{
    QStringList list;
    for (const QString& t : texts)
        list.append(t);
    return list.join(QLatin1Char(' '));
}

} // namespace

void VeFinder::setCableAttribute(VeCableAttribute& attribute, const QStringList& parts,
                                 const QString& mainAttr)
{
    // Built per call: a QRegExp keeps match state and must not be shared.
    const QRegExp specPair(QStringLiteral("[0-9.]{1,}×[0-9.]{1,}.*"));
    const QRegExp bareSection(QStringLiteral("[0-9.]{1,}"));
    const QRegExp upToLastCross(QStringLiteral(".*×"));
    const QRegExp fromFirstCross(QStringLiteral("×.*"));
    const QRegExp prefixCode(QStringLiteral(
        "(ZG|ZR|ZC|ZB|ZA|N|NH|NG|WDZ|WDZN|WDZC|WDZB|WDZA|WDZCN|WDZBN|WDZAN)"));
    const QRegExp voltageRange(QStringLiteral("[0-9.]{1,}/[0-9.]{1,}(KV|V){1}"));
    const QRegExp voltageSingle(QStringLiteral("[0-9.]{1,}(KV|V){1}"));
    const QRegExp voltageUnit(QStringLiteral("(KV|V)"));
    const QString space = QStringLiteral(" ");

    QString typeText;
    QString cores;
    QString sections;
    QString voltage;
    QList<QPair<QString, QString>> pairs;

    for (const QString& part : parts) {
        // Core count and section.
        QString pf;
        QString ps;
        if (specPair.exactMatch(part)) {
            if (!cores.isEmpty()) {
                cores += space;
                sections += space;
            }
            ps = QString(part).remove(upToLastCross);
            pf = QString(part).remove(fromFirstCross);
            sections += ps;
            cores += pf;
        } else if (bareSection.exactMatch(part)) {
            cores += space;
            sections += space;
            cores += space;
            sections += part;
            pf = space;
            ps = part;
        }
        pairs.append(qMakePair(pf, ps));

        // Prefix code or model.
        if (prefixCode.exactMatch(part) && !typeText.contains(part)) {
            const QString taken = part == QLatin1String("N") ? QStringLiteral("NH") : part;
            typeText += taken + space;
            attribute.prefixCode = taken;
        } else if (part.contains(mainAttr) && !typeText.contains(part) && part.length() >= 2) {
            typeText += mainAttr;
            attribute.model = mainAttr;
        }

        // Voltage.
        if (voltageRange.exactMatch(part)) {
            voltage += QString(part).remove(voltageUnit);
        } else if (voltageSingle.exactMatch(part) && voltage.isEmpty()) {
            voltage += QString(part).remove(voltageUnit);
        }
    }

    attribute.cores = cores;
    attribute.sections = sections;
    attribute.voltage = voltage;
    attribute.coreSections = pairs;
}

QList<QStringList> VeFinder::searchCablePpl(IndexSearcher* searcher,
                                            const VeCableAttribute& attribute,
                                            const QString& text, const QString& code)
{
    std::unique_ptr<BooleanQuery> query(mkBooleanQuery(code));
    std::unique_ptr<BooleanQuery> words(_CLNEW BooleanQuery(false));
    const QStringList list = text.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < list.size() && i < kWordCap; ++i)
        words->add(mkWordPplQuery(list.at(i)), true, BooleanClause::MUST);
    query->add(words.release(), true, BooleanClause::MUST);
    return addCableSortAdvance(attribute, searcher, query.release());
}

void VeFinder::doCableSearchFuzzy(QList<QStringList>& result, IndexSearcher* searcher,
                                  const VeCableAttribute& attribute, const QString& code,
                                  int* foundCount)
{
    const QString& p = attribute.prefixCode;
    const QString& m = attribute.model;
    const QString& c = attribute.cores;
    const QString& s = attribute.sections;
    const QString& v = attribute.voltage;

    const auto run = [&](const char* step, const QString& text) {
        vefinder::StepScope scope(m_step, step);
        result += searchCablePpl(searcher, attribute, text, code);
    };
    const auto found = [this] { return !m_foundIds.isEmpty(); };

    // From all attributes together down to the bare model.
    run("cable1", joinWords({p, m, c, s, v}));
    run("cable2", joinWords({m, c, s, v}));
    if (!v.isEmpty()) {
        run("cable3", joinWords({p, m, c, s}));
        run("cable4", joinWords({m, c, s}));
    }
    if (!m_deepSearch)
        return;
    if (!s.isEmpty())
        run("cable5", joinWords({p, m, c}));
    if (found() && code.isEmpty())
        return;
    if (!p.isEmpty()) {
        run("cable6", joinWords({p, m}));
        run("cable7", p + m);
    }
    if (!p.isEmpty() && !found() && (!c.isEmpty() || !s.isEmpty()))
        run("cable8", joinWords({m, c, s}));
    run("cable9", m);
    if (found() && code.isEmpty())
        return;

    // The letter runs of a model that mixes letters and digits (YJV of YJV22).
    if (wordFindType(m) == DocMixPpl) {
        for (const QString& piece : splitMixedWord(m, true)) {
            if (wordFindType(piece) != DocEnPpl)
                continue;
            run("cable10", joinWords({piece, c, s}));
            if (!s.isEmpty())
                run("cable10", joinWords({piece, c}));
            if (!found())
                run("cable10", piece);
        }
    }

    if (foundCount)
        *foundCount = m_foundIds.size();
}

QList<QStringList> VeFinder::addCableSortAdvance(const VeCableAttribute& attribute,
                                                 IndexSearcher* searcher, Query* query)
{
    std::unique_ptr<Query> owned(query);
    if (!searcher || !query)
        return {};
    noteQuery(query);

    const vefinder::IndexFieldsPtr fields =
        vefinder::indexFieldsFor(searcher, vefinder::storedFieldNames());
    const vefinder::TextTable& specs = fields->specs;
    const auto cableValue = [&](const QString& spec) {
        VeDocInfo doc(QString(), spec, 0.0);
        setCableSortValue(doc, attribute);
        return doc.sortValue;
    };
    std::vector<vefinder::RankedHit> hits =
        vefinder::readHits(searcher, query, *fields, specs, m_foundIds, nullptr, cableValue);
    std::sort(hits.begin(), hits.end(), vefinder::ranksBefore);

    // Sort value, then specification length, shortest first.
    QMap<double, QMap<int, QStringList>> groups;
    for (const vefinder::RankedHit& hit : hits) {
        const QString& matId = fields->matIds.at(hit.doc);
        m_foundIds.insert(matId);
        groups[hit.sortValue][specs.texts.at(hit.text).length()].append(matId);
        noteDelivered(matId, hit.sortValue);
    }

    QList<QStringList> result;
    for (auto value = groups.constEnd(); value != groups.constBegin();) {
        --value;
        for (const QStringList& ids : value.value())
            result.append(ids);
    }
    return result;
}

void VeFinder::setCableValue(QList<VeDocInfo>& docs, const VeCableAttribute& attribute,
                             IndexSearcher* searcher, Query* query)
{
    if (!searcher || !query)
        return;
    const vefinder::IndexFieldsPtr fields =
        vefinder::indexFieldsFor(searcher, vefinder::storedFieldNames());
    const auto cableValue = [&](const QString& spec) {
        VeDocInfo doc(QString(), spec, 0.0);
        setCableSortValue(doc, attribute);
        return doc.sortValue;
    };
    for (const vefinder::RankedHit& hit : vefinder::readHits(searcher, query, *fields, fields->specs,
                                                             m_foundIds, nullptr, cableValue))
        docs.append(vefinder::toDocInfo(hit, *fields, fields->specs));
}

void VeFinder::setCableSortValue(VeDocInfo& doc, const VeCableAttribute& attribute)
{
    const QRegExp whiteSpace(QStringLiteral("\\s"));
    doc.sortValue = 3.0;
    for (const QPair<QString, QString>& pair : attribute.coreSections) {
        const QString cores = QString(pair.first).remove(whiteSpace);
        const QString section = QString(pair.second).remove(whiteSpace);
        if (cores.isEmpty() && section.isEmpty())
            continue;
        // The texts are escaped (a section 2.5 must not match 205) and must
        // stand as whole numbers: the pair (3, 2.5) is not in 13×2.5 or 3×2.55.
        const QString head = cores.isEmpty() ? QString() : QStringLiteral("(?:^|[^0-9.])");
        const QString c = head + QRegExp::escape(cores);
        const QString s = QRegExp::escape(section) + QStringLiteral("(?!\\.?[0-9])");
        const QRegExp cross(c + QStringLiteral("\\s*×\\s*") + s);
        const QRegExp star(c + QStringLiteral("\\s*\\*\\s*") + s);
        if (doc.name.indexOf(cross) != -1 || doc.name.indexOf(star) != -1)
            doc.sortValue += 1.0;
    }
}
