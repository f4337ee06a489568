/** @file cableparse.cpp @brief Cable notation: normalisation, model lookup, attribute parsing and core×section matching. */
#include "analysis/cableparse.h"

#include "analysis/cablenotation.h"
#include "analysis/cablenotation_p.h"
#include "analysis/charclass_p.h"
#include "analysis/widthfold.h"

#include <QRegExp>
#include <QVector>

#include <algorithm>

namespace {

/// Replaces every occurrence of @p piece in @p text by "-" + piece.
void hyphenateBefore(QString& text, const QString& piece)
{
    text.replace(piece, QString(QLatin1Char('-') + piece));
}

// The part patterns, one set per thread: a QRegExp keeps match state and must
// not be shared, and the indexer asks for them once per part of every entry.
const QRegExp& partSeparators()
{
    static thread_local const QRegExp re(QStringLiteral("[-\\(-,: +—（）]"));
    return re;
}

QRegExp& prefixCodePattern()
{
    static thread_local QRegExp re(
        QStringLiteral("(ZG|ZR|ZC|ZB|ZA|N|NH|NG|WDZ|WDZN|WDZC|WDZB|WDZA|WDZCN|WDZBN|WDZAN)"));
    return re;
}

} // namespace

QString cableFormReplace(const QString& text)
{
    const QString times = QString(QChar(0x00D7)); // ×

    // Case, script boundaries and numerals first, so that every later rule
    // sees upper-case models, spaces between scripts and digits for cores.
    // Full-width forms first: ＹＪＶ３×２．５ is YJV3×2.5.
    QString s = foldWidth(text).toUpper();
    s = spaceScriptBoundaries(s);
    replaceChineseNumerals(s);

    // The core separator: 芯 as in 3芯2.5, then X / * / | between numbers.
    s.replace(QStringLiteral("芯 "), times);
    s.replace(QStringLiteral("芯"), times);
    s.replace(QLatin1Char('%'), QLatin1Char(' '));
    s.replace(QChar(0x2014), QLatin1Char('-'));
    // Every rule from here on looks for Latin letters, digits or full stops,
    // but for the spaces turning into hyphens: a name without them (most of
    // what is searched) is done, without building a pattern.
    const bool notation = std::any_of(s.cbegin(), s.cend(), [](QChar c) {
        return isAsciiDigit(c) || isAsciiLetter(c) || c == QLatin1Char('.');
    });
    if (!notation) {
        s.replace(QLatin1Char(' '), QLatin1Char('-'));
        return s;
    }
    replaceWithinMatches(s, QRegExp(QStringLiteral("[0-9.]{1,}[x|X|/*][0-9.]{1,}")),
                         QRegExp(QStringLiteral("[x|X\\*]")), times);

    // A hyphen between a model and its core count: YJV3×2.5 to YJV-3×2.5.
    {
        QRegExp modelCores(QStringLiteral("[a-zA-Z][1-9]{1,}×[0-9.]"));
        if (modelCores.indexIn(s) != -1) {
            QRegExp cores(QStringLiteral("[1-9]{1,}×[0-9.]"));
            if (cores.indexIn(modelCores.cap(0)) != -1)
                hyphenateBefore(s, cores.cap(0));
        }
    }
    replaceWithinMatches(s, QRegExp(QStringLiteral("[a-zA-Z]\\.[a-zA-Z]")), QStringLiteral("."),
                         QStringLiteral("-"));

    // The unit of the section.
    s.replace(QStringLiteral("MM2"), QString());
    s.replace(QStringLiteral("MM²"), QString());
    s.replace(QRegExp(QStringLiteral("MM.{1}2")), QString());

    // Prefix letters glued to their model.
    s.replace(QStringLiteral("ZRVV"), QStringLiteral("ZR-VV"));
    s.replace(QStringLiteral("ZRBV"), QStringLiteral("ZR-BV"));
    s.replace(QStringLiteral("NH"), QStringLiteral("NH-"));
    s.replace(QStringLiteral("WDZBYJ"), QStringLiteral("WDZ-BYJ"));
    s.replace(QStringLiteral("WDZNBY"), QStringLiteral("WDZN-BY"));
    s.replace(QStringLiteral("WDZCYJY"), QStringLiteral("WDZC-YJY"));
    s.replace(QStringLiteral("WDZCNYJY"), QStringLiteral("WDZCN-YJY"));
    s.replace(QStringLiteral("ZCYJV"), QStringLiteral("ZC-YJV"));
    s.replace(QLatin1Char(' '), QLatin1Char('-'));

    // Any other prefix glued to a model: ZRYJV to ZR-YJV. KYJV and MYJV are
    // models of their own and keep their letters.
    if (!s.contains(QStringLiteral("KYJV")) && !s.contains(QStringLiteral("MYJV"))) {
        QRegExp prefixed(QStringLiteral("[A-Z]{1,}(YJV|RVV|RVS|BVV|BVR|KVV|YJV22|HSYV).*"));
        if (prefixed.indexIn(s) != -1) {
            QRegExp model(QStringLiteral("(YJV|KVV|RVV|VV|RVS|BVV|BV|BVR|YJV22|HSYV)"));
            if (model.indexIn(prefixed.cap(0)) != -1)
                hyphenateBefore(s, model.cap(0));
        }
    }

    // A model glued to its first number: BV2.5 to BV-2.5. The armoured
    // models YJV22, YJV32 and YJV42 keep their digits.
    if (QRegExp(QStringLiteral("YJV(2|3|4)2")).indexIn(s) == -1) {
        QRegExp modelDigit(QStringLiteral("(YJV|RV|RVV|RVS|BVV|BV|BVR|KVV|BYJ)(1|2|3|4|5){1}"));
        if (modelDigit.indexIn(s) != -1) {
            const QString found = modelDigit.cap(0);
            QString hyphenated = found;
            for (const char digit : {'1', '2', '3', '4', '5'})
                hyphenated.replace(QLatin1Char(digit),
                                   QString(QLatin1Char('-')) + QLatin1Char(digit));
            s.replace(found, hyphenated);
        }
    }

    s.replace(QStringLiteral("MM"), QString());
    return s;
}

