/** @file tst_sortword.cpp @brief Tests of core-word extraction and sort-word weighting. */
#include "searchutiltestaccess.h"
#include "utf8text.h"

#include <QtTest>


namespace {

using utf8text::list;
using utf8text::u8;

/// "2:[电缆, 电力] 4:[电力电缆]"
QString render(const QMap<int, QStringList>& coreWords)
{
    QStringList groups;
    for (auto it = coreWords.constBegin(); it != coreWords.constEnd(); ++it)
        groups.append(QString::number(it.key()) + QStringLiteral(":[")
                      + it.value().join(QStringLiteral(", ")) + QLatin1Char(']'));
    return groups.join(QLatin1Char(' '));
}

/// "[{电缆=99.9, 线缆=99.80000000000001}, {...}]". Weights are written in their
/// shortest round-trip form, which names exactly one double: comparing the
/// strings compares the weights bit for bit.
QString render(const QList<QMap<QString, double>>& sortMaps)
{
    QStringList maps;
    for (const QMap<QString, double>& map : sortMaps) {
        QStringList entries;
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            entries.append(it.key() + QLatin1Char('=')
                           + QString::number(it.value(), 'g', QLocale::FloatingPointShortest));
        maps.append(QLatin1Char('{') + entries.join(QStringLiteral(", ")) + QLatin1Char('}'));
    }
    return QLatin1Char('[') + maps.join(QStringLiteral(", ")) + QLatin1Char(']');
}


} // namespace

class SortWordTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void coreWord_data();
    void coreWord();
    void coreWordManyMatchesKeepListOrder();
    void sortWordMaps_data();
    void sortWordMaps();
    void getSortWordMapAndCoreWord();

private:
    std::unique_ptr<SearchUtil> m_store;
};

void SortWordTest::initTestCase()
{
    m_store = SearchUtilTestAccess::emptyStore();
    QVERIFY(m_store);
}

void SortWordTest::coreWord_data()
{
    QTest::addColumn<QStringList>("coreData");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("longest group last, list order inside a group")
        << list({"电缆", "电力电缆", "电力"}) << u8("交联聚乙烯绝缘电力电缆")
        << u8("2:[电缆, 电力] 4:[电力电缆]");
    QTest::newRow("empty text") << list({"电缆", "yjv"}) << QString() << QString();
    QTest::newRow("no core word") << list({"电缆", "yjv"}) << u8("镀锌钢管") << QString();
    QTest::newRow("empty list") << QStringList() << u8("电力电缆") << QString();
    QTest::newRow("upper-case text does not match") << list({"yjv", "电缆"}) << u8("YJV电缆")
                                                    << u8("2:[电缆]");
    QTest::newRow("lower-case text matches") << list({"yjv", "电缆"}) << u8("yjv电缆")
                                             << u8("2:[电缆] 3:[yjv]");
    QTest::newRow("repeated in the text, listed once") << list({"电缆"}) << u8("电缆电缆电缆")
                                                       << u8("2:[电缆]");
    QTest::newRow("repeated in the list, listed once") << list({"电缆", "钢管", "电缆"})
                                                       << u8("钢管电缆") << u8("2:[电缆, 钢管]");
    QTest::newRow("part of a longer core word matches too")
        << list({"电力电缆", "电缆", "电"}) << u8("电力电缆") << u8("1:[电] 2:[电缆] 4:[电力电缆]");
    QTest::newRow("list order, not text order") << list({"钢管", "电缆"}) << u8("电缆钢管")
                                                << u8("2:[钢管, 电缆]");
    QTest::newRow("lengths in UTF-16 code units") << list({"mm²", "yjv22"}) << u8("yjv22 2.5mm²")
                                                  << u8("3:[mm²] 5:[yjv22]");
}

void SortWordTest::coreWord()
{
    QFETCH(QStringList, coreData);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    SearchUtilTestAccess::setCoreData(*m_store, coreData);
    QCOMPARE(render(m_store->coreWord(text)), expected);
}

