// The ECU's side of a table: lookups written and read back, under a decimal-comma locale too.
#include <QTest>

#include "ecu/ecu_export.h"
#include "ecu/ecu_lookup.h"
#include "support/test_locale.h"
#include "tables/linear_table.h"

using namespace ecu;

namespace {

using Table = QList<int>;

tables::UnitWords words(const Table& t) {
    tables::UnitWords w{};
    std::copy(t.begin(), t.end(), w.begin());
    return w;
}

Table builtIn(int n) {
    return {tables::DefaultTables[n].begin(), tables::DefaultTables[n].end()};
}

// A table from the "Linear Parameters" boxes: rich, mid points, lean as MIX:VOLTS; `under` and
// `over` volts when given.
Table linear(const QStringList& points, bool afr, const QString& under = {},
             const QString& over = {}) {
    tables::LinearTexts t = tables::kLinearStart;
    const auto part = [&](int k, int i) { return points[k].section(u':', i, i); };
    const auto last = points.size() - 1;
    t.rich = part(0, 0), t.vRich = part(0, 1), t.lean = part(last, 0), t.vLean = part(last, 1);
    for (int k = 1; k < last; ++k) {
        t.midMixture[k - 1] = part(k, 0), t.midVolts[k - 1] = part(k, 1);
    }
    t.vUnder = under, t.vOver = over;
    const auto g = tables::generateLinearTable(
        tables::readLinearParams(t, int(last - 1), !under.isEmpty(), afr));
    return {g.counts.begin(), g.counts.end()};
}

QByteArray exported(const Table& table, int kind, double stoich = 14.7) {
    const LookupKind& k = kLookupKinds[kind];
    return exportLookup(words(table), {k.format, k.adcBits, stoich, "WBlin (12 bit DAC)",
                                       "Linear Parameters ...", QDate(2026, 5, 4)})
        .text;
}

QByteArray csv(const char* rows) {
    return QByteArray(rows).replace('|', "\r\n");
}

}  // namespace

