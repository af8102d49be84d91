// "Flash" on the "AFR Tables" page against the in-process simulated unit: what reaches the unit,
// what the user is told, and the runs that end early.
#include <QDir>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include "eeprom/eeprom_controller.h"
#include "support/table_files.h"
#include "support/test_window.h"
#include "tables/tables_page.h"

namespace {

// The page with a pin chosen (0: none yet); run() is what the last Flash sent.
struct Flash : TestWindow {
    qsizetype before = 0;
    int exchanges = 0, progress = 0;
    bool abortShown = false;
    QMap<int, std::function<void()>> at;  // done while the reply to that exchange is handled
    explicit Flash(TestWindowConfig config = {}, int pin = 1) : TestWindow(std::move(config)) {
        showPage(2);
        settle();  // the page switch's "tf" is answered before the user's next click
        choose("cboOutputPin", pin);
        // The bar is drawn a few times a second; where it stood at the end counts.
        QObject::connect(get<QProgressBar>("prgFlash"), &QProgressBar::valueChanged,
                         [this](int value) { progress = std::max(progress, value); });
        QObject::connect(&form->link(), &DeviceLink::parameterShown, [this] {
            abortShown = abortShown || !get("btnAbortFlash")->isHidden();
            at.value(++exchanges, [] {})();
        });
    }
    void flash() {
        before = mark();
        click("btnFlashTable");
    }
    QStringList run() const { return sentSince(before); }
    QByteArray unitTable(int start) const { return model->eeprom().mid(start, 130); }
    QByteArray imageTable(int start) const {
        const auto& image = form->tables().model().image();
        return QByteArray(reinterpret_cast<const char*>(image.data()) + start, 130);
    }
    bool idle() const {
        return !get("btnFlashTable")->isHidden() && get("btnAbortFlash")->isHidden() &&
               get("prgFlash")->isHidden() && !form->eeprom().bFlashing;
    }
};

}  // namespace

class TestFlash : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() {
        TestWindow::clearSettings();
        // The programming itself: the backup before it is tested against orvex-sim.
        TestWindow::settings().setValue(QStringLiteral("Tables/backupBeforeFlash"), false);
    }
    void tables_eachPinExactlyAsListedNothingWithoutTableOrPort();
    void endedEarly_cancelAbortCloseWeakCellAndTableChangedMidRun();
    void unitTable_readTwiceOrEndedEarlyLeavesTheTable();
    void backup_simulatedUnitsApartARealPortsAsBefore_data();
    void backup_simulatedUnitsApartARealPortsAsBefore();
    void backedUp_oneBarThroughoutAnEarlyEndSaysWhereTheTableIs();
};

void TestFlash::tables_eachPinExactlyAsListedNothingWithoutTableOrPort() {
    // Pin, its start, the data source (3: a built-in table, chosen before the pin).
    for (const auto& [pin, start, source] :
         {std::tuple{1, 0x7A, 0}, {2, 0xFC, 0}, {3, 0x17E, 0}, {1, 0x7A, 3}}) {
        Flash f({}, 0);
        f.choose("cboEEdata", source);
        f.choose("cboOutputPin", pin);
        f.flash();
        QStringList writes, reads;
        const QByteArray image = f.imageTable(start);
        for (int i = 0; i < 130; ++i) {
            writes << QString::asprintf("e%04X%02X", start + i, quint8(image[i]));
            reads << QString::asprintf("a%04X", start + i);
        }
        QCOMPARE(f.run(), (QStringList{"tf"} + writes + reads + QStringList{"tf", "v"}));
        QCOMPARE(f.unitTable(start), image);
        QVERIFY(source != 3 || quint8(image[0]) == 839 % 256);  // the built-in table's first entry
        QCOMPARE(f.statusText(), QStringLiteral("Programming Complete."));
        QCOMPARE(f.statusColour(), QColor(0, 128, 0));
        QVERIFY(
            f.data().endsWith(QStringLiteral(" Programming complete.")));  // the log: test_eeprom
        QCOMPARE(std::pair(f.abortShown, f.progress), std::pair(true, 260));  // both passes
        QVERIFY(f.idle() && f.form->bAborted);
    }

    Flash n({}, 0);
    n.choose("cboEEdata", 1);  // the file box still says "Filename": nothing is read
    n.choose("cboOutputPin", 1);
    n.flash();
    QVERIFY(n.run().isEmpty());
    QCOMPARE(n.statusText(), QStringLiteral("No table generated"));
    QCOMPARE(n.statusColour(), QColor(255, 0, 0));
    n.choose("cboEEdata", 0);
    n.form->link().closePort();
    n.flash();
    QVERIFY(n.run().isEmpty() && n.idle());
    QCOMPARE(n.statusText(), QStringLiteral("COM port must be opened first"));
}

