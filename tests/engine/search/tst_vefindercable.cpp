/** @file tst_vefindercable.cpp @brief Cable attributes, the cable sort value and row layout, and the cable query sequence. */
#include "searchtestutil.h"

#include "engine/vefinder.h"

Q_DECLARE_METATYPE(VeCableAttribute)

using Access = VeFinderTestAccess;

namespace {

/// "P[ZR] M[YJV] C[3] S[2.5] V[] pairs[(|) (3|2.5)]"
QString render(const VeCableAttribute& a)
{
    QStringList pairs;
    for (const auto& p : a.coreSections)
        pairs << QLatin1Char('(') + p.first + QLatin1Char('|') + p.second + QLatin1Char(')');
    return QStringLiteral("P[%1] M[%2] C[%3] S[%4] V[%5] pairs[%6]")
        .arg(a.prefixCode, a.model, a.cores, a.sections, a.voltage,
             pairs.join(QLatin1Char(' ')));
}

VeCableAttribute attribute(const QString& prefix, const QString& model, const QString& cores,
                           const QString& sections, const QString& voltage,
                           const QList<QPair<QString, QString>>& pairs = {})
{
    VeCableAttribute a;
    a.prefixCode = prefix;
    a.model = model;
    a.cores = cores;
    a.sections = sections;
    a.voltage = voltage;
    a.coreSections = pairs;
    return a;
}

QPair<QString, QString> pair(const char* cores, const char* section)
{
    return qMakePair(QString::fromUtf8(cores), QString::fromUtf8(section));
}

} // namespace

class VeFinderCableTest : public QObject
{
    Q_OBJECT

private slots:
    void cableAttribute_data();
    void cableAttribute();
    void sortValue_data();
    void sortValue();
    void rowLayout();
    void cableValueSkipsKnownAndEmptyIds();
    void querySequence_data();
    void querySequence();

private:
    ScratchIndex m_index;
};