class TestEcu : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }

    // Whole hundredths of AFR and thousandths of lambda, halves to even, "." in any locale.
    void exportedLines_exactInAnyLocale() {
        const Table start = linear({"9:0", "19:5"}, true);
        QVERIFY(exported(start, 0).startsWith("volts,lambda,afr\r\n0.00,0.609,8.95\r\n"));
        QVERIFY(exported(start, 0).contains("\r\n2.50,0.952,14.00\r\n"));
        QVERIFY(exported(start, 0).endsWith("\r\n5.00,1.331,19.57\r\n"));  // the held end: entry 39
        QCOMPARE(exported(start, 0).count('\n'), 102);
        // Beyond the over/under volts: where the held ends meet the curve (entries 6 and 40).
        const QByteArray held = exported(linear({"10:0.5", "20:4.5"}, true, "0.2", "4.8"), 0);
        QVERIFY(held.startsWith("volts,lambda,afr\r\n0.00,0.671,9.87\r\n"));
        QVERIFY(held.endsWith("\r\n5.00,1.394,20.50\r\n"));
        const QByteArray db = exported(start, 1);
        QVERIFY(
            db.startsWith("; Orvex Configuration Utility: ECU lookup, volts to AFR x 10\r\n"
                          "; pin: WBlin (12 bit DAC)\r\n; data source: Linear Parameters ..."
                          "\r\n; stoichiometric AFR: 14.7\r\n; date: 2026-05-04\r\n"));
        QVERIFY(db.contains("\r\n\tDB 89.5T ; 0 - 0.000\r\n\tDB 90.1T ; 1 - 0.020\r\n"));
        QCOMPARE(db.count("\tDB "), 256);
        QVERIFY(exported(start, 4).endsWith("\r\n\tDW 1957 ; 1023 - 5.000\r\n"));
        QCOMPARE(exported(start, 4).count("\tDW "), 1024);
        // Free air (lambda 207 at 4.00 V) is leaner than a DW can say: its marker instead.
        QVERIFY(exported(builtIn(0), 3).endsWith("\r\n\tDW 9999 ; 255 - 5.000\r\n"));
        QVERIFY(exported(builtIn(0), 1).endsWith("\r\n\tDB 999.9T ; 255 - 5.000\r\n"));
    }

    void roundTrip_tableComesBack_data() {
        QTest::addColumn<Table>("table");
        QTest::addColumn<int>("kind");
        const QList<std::pair<const char*, Table>> tables{
            {"SVout compat", builtIn(0)},
            {"NBsim", builtIn(1)},
            {"0-20% oxygen", builtIn(2)},
            {"AFR, mid points, over/under",
             linear({"10:0.5", "13:1.5", "14.7:2.5", "20:4.5"}, true, "0.2", "4.8")},
            {"lambda, mid points, over/under",
             linear({"0.7:1", "0.9:2", "1.1:3", "1.3:4"}, false, "0.5", "4.5")},
            {"falling", linear({"9:5", "19:0"}, true)},
        };
        for (const auto& [name, table] : tables) {
            for (int kind = 0; kind < int(kLookupKinds.size()); ++kind) {
                QTest::addRow("%s, %s", name, qPrintable(kLookupKinds[kind].description))
                    << table << kind;
            }
        }
    }

    // Export, read back and match: the same table, at every breakpoint inside the table's output
    // range that a lookup can hold (AFR under 99.99). Within an ADC step of a bend the ECU's
    // straight line between its entries misses the table; only 10 bits resolve every bend.
    void roundTrip_tableComesBack() {
        QFETCH(Table, table);
        QFETCH(int, kind);
        const Lookup lookup = readLookup(exported(table, kind));
        const Match m = matchLookup(lookup, 14.7);
        QVERIFY2(m.error.isEmpty(), qPrintable(m.error));
        const int bits = kLookupKinds[kind].adcBits;
        const double step = bits ? 4095.0 / ((1 << bits) - 1) : 4095.0 / 100;
        const auto [lo, hi] = std::minmax_element(table.begin(), table.end());
        for (int i = 1; i < 64; ++i) {
            const int c = table[i];
            const double f = (tables::LambdaPoints[i] - tables::LambdaPoints[i - 1]) /
                             (tables::LambdaPoints[i + 1] - tables::LambdaPoints[i - 1]);
            const bool straight =
                std::abs(table[i - 1] + f * (table[i + 1] - table[i - 1]) - c) <= 1 &&
                std::abs(table[i + 1] - c) >= step && std::abs(c - table[i - 1]) >= step;
            if (c > *lo && c < *hi && tables::LambdaPoints[i] * 14.7 < 99.99 &&
                (bits == 10 || straight)) {
                QVERIFY2(
                    std::abs(m.counts[i] - c) <= 2,
                    qPrintable(
                        QStringLiteral("entry %1: %2, not %3").arg(i).arg(m.counts[i]).arg(c)));
            }
        }
    }

    void lookupFiles_readInRealShapes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("read");  // shape|entries|left out|first volts|first mixture
        QByteArray db = "; from the tuning software\r\nWBO2_AFR:\r\n";
        for (int k = 0; k < 256; ++k) {
            db += "\tDB\t" + (k % 255 ? QByteArray::number(100 + k * 0.4, 'f', 1) : "0") + "T\t; " +
                  QByteArray::number(k) + "\r\n";
        }
        QTest::newRow("DB, label, tabs, CRLF, markers") << db + "\r\n"
                                                        << "DB, 8-bit ADC|254|2|0.0196|10.04";
        QByteArray dw = "AFR_TABLE: ; a label\n";
        for (int k = 0; k < 1024; ++k) {
            dw += "  dw " + QByteArray::number(k < 1023 ? 1000 + k : 9999) + "\n";
        }
        QTest::newRow("DW, LF, 9999 marker") << dw << "DW, 10-bit ADC|1023|1|0|10";
        QTest::newRow("DB, four to a line")
            << QByteArray("DB 100T, 101T,102T , 103\n").repeated(64) << "DB, 8-bit ADC|256|0|0|10";
        QTest::newRow("CSV, header")
            << csv("Volts,AFR|0.0,10.0|5.0,20.0") << "CSV volts,afr|2|0|0|10";
        QTest::newRow("CSV, ours: AFR taken")
            << csv("volts,lambda,afr|0.00,0.680,10.01|5,1.4,21") << "CSV volts,afr|2|0|0|10.01";
        QTest::newRow("CSV, tabs, no header")
            << QByteArray("0.5\t0.7\n4.5\t1.3\n") << "CSV volts,lambda|2|0|0.5|0.7";
        QTest::newRow("CSV, marker, empty line")
            << csv("0,0|1,11|4,17|") << "CSV volts,afr|2|1|1|11";
    }

    void lookupFiles_readInRealShapes() {
        QFETCH(QByteArray, file);
        QFETCH(QString, read);
        const Lookup l = readLookup(file);
        QVERIFY2(l.error.isEmpty(), qPrintable(l.error));
        QCOMPARE(QStringList({l.shape, QString::number(l.volts.size()), QString::number(l.leftOut),
                              QString::number(l.volts[0], 'g', 3), QString::number(l.mixture[0])})
                     .join(u'|'),
                 read);
    }

    // Every refusal names the place: the table's entry, or the lookup's line and volts.
    void refusals_nameThePlace_data() {
        QTest::addColumn<QByteArray>("lookup");  // matched unless a table is given
        QTest::addColumn<Table>("table");        // exported
        QTest::addColumn<double>("stoich");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* tag, const QByteArray& lookup, const QString& error,
                            const Table& table = {}, double stoich = 14.7) {
            QTest::newRow(tag) << lookup << table << stoich << error;
        };
        row("table turns", {}, "The table falls up to entry 19 (lambda 0.8069), then rises",
            linear({"0.8:0.5", "1:2.5", "1.2:3", "1.5:4.5"}, false, "1.0", "4.9"));
        row("table flat", {}, "same voltage at every mixture", Table(65, 900));
        row("stoich 0, export", {}, "Stoich AFR must be greater than 0", builtIn(0), 0);
        row("lookup turns", csv("0,10|1,12|2,11|5,20"),
            "The lookup's mixture rises up to line 2 (1.000 V), then falls");
        row("lookup flat", csv("0,14.7|5,14.7"), "reads the same mixture at every voltage");
        row("one entry besides markers", csv("0,0|5,14.7"), "fewer than 2 entries");
        row("stoich 0, AFR lookup", csv("0,10|5,20"), "Stoich AFR must be greater than 0", {}, 0);
        row("255 DB lines", QByteArray("DB 100\n").repeated(255), "255 DB entries: a lookup has");
        row("DW among DB", "DB 100\nDW 1000\n", "line 2: \"DW 1000\" is not a DB line");
        row("hex value", "DB 100\r\nDB $93\r\n", "line 2: \"$93\" is not a mixture");
        row("volts fall", csv("0,10|2,12|1,13"), "line 3: the volts do not rise");
        row("volts beyond 5", csv("0,10|5.5,12"), "line 2: 5.500 V is outside 0..5 V");
    }

    void refusals_nameThePlace() {
        QFETCH(QByteArray, lookup);
        QFETCH(Table, table);
        QFETCH(double, stoich);
        QFETCH(QString, error);
        const QString said =
            table.isEmpty() ? matchLookup(readLookup(lookup), stoich).error
                            : exportLookup(words(table), {Format::Db, 8, stoich, {}, {}, {}}).error;
        QVERIFY2(said.contains(error), qPrintable(said));
    }

    // The volts at which the lookup reads each breakpoint's mixture.
    void match_voltsWhereTheLookupReadsTheBreakpoint() {
        Match m = matchLookup(readLookup(csv("0,10|5,20")), 14.7);
        // Entry 32: AFR 14.8323 at 2.41615 V. Richer than 10 and leaner than 20: the ends.
        QCOMPARE(QList<qint64>({m.counts[0], m.counts[32], m.counts[64], m.limited}),
                 QList<qint64>({0, 1979, 4095, 32}));
        m = matchLookup(readLookup(csv("0,20|5,10")), 14.7);  // falling
        QCOMPARE(QList<qint64>({m.counts[0], m.counts[32]}), QList<qint64>({4095, 2116}));
        // Held at a breakpoint's lambda: the middle inside, the inner end at an end.
        m = matchLookup(readLookup(csv("0,0.6|1,1.009|3,1.009|5,2")), 0);
        QCOMPARE(m.counts[32], 1638);
        m = matchLookup(readLookup(csv("0,0.6091|1,0.6091|5,1.5")), 14.7);
        QCOMPARE(QList<qint64>({m.counts[0], m.limited}), QList<qint64>({819, 23}));
    }
};

QTEST_MAIN(TestEcu)
#include "test_ecu.moc"