namespace {

/// Whether @p c cuts a text into the parts a model is looked for in: "-",
/// "(" to "," ("(", ")", "*", "+", ","), ":", " ", "/", "—", "（", "）".
bool cutsModelParts(QChar c)
{
    switch (c.unicode()) {
    case '-':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ':':
    case ' ':
    case '/':
    case 0x2014: // —
    case 0xFF08: // （
    case 0xFF09: // ）
        return true;
    default:
        return false;
    }
}

/// The first non-empty part of @p text, in text order, that @p isModel takes.
template <typename IsModel>
QString firstModelPart(const QString& text, IsModel isModel)
{
    QString part;
    for (int start = 0, end = 0; start < text.size(); start = end + 1) {
        end = start;
        while (end < text.size() && !cutsModelParts(text.at(end)))
            ++end;
        if (end == start)
            continue;
        part.setRawData(text.constData() + start, end - start); // a view, no copy
        if (isModel(part))
            return QString(text.constData() + start, end - start);
    }
    return QString();
}

} // namespace

QString cableMainAttr(const QString& text, const QStringList& cableModels)
{
    return firstModelPart(text, [&](const QString& part) { return cableModels.contains(part); });
}

QString cableMainAttr(const QString& text, const QSet<QString>& cableModels)
{
    return firstModelPart(text, [&](const QString& part) { return cableModels.contains(part); });
}

QStringList cableParts(const QString& text)
{
    return text.split(partSeparators(), Qt::SkipEmptyParts);
}

QString cablePrefixCode(const QString& part)
{
    if (!prefixCodePattern().exactMatch(part))
        return QString();
    return part == QLatin1String("N") ? QStringLiteral("NH") : part;
}

QString cableVoltage(const QString& part, bool* range)
{
    static thread_local QRegExp ratedPair(QStringLiteral("[0-9.]{1,}/[0-9.]{1,}(KV|V){1}"));
    static thread_local QRegExp single(QStringLiteral("[0-9.]{1,}(KV|V){1}"));
    static thread_local const QRegExp unit(QStringLiteral("(KV|V)"));
    const bool isRange = ratedPair.exactMatch(part);
    if (range)
        *range = isRange;
    if (!isRange && !single.exactMatch(part))
        return QString();
    return QString(part).remove(unit);
}

bool cableCoreSection(const QString& part, QString* cores, QString* section)
{
    static thread_local QRegExp pair(QStringLiteral("[0-9.]{1,}×[0-9.]{1,}.*"));
    static thread_local const QRegExp upToLastCross(QStringLiteral(".*×"));
    static thread_local const QRegExp fromFirstCross(QStringLiteral("×.*"));
    if (!pair.exactMatch(part))
        return false;
    *section = QString(part).remove(upToLastCross);
    *cores = QString(part).remove(fromFirstCross);
    return true;
}

VeCableAttribute parseCableAttribute(const QStringList& parts, const QString& model)
{
    static thread_local QRegExp bareSection(QStringLiteral("[0-9.]{1,}"));
    const QString space = QStringLiteral(" ");

    VeCableAttribute attribute;
    QString typeText; // codes and model taken so far, for the containment tests
    for (const QString& part : parts) {
        // Core count and section.
        QString pf;
        QString ps;
        if (cableCoreSection(part, &pf, &ps)) {
            if (!attribute.cores.isEmpty()) {
                attribute.cores += space;
                attribute.sections += space;
            }
            attribute.sections += ps;
            attribute.cores += pf;
        } else if (bareSection.exactMatch(part)) {
            attribute.cores += space;
            attribute.sections += space;
            attribute.cores += space;
            attribute.sections += part;
            pf = space;
            ps = part;
        }
        attribute.coreSections.append(qMakePair(pf, ps));

        // Prefix code or model: a code is taken only when it is not part of
        // the codes and model taken before (after NH neither N nor NH).
        const QString code = cablePrefixCode(part);
        if (!code.isEmpty() && !typeText.contains(part)) {
            typeText += code + space;
            attribute.prefixCode = code;
        } else if (part.contains(model) && !typeText.contains(part) && part.length() >= 2) {
            typeText += model;
            attribute.model = model;
        }

        // Voltage: a rated pair is always added, a single value only first.
        bool range = false;
        const QString voltage = cableVoltage(part, &range);
        if (range || (!voltage.isNull() && attribute.voltage.isEmpty()))
            attribute.voltage += voltage;
    }
    return attribute;
}

std::function<double(const QString&)> cableSortValuer(const VeCableAttribute& attribute)
{
    const QRegExp whiteSpace(QStringLiteral("\\s"));
    QVector<QRegExp> patterns;
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
        // The index holds specifications in lower case, so a catalogue's
        // 3X6 arrives as 3x6: x between two numbers is the core separator too.
        patterns.append(QRegExp(c + QStringLiteral("\\s*[×*xX]\\s*") + s));
    }
    return [patterns](const QString& spec) mutable {
        double value = 3.0;
        for (QRegExp& pattern : patterns) {
            if (pattern.indexIn(spec) != -1)
                value += 1.0;
        }
        return value;
    };
}

double cableSortValue(const QString& spec, const VeCableAttribute& attribute)
{
    return cableSortValuer(attribute)(spec);
}
