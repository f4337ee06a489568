/** @file tst_lexiconnodict.cpp @brief The store without any lexicon directory: built-in tables only, minimal answers. */
#include "lexicontestutil.h"

#include "lexicon/searchutil.h"

#include <QtTest>

#include <memory>

using namespace lexicontest;

class SearchUtilTestAccess
{
public:
    static const SearchUtil& store() { return *SearchUtil::instance(); }
    static QStringList getSynonyms(const QString& w) { return store().getSynonyms(w); }
    static QStringList getMaterialSet(const QString& w) { return store().getMaterialSet(w); }
    static int synCount() { return store().m_synData.size(); }
    static int setCount() { return store().m_setData.size(); }
    static QStringList coreData() { return store().m_coreData; }
    static QStringList cableCoreData() { return store().m_cableCoreData; }
    static QStringList enCoreData() { return store().m_enCoreData; }
    static QStringList equivalWords() { return store().m_equivalWords; }
    static QStringList suffixWords() { return store().m_suffixWords; }
    static QStringList containWords() { return store().m_containWords; }
};

Q_DECLARE_METATYPE(SearchUtil::EnWordFlag)

class TestLexiconNoDict : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lexiconMembersEmpty();
    void wordFlag_data();
    void wordFlag();
    void minimalAnswers_data();
    void minimalAnswers();
    void numberToChinese_data();
    void numberToChinese();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
};

void TestLexiconNoDict::initTestCase()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    QVERIFY(!QFileInfo::exists(appDir + QStringLiteral("/dict/MATLEX")));
    m_tmp = ownTempDir();
    QVERIFY(m_tmp->isValid());
    MessageCapture capture;
    QVERIFY(SearchUtil::instance());
    // Missing lexicons are not worth a log line, and leave nothing behind.
    QCOMPARE(MessageCapture::messages(), QStringList());
    QCOMPARE(entriesOf(m_tmp->path()), QStringList());
}

void TestLexiconNoDict::lexiconMembersEmpty()
{
    // Not even the generated core-count groups: they come with a synonym file.
    QCOMPARE(SearchUtilTestAccess::synCount(), 0);
    QCOMPARE(SearchUtilTestAccess::setCount(), 0);
    QCOMPARE(SearchUtilTestAccess::coreData(), QStringList());
    QCOMPARE(SearchUtilTestAccess::cableCoreData(), QStringList());
    QCOMPARE(SearchUtilTestAccess::enCoreData(), QStringList());
}

void TestLexiconNoDict::wordFlag_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<SearchUtil::EnWordFlag>("flag");
    QTest::newRow("水") << QStringLiteral("水") << SearchUtil::FlagEquivalName;
    QTest::newRow("生产用电, last electricity word") << QStringLiteral("生产用电") << SearchUtil::FlagEquivalName;
    QTest::newRow("酒精, last table word") << QStringLiteral("酒精") << SearchUtil::FlagEquivalName;
    QTest::newRow("B建筑用水 latin B") << QStringLiteral("B建筑用水") << SearchUtil::FlagEquivalName;
    QTest::newRow("b建筑用水 lower-case b") << QStringLiteral("b建筑用水") << SearchUtil::FlagNone;
    QTest::newRow("Ｂ建筑用水 fullwidth B") << QStringLiteral("Ｂ建筑用水") << SearchUtil::FlagNone;
    QTest::newRow("煤") << QStringLiteral("煤") << SearchUtil::FlagEndsWith;
    QTest::newRow("粉煤灰") << QStringLiteral("粉煤灰") << SearchUtil::FlagEndsWith;
    QTest::newRow("柴油") << QStringLiteral("柴油") << SearchUtil::FlagContains;
    QTest::newRow("汽油") << QStringLiteral("汽油") << SearchUtil::FlagContains;
    QTest::newRow("水泥 contains 水") << QStringLiteral("水泥") << SearchUtil::FlagNone;
    QTest::newRow("用水 inside table words") << QStringLiteral("用水") << SearchUtil::FlagNone;
    QTest::newRow("0号柴油 contains 柴油") << QStringLiteral("0号柴油") << SearchUtil::FlagNone;
    QTest::newRow("水 with a space") << QStringLiteral("水 ") << SearchUtil::FlagNone;
    QTest::newRow("empty") << QString() << SearchUtil::FlagNone;
}

