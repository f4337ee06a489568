/** @file fuzz_cablenotation.cpp @brief Fuzzes the cable notation (SearchUtil and the analysis functions) on arbitrary text. */
#include "analysis/cableparse.h"
#include "analysis/widthfold.h"
#include "fuzzsupport.h"
#include "lexicon/searchutil.h"

#include <QRegExp>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <memory>

/// Builds a store through SearchUtil's private constructor (no lexicon files
/// beside the fuzzer, so it loads empty) holding a few cable core words: the
/// public store reads its cable models only from lexicon files beside the program.
class SearchUtilTestAccess
{
public:
    static const QStringList& models()
    {
        static const QStringList list{
            QStringLiteral("YJV"), QStringLiteral("BV"),    QStringLiteral("RVV"),
            QStringLiteral("KVV"), QStringLiteral("YJV22"), QStringLiteral("KYJV"),
            QStringLiteral("BYJ"), QStringLiteral("R"),     QStringLiteral("VV")};
        return list;
    }
    static std::unique_ptr<SearchUtil> cableStore()
    {
        std::unique_ptr<SearchUtil> store(new SearchUtil);
        store->m_cableCoreData = models();
        store->buildLexiconIndex(); // the models looked up as a set
        return store;
    }
};

/// The model of @p text as a pattern split finds it: the first part, in
/// text order, that @p models holds.
QString modelBySplit(const QString& text, const QStringList& models)
{
    const QRegExp cuts(QStringLiteral("[-\\(-,: +/—（）]"));
    for (const QString& part : text.split(cuts, Qt::SkipEmptyParts)) {
        if (models.contains(part))
            return part;
    }
    return QString();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::ensureApplication();
    static const std::unique_ptr<SearchUtil> store = SearchUtilTestAccess::cableStore();

    const QString utf8 = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    const QString utf16(reinterpret_cast<const QChar*>(data), int(size / 2));
    for (const QString& text : {utf8, utf16}) {
        const QString formed = store->cableFormReplace(text);
        fuzzsupport::check(cableFormReplace(foldWidth(text)) == formed,
                           "the cable form folds full-width forms first");
        (void)store->cableFormReplace(formed);
        const VeCableAttribute attribute =
            parseCableAttribute(cableParts(formed), store->getCabelMainAttr(formed));
        fuzzsupport::check(cableSortValue(text.toLower(), attribute) >= 3.0,
                           "a cable rank starts at 3");
        const QStringList& models = SearchUtilTestAccess::models();
        for (const QString& reading : {text, formed}) {
            const QString model = store->getCabelMainAttr(reading);
            fuzzsupport::check(model == cableMainAttr(reading, models)
                                   && model == modelBySplit(reading, models),
                               "the model is the first part a pattern split finds");
        }
        (void)store->isCable(text);
    }
    return 0;
}