void VeFinderCableTest::cableAttribute_data()
{
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("mainAttr");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ZR YJV 3×2.5") << QStringList{"ZR", "YJV", "3×2.5"} << "YJV"
                                  << "P[ZR] M[YJV] C[3] S[2.5] V[] pairs[(|) (|) (3|2.5)]";
    QTest::newRow("YJV22 with two specification parts")
        << QStringList{"YJV22", "3×95", "1×50"} << "YJV22"
        << "P[] M[YJV22] C[3 1] S[95 50] V[] pairs[(|) (3|95) (1|50)]";
    QTest::newRow("model of another cable: no model")
        << QStringList{"YJV22", "3×95", "1×50"} << "RVV"
        << "P[] M[] C[3 1] S[95 50] V[] pairs[(|) (3|95) (1|50)]";
    QTest::newRow("bare section") << QStringList{"BV", "2.5"} << "BV"
                                  << "P[] M[BV] C[  ] S[ 2.5] V[] pairs[(|) ( |2.5)]";
    QTest::newRow("bare section after a pair") << QStringList{"BV", "3×2.5", "1.5"} << "BV"
                                               << "P[] M[BV] C[3  ] S[2.5 1.5] V[] "
                                                  "pairs[(|) (3|2.5) ( |1.5)]";
    QTest::newRow("pair after a bare section") << QStringList{"2.5", "3×4"} << "BV"
                                               << "P[] M[] C[   3] S[ 2.5 4] V[] "
                                                  "pairs[( |2.5) (3|4)]";
    QTest::newRow("three numbers: first core count, last section")
        << QStringList{"3×4×5"} << "YJV" << "P[] M[] C[3] S[5] V[] pairs[(3|5)]";
    QTest::newRow("trailing text after the section stays")
        << QStringList{"3×2.5MM"} << "YJV" << "P[] M[] C[3] S[2.5MM] V[] pairs[(3|2.5MM)]";
    QTest::newRow("N is taken as NH") << QStringList{"N", "YJV"} << "YJV"
                                      << "P[NH] M[YJV] C[] S[] V[] pairs[(|) (|)]";
    QTest::newRow("after N, a later NH is not taken")
        << QStringList{"N", "ZR", "NH"} << "YJV" << "P[ZR] M[] C[] S[] V[] pairs[(|) (|) (|)]";
    QTest::newRow("after WDZB, ZB is not taken")
        << QStringList{"WDZB", "ZR", "ZB"} << "YJV" << "P[ZR] M[] C[] S[] V[] pairs[(|) (|) (|)]";
    QTest::newRow("after WDZN, N is not taken")
        << QStringList{"WDZN", "ZR", "N"} << "YJV" << "P[ZR] M[] C[] S[] V[] pairs[(|) (|) (|)]";
    QTest::newRow("the last new prefix wins")
        << QStringList{"ZR", "NH"} << "YJV" << "P[NH] M[] C[] S[] V[] pairs[(|) (|)]";
    QTest::newRow("lower-case prefix is no prefix")
        << QStringList{"zr", "YJV"} << "YJV" << "P[] M[YJV] C[] S[] V[] pairs[(|) (|)]";
    QTest::newRow("part containing the model sets it")
        << QStringList{"ZRYJV"} << "YJV" << "P[] M[YJV] C[] S[] V[] pairs[(|)]";
    QTest::newRow("one-character part does not set the model")
        << QStringList{"V"} << "V" << "P[] M[] C[] S[] V[] pairs[(|)]";
    QTest::newRow("10KV then 0.6/1KV: both, no separator")
        << QStringList{"YJV", "10KV", "0.6/1KV"} << "YJV"
        << "P[] M[YJV] C[] S[] V[100.6/1] pairs[(|) (|) (|)]";
    QTest::newRow("0.6/1KV then 10KV: the range only")
        << QStringList{"YJV", "0.6/1KV", "10KV"} << "YJV"
        << "P[] M[YJV] C[] S[] V[0.6/1] pairs[(|) (|) (|)]";
    QTest::newRow("two ranges both appended") << QStringList{"0.6/1KV", "8.7/15KV"} << "YJV"
                                              << "P[] M[] C[] S[] V[0.6/18.7/15] pairs[(|) (|)]";
    QTest::newRow("volts") << QStringList{"BV", "450/750V"} << "BV"
                           << "P[] M[BV] C[] S[] V[450/750] pairs[(|) (|)]";
    QTest::newRow("lower-case unit is no voltage") << QStringList{"YJV", "10kv"} << "YJV"
                                                   << "P[] M[YJV] C[] S[] V[] pairs[(|) (|)]";
    QTest::newRow("Chinese part") << QStringList{"电力电缆", "YJV", "3×2.5"} << "YJV"
                                  << "P[] M[YJV] C[3] S[2.5] V[] pairs[(|) (|) (3|2.5)]";
    QTest::newRow("no parts") << QStringList() << "YJV" << "P[] M[] C[] S[] V[] pairs[]";
}

void VeFinderCableTest::cableAttribute()
{
    QFETCH(QStringList, parts);
    QFETCH(QString, mainAttr);
    QFETCH(QString, expected);

    VeFinder f;
    VeCableAttribute a;
    Access::setCableAttribute(f, a, parts, mainAttr);
    QCOMPARE(render(a), expected);
}