void TestFlash::endedEarly_cancelAbortCloseWeakCellAndTableChangedMidRun() {
    Flash f({.unit = {.lowerCase = true, .weakCells = {}}});  // 007a: never a confirmation
    f.dialogs.answers.enqueue(Dialogs::Button::Cancel);
    f.flash();
    QCOMPARE(f.run(), QStringList{"tf"} << QStringList(5, QStringLiteral("e007A00")) << "tf"
                                        << "v");
    QCOMPARE(f.dialogs.asked.size(), 1);  // its words: test_eeprom
    const QString nothing = QStringLiteral(
        "Programming aborted: 0 of 130 locations written, 0 verified. No backup was made.");
    QCOMPARE(f.statusText(), nothing);
    QCOMPARE(f.statusColour(), QColor(255, 0, 0));
    QCOMPARE(f.data(), QStringLiteral("EEPROM programming Address=Data\r\n") + nothing);
    QVERIFY(f.idle());

    Flash w({.unit = {.weakCells = {WeakCell{0x90, 0xFF}}}});
    QVERIFY(w.form->tables().model().imageByte(0x90) != 0);  // else the cell shows no fault
    w.flash();  // the question and the five reads: test_eeprom
    QCOMPARE(w.dialogs.asked.size(), 1);
    QCOMPARE(w.statusText(), QStringLiteral("Programming finished with errors at 1 locations: all "
                                            "130 locations written, 129 verified. No backup was "
                                            "made."));
    QCOMPARE(w.statusColour(), QColor(255, 0, 0));

    Flash a;
    a.form->bAborted = false;
    a.click("btnAbortFlash");
    QVERIFY(!a.form->bAborted && a.idle());  // while idle: nothing changes (mid-run: backedUp_)

    Flash c;
    c.form->show();
    c.model->setOptions({.silent = true, .weakCells = {}});  // "tf" before the run: no answer
    when([&] { return !c.run().isEmpty(); },
         [&] {
             c.form->close();
             c.model->setOptions({});  // a run that went on anyway would now reach the unit
         });
    c.flash();
    QVERIFY(!c.form->isVisible());
    QCOMPARE(c.run(), QStringList{"tf"});

    Flash t;
    const QByteArray shown = t.imageTable(0x7A);
    t.at[40] = [&] { t.choose("cboEEdata", 5); };  // another table for the same pin
    t.flash();
    QVERIFY(t.imageTable(0x7A) != shown);
    QCOMPARE(t.unitTable(0x7A), shown);
    QCOMPARE(t.statusText(), QStringLiteral("Programming Complete."));
}

// The unit's own table at the widget (against orvex-sim and under faults: e2e and reliability):
// each byte read twice, and a read that ends early leaves the page's table.
void TestFlash::unitTable_readTwiceOrEndedEarlyLeavesTheTable() {
    Flash f;
    f.model->loadEeprom(unlikeNeighbours());
    f.before = f.mark();
    f.click("btnReadUnit");
    QCOMPARE(f.run().size(), 1 + 2 * 130);  // "tf", then every byte read twice
    QCOMPARE(std::pair(f.abortShown, f.progress), std::pair(true, 130));  // bytes taken
    QCOMPARE(f.imageTable(0x7A), unlikeNeighbours().mid(0x7A, 130));
    QVERIFY(f.data().startsWith(QStringLiteral("Output Pin = WBlin")));

    Flash aborted;
    aborted.at[3] = [&] { aborted.click("btnAbortFlash"); };
    aborted.click("btnReadUnit");
    QCOMPARE(aborted.statusText(), QStringLiteral("Reading aborted."));
    QVERIFY(aborted.idle());

    Flash none({}, 0);
    none.click("btnReadUnit");
    QCOMPARE(none.statusText(), QStringLiteral("No Table Selected"));

    // An erased table fits no stored table: it is not taken, and Compare still shows it.
    Flash erased;
    const QByteArray table = erased.imageTable(0x7A);
    QByteArray blank = erased.model->eeprom();
    erased.model->loadEeprom(blank.replace(0x7A, 130, QByteArray(130, '\xff')));
    erased.click("btnReadUnit");
    QCOMPARE(
        erased.statusText(),
        QStringLiteral("The unit's table holds values above 32767 (entry 0: 65535) - not taken"));
    QCOMPARE(erased.imageTable(0x7A), table);
    erased.click("btnCompare");
    QVERIFY(erased.data().contains(u"\r\n64  65535  "));

    // A unit that "tf" does not stop: nothing is taken from it and nothing written.
    Flash noisy({.unit = {.weakCells = {}, .tracingAtStart = true, .traceAfterStop = 1 << 30}});
    noisy.port().setTraceIntervalMs(2);
    const QByteArray before = noisy.imageTable(0x7A);
    noisy.click("btnReadUnit");
    QCOMPARE(noisy.statusText(), QStringLiteral("The unit does not stop sending"));
    QCOMPARE(noisy.imageTable(0x7A), before);
    noisy.flash();
    QCOMPARE(noisy.statusText(), QStringLiteral("Programming stopped: the unit does not stop "
                                                "sending; 0 of 130 locations written, 0 verified. "
                                                "No backup was made."));
    QCOMPARE(noisy.run().filter(QRegularExpression("^[ea]")), QStringList());
    QVERIFY(noisy.idle());
}

