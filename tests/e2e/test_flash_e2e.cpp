#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/form1.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "tables/tables_controller.h"

// A table flashed over a real serial port into orvex-sim, checked against the simulator's
// EEPROM file.
class TestFlashE2e : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void flash_unitHoldsTheImage();
    void weakCell_verifyErrorAtThatAddressOnly();

  private:
    static std::unique_ptr<Form1> open(const SimProcess& sim, ScriptedDialogs* dialogs);
    static QByteArray imageTable(Form1& form, int start);
};

std::unique_ptr<Form1> TestFlashE2e::open(const SimProcess& sim, ScriptedDialogs* dialogs) {
    Form1::Options options;
    options.commandLinePorts.insert(3, sim.device());
    options.forcedPort = QStringLiteral("COM3");
    options.dialogs = dialogs;
    auto form = std::make_unique<Form1>(options);
    form->Form_Load();
    form->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
    form->findChild<QComboBox*>(QStringLiteral("cboOutputPin"))->setCurrentIndex(1);
    // The page switch sends "tf" without awaiting its reply; let it land as it would before a
    // user's click.
    form->link().wait_ticks(5);
    return form;
}

QByteArray TestFlashE2e::imageTable(Form1& form, int start) {
    const TableModel& model =
        form.findChild<TablesController*>(QStringLiteral("tablesController"))->model();
    QByteArray out;
    for (int a = start; a < start + 130; ++a) {
        out.append(static_cast<char>(model.imageByte(a)));
    }
    return out;
}

void TestFlashE2e::flash_unitHoldsTheImage() {
    QTemporaryDir dir;
    const QString eeprom = dir.filePath(QStringLiteral("unit.eeprom"));
    SimProcess sim({QStringLiteral("--no-pacing"), QStringLiteral("--eeprom-file"), eeprom});
    QVERIFY(sim.started());
    ScriptedDialogs dialogs;
    auto form = open(sim, &dialogs);
    QVERIFY(form->link().isOpen());
    const QByteArray expected = imageTable(*form, 0x7A);

    form->findChild<QPushButton*>(QStringLiteral("btnFlashTable"))->click();
    QCOMPARE(form->findChild<QLabel*>(QStringLiteral("labStat"))->text(),
             QStringLiteral("Programming Complete."));
    QVERIFY(dialogs.asked.isEmpty());
    QTRY_COMPARE(sim.log().filter(QRegularExpression(QStringLiteral("^[ea]0"))).size(), 260);

    sim.stop();  // the simulator writes its EEPROM file at exit at the latest
    QFile file(eeprom);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray unit = file.readAll();
    QCOMPARE(unit.size(), 513);
    QCOMPARE(unit.mid(0x7A, 130), expected);
}

void TestFlashE2e::weakCell_verifyErrorAtThatAddressOnly() {
    SimProcess sim({QStringLiteral("--no-pacing"), QStringLiteral("--weak-cell"),
                    QStringLiteral("0x90:0xff")});
    QVERIFY(sim.started());
    ScriptedDialogs dialogs;
    auto form = open(sim, &dialogs);
    QVERIFY(imageTable(*form, 0x7A).at(0x90 - 0x7A) != 0);

    form->findChild<QPushButton*>(QStringLiteral("btnFlashTable"))->click();
    QCOMPARE(dialogs.asked.size(), 1);
    QCOMPARE(dialogs.asked[0].title, QStringLiteral("EEPROM Verify Error"));
    QVERIFY2(dialogs.asked[0].text.startsWith(QStringLiteral("addr = 0090, wrote = ")),
             qPrintable(dialogs.asked[0].text));
    QVERIFY(dialogs.asked[0].text.endsWith(QStringLiteral(", read = 0000")));
    QCOMPARE(form->findChild<QLabel*>(QStringLiteral("labStat"))->text(),
             QStringLiteral("Programming finished with errors at 1 locations."));
}

QTEST_MAIN(TestFlashE2e)
#include "test_flash_e2e.moc"