void TestLexiconNoDict::wordFlag()
{
    QFETCH(QString, text);
    QFETCH(SearchUtil::EnWordFlag, flag);
    QCOMPARE(SearchUtil::instance()->wordFlag(text), flag);
}

void TestLexiconNoDict::minimalAnswers_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("synonyms");
    QTest::newRow("3*4") << QStringLiteral("3*4") << QStringLiteral("3*4 3×4");
    QTest::newRow("3×4") << QStringLiteral("3×4") << QStringLiteral("3×4 3*4");
    QTest::newRow("both * and -: only the * rule") << QStringLiteral("3*4-5") << QStringLiteral("3*4-5 3×4-5");
    QTest::newRow("× and ~: only the × rule") << QStringLiteral("2×4~5") << QStringLiteral("2×4~5 2*4~5");
    QTest::newRow("DN20-25") << QStringLiteral("DN20-25") << QStringLiteral("DN20-25 DN20~25");
    QTest::newRow("every - replaced") << QStringLiteral("a-b-c") << QStringLiteral("a-b-c a~b~c");
    QTest::newRow("20~25") << QStringLiteral("20~25") << QStringLiteral("20~25 20-25");
    QTest::newRow("（钢管） fullwidth") << QStringLiteral("（钢管）") << QStringLiteral("（钢管） 钢管");
    QTest::newRow("(钢管) ascii") << QStringLiteral("(钢管)") << QStringLiteral("(钢管) 钢管");
    QTest::newRow("电缆(YJV)3*2.5")
        << QStringLiteral("电缆(YJV)3*2.5") << QStringLiteral("电缆(YJV)3*2.5 电缆YJV3*2.5 电缆(YJV)3×2.5");
    QTest::newRow("钢管 plain") << QStringLiteral("钢管") << QStringLiteral("钢管");
    QTest::newRow("3芯 without the generated groups") << QStringLiteral("3芯") << QStringLiteral("3芯");
}

void TestLexiconNoDict::minimalAnswers()
{
    QFETCH(QString, word);
    QFETCH(QString, synonyms);
    QCOMPARE(SearchUtilTestAccess::getSynonyms(word).join(QLatin1Char(' ')), synonyms);
    QCOMPARE(SearchUtilTestAccess::getMaterialSet(word), QStringList{word});
    QCOMPARE(SearchUtil::instance()->getMatEquivals(word).join(QLatin1Char(' ')), synonyms);
    QVERIFY(!SearchUtil::instance()->isSetCategory(word, word));
    QVERIFY(SearchUtil::instance()->isWordCategory(word, word));
    QVERIFY(!SearchUtil::instance()->isEnCore(word));
    QVERIFY(!SearchUtil::instance()->containEnCore(word));
}

void TestLexiconNoDict::numberToChinese_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("-1") << -1 << QString();
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("1") << 1 << QStringLiteral("一");
    QTest::newRow("3") << 3 << QStringLiteral("三");
    QTest::newRow("9") << 9 << QStringLiteral("九");
    QTest::newRow("10") << 10 << QStringLiteral("十");
    QTest::newRow("11") << 11 << QStringLiteral("十一");
    QTest::newRow("15") << 15 << QStringLiteral("十五");
    QTest::newRow("19") << 19 << QStringLiteral("十九");
    QTest::newRow("20") << 20 << QStringLiteral("二十");
    QTest::newRow("21") << 21 << QStringLiteral("二十一");
    QTest::newRow("40") << 40 << QStringLiteral("四十");
    QTest::newRow("99") << 99 << QStringLiteral("九十九");
    QTest::newRow("100") << 100 << QString();
}

void TestLexiconNoDict::numberToChinese()
{
    QFETCH(int, n);
    QFETCH(QString, text);
    const QString result = SearchUtil::numberToChinese(n);
    QCOMPARE(result, text);
    QCOMPARE(result.isEmpty(), text.isEmpty());
}

QTEST_GUILESS_MAIN(TestLexiconNoDict)
#include "tst_lexiconnodict.moc"
