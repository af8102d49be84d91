// The utility over a real serial port to orvex-sim on a pseudo-terminal, at the real 100 ms tick
// unless a case says otherwise.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <ctime>

#include "app/form1.h"
#include "app/widgets.h"
#include "sim/unit_model.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "support/table_files.h"
#include "support/test_window.h"
#include "tables/table_graph.h"
#include "tables/tables_page.h"

namespace {

const QColor kGreen{0, 240, 0};

// The window on orvex-sim as COM4, the unit's EEPROM in a file (that may be filled first).
// Backups go to the rig's folder.
struct Rig {
    explicit Rig(const QStringList& args, int tickMs = DeviceLink::kTickMs,
                 const QByteArray& eepromAtStart = {})
        : sim(args, eepromAtStart) {
        qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
        options.commandLinePorts.insert(4, sim.device());
        options.forcedPort = QStringLiteral("COM4");
        options.dialogs = &dialogs;
        options.tickMs = tickMs;
        options.openUrl = [this](const QUrl& url) { return opened << url, true; };
        reopen();
    }
    // A new window on the same unit, as the next run of the program.
    void reopen() {
        form.reset();
        form = std::make_unique<Form1>(options);
        form->Form_Load();
    }
    template <class T = QWidget>
    T* get(const char* name) const {
        return form->findChild<T*>(QLatin1String(name));
    }
    QString status() const { return get<QLabel>("labStat")->text(); }
    QColor indicator() const { return get<ShapeWidget>("shpPort")->fillColor(); }
    void click(const char* name) { get<QAbstractButton>(name)->click(); }
    // On the tables page the first pin is chosen. The page switch sends "tf" without awaiting
    // its reply; it lands before the next click, as it would before a user's.
    void showPage(int index) {
        get<QTabWidget>("SSTab1")->setCurrentIndex(index);
        if (index == 2) {
            get<QComboBox>("cboOutputPin")->setCurrentIndex(1);
        }
        form->link().wait_ticks(5);
    }
    // Cells 0 and 1 are where the unit keeps its calibration value.
    int savedCalValue() const { return sim.eeprom().left(2).toHex().toInt(nullptr, 16); }
    // The first pin's table as the program will program it, and as the unit holds it.
    QByteArray image() const { return form->tables().model().snapshot().toBytes(); }
    QByteArray unitTable() const { return sim.eeprom().mid(0x7A, tables::kTableBytes); }

    QTemporaryDir dir;
    SimProcess sim;
    ScriptedDialogs dialogs;
    Form1::Options options;
    QList<QUrl> opened;  // what "Show Folder" asked the desktop to open
    std::unique_ptr<Form1> form;
};

// The flash history's runs as the window wrote them, each cut into its fields.
QList<QStringList> history(const Rig& r) {
    QList<QStringList> runs;
    const QStringList lines = QString::fromUtf8(readFile(r.dir.filePath("Orvex/history.tsv")))
                                  .split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines.mid(1)) {
        runs << line.split(u'\t');
    }
    return runs;
}

int traceLines(const QString& text) {
    static const QRegularExpression line(
        QStringLiteral("^[0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4}\r$"),
        QRegularExpression::MultilineOption);
    return static_cast<int>(text.count(line));
}

}  // namespace

