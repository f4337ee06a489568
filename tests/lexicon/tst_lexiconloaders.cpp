/** @file tst_lexiconloaders.cpp @brief Loading compiled lexicons: record rules, merge order, generated groups, clean-up. */
#include "lexicontestutil.h"
#include "searchutiltestaccess.h"

#include "lexicon/searchutil.h"

#include <QtTest>

#include <algorithm>
#include <memory>

using namespace lexicontest;

namespace {

QString sorted(const QSet<QString>& set)
{
    QStringList words = set.values();
    std::sort(words.begin(), words.end());
    return words.join(QLatin1Char(' '));
}

} // namespace

class TestLexiconLoaders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void generatedCoreGroups_data();
    void generatedCoreGroups();
    void setsThenSmartMatch();
    void wordLists();
    void coreCountSynonyms();
    void builtInTablesFilled();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
};

void TestLexiconLoaders::initTestCase()
{
    const QString matlex = QCoreApplication::applicationDirPath() + QStringLiteral("/dict/MATLEX");
    for (LexiconKind kind : allLexiconKinds())
        QVERIFY2(QFileInfo::exists(matlex + QLatin1Char('/') + lexiconFileName(kind)), qPrintable(lexiconFileName(kind)));
    m_tmp = ownTempDir();
    QVERIFY(m_tmp->isValid());
    MessageCapture capture;
    QVERIFY(SearchUtil::instance());
    QCOMPARE(MessageCapture::messages(), QStringList());
    // Every deciphered lexicon was removed again.
    QCOMPARE(entriesOf(m_tmp->path()), QStringList());
}

void TestLexiconLoaders::generatedCoreGroups_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("group");
    QTest::newRow("first {1芯, 一芯}") << 0 << QStringLiteral("1芯 一芯");
    QTest::newRow("tenth {10芯, 十芯}") << 9 << QStringLiteral("10芯 十芯");
    QTest::newRow("eleventh {11芯, 十一芯}") << 10 << QStringLiteral("11芯 十一芯");
    QTest::newRow("twentieth {20芯, 二十芯}") << 19 << QStringLiteral("20芯 二十芯");
    QTest::newRow("forty-fifth {45芯, 四十五芯}") << 44 << QStringLiteral("45芯 四十五芯");
    QTest::newRow("last {99芯, 九十九芯}") << 98 << QStringLiteral("99芯 九十九芯");
}

void TestLexiconLoaders::generatedCoreGroups()
{
    QFETCH(int, index);
    QFETCH(QString, group);
    // A synonym lexicon without records: exactly the 99 generated groups.
    const QList<QSet<QString>> syn = SearchUtilTestAccess::synData();
    QCOMPARE(syn.size(), 99);
    QCOMPARE(sorted(syn.at(index)), group);
    for (int n = 1; n <= 99; ++n) {
        const QSet<QString> expected{QString::number(n) + QStringLiteral("芯"),
                                     SearchUtil::numberToChinese(n) + QStringLiteral("芯")};
        QCOMPARE(syn.at(n - 1), expected);
    }
}

void TestLexiconLoaders::setsThenSmartMatch()
{
    const QList<MatSetEntry> sets = SearchUtilTestAccess::setData();
    QStringList rendered;
    for (const MatSetEntry& e : sets) {
        QString text = sorted(e.members);
        if (!e.subSets.isEmpty())
            text += QStringLiteral(" | ") + e.subSets.join(QLatin1Char(' '));
        rendered.append(text);
    }
    QCOMPARE(rendered, (QStringList{QStringLiteral("焊接钢管 焊管 | 镀锌钢管"), QStringLiteral("热镀锌钢管 镀锌钢管"),
                                    QStringLiteral("YJV电缆 交联电缆"), QStringLiteral("PVC管 | 塑料管"),
                                    QStringLiteral("塑料管")}));
}

void TestLexiconLoaders::wordLists()
{
    // The same words ABC, abc in each word lexicon.
    QCOMPARE(SearchUtilTestAccess::coreData(), (QStringList{QStringLiteral("abc"), QStringLiteral("abc")}));
    QCOMPARE(SearchUtilTestAccess::enCoreData(), QStringList{QStringLiteral("abc")});
    QCOMPARE(SearchUtilTestAccess::cableCoreData(), QStringList{QStringLiteral("ABC")});
    QVERIFY(SearchUtil::instance()->isEnCore(QStringLiteral("abc")));
    QVERIFY(!SearchUtil::instance()->isEnCore(QStringLiteral("ABC")));
    QVERIFY(SearchUtil::instance()->containEnCore(QStringLiteral("xabcx")));
    QVERIFY(!SearchUtil::instance()->containEnCore(QStringLiteral("xABCx")));
}

void TestLexiconLoaders::coreCountSynonyms()
{
    QCOMPARE(SearchUtilTestAccess::getSynonyms(QStringLiteral("3芯")).join(QLatin1Char(' ')),
             QStringLiteral("3芯 三芯"));
    QCOMPARE(SearchUtilTestAccess::getSynonyms(QStringLiteral("二十一芯")).join(QLatin1Char(' ')),
             QStringLiteral("二十一芯 21芯"));
    QCOMPARE(SearchUtilTestAccess::getSynonyms(QStringLiteral("100芯")).join(QLatin1Char(' ')),
             QStringLiteral("100芯"));
}

void TestLexiconLoaders::builtInTablesFilled()
{
    QCOMPARE(SearchUtil::instance()->wordFlag(QStringLiteral("水")), SearchUtil::FlagEquivalName);
    QCOMPARE(SearchUtil::instance()->wordFlag(QStringLiteral("煤")), SearchUtil::FlagEndsWith);
    QCOMPARE(SearchUtil::instance()->wordFlag(QStringLiteral("铜丝")), SearchUtil::FlagContains);
}

QTEST_GUILESS_MAIN(TestLexiconLoaders)
#include "tst_lexiconloaders.moc"
