// The command history's one position for writing and browsing, and the preset expansion.
#include <QTest>

#include "console/command_history.h"
#include "console/preset_command.h"
#include "support/rows.h"

class TestConsole : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void history_browseOverwriteAndDropOldest() {
        CommandHistory h;
        QCOMPARE(h.up(), QString());  // stays at the first slot
        for (const char* c : {"a", "b", "c"}) {
            h.store(QLatin1String(c));
        }
        QStringList shown;
        for (bool up : {true, true, false, false, false}) {
            shown.append(up ? h.up() : h.down());
        }
        QCOMPARE(shown, (QStringList{"c", "b", "c", "", ""}));  // down stops at the empty slot
        QCOMPARE(h.position(), 3);
        h.up();
        h.up();  // shows b at slot 1: sending now overwrites it
        h.store(QStringLiteral("x"));
        QCOMPARE(h.entry(0) + h.entry(1) + h.entry(2), QStringLiteral("axc"));
        QCOMPARE(h.position(), 2);

        CommandHistory full;
        for (int i = 1; i <= 66; ++i) {
            full.store(QStringLiteral("c%1").arg(i));
        }
        QCOMPARE(full.position(), 64);  // the 66th dropped the first
        QCOMPARE(full.entry(0) + full.entry(64), QStringLiteral("c2c66"));
        QCOMPARE(full.up(), QStringLiteral("c65"));  // away from the end: overwritten in place
        full.store(QStringLiteral("new"));
        QCOMPARE(full.entry(0) + full.entry(63) + full.entry(64), QStringLiteral("c2newc66"));
    }

    void preset_expandedFromItsBrackets() {
        // entry, parameter, preset kept for Re Do, command sent
        for (const QStringList& r :
             rows({"Speed   (s04##)|5|s04##|s0405", "Speed   (s04##)|123|s04##|s0423",
                   "Speed   (s04##)||s04##|s0400", "Speed   (s04##)|g!|s04##|s04g!",
                   "SET data index   (y####)|2A|y####|y002A", "STOP  (tf)|99|tf|tf",
                   "(s04##)|10|s04##|s0410", "(a#b#cd)|12345|a#b#cd|a345", "x (ab) (cd)||ab|ab",
                   "tf) rest||tf|tf"})) {
            const auto e = PresetCommands::expand(r[0], r[1]);
            QVERIFY2(e, qPrintable(r[0]));
            QCOMPARE(e->preset + ' ' + e->command, r[2] + ' ' + r[3]);
        }
        for (const char* entry : {"()", "tf", "Speed (s04##", "a) (b", ""}) {
            QVERIFY(!PresetCommands::expand(QString::fromLatin1(entry), u"5"));
        }
    }
};

QTEST_APPLESS_MAIN(TestConsole)
#include "test_console.moc"