class TestE2e : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    // Start-up and a trace, each answer where the user looks for it (a typed command:
    // replyStyle_everyOperationWorks); then the unit hangs up on the eighth command.
    void consoleSession_answersInPlaceAndHangUpReported() {
        Rig r({"--version-text", "3.07", "--hangup-after", "8"});
        QVERIFY(r.sim.started());
        QCOMPARE(r.get<QLabel>("lBootVersion")->text(), QStringLiteral("Vers = 3.07"));
        QTRY_COMPARE(r.sim.log(), (QStringList{"tf", "v"}));

        DataArea& data = *r.get<DataArea>("txtData");
        QTest::mouseClick(r.get<QAbstractButton>("btnStartTrace"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(traceLines(data.text()) >= 5, 5000);
        // The version heads the trace: no trace line comes before its reply.
        const qsizetype version = data.text().indexOf(QStringLiteral("\r\nv 3.07\r\n"));
        QVERIFY(version >= 0);
        QCOMPARE(traceLines(data.text().left(version)), 0);
        QCOMPARE(data.text(), r.form->link().RxBuffer());
        data.flushDisplay();  // drawn a few times a second, and only while shown
        QCOMPARE(data.toPlainText(), QString(data.text()).remove(u'\r'));
        QTest::mouseClick(r.get<QAbstractButton>("btnStopTrace"), Qt::LeftButton);
        QTest::qWait(400);  // a line already on the wire may still land; then the trace stays still
        const int stopped = traceLines(data.text());
        QTest::qWait(600);
        QCOMPARE(traceLines(data.text()), stopped);
        QCOMPARE(r.sim.log(), (QStringList{"tf", "v", "tf", "s0383", "v", "t1", "tf"}));

        r.form->link().TxString(QStringLiteral("v"));  // the eighth command
        r.form->link().GetResponse();
        QTRY_VERIFY(!r.form->link().isOpen());
        QCOMPARE(r.status(), QStringLiteral("Lost connection to COM4"));
        QCOMPARE(r.indicator(), ShapeWidget::neutralColor());
    }

    void silentUnit_redAndWaitDoesNotSpin() {
        Rig r({"--silent"});
        QVERIFY(r.sim.started());
        QCOMPARE(r.indicator(), QColor(255, 0, 0));
        const std::clock_t cpuBefore = std::clock();  // this process's time on all cores
        QElapsedTimer wall;
        wall.start();
        r.form->link().TxString(QStringLiteral("v"));
        r.form->link().GetResponse();
        const double cpu = (std::clock() - cpuBefore) * 1000.0 / CLOCKS_PER_SEC;
        QVERIFY(r.form->link().bTimedOut());
        QVERIFY2(wall.elapsed() >= 1400 && wall.elapsed() <= 1800,
                 qPrintable(QString::number(wall.elapsed())));
        // A wait blocks on events; a spinning wait would use a whole core.
        QVERIFY2(cpu < 0.10 * wall.elapsed(), qPrintable(QString::number(cpu)));
    }

    // The unit's own table: read as it is, kept before a Flash by reads that all come before the
    // first write, given back by that backup, and compared entry by entry; a refused backup
    // writes nothing.
    void unitTable_readBackedUpAndComparedAgainstTheUnit() {
        QByteArray held = UnitModel::factoryEeprom();
        for (int i = 0; i < tables::kEntries; ++i) {
            held[0x7A + 2 * i] = static_cast<char>((100 + 50 * i) & 0xFF);  // low byte first
            held[0x7A + 2 * i + 1] = static_cast<char>((100 + 50 * i) >> 8);
        }
        Rig r({"--no-pacing"}, 20, held);
        QVERIFY(r.sim.started());
        r.showPage(2);
        const QByteArray linear = r.image();
        r.click("btnReadUnit");
        QCOMPARE(r.status(), QStringLiteral("Read table from unit, a table of its own"));
        QCOMPARE(r.image().toHex(' '), held.mid(0x7A, tables::kTableBytes).toHex(' '));

        // The backup refused: nothing written.
        r.form->tables().btnGenTable_Click();
        QFile blocker(r.dir.filePath(QStringLiteral("Orvex")));  // a file where the folder goes
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qsizetype mark = r.sim.log().size();
        r.click("btnFlashTable");
        // Nor can the history be written there: said once, with the run's own end.
        QCOMPARE(r.status(), QStringLiteral("Programming aborted: 0 of 130 locations written, 0 "
                                            "verified. No backup was made. Flash history not "
                                            "written: cannot make the folder ") +
                                 r.dir.filePath(QStringLiteral("Orvex")));
        QVERIFY(r.dialogs.asked.last().text.startsWith(u"The unit's table could not be saved"));
        QCOMPARE(r.sim.log().mid(mark).filter(QRegularExpression("^e")), QStringList());
        QCOMPARE(r.sim.eeprom(), held);

        QVERIFY(blocker.remove());
        mark = r.sim.log().size();
        r.click("btnFlashTable");
        QCOMPARE(r.status(), QStringLiteral("Programming Complete."));
        QCOMPARE(r.unitTable(), linear);
        const QStringList sent = r.sim.log().mid(mark);
        for (int i = 0; i < 2 * tables::kTableBytes; ++i) {  // each byte twice, after the "tf"
            QCOMPARE(sent.at(1 + i), QString::asprintf("a%04X", 0x7A + i / 2));
        }
        QVERIFY(sent.at(1 + 2 * tables::kTableBytes).startsWith(u"e007A"));
        const QFileInfoList backups =
            QDir(r.dir.filePath(QStringLiteral("Orvex/backups"))).entryInfoList(QDir::Files);
        QCOMPARE(backups.size(), 1);
        QVERIFY(r.form->data().text().startsWith("Backup saved to " + backups[0].filePath()));

        // The backup programmed without a backup; then three values changed by hand are the three
        // Compare finds.
        r.get<QLineEdit>("txtAFRfilename")->setText(backups[0].filePath());
        r.click("cmdGOfile");
        QVERIFY(QDir(r.dir.path()).rename(QStringLiteral("Orvex"), QStringLiteral("kept")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        r.dialogs.yesNoAnswers << Dialogs::Button::Yes;  // program without a backup this time
        r.click("btnFlashTable");
        QCOMPARE(r.status(), QStringLiteral("Programming Complete."));
        QCOMPARE(r.unitTable(), held.mid(0x7A, tables::kTableBytes));
        r.get<DataArea>("txtAFRfileData")->setText(QString::fromLatin1(lines([](int i) {
            return QByteArray::number(i == 3 || i == 40 || i == 64 ? 7 : 100 + 50 * i);
        })));
        r.click("cmdUseText");
        r.click("btnCompare");
        QCOMPARE(r.status(), QStringLiteral("3 entries differ from the unit, a table of its own"));
        QCOMPARE(r.form->data().text(), QStringLiteral("Index  Unit  Table\r\n3  250  7\r\n"
                                                       "40  2100  7\r\n64  3300  7\r\n"));
    }

    // "Backups ...": a backup listed with its pin and port, drawn over the table, compared with
    // the unit, and restored through Flash's own run into the unit and the history; one cut short
    // says why and cannot be restored. A port lost mid-run is recorded as lost.
    void backups_listedComparedRestoredAndRecorded() {
        const QByteArray held = unlikeNeighbours();
        Rig r({"--no-pacing"}, 20, held);
        r.form->show();
        r.showPage(2);
        r.click("btnFlashTable");
        r.click("btnReadUnit");
        const QString date = QStringLiteral(" 20\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$");
        QVERIFY2(QRegularExpression("^Read table from unit = the linear table flashed on" + date)
                     .match(r.status())
                     .hasMatch(),
                 qPrintable(r.status()));
        const QString folder = r.dir.filePath(QStringLiteral("Orvex/backups"));
        const QString backup = history(r)[0][7];
        QVERIFY(writeFile(folder + "/2020-01-01_00-00-00_WBlin.txt", readFile(backup).left(200)));

        QTest::mouseClick(r.get<QAbstractButton>("btnBackups"), Qt::LeftButton);
        auto* dialog = r.form->findChild<QDialog*>(QStringLiteral("frmBackups"));
        QVERIFY(dialog && dialog->isVisible());
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("lstBackups"));
        const auto pick = [list](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(row)).center());
        };
        const auto press = [dialog](const char* name) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
        };
        QCOMPARE(list->topLevelItemCount(), 2);
        pick(1);
        QVERIFY(list->topLevelItem(1)->text(3).startsWith(u"cannot be restored: truncated: "));
        QVERIFY(!dialog->findChild<QPushButton*>(QStringLiteral("btnBackupRestore"))->isEnabled());
        pick(0);
        QCOMPARE(list->topLevelItem(0)->text(2), "unit on COM4 (" + r.sim.device() + ')');
        QCOMPARE(list->topLevelItem(0)->text(3), QString());  // not the linear table shown
        QVERIFY(r.form->tables().graph().hasUnitValues() &&
                r.get<QCheckBox>("chkGraph")->isChecked());
        press("btnBackupCompare");
        QVERIFY(r.status().endsWith(u" entries differ from the unit"));
        QVERIFY(dialog->findChild<QPlainTextEdit*>()->toPlainText().contains(
            u"\nIndex  Unit  Table\n0  "));
        press("btnBackupFolder");
        QCOMPARE(r.opened, QList{QUrl::fromLocalFile(folder)});
        r.dialogs.yesNoAnswers << Dialogs::Button::Yes;
        press("btnBackupRestore");
        QCOMPARE(r.status(), QStringLiteral("Programming Complete."));
        QVERIFY(!dialog->isVisible() && !r.form->tables().graph().hasUnitValues());
        QCOMPARE(r.unitTable(), held.mid(0x7A, tables::kTableBytes));
        const QList<QStringList> runs = history(r);
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[1].mid(1, 6),
                 (QStringList{"orvex-config", "restore", "COM4 (" + r.sim.device() + ')', "WBlin",
                              backup, QString::fromLatin1(r.unitTable().toHex())}));
        QCOMPARE(std::pair(runs[0][8], runs[1][8]),
                 std::pair(QStringLiteral("verified"), QStringLiteral("verified")));

        Rig lost({"--no-pacing", "--hangup-after", "400"}, 20);
        lost.showPage(2);
        lost.click("btnFlashTable");
        QVERIFY2(lost.status().startsWith(u"Programming stopped: lost connection to COM4; "),
                 qPrintable(lost.status()));
        QCOMPARE(history(lost).value(0).value(8), QStringLiteral("lost"));
    }

    // "Output Test ...": the pin held at a voltage with real clicks, the ECU's reading explained
    // against the table the unit held, the test told in the dialog, on the status line and when
    // the window closes (Cancel keeps it, Leave it tells the next window); the dialog's Restore
    // and the closing question's give the unit its own EEPROM back, each run in the history.
    void outputTest_heldToldAndRestored() {
        Rig r({"--no-pacing"}, 20, unlikeNeighbours());
        r.form->show();
        r.showPage(2);
        r.click("btnFlashTable");  // the page's start table: 9 AFR at 0 V to 19 AFR at 5 V
        const QByteArray own = r.sim.eeprom();
        QDialog* dialog = nullptr;
        const auto child = [&dialog](const char* name) {
            return dialog->findChild<QWidget*>(QLatin1String(name));
        };
        const auto text = [&](const char* name) {
            return static_cast<QLabel*>(child(name))->text();
        };
        const auto press = [&](const char* name) {
            QTest::mouseClick(child(name), Qt::LeftButton);
        };
        const auto type = [&](const char* name, const QString& typed) {
            auto* edit = static_cast<QLineEdit*>(child(name));
            edit->setFocus(Qt::MouseFocusReason);
            edit->selectAll();
            QTest::keyClicks(edit, typed);
        };
        const auto open = [&] {
            QTest::mouseClick(r.get<QAbstractButton>("btnOutputTest"), Qt::LeftButton);
            dialog = r.form->findChild<QDialog*>(QStringLiteral("frmOutputTest"));
            QVERIFY(dialog && dialog->isVisible());
        };
        const auto hold = [&](const QString& volts, int count) {
            type("txtTestVolts", volts);
            press("btnTestHold");
            QCOMPARE(r.status(), QStringLiteral("Programming Complete."));
            QCOMPARE(words(r.unitTable()), QList<int>(tables::kEntries, count));
        };
        const QColor red(255, 0, 0);
        const auto statusColour = [&r] {
            return r.get<QLabel>("labStat")->palette().color(QPalette::WindowText);
        };

        open();
        QCOMPARE(text("lblTestState"), QStringLiteral("WBlin holds its own table: no test table"));
        QVERIFY(!child("btnTestRestore")->isEnabled());
        r.form->link().closePort();  // a hold refused at once records no test
        press("btnTestHold");
        QCOMPARE(r.status(), QStringLiteral("COM port must be opened first"));
        QCOMPARE(text("lblTestState"), QStringLiteral("WBlin holds its own table: no test table"));
        QVERIFY(r.form->link().OpenPort(QStringLiteral("COM4")));
        hold(QStringLiteral("2,5"), 2048);
        const QString backup = history(r)[1][7];
        QCOMPARE(fileValues(backup), words(own.mid(0x7A, tables::kTableBytes)));
        const QString told =
            QStringLiteral(
                "WBlin holds a 2.50 V test table - Restore puts back the table saved "
                "at ") +
            QFileInfo(backup).fileName().mid(11, 8).replace(u'-', u':');
        QCOMPARE(text("lblTestState"), told);
        type("txtEcuReads", QStringLiteral("2.41"));
        QVERIFY2(text("lblTestOffset").startsWith(u"Offset -0.09 V: ") &&
                     text("lblTestOffset")
                         .endsWith(u"the ECU reads 0.18 AFR richer than the unit "
                                   u"means"),
                 qPrintable(text("lblTestOffset")));
        press("btnTestClose");
        QVERIFY(!dialog->isVisible());
        QCOMPARE(std::pair(r.status(), statusColour()), std::pair(told, red));

        r.dialogs.choiceAnswers << 2;  // Cancel
        QVERIFY(!r.form->close());
        QVERIFY(r.form->isVisible());
        QCOMPARE(r.dialogs.choices.last(), (QStringList{"Restore", "Leave it", "Cancel"}));
        QVERIFY(r.dialogs.asked.last().text.startsWith(told));
        r.dialogs.choiceAnswers << 1;  // Leave it
        QVERIFY(r.form->close());
        r.reopen();
        QCOMPARE(std::pair(r.status(), statusColour()), std::pair(told, red));

        // Held again at another voltage, the test keeps the backup of the unit's own table.
        r.form->show();
        r.showPage(2);
        open();
        hold(QStringLiteral("0.5"), 410);
        QCOMPARE(text("lblTestState"), QString(told).replace(QStringLiteral("2.50 V"), "0.50 V"));
        press("btnTestRestore");
        QCOMPARE(r.status(), QStringLiteral("Programming Complete."));
        QCOMPARE(r.sim.eeprom(), own);
        QCOMPARE(text("lblTestState"), QStringLiteral("WBlin holds its own table: no test table"));
        QVERIFY(!child("btnTestRestore")->isEnabled());

        hold(QStringLiteral("5"), 4095);
        press("btnTestClose");
        const qsizetype asked = r.dialogs.choices.size();
        r.dialogs.choiceAnswers << 0;  // Restore, then close
        QVERIFY(r.form->close());
        QCOMPARE(r.dialogs.choices.size(), asked + 1);
        QCOMPARE(r.sim.eeprom(), own);
        QVERIFY(!QFile::exists(r.dir.filePath(QStringLiteral("Orvex/output-test.json"))));

        QStringList runs;
        for (const QStringList& run : history(r)) {
            runs << run[2] + u' ' + run[5] + u' ' + run[8];
        }
        const QString fresh = history(r)[4][7];  // a test begun anew backs the pin up anew
        QCOMPARE(
            runs,
            (QStringList{
                "flash Linear Parameters ... verified", "test hold test table 2.50 V verified",
                "test hold test table 0.50 V verified", "test restore " + backup + " verified",
                "test hold test table 5.00 V verified", "test restore " + fresh + " verified"}));
    }

    // The unit's adapter unplugged mid-flash and plugged in again: the port map names a symlink
    // that goes away with the device and comes back with it. The flash ends and is not taken up
    // again; the list follows the adapter, and the window reopens the port and greets the unit.
    void hotPlug_sameDeviceBack_reconnectsGreetsRunNotResumed() {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
        const QString link = dir.filePath(QStringLiteral("ttyOrvex"));
        auto sim = std::make_unique<SimProcess>(QStringList{"--no-pacing", "--link", link});
        QVERIFY(sim->started());
        ScriptedDialogs dialogs;
        Form1::Options options;
        options.commandLinePorts.insert(4, link);
        options.forcedPort = QStringLiteral("COM4");
        options.dialogs = &dialogs;
        options.tickMs = 20;
        Form1 form(options);
        form.Form_Load();
        const auto get = [&form](const char* name) {
            return form.findChild<QWidget*>(QLatin1String(name));
        };
        const auto status = [&] { return static_cast<QLabel*>(get("labStat"))->text(); };
        auto* ports = static_cast<QComboBox*>(get("cboPort"));
        QCOMPARE(ports->currentText(), QStringLiteral("COM4"));

        static_cast<QTabWidget*>(get("SSTab1"))->setCurrentIndex(2);
        static_cast<QComboBox*>(get("cboOutputPin"))->setCurrentIndex(1);
        when([&] { return !sim->log().filter(QRegularExpression("^e")).isEmpty(); },
             [&] { sim->stop(); });
        static_cast<QAbstractButton*>(get("btnFlashTable"))->click();
        QVERIFY2(status().startsWith(u"Programming stopped: lost connection to COM4; "),
                 qPrintable(status()));
        QVERIFY(!QFileInfo(link).isSymLink());
        QTRY_COMPARE_WITH_TIMEOUT(ports->findText(QStringLiteral("COM4")), -1, 5000);

        sim = std::make_unique<SimProcess>(
            QStringList{"--no-pacing", "--link", link, "--version-text", "3.08"});
        QVERIFY(sim->started());
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Reconnected to COM4"), 5000);
        QCOMPARE(static_cast<QLabel*>(get("lBootVersion"))->text(), QStringLiteral("Vers = 3.08"));
        QCOMPARE(static_cast<ShapeWidget*>(get("shpPort"))->fillColor(), kGreen);
        QCOMPARE(ports->currentText(), QStringLiteral("COM4"));
        form.link().wait_ticks(10);
        QCOMPARE(sim->log(), (QStringList{"tf", "v"}));  // greeted, and nothing resent
    }

    void replyStyle_everyOperationWorks_data() {
        QTest::addColumn<QString>("style");
        for (const char* style : {"standard", "colon", "no-echo", "trailing", "lf"}) {
            QTest::newRow(style) << QString::fromLatin1(style);
        }
    }

    // Every framing a real unit may use: two line feeds end each reply and its parameter follows
    // the first blank. The standard one runs at the real tick on a paced line; a short tick and an
    // unpaced unit keep the other four quick.
    void replyStyle_everyOperationWorks() {
        QFETCH(QString, style);
        const bool real = style == u"standard";
        Rig r(QStringList{"--reply-style", style, "--true-point", "3700"} +
                  (real ? QStringList() : QStringList{"--no-pacing", "--trace-interval-ms", "10"}),
              real ? DeviceLink::kTickMs : 20);
        QVERIFY(r.sim.started());
        QCOMPARE(r.get<QLabel>("lBootVersion")->text(), QStringLiteral("Vers = 2.01"));
        QCOMPARE(r.indicator(), kGreen);
        auto* command = r.get<QLineEdit>("txtCommand");
        command->setText(QStringLiteral("g04"));
        QTest::keyClick(command, Qt::Key_Return);
        QTRY_VERIFY(r.form->data().text().contains(QRegularExpression("\\[ g04 \\][^[]*0005")));
        r.showPage(1);
        r.click("btnLast");
        QCOMPARE(r.status(), QStringLiteral("Calibration point set to  3800"));
        r.click("btnAutoCal");
        QCOMPARE(r.get<QLabel>("lautoInProgress")->text(), QStringLiteral("Cal Value = 3700"));
        r.click("btnUpdate");
        QTRY_COMPARE(r.savedCalValue(), 3700);
        r.showPage(2);
        r.click("btnFlashTable");
        QCOMPARE(r.status(), QStringLiteral("Programming Complete."));
        QVERIFY(r.dialogs.asked.isEmpty());
        QVERIFY(r.image().count('\0') < tables::kTableBytes);  // not what the unit held before
        QCOMPARE(r.unitTable().toHex(' '), r.image().toHex(' '));
    }
};

QTEST_MAIN(TestE2e)
#include "test_e2e.moc"