void VeFinderCableTest::sortValue_data()
{
    QTest::addColumn<VeCableAttribute>("attr");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<double>("value");

    const VeCableAttribute pair3x25 = attribute("", "YJV", "3", "2.5", "", {pair("", ""), pair("3", "2.5")});
    QTest::newRow("3×2.5") << pair3x25 << "ZR-YJV-3×2.5" << 4.0;
    QTest::newRow("3 × 2.5 with spaces") << pair3x25 << "YJV 3 × 2.5" << 4.0;
    QTest::newRow("3*2.5 with an asterisk") << pair3x25 << "YJV-3*2.5" << 4.0;
    QTest::newRow("3 * 2.5 with spaces") << pair3x25 << "YJV-3 * 2.5" << 4.0;
    QTest::newRow("3X2.5 with a letter") << pair3x25 << "YJV-3X2.5" << 4.0;
    QTest::newRow("3x2.5 with a small letter") << pair3x25 << "YJV-3x2.5" << 4.0;
    // The dot of 2.5 is a dot, not any character.
    QTest::newRow("3×205 is not 3×2.5") << pair3x25 << "YJV-3×205" << 3.0;
    QTest::newRow("3×2,5 is not 3×2.5") << pair3x25 << "YJV-3×2,5" << 3.0;
    QTest::newRow("other pair") << pair3x25 << "YJV-4×2.5" << 3.0;
    // Core count and section stand as whole numbers.
    QTest::newRow("13×2.5 is not 3×2.5") << pair3x25 << "YJV-13×2.5" << 3.0;
    QTest::newRow("3×2.55 is not 3×2.5") << pair3x25 << "YJV-3×2.55" << 3.0;
    QTest::newRow("3×2.5.6 is not 3×2.5") << pair3x25 << "YJV-3×2.5.6" << 3.0;
    QTest::newRow("3×2.5 at the start") << pair3x25 << "3×2.5" << 4.0;
    QTest::newRow("3×2.5 before a unit") << pair3x25 << "YJV 3×2.5mm²" << 4.0;
    QTest::newRow("3×2.5 before a plus") << pair3x25 << "YJV 3×2.5+1×1.5" << 4.0;
    QTest::newRow("empty specification") << pair3x25 << "" << 3.0;

    const VeCableAttribute bare = attribute("", "BV", "  ", " 2.5", "", {pair("", ""), pair(" ", "2.5")});
    QTest::newRow("bare section matches any ×2.5") << bare << "BV-4×2.5" << 4.0;
    QTest::newRow("bare section with an asterisk") << bare << "BV-1*2.5" << 4.0;
    QTest::newRow("bare section without a sign") << bare << "BV-2.5" << 3.0;
    QTest::newRow("bare section, not ×205") << bare << "BV-1×205" << 3.0;
    QTest::newRow("bare section, not ×2.55") << bare << "BV-1×2.55" << 3.0;

    const VeCableAttribute two = attribute("", "YJV22", "3 1", "95 50", "",
                                           {pair("", ""), pair("3", "95"), pair("1", "50")});
    QTest::newRow("two pairs both present") << two << "YJV22-3×95+1×50" << 5.0;
    QTest::newRow("two pairs, one present") << two << "YJV22-3×95+1×35" << 4.0;
    QTest::newRow("two pairs, none present") << two << "YJV22-4×95" << 3.0;

    const VeCableAttribute spaced = attribute("", "YJV", "3", "2.5", "", {pair(" 3 ", "2. 5")});
    QTest::newRow("white space in the pair texts is dropped") << spaced << "3×2.5" << 4.0;

    const VeCableAttribute special = attribute("", "YJV", "3", "2.5", "", {pair("3", "2.5+")});
    QTest::newRow("pattern characters in a section are literal") << special << "3×2.5+" << 4.0;
    QTest::newRow("pattern characters in a section, not a pattern") << special << "3×2.55" << 3.0;

    const VeCableAttribute dotted = attribute("", "YJV", "1.5", "4", "", {pair("1.5", "4")});
    QTest::newRow("dot of a core count is a dot") << dotted << "1.5×4" << 4.0;
    QTest::newRow("dot of a core count, not 105×4") << dotted << "105×4" << 3.0;
    const VeCableAttribute fraction = attribute("", "YJV", "5", "4", "", {pair("5", "4")});
    QTest::newRow("core count 5 is not the end of 1.5") << fraction << "1.5×4" << 3.0;

    const VeCableAttribute none = attribute("", "YJV", "", "", "", {});
    QTest::newRow("no pairs") << none << "3×2.5" << 3.0;
}

