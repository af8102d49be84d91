#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/widgets.h"
#include "eeprom/eeprom_controller.h"
#include "support/test_window.h"
#include "tables/table_defaults.h"
#include "tables/tables_controller.h"

namespace {

const QColor kRed{255, 0, 0};
const QColor kGreen{0, 128, 0};

struct Flash {
    TestWindow w;
    qsizetype before = 0;

    // Flash is used on the "AFR Tables" page, where received data is not shown in txtData.
    explicit Flash(TestWindow::Config config = {}) : w(std::move(config)) {
        w.get<QTabWidget>("SSTab1")->setCurrentIndex(2);
    }

    TablesController& tables() { return *w.get<TablesController>("tablesController"); }
    EepromController& eeprom() { return *w.get<EepromController>("eepromController"); }
    void choose(const char* combo, int index) { w.get<QComboBox>(combo)->setCurrentIndex(index); }
    void click() {
        before = w.sent().size();
        w.get<QPushButton>("btnFlashTable")->click();
    }
    QStringList sentByRun() const { return w.sent().mid(before); }
    QStringList sentStartingWith(char c) const {
        QStringList out;
        for (const QString& s : sentByRun()) {
            if (s.startsWith(QLatin1Char(c))) {
                out.append(s);
            }
        }
        return out;
    }
    QString log() const { return w.form->data().text(); }
    QByteArray unitTable(int start) const { return w.model->eeprom().mid(start, 130); }
    QByteArray imageTable(int start) {
        QByteArray out;
        for (int a = start; a < start + 130; ++a) {
            out.append(static_cast<char>(tables().model().imageByte(a)));
        }
        return out;
    }
    bool idle() const {
        return !w.get<QPushButton>("btnFlashTable")->isHidden() &&
               w.get<QPushButton>("btnAbortFlash")->isHidden() &&
               w.get<QProgressBar>("prgFlash")->isHidden();
    }
};

QString hex4Text(int n) {
    return QStringLiteral("%1").arg(n, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

class TestFlashWindow : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() { TestWindow::clearSettings(); }
    void pins_programAndVerifyTheirRange_data();
    void pins_programAndVerifyTheirRange();
    void builtInTableBeforePin_programmedAsListed();
    void fileSourceWithoutTable_sendsNothing();
    void cancelInProgrammingPass_skipsVerificationAndReportsAbort();
    void weakCell_verifyBoxOnceAndFinishedWithErrors();
    void abortDuringRun_stopsBeforeNextAddress();
    void abortWhileIdle_changesNothing();
    void graphShown_turnedOffFirst();
    void portClosed_reportedAndNothingSent();
    void windowClosedWhileTfAwaited_nothingMoreSent();
    void tableChangedMidRun_programsTheTableShownAtFlash();
};

void TestFlashWindow::pins_programAndVerifyTheirRange_data() {
    QTest::addColumn<int>("pin");
    QTest::addColumn<int>("start");
    QTest::newRow("pin 1") << 1 << 0x7A;
    QTest::newRow("pin 2") << 2 << 0xFC;
    QTest::newRow("pin 3") << 3 << 0x17E;
}

void TestFlashWindow::pins_programAndVerifyTheirRange() {
    QFETCH(int, pin);
    QFETCH(int, start);
    Flash f;
    int progressSeen = 0;
    bool abortShown = false;
    QObject::connect(&f.w.form->link(), &DeviceLink::parameterShown, [&] {
        auto* bar = f.w.get<QProgressBar>("prgFlash");
        if (!bar->isHidden() && bar->value() > progressSeen) {
            progressSeen = bar->value();
        }
        abortShown = abortShown || !f.w.get<QPushButton>("btnAbortFlash")->isHidden();
    });
    f.choose("cboOutputPin", pin);
    QVERIFY(f.tables().model().bTableStored());
    f.click();

    const QStringList writes = f.sentStartingWith('e');
    const QStringList reads = f.sentStartingWith('a');
    QCOMPARE(writes.size(), 130);
    QCOMPARE(reads.size(), 130);
    QCOMPARE(writes.first().left(5), QLatin1String("e") + hex4Text(start));
    QCOMPARE(writes.last().left(5), QLatin1String("e") + hex4Text(start + 129));
    QCOMPARE(reads.first(), QLatin1String("a") + hex4Text(start));
    QCOMPARE(reads.last(), QLatin1String("a") + hex4Text(start + 129));
    for (const QString& c : writes) {
        QCOMPARE(c.size(), 7);
        QCOMPARE(c.mid(1), c.mid(1).toUpper());
    }
    const QStringList run = f.sentByRun();
    QCOMPARE(run.first(), QStringLiteral("tf"));
    QCOMPARE(run.mid(run.size() - 2), (QStringList{"tf", "v"}));

    QCOMPARE(f.unitTable(start), f.imageTable(start));
    QCOMPARE(f.w.statusText(), QStringLiteral("Programming Complete."));
    QCOMPARE(f.w.statusColour(), kGreen);
    QVERIFY(f.log().startsWith(QStringLiteral("EEPROM programming Address=Data\r\n") +
                               hex4Text(start).mid(1) + QLatin1Char('=')));
    QVERIFY(f.log().endsWith(QStringLiteral(" Programming complete.")));
    QCOMPARE(f.w.get<QLabel>("Label1")->text(), QLatin1String("a") + hex4Text(start + 129));
    QVERIFY(abortShown);
    QCOMPARE(progressSeen, 259);  // the last location's step is shown after its exchange
    QVERIFY(f.idle());
    QVERIFY(f.w.form->bAborted);
    QVERIFY(!f.eeprom().bFlashing);
}

void TestFlashWindow::builtInTableBeforePin_programmedAsListed() {
    Flash f;
    f.choose("cboEEdata", 2);
    f.choose("cboOutputPin", 1);
    QVERIFY(!f.tables().model().bTableGenerated());
    f.click();

    QByteArray expected;
    for (const qint16 v : tables::DefaultTables[0]) {
        expected.append(static_cast<char>(v & 0xFF));
        expected.append(static_cast<char>((v >> 8) & 0xFF));
    }
    QCOMPARE(f.unitTable(0x7A), expected);
    QCOMPARE(f.w.statusText(), QStringLiteral("Programming Complete."));
}

void TestFlashWindow::fileSourceWithoutTable_sendsNothing() {
    Flash f;
    f.choose("cboEEdata", 1);  // the file box still says "Filename": nothing is read
    f.choose("cboOutputPin", 1);
    QVERIFY(!f.tables().model().bTableStored());
    f.click();
    QVERIFY(f.sentByRun().isEmpty());
    QCOMPARE(f.w.statusText(), QStringLiteral("No table generated"));
    QCOMPARE(f.w.statusColour(), kRed);
}

void TestFlashWindow::cancelInProgrammingPass_skipsVerificationAndReportsAbort() {
    TestWindow::Config config;
    config.unit.lowerCase = true;  // 007A comes back as 007a: never a confirmation
    Flash f(config);
    f.choose("cboOutputPin", 1);
    f.w.dialogs.answers.enqueue(Dialogs::Button::Cancel);
    f.click();

    QCOMPARE(f.sentStartingWith('e').size(), 5);
    QVERIFY(f.sentStartingWith('a').isEmpty());
    QCOMPARE(f.w.dialogs.asked.size(), 1);
    QCOMPARE(f.w.dialogs.asked[0].title, QStringLiteral("EEPROM Program Error"));
    QCOMPARE(f.w.dialogs.asked[0].text, QStringLiteral("addr = 007A, response = 007a"));
    QVERIFY(f.w.dialogs.asked[0].icon == Dialogs::Icon::Critical);
    QCOMPARE(f.w.statusText(), QStringLiteral("Programming aborted."));
    QCOMPARE(f.w.statusColour(), kRed);
    QCOMPARE(f.log(), QStringLiteral("EEPROM programming Address=Data\r\nProgramming aborted."));
    QCOMPARE(f.sentByRun().mid(f.sentByRun().size() - 2), (QStringList{"tf", "v"}));
    QVERIFY(f.idle());
}

void TestFlashWindow::weakCell_verifyBoxOnceAndFinishedWithErrors() {
    TestWindow::Config config;
    config.unit.weakCells = {WeakCell{0x90, 0xFF}};
    Flash f(config);
    f.choose("cboOutputPin", 1);
    QVERIFY(f.tables().model().imageByte(0x90) != 0);  // else the cell could not show its fault
    f.click();

    QCOMPARE(f.w.dialogs.asked.size(), 1);
    QCOMPARE(f.w.dialogs.asked[0].title, QStringLiteral("EEPROM Verify Error"));
    QVERIFY(f.w.dialogs.asked[0].icon == Dialogs::Icon::Exclamation);
    QVERIFY(f.w.dialogs.asked[0].text.startsWith(QStringLiteral("addr = 0090, wrote = 00")));
    QVERIFY(f.w.dialogs.asked[0].text.endsWith(QStringLiteral(", read = 0000")));
    QCOMPARE(f.sentByRun().count(QStringLiteral("a0090")), 5);
    QCOMPARE(f.sentStartingWith('a').size(), 134);
    QCOMPARE(f.w.statusText(), QStringLiteral("Programming finished with errors at 1 locations."));
    QCOMPARE(f.w.statusColour(), kRed);
    QVERIFY(f.log().endsWith(QStringLiteral(" Programming finished with errors at 1 locations.")));
}

void TestFlashWindow::abortDuringRun_stopsBeforeNextAddress() {
    Flash f;
    f.choose("cboOutputPin", 1);
    int exchanges = 0;
    QObject::connect(&f.w.form->link(), &DeviceLink::parameterShown, [&] {
        // The click comes while the 10th write's reply is handled.
        if (++exchanges == 10) {
            f.w.get<QPushButton>("btnAbortFlash")->click();
        }
    });
    f.click();
    QCOMPARE(f.sentStartingWith('e').size(), 10);
    QVERIFY(f.sentStartingWith('a').isEmpty());
    QCOMPARE(f.w.statusText(), QStringLiteral("Programming aborted."));
    const QString lastByte = QStringLiteral("%1")
                                 .arg(f.tables().model().imageByte(0x83), 2, 16, QLatin1Char('0'))
                                 .toUpper();
    QVERIFY(f.log().endsWith(QStringLiteral("083=") + lastByte +
                             QStringLiteral(" Programming aborted.")));
    QVERIFY(f.idle());
    QVERIFY(!f.eeprom().bFlashing);
}

void TestFlashWindow::abortWhileIdle_changesNothing() {
    Flash f;
    f.w.form->bAborted = false;
    f.w.get<QPushButton>("btnAbortFlash")->click();
    QVERIFY(!f.w.form->bAborted);
    QVERIFY(f.idle());
}

void TestFlashWindow::graphShown_turnedOffFirst() {
    Flash f;
    f.choose("cboOutputPin", 1);
    f.w.get<QCheckBox>("chkGraph")->setChecked(true);
    QVERIFY(f.tables().graph().bGraphEnabled);
    f.click();
    QVERIFY(!f.w.get<QCheckBox>("chkGraph")->isChecked());
    QVERIFY(!f.tables().graph().bGraphEnabled);
    QCOMPARE(f.w.statusText(), QStringLiteral("Programming Complete."));
}

void TestFlashWindow::portClosed_reportedAndNothingSent() {
    Flash f;
    f.choose("cboOutputPin", 1);
    f.w.form->link().closePort();
    f.click();
    QVERIFY(f.sentByRun().isEmpty());
    QCOMPARE(f.w.statusText(), QStringLiteral("COM port must be opened first"));
    QCOMPARE(f.w.statusColour(), kRed);
    QVERIFY(f.idle());
}

void TestFlashWindow::windowClosedWhileTfAwaited_nothingMoreSent() {
    Flash f;
    f.choose("cboOutputPin", 1);
    f.w.form->show();
    f.w.form->link().wait_ticks(3);  // the page switch's "tf" is answered and read first
    UnitOptions options = f.w.model->options();
    options.silent = true;  // the "tf" before the run is not answered at once
    f.w.model->setOptions(options);
    bool closed = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!closed && f.sentByRun().contains(QStringLiteral("tf"))) {
            closed = true;
            f.w.form->close();
            options.silent = false;  // a run that went on anyway would now reach the unit
            f.w.model->setOptions(options);
        }
    });
    watch.start(1);
    f.click();
    QVERIFY(closed);
    QCOMPARE(f.sentByRun().join(u','), QStringLiteral("tf"));
}

void TestFlashWindow::tableChangedMidRun_programsTheTableShownAtFlash() {
    Flash f;
    f.choose("cboOutputPin", 1);
    const QByteArray shown = f.imageTable(0x7A);
    int exchanges = 0;
    QObject::connect(&f.w.form->link(), &DeviceLink::parameterShown, [&] {
        if (++exchanges == 40) {
            f.choose("cboEEdata", 4);  // another table for the same pin, chosen mid-run
        }
    });
    f.click();
    QVERIFY(f.imageTable(0x7A) != shown);
    QCOMPARE(f.unitTable(0x7A), shown);
    QCOMPARE(f.w.statusText(), QStringLiteral("Programming Complete."));
    QVERIFY(f.w.dialogs.asked.isEmpty());
}

QTEST_MAIN(TestFlashWindow)
#include "test_flash_window.moc"