void TestFlash::backup_simulatedUnitsApartARealPortsAsBefore_data() {
    QTest::addColumn<bool>("realPortChosen");
    QTest::newRow("the simulated unit, opened at start-up") << false;
    QTest::newRow("a real port chosen in the list") << true;
}

// With --simulate the window opens the simulated unit, whose backups go to their own folder and
// say what they are; a real port chosen in the list is backed up as always.
void TestFlash::backup_simulatedUnitsApartARealPortsAsBefore() {
    QFETCH(bool, realPortChosen);
    TestWindowConfig config;
    config.simulatedDevice = QStringLiteral("/dev/simulated");
    Flash w(config);
    QTemporaryDir backups;
    w.form->eeprom().setBackupFolder(backups.path());
    QCOMPARE(w.form->link().portName(), QStringLiteral("COM2"));  // COM1 is the real one
    if (realPortChosen) {
        w.choose("cboPort", 0);
        QCOMPARE(w.form->link().portName(), QStringLiteral("COM1"));
    }
    w.flash();
    QCOMPARE(w.statusText(), QStringLiteral("Programming Complete."));
    const QDir real(backups.path());
    const QDir apart(backups.filePath(QStringLiteral("simulated")));
    const QDir& holds = realPortChosen ? real : apart;
    const QStringList kept = holds.entryList(QDir::Files);
    QCOMPARE(kept.size(), 1);
    QCOMPARE((realPortChosen ? apart : real).entryList(QDir::Files), QStringList());
    QVERIFY(readFile(holds.filePath(kept[0]))
                .contains(realPortChosen ? "\r\n; data source: unit\r\n"
                                         : "\r\n; data source: simulated unit\r\n"));
}

// With a backup, one bar runs from the backup's first read to the last verification, the status
// line says what is being read, and a run stopped early says how far it got and where the table
// it replaced is kept.
void TestFlash::backedUp_oneBarThroughoutAnEarlyEndSaysWhereTheTableIs() {
    TestWindow::settings().setValue(QStringLiteral("Tables/backupBeforeFlash"), true);
    Flash f;
    QList<int> bar;
    QObject::connect(f.get<QProgressBar>("prgFlash"), &QProgressBar::valueChanged,
                     [&bar](int value) { bar << value; });
    QString duringBackup;
    f.at[100] = [&] { duringBackup = f.statusText(); };
    f.flash();
    QCOMPARE(f.statusText(), QStringLiteral("Programming Complete."));
    QCOMPARE(duringBackup, QStringLiteral("Backing up the WBlin table ..."));
    QCOMPARE(std::pair(bar.last(), f.get<QProgressBar>("prgFlash")->maximum()),
             std::pair(390, 390));
    QVERIFY(std::is_sorted(bar.begin(), bar.end()));  // never back to the start

    Flash a;
    a.model->loadEeprom(unlikeNeighbours());
    a.at[2 * 130 + 10] = [&] { a.click("btnAbortFlash"); };  // the tenth write, after the backup
    a.flash();
    const QRegularExpressionMatch said =
        QRegularExpression(
            "^Programming aborted: 10 of 130 locations written, 0 verified\\. Its "
            "table before: (.+)$")
            .match(a.statusText());
    QVERIFY2(said.hasMatch(), qPrintable(a.statusText()));
    QVERIFY(a.data().endsWith(a.statusText()));
    QCOMPARE(fileValues(said.captured(1)), words(unlikeNeighbours().mid(0x7A, 130)));
    QCOMPARE(a.run().size(), 1 + 260 + 10 + 2);  // "tf", the backup, ten writes, "tf", "v"
    QVERIFY(a.idle());
}

QTEST_MAIN(TestFlash)
#include "test_flash.moc"