void VeFinderCableTest::sortValue()
{
    QFETCH(VeCableAttribute, attr);
    QFETCH(QString, spec);
    QFETCH(double, value);

    VeDocInfo doc(QStringLiteral("id"), spec, 1.0);
    doc.sortValue = 77.0; // replaced, not added to
    Access::setCableSortValue(doc, attr);
    QCOMPARE(doc.sortValue, value);
}

void VeFinderCableTest::rowLayout()
{
    ScratchIndex index;
    const QStringList yjv = {QStringLiteral("yjv")};
    QVERIFY(index.write({
        TestDoc(QStringLiteral("E")).withSpec(QStringLiteral("YJV-4×6")).enWords(yjv),
        TestDoc(QStringLiteral("C")).withSpec(QStringLiteral("ZR-YJV-3×2.5")).enWords(yjv),
        TestDoc(QStringLiteral("B")).withSpec(QStringLiteral("YJV-3×2.5")).enWords(yjv),
        TestDoc(QStringLiteral("D")).withSpec(QStringLiteral("ZR-YJV-3*2.5")).enWords(yjv),
        TestDoc(QStringLiteral("A")).withSpec(QStringLiteral("3×2.5+1×1.5")).enWords(yjv),
        TestDoc(QStringLiteral("F")).withSpec(QStringLiteral("YJV-3×16")).enWords(yjv),
    }));
    VeFinder f;
    RecordingObserver observer;
    f.setObserver(&observer);
    Access::OpenIndex open(f, index.path());
    QVERIFY(open.valid());
    const VeCableAttribute attr =
        attribute("", "YJV", "3 1", "2.5 1.5", "", {pair("", ""), pair("3", "2.5"), pair("1", "1.5")});
    const QList<QStringList> rows = Access::searchCablePpl(f, open.searcher(), attr,
                                                           QStringLiteral("YJV"), QString());

    // 5.0 first; the 4.0 hits split by specification length (9, then 12),
    // equal lengths by the name that compares greater ("×" after "*"); the
    // 3.0 hits by length (7, then 8).
    QCOMPARE(renderGroups(rows), QStringLiteral("[A] [B] [C D] [E] [F]"));
    QCOMPARE(observer.queries(), QStringList{QStringLiteral(": ") + cableQuery(QString(), "yjv")});
    QCOMPARE(observer.deliveries(),
             (QStringList{": A 5", ": B 4", ": C 4", ": D 4", ": E 3", ": F 3"}));
    QStringList found = Access::foundIds(f).values();
    found.sort();
    QCOMPARE(found.join(QLatin1Char(' ')), QStringLiteral("A B C D E F"));
}

void VeFinderCableTest::cableValueSkipsKnownAndEmptyIds()
{
    ScratchIndex index;
    const QStringList yjv = {QStringLiteral("yjv")};
    QVERIFY(index.write({
        TestDoc(QStringLiteral("A")).withSpec(QStringLiteral("YJV-3×2.5")).enWords(yjv),
        TestDoc(QStringLiteral("")).withSpec(QStringLiteral("YJV-3×2.5")).enWords(yjv),
        TestDoc(QStringLiteral("B")).withSpec(QStringLiteral("YJV-3×4")).enWords(yjv),
        TestDoc(QStringLiteral("B")).withSpec(QStringLiteral("YJV-3×2.5")).enWords(yjv),
        TestDoc(QStringLiteral("C")).enWords(yjv),
    }));
    VeFinder f;
    Access::OpenIndex open(f, index.path());
    QVERIFY(open.valid());
    Access::foundIds(f).insert(QStringLiteral("A"));
    const VeCableAttribute attr = attribute("", "YJV", "3", "2.5", "", {pair("3", "2.5")});
    const QList<QStringList> rows =
        Access::searchCablePpl(f, open.searcher(), attr, QStringLiteral("yjv"), QString());
    // A was delivered before, the empty id is never a hit; both documents of
    // B are listed; C has no specification (length 0, value 3.0).
    QCOMPARE(renderGroups(rows), QStringLiteral("[B] [C] [B]"));

    // Null searcher or query: nothing, and the query is still released.
    QList<VeDocInfo> docs;
    Access::setCableValue(f, docs, attr, nullptr, nullptr);
    QVERIFY(docs.isEmpty());
    QCOMPARE(renderGroups(Access::addCableSortAdvance(f, attr, nullptr,
                                                      Access::mkCodeQuery(QStringLiteral("x")))),
             QString());
}

