#include <QTest>

#include "console/command_history.h"
#include "console/preset_command.h"

class TestConsoleLogic : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void browse_threeCommandsUpDownStopsAtEmptySlot();
    void browse_upAtFirstSlotStaysThere();
    void store_afterBrowsingUpOverwritesShownEntry();
    void store_sixtySixthCommandDropsTheFirst();
    void store_fullHistoryAwayFromEndOverwritesWithoutDropping();
    void expand_data();
    void expand();
    void expand_nothingBetweenBrackets_data();
    void expand_nothingBetweenBrackets();
};

void TestConsoleLogic::browse_threeCommandsUpDownStopsAtEmptySlot() {
    CommandHistory h;
    h.store(QStringLiteral("a"));
    h.store(QStringLiteral("b"));
    h.store(QStringLiteral("c"));
    QCOMPARE(h.position(), 3);
    QCOMPARE(h.up(), QStringLiteral("c"));
    QCOMPARE(h.position(), 2);
    QCOMPARE(h.up(), QStringLiteral("b"));
    QCOMPARE(h.position(), 1);
    QCOMPARE(h.down(), QStringLiteral("c"));
    QCOMPARE(h.position(), 2);
    QCOMPARE(h.down(), QString());
    QCOMPARE(h.position(), 3);
    QCOMPARE(h.down(), QString());
    QCOMPARE(h.position(), 3);
}

void TestConsoleLogic::browse_upAtFirstSlotStaysThere() {
    CommandHistory h;
    QCOMPARE(h.up(), QString());
    QCOMPARE(h.position(), 0);
    h.store(QStringLiteral("v"));
    QCOMPARE(h.up(), QStringLiteral("v"));
    QCOMPARE(h.up(), QStringLiteral("v"));
    QCOMPARE(h.position(), 0);
}

void TestConsoleLogic::store_afterBrowsingUpOverwritesShownEntry() {
    CommandHistory h;
    h.store(QStringLiteral("a"));
    h.store(QStringLiteral("b"));
    h.store(QStringLiteral("c"));
    h.up();
    h.up();  // shows b at slot 1
    h.store(QStringLiteral("x"));
    QCOMPARE(h.entry(0), QStringLiteral("a"));
    QCOMPARE(h.entry(1), QStringLiteral("x"));
    QCOMPARE(h.entry(2), QStringLiteral("c"));
    QCOMPARE(h.position(), 2);
}

void TestConsoleLogic::store_sixtySixthCommandDropsTheFirst() {
    CommandHistory h;
    for (int i = 1; i <= 65; ++i) {
        h.store(QStringLiteral("c%1").arg(i));
    }
    QCOMPARE(h.position(), 64);
    QCOMPARE(h.entry(0), QStringLiteral("c1"));
    QCOMPARE(h.entry(64), QStringLiteral("c65"));

    h.store(QStringLiteral("c66"));
    QCOMPARE(h.position(), 64);
    QCOMPARE(h.entry(0), QStringLiteral("c2"));
    for (int slot = 0; slot <= 64; ++slot) {
        QCOMPARE(h.entry(slot), QStringLiteral("c%1").arg(slot + 2));
    }
    QCOMPARE(h.entry(65), QString());
    QCOMPARE(h.entry(-1), QString());
}

void TestConsoleLogic::store_fullHistoryAwayFromEndOverwritesWithoutDropping() {
    CommandHistory h;
    for (int i = 1; i <= 65; ++i) {
        h.store(QStringLiteral("c%1").arg(i));
    }
    QCOMPARE(h.up(), QStringLiteral("c64"));  // the newest sits at the position itself
    h.store(QStringLiteral("new"));
    QCOMPARE(h.entry(0), QStringLiteral("c1"));
    QCOMPARE(h.entry(63), QStringLiteral("new"));
    QCOMPARE(h.entry(64), QStringLiteral("c65"));
    QCOMPARE(h.position(), 64);
}

void TestConsoleLogic::expand_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("command");
    const QString speed = QStringLiteral("Speed   (s04##)");
    const QString index = QStringLiteral("SET data index   (y####)");
    QTest::newRow("one digit padded") << speed << "5"
                                      << "s04##"
                                      << "s0405";
    QTest::newRow("long parameter keeps its end") << speed << "123"
                                                  << "s04##"
                                                  << "s0423";
    QTest::newRow("empty parameter") << speed << ""
                                     << "s04##"
                                     << "s0400";
    QTest::newRow("hex letters") << speed << "7F"
                                 << "s04##"
                                 << "s047F";
    QTest::newRow("four places") << index << "2A"
                                 << "y####"
                                 << "y002A";
    QTest::newRow("not validated") << speed << "g!"
                                   << "s04##"
                                   << "s04g!";
    QTest::newRow("no places") << "STOP  (tf)"
                               << "99"
                               << "tf"
                               << "tf";
    QTest::newRow("redo form") << "(s04##)"
                               << "10"
                               << "s04##"
                               << "s0410";
    QTest::newRow("text after places dropped") << "(a#b#cd)"
                                               << "12345"
                                               << "a#b#cd"
                                               << "a345";
    QTest::newRow("first closing bracket ends") << "x (ab) (cd)"
                                                << ""
                                                << "ab"
                                                << "ab";
    QTest::newRow("no opening bracket") << "tf) rest"
                                        << ""
                                        << "tf"
                                        << "tf";
}

void TestConsoleLogic::expand() {
    QFETCH(QString, entry);
    QFETCH(QString, parameter);
    QFETCH(QString, preset);
    QFETCH(QString, command);
    const auto e = PresetCommands::expand(entry, parameter);
    QVERIFY(e.has_value());
    QCOMPARE(e->preset, preset);
    QCOMPARE(e->command, command);
}

void TestConsoleLogic::expand_nothingBetweenBrackets_data() {
    QTest::addColumn<QString>("entry");
    QTest::newRow("empty brackets") << "()";
    QTest::newRow("no brackets") << "tf";
    QTest::newRow("no closing bracket") << "Speed (s04##";
    QTest::newRow("closing before opening") << "a) (b";
    QTest::newRow("empty text") << "";
}

void TestConsoleLogic::expand_nothingBetweenBrackets() {
    QFETCH(QString, entry);
    QVERIFY(!PresetCommands::expand(entry, QStringLiteral("5")).has_value());
}

QTEST_APPLESS_MAIN(TestConsoleLogic)
#include "test_console_logic.moc"
