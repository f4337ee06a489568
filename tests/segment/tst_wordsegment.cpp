/** @file tst_wordsegment.cpp @brief The pooled segmenter: with friso's dictionary and the shipped replacement table, with a replacement table written for the line rules, with no data. */
#include "segment/wordsegment.h"
#include "testindex.h"

#include <atomic>
#include <thread>
#include <vector>

// The segmenter reads its data once per process: this file is built once per
// dict/ layout (CMakeLists.txt), and each program runs the rows of its layout.
#ifndef SEGMENT_LAYOUT
#define SEGMENT_LAYOUT "shipped"
#endif
static const QString kLayout = QStringLiteral(SEGMENT_LAYOUT);

class TestWordSegment : public QObject
{
    Q_OBJECT

private slots:
    // Threads that ask for the pool at the same moment all get the one pool, and it works.
    // First: it must make the process's first instance() calls.
    void instanceRace()
    {
        if (kLayout != "shipped")
            QSKIP("the shipped layout runs the threaded tests");
        std::atomic<bool> go{false};
        std::vector<WordSegment*> seen(8, nullptr);
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i)
            threads.emplace_back([&, i] {
                while (!go.load())
                    std::this_thread::yield();
                seen[i] = WordSegment::instance();
            });
        go = true;
        for (std::thread& t : threads)
            t.join();
        QVERIFY(seen[0]);
        for (WordSegment* instance : seen)
            QCOMPARE(instance, seen[0]);
        QCOMPARE(seen[0]->segment(QStringLiteral("镀锌钢管"), true).join(QLatin1Char(' ')),
                 QStringLiteral("镀锌 钢管"));
    }

    void segmentText_data()
    {
        columns<QString, bool, QString>("text", "unique", "words");

        QString layout = "shipped";
        const auto row = [&](const char* name, const char* text, const char* words,
                             bool unique = true) {
            if (layout == kLayout)
                QTest::newRow(name) << QString(text) << unique << QString(words);
        };
        row("cable with Chinese cores", "电力电缆YJV 三芯 2.5", "电力 电缆 yjv 三 芯 2.5");
        row("pipe with sizes", "镀锌钢管DN25 PN1.6", "镀锌 钢管 dn25 pn1.6");
        row("hyphen and dot kept in a model", "铜芯聚氯乙烯绝缘电线BV-2.5",
            "铜 芯 聚氯乙烯 绝缘 电线 bv-2.5");
        row("plus kept between numbers", "yjv22 3x95+1x50", "yjv22 3x95+1x50");
        row("person name recognised, stop word dropped", "张三的电缆", "张三 电缆");
        row("shipped replacement: abbreviation 砼", "C30砼", "c30 混凝土");
        row("shipped replacement: misspelling 园钢", "热轧园钢", "热轧 圆钢");
        row("shipped replacement: unit symbol ㎜", "2.5㎜", "2.5mm");
        row("unique keeps first occurrences", "钢管电缆钢管的电缆钢管", "钢管 电缆");
        row("not unique keeps repeats", "钢管电缆钢管的电缆钢管", "钢管 电缆 钢管 电缆 钢管",
            false);
        row("stop word only: the text itself", "的", "的");
        row("spaces only: the text itself", "  ", "  ");
        row("empty: one empty word", "", "");

        // data/word-replace-rules.txt: a byte-order mark and comments, "x1 y1 z1"
        // (third word ignored), "x2 y2" then "x2 z2" (later line wins), tabs and
        // runs of spaces, an ideographic space, trailing words, "#x6 y6" (a
        // comment), a one-word line, a last line without a line break.
        layout = "rules";
        row("three words: the third ignored", "x1", "y1");
        row("later line wins", "x2", "z2");
        row("tabs and runs of spaces", "x3", "y3");
        row("trailing words ignored", "x5", "y5");
        row("a hash line is a comment", "x6", "x6");
        row("last line without a line break", "x7", "y7");
        row("ideographic space separates", "C30砼", "c30 混凝土");
        row("one-word line: no rule", "单词", "单词");
        row("every occurrence", "x2 x7 x2", "z2 y7");

        // No dictionary, no replacement table: friso still cuts, Chinese into single characters.
        layout = "none";
        row("cable", "电力电缆YJV 2.5", "电 力 缆 yjv 2.5");
        row("no replacement table: 砼 stays", "C30砼", "c30 砼");
        row("empty", "", "");
    }

    void segmentText()
    {
        const auto [text, unique, words] = fetch<QString, bool, QString>("text", "unique", "words");
        const QStringList result = WordSegment::segmentText(text, unique);
        QVERIFY(!result.isEmpty());
        QCOMPARE(result.join(QLatin1Char(' ')), words);
    }

    // Three segmenters, eight callers at once: a caller beyond the third waits for a
    // segmenter to come back instead of sharing one in use (which would garble or
    // crash), so every caller gets what a lone caller gets.
    void manyCallersShareThreeSegmenters()
    {
        if (kLayout != "shipped")
            QSKIP("the shipped layout runs the threaded tests");
        const QStringList texts{"电力电缆YJV 三芯 2.5",
                                "交联聚乙稀绝缘电力电缆",
                                "普通硅酸盐水泥P.O42.5",
                                "中华人民共和国国家标准",
                                "钢管的钢管",
                                QString()};
        QList<QStringList> expected;
        for (const QString& text : texts)
            expected << WordSegment::segmentText(text, true);
        std::atomic<int> mismatches{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < 40 * texts.size(); ++i)
                    mismatches += WordSegment::segmentText(texts.at((i + t) % texts.size()), true)
                        != expected.at((i + t) % texts.size());
            });
        for (std::thread& t : threads)
            t.join();
        QCOMPARE(mismatches.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWordSegment)
#include "tst_wordsegment.moc"