void VeFinderCableTest::querySequence_data()
{
    QTest::addColumn<VeCableAttribute>("attr");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("deep");
    QTest::addColumn<bool>("foundBefore");
    QTest::addColumn<TestDocs>("docs");
    QTest::addColumn<QStringList>("steps"); // "cableN: words"
    QTest::addColumn<int>("foundCount");    // -7: not written

    const VeCableAttribute zr = attribute("ZR", "YJV", "3", "2.5", "", {pair("", ""), pair("", ""), pair("3", "2.5")});
    const VeCableAttribute volt = attribute("", "YJV", "3", "2.5", "0.6/1", {pair("3", "2.5")});
    const VeCableAttribute yjv22 = attribute("", "YJV22", "3", "95", "", {pair("3", "95")});
    const VeCableAttribute bv = attribute("", "BV", "", "", "", {});
    const TestDocs noDocs;
    const auto doc = [](const char* id, const QStringList& words) {
        return TestDoc(QString::fromLatin1(id)).code(QStringLiteral("K")).words(words);
    };
    const QStringList allSteps = {"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: zr yjv 3",
                                  "cable6: zr yjv",       "cable7: zryjv",     "cable8: yjv 3 2.5",
                                  "cable9: yjv"};

    QTest::newRow("ZR-YJV-3×2.5, nothing found") << zr << "" << true << false << noDocs << allSteps
                                                 << 0;
    QTest::newRow("ZR-YJV-3×2.5, nothing found, with code")
        << zr << "K" << true << false << noDocs << allSteps << 0;
    QTest::newRow("step 1 finds: stop B after step 5")
        << zr << "" << true << false << TestDocs{doc("a", {"zr", "yjv", "3", "2.5"})}
        << QStringList{"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: zr yjv 3"} << -7;
    QTest::newRow("step 1 finds, with code: no stop, step 8 skipped")
        << zr << "K" << true << false << TestDocs{doc("a", {"zr", "yjv", "3", "2.5"})}
        << QStringList{"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: zr yjv 3",
                       "cable6: zr yjv", "cable7: zryjv", "cable9: yjv"}
        << 1;
    QTest::newRow("found before the sequence: stop B after step 5")
        << zr << "" << true << true << noDocs
        << QStringList{"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: zr yjv 3"} << -7;
    QTest::newRow("step 6 finds: step 8 skipped, stop C after step 9")
        << zr << "" << true << false << TestDocs{doc("a", {"zr", "yjv"})}
        << QStringList{"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5", "cable5: zr yjv 3",
                       "cable6: zr yjv", "cable7: zryjv", "cable9: yjv"}
        << -7;
    QTest::newRow("step 9 finds: stop C") << zr << "" << true << false
                                          << TestDocs{doc("a", {"yjv"})} << allSteps << -7;
    QTest::newRow("step 9 finds, with code: the end is reached")
        << zr << "K" << true << false << TestDocs{doc("a", {"yjv"})} << allSteps << 1;
    QTest::newRow("not deep: steps 1 and 2 only")
        << zr << "" << false << false << noDocs
        << QStringList{"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5"} << -7;
    QTest::newRow("not deep, with code: steps 1 and 2 only")
        << zr << "K" << false << false << TestDocs{doc("a", {"zr", "yjv", "3", "2.5"})}
        << QStringList{"cable1: zr yjv 3 2.5", "cable2: yjv 3 2.5"} << -7;
    QTest::newRow("voltage: steps 3 and 4")
        << volt << "" << true << false << noDocs
        << QStringList{"cable1: yjv 3 2.5 0.6/1", "cable2: yjv 3 2.5 0.6/1", "cable3: yjv 3 2.5",
                       "cable4: yjv 3 2.5", "cable5: yjv 3", "cable9: yjv"}
        << 0;
    QTest::newRow("voltage, not deep: steps 1 to 4")
        << volt << "" << false << false << noDocs
        << QStringList{"cable1: yjv 3 2.5 0.6/1", "cable2: yjv 3 2.5 0.6/1", "cable3: yjv 3 2.5",
                       "cable4: yjv 3 2.5"}
        << -7;
    QTest::newRow("mixed model: step 10 with its letter run")
        << yjv22 << "" << true << false << noDocs
        << QStringList{"cable1: yjv22 3 95", "cable2: yjv22 3 95", "cable5: yjv22 3",
                       "cable9: yjv22", "cable10: yjv 3 95", "cable10: yjv 3", "cable10: yjv"}
        << 0;
    QTest::newRow("mixed model: step 10 stops asking the bare run once found")
        << yjv22 << "" << true << false << TestDocs{doc("a", {"yjv", "3"})}
        << QStringList{"cable1: yjv22 3 95", "cable2: yjv22 3 95", "cable5: yjv22 3",
                       "cable9: yjv22", "cable10: yjv 3 95", "cable10: yjv 3"}
        << 1;
    QTest::newRow("mixed model found at step 9: stop C before step 10")
        << yjv22 << "" << true << false << TestDocs{doc("a", {"yjv22"})}
        << QStringList{"cable1: yjv22 3 95", "cable2: yjv22 3 95", "cable5: yjv22 3",
                       "cable9: yjv22"}
        << -7;
    QTest::newRow("mixed model without section: no step 10 with the core count alone")
        << attribute("", "YJV22", "", "", "", {}) << "" << true << false << noDocs
        << QStringList{"cable1: yjv22", "cable2: yjv22", "cable9: yjv22", "cable10: yjv",
                       "cable10: yjv"}
        << 0;
    QTest::newRow("model only: no step 5, no step 8")
        << bv << "" << true << false << noDocs
        << QStringList{"cable1: bv", "cable2: bv", "cable9: bv"} << 0;
}