void SortWordTest::coreWordManyMatchesKeepListOrder()
{
    // More matches than a small insertion sort would handle; equal lengths
    // still keep the order of the core-word list.
    QStringList coreData;
    QString text;
    for (int i = 0; i < 40; ++i) {
        const QString two = QString(QChar(0x4E00 + 2 * i)) + QChar(0x4E01 + 2 * i);
        const QString three = two + QChar(0x6000 + i);
        coreData.prepend(two);
        coreData.append(three);
        text += three + QLatin1Char(' ');
    }
    SearchUtilTestAccess::setCoreData(*m_store, coreData);
    const QMap<int, QStringList> words = m_store->coreWord(text);
    QCOMPARE(words.keys(), (QList<int>{2, 3}));
    QCOMPARE(words.value(2), coreData.mid(0, 40));
    QCOMPARE(words.value(3), coreData.mid(40));
}

void SortWordTest::sortWordMaps_data()
{
    QTest::addColumn<QStringList>("coreData");
    QTest::addColumn<QStringList>("synonyms");     // one group per string
    QTest::addColumn<QStringList>("materialSets"); // "members | sub-sets"
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("core words longest first")
        << list({"电缆", "电力电缆"}) << QStringList() << QStringList() << u8("铜芯电力电缆")
        << u8("[{铜芯电力电缆=99.9}, {电力电缆=89.60000000000001}, {电缆=79.60000000000001}]");
    QTest::newRow("no core word: one map") << list({"钢管"}) << QStringList() << QStringList()
                                           << u8("电力电缆") << u8("[{电力电缆=99.9}]");
    QTest::newRow("empty text") << list({"电缆"}) << QStringList() << QStringList() << QString()
                                << u8("[{=99.9}]");
    QTest::newRow("synonym of the text") << QStringList() << list({"电缆 线缆"}) << QStringList()
                                         << u8("电缆")
                                         << u8("[{电缆=99.9, 线缆=99.80000000000001}]");
    QTest::newRow("set member a synonym, its synonyms equivalents")
        << QStringList() << list({"焊管 焊接钢管"}) << list({"钢管 焊管"}) << u8("钢管")
        << u8("[{焊接钢管=99.7, 焊管=99.80000000000001, 钢管=99.9}]");
    QTest::newRow("sub-set words are equivalents")
        << QStringList() << QStringList() << list({"钢管 | 焊管", "焊管 焊接管"}) << u8("钢管")
        << u8("[{焊接管=99.7, 焊管=99.7, 钢管=99.9}]");
    QTest::newRow("punctuation variant of the text") << QStringList() << QStringList()
                                                     << QStringList() << u8("3*4")
                                                     << u8("[{3*4=99.9, 3×4=99.80000000000001}]");
    QTest::newRow("remark in the text: lookup gets it as typed")
        << QStringList() << list({"电缆(铜芯) 铜芯电缆"}) << QStringList() << u8("电缆(铜芯)")
        << u8("[{电缆铜芯=99.9, 铜芯电缆=99.80000000000001}]");
    QTest::newRow("synonym equal to the bracket-free text keeps 99.9")
        << QStringList() << list({"(电缆) 电缆"}) << QStringList() << u8("(电缆)")
        << u8("[{电缆=99.9}]");
    QTest::newRow("core word equal to the text skipped") << list({"电缆"}) << QStringList()
                                                         << QStringList() << u8("电缆")
                                                         << u8("[{电缆=99.9}]");
    QTest::newRow("core word equal to a synonym of the text skipped")
        << list({"电缆"}) << list({"电力电缆 电缆"}) << QStringList() << u8("电力电缆")
        << u8("[{电力电缆=99.9, 电缆=99.80000000000001}]");
    QTest::newRow("skipped length keeps the level")
        << list({"电力电缆", "电缆", "电"}) << QStringList() << QStringList() << u8("电力电缆")
        << u8("[{电力电缆=99.9}, {电缆=89.60000000000001}, {电=79.60000000000001}]");
    QTest::newRow("core word, its synonyms, its equivalents")
        << list({"钢管"}) << list({"焊管 焊接钢管"}) << list({"钢管 焊管"}) << u8("镀锌钢管")
        << u8("[{镀锌钢管=99.9}, {焊接钢管=89.4, 焊管=89.5, 钢管=89.60000000000001}]");
    QTest::newRow("shorter core word brought in earlier skipped with its synonyms")
        << list({"电力电缆", "电缆"}) << list({"电力电缆 电缆", "电缆 线缆"}) << QStringList()
        << u8("交联电力电缆") << u8("[{交联电力电缆=99.9}, {电力电缆=89.60000000000001, 电缆=89.5}]");
    QTest::newRow("four levels")
        << list({"乙丙丁戊", "乙丙丁", "乙丙", "乙"}) << list({"乙 子", "丑 寅"}) << list({"乙 丑"})
        << u8("甲乙丙丁戊")
        << u8("[{甲乙丙丁戊=99.9}, {乙丙丁戊=89.60000000000001}, {乙丙丁=79.60000000000001}, "
              "{乙丙=69.60000000000001}, "
              "{丑=59.50000000000001, 乙=59.60000000000001, 子=59.50000000000001, "
              "寅=59.400000000000006}]");
    QTest::newRow("first core word of a group decides: equivalent")
        << list({"钢管", "铜管"}) << list({"焊管 管材", "铜管 管材"}) << list({"钢管 焊管"})
        << u8("钢管铜管")
        << u8("[{钢管铜管=99.9}, {焊管=89.5, 管材=89.4, 钢管=89.60000000000001, "
              "铜管=89.60000000000001}]");
    QTest::newRow("first core word of a group decides: synonym")
        << list({"铜管", "钢管"}) << list({"焊管 管材", "铜管 管材"}) << list({"钢管 焊管"})
        << u8("钢管铜管")
        << u8("[{钢管铜管=99.9}, {焊管=89.5, 管材=89.5, 钢管=89.60000000000001, "
              "铜管=89.60000000000001}]");
    QTest::newRow("remark in a core word: lookup gets it bracket-free")
        << list({"电缆(铜芯)"}) << list({"电缆铜芯 铜芯电缆"}) << QStringList() << u8("YJV电缆(铜芯)")
        << u8("[{YJV电缆铜芯=99.9}, {电缆铜芯=89.60000000000001, 铜芯电缆=89.5}]");
}

