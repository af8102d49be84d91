// The free-air calibration against orvex-sim on a real pseudo-terminal, at the real 100 ms tick
// and the unit's own trace rate.
#include <QAbstractButton>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <cstdlib>
#include <memory>

#include "app/form1.h"
#include "link/unit_commands.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"

namespace {

constexpr int kTruePoint = 3700;  // away from the 7057 preset, 3630
constexpr int kGain = 2;
constexpr int kNoise = 2;  // Ipx counts; one calibration step at this gain

}  // namespace

class TestCalibrationE2e : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void cleanup();
    void autoRun_fromPreset_findsTruePointAndUpdateStoresIt();
    void autoRun_portClosed_stopsAndSendsNothing();

  private:
    template <class T>
    T* get(const char* name) const {
        return m_form->findChild<T*>(QLatin1String(name));
    }
    int readEeprom(int address);

    std::unique_ptr<SimProcess> m_sim;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<Form1> m_form;
};

void TestCalibrationE2e::init() {
    m_sim = std::make_unique<SimProcess>(
        QStringList{QStringLiteral("--true-point"), QString::number(kTruePoint),
                    QStringLiteral("--gain"), QString::number(kGain), QStringLiteral("--noise"),
                    QString::number(kNoise), QStringLiteral("--seed"), QStringLiteral("7")});
    QVERIFY2(m_sim->started(), "orvex-sim printed its device");

    Form1::Options options;
    options.commandLinePorts.insert(1, m_sim->device());
    options.forcedPort = QStringLiteral("COM1");
    options.dialogs = &m_dialogs;
    m_form = std::make_unique<Form1>(options);
    m_form->Form_Load();
    QVERIFY(m_form->link().isOpen());
    QVERIFY(!m_form->link().bTimedOut);
}

void TestCalibrationE2e::cleanup() {
    m_form.reset();
    m_sim.reset();
}

int TestCalibrationE2e::readEeprom(int address) {
    m_form->link().TxString(UnitCommand::eepromRead(address));
    return m_form->link().GetWord();
}

void TestCalibrationE2e::autoRun_fromPreset_findsTruePointAndUpdateStoresIt() {
    get<QAbstractButton>("btn7057")->click();

    get<QAbstractButton>("btnAutoCal")->click();

    const int value = get<QScrollBar>("sbCalLarge")->value();
    QVERIFY2(std::abs(value - kTruePoint) <= kNoise / kGain, qPrintable(QString::number(value)));
    QCOMPARE(get<QLabel>("lautoInProgress")->text(),
             QStringLiteral("Cal Value = ") + QString::number(value));
    QVERIFY(!get<QLabel>("lUpdateMsg")->isHidden());
    QVERIFY(get<QAbstractButton>("btnUpdate")->isEnabled());

    get<QAbstractButton>("btnUpdate")->click();
    QVERIFY(!m_form->link().bTimedOut);
    QTRY_VERIFY(m_sim->log().contains(QStringLiteral("w")));
    m_form->link().wait_ticks(3);  // the unit's answer to "w" is not waited for; let it land
    // Cells 0 and 1 are where the unit keeps its calibration value.
    QCOMPARE(readEeprom(0) * 256 + readEeprom(1), value);
}

void TestCalibrationE2e::autoRun_portClosed_stopsAndSendsNothing() {
    get<QAbstractButton>("btn7057")->click();
    m_form->link().closePort();
    QTest::qWait(300);  // whatever was on its way has arrived and been logged
    const QStringList before = m_sim->log();

    get<QAbstractButton>("btnAutoCal")->click();

    auto* status = get<QLabel>("labStat");
    QCOMPARE(status->text(), QStringLiteral("Auto calibration stopped - no reading from the unit"));
    QCOMPARE(status->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(get<QScrollBar>("sbCalLarge")->value(), 3630);
    QCOMPARE(get<QLabel>("lautoInProgress")->text(), QString());
    QTest::qWait(300);
    QCOMPARE(m_sim->log(), before);
}

QTEST_MAIN(TestCalibrationE2e)
#include "test_calibration_e2e.moc"