void VeFinderCableTest::querySequence()
{
    QFETCH(VeCableAttribute, attr);
    QFETCH(QString, code);
    QFETCH(bool, deep);
    QFETCH(bool, foundBefore);
    QFETCH(TestDocs, docs);
    QFETCH(QStringList, steps);
    QFETCH(int, foundCount);

    ScratchIndex index;
    QVERIFY(index.write(docs + TestDocs{TestDoc(QStringLiteral("other")).words({"zz"})}));
    VeFinder f;
    RecordingObserver observer;
    f.setObserver(&observer);
    Access::OpenIndex open(f, index.path());
    QVERIFY(open.valid());
    Access::deepSearch(f) = deep;
    if (foundBefore)
        Access::foundIds(f).insert(QStringLiteral("earlier"));

    QList<QStringList> result{QStringList{QStringLiteral("kept")}};
    int count = -7;
    Access::doCableSearchFuzzy(f, result, open.searcher(), attr, code, &count);

    QStringList expected;
    for (const QString& step : steps) {
        const int colon = step.indexOf(QLatin1Char(':'));
        expected << step.left(colon + 2) + cableQuery(code, step.mid(colon + 2));
    }
    QCOMPARE(observer.queries(), expected);
    QCOMPARE(count, foundCount);
    // appended to what the result held, never cleared
    QCOMPARE(result.first(), QStringList{QStringLiteral("kept")});
    QCOMPARE(allIdsSorted(result.mid(1)), docs.isEmpty() ? QString() : QStringLiteral("a"));
}

QTEST_GUILESS_MAIN(VeFinderCableTest)
#include "tst_vefindercable.moc"
