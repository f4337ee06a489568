/** @file searchutil_cable.cpp @brief SearchUtil: cable notation and cable models. */
#include "lexicon/searchutil.h"

#include "analysis/cablenotation.h"
#include "analysis/cablenotation_p.h"

#include <QRegExp>

namespace {

/// Replaces every occurrence of @p piece in @p text by "-" + piece.
void hyphenateBefore(QString& text, const QString& piece)
{
    text.replace(piece, QString(QLatin1Char('-') + piece));
}

} // namespace

QString SearchUtil::cableFormReplace(const QString& text) const
{
    const QString times = QString(QChar(0x00D7)); // ×

    // Case, script boundaries and numerals first, so that every later rule
    // sees upper-case models, spaces between scripts and digits for cores.
    QString s = text.toUpper();
    s = spaceScriptBoundaries(s);
    replaceChineseNumerals(s);

    // The core separator: 芯 as in 3芯2.5, then X / * / | between numbers.
    s.replace(QStringLiteral("芯 "), times);
    s.replace(QStringLiteral("芯"), times);
    s.replace(QLatin1Char('%'), QLatin1Char(' '));
    s.replace(QChar(0x2014), QLatin1Char('-'));
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
    replaceWithinMatches(s, QRegExp(QStringLiteral("[a-zA-Z]\\.[a-zA-Z]")),
                         QStringLiteral("."), QStringLiteral("-"));

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
                hyphenated.replace(QLatin1Char(digit), QString(QLatin1Char('-')) + QLatin1Char(digit));
            s.replace(found, hyphenated);
        }
    }

    s.replace(QStringLiteral("MM"), QString());
    return s;
}

QString SearchUtil::getCabelMainAttr(const QString& text) const
{
    static const QString separators = QStringLiteral("[-\\(-,: +/—（）]");
    const QStringList parts = text.split(QRegExp(separators), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (m_cableCoreData.contains(part))
            return part;
    }
    return QString();
}

bool SearchUtil::isCable(const QString& text) const
{
    return !getCabelMainAttr(cableFormReplace(text)).isEmpty();
}