void SortWordTest::sortWordMaps()
{
    QFETCH(QStringList, coreData);
    QFETCH(QStringList, synonyms);
    QFETCH(QStringList, materialSets);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    SearchUtilTestAccess::setCoreData(*m_store, coreData);
    SearchUtilTestAccess::setSynonyms(*m_store, synonyms);
    SearchUtilTestAccess::setMaterialSets(*m_store, materialSets);
    QCOMPARE(render(m_store->getSortWordMap(text)), expected);
}

void SortWordTest::getSortWordMapAndCoreWord()
{
    SearchUtilTestAccess::setCoreData(*m_store, list({"电缆", "电力电缆"}));
    SearchUtilTestAccess::setSynonyms(*m_store, list({"电缆 线缆"}));
    SearchUtilTestAccess::setMaterialSets(*m_store, QStringList());
    const QString text = u8("铜芯电力电缆");

    QList<QMap<QString, double>> sortMaps;
    QMap<int, QStringList> coreWords{{7, list({"旧"})}};
    m_store->GetSortWordMapAndCoreWord(text, sortMaps, coreWords);
    QCOMPARE(render(coreWords), u8("2:[电缆] 4:[电力电缆]"));
    QCOMPARE(render(sortMaps), render(m_store->getSortWordMap(text)));
    QCOMPARE(render(sortMaps), u8("[{铜芯电力电缆=99.9}, {电力电缆=89.60000000000001}, "
                                  "{电缆=79.60000000000001, 线缆=79.5}]"));
}

QTEST_GUILESS_MAIN(SortWordTest)
#include "tst_sortword.moc"
