#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <sys/resource.h>

#include "app/form1.h"
#include "app/widgets.h"
#include "link/qt_serial_port.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"

// The utility over a real serial port to orvex-sim on a pseudo-terminal.
class TestLinkE2e : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void greeting_tfThenV_indicatorGreen();
    void silentUnit_indicatorRed_andWaitDoesNotSpin();
    void hangUp_reportsLostConnection();

  private:
    static std::unique_ptr<Form1> open(const SimProcess& sim, ScriptedDialogs* dialogs);
};

std::unique_ptr<Form1> TestLinkE2e::open(const SimProcess& sim, ScriptedDialogs* dialogs) {
    Form1::Options options;
    options.commandLinePorts.insert(4, sim.device());
    options.forcedPort = QStringLiteral("COM4");
    options.dialogs = dialogs;
    auto form = std::make_unique<Form1>(options);
    form->Form_Load();
    return form;
}

void TestLinkE2e::greeting_tfThenV_indicatorGreen() {
    SimProcess sim({QStringLiteral("--version-text"), QStringLiteral("3.07")});
    QVERIFY(sim.started());
    ScriptedDialogs dialogs;
    auto form = open(sim, &dialogs);
    QVERIFY(form->link().isOpen());
    QCOMPARE(form->findChild<ShapeWidget*>(QStringLiteral("shpPort"))->fillColor(),
             QColor(0, 240, 0));
    QCOMPARE(form->findChild<QLabel*>(QStringLiteral("lBootVersion"))->text(),
             QStringLiteral("Vers = 3.07"));
    QTRY_VERIFY(sim.log().size() >= 2);
    QCOMPARE(sim.log().mid(0, 2), (QStringList{QStringLiteral("tf"), QStringLiteral("v")}));
}

void TestLinkE2e::silentUnit_indicatorRed_andWaitDoesNotSpin() {
    SimProcess sim({QStringLiteral("--silent")});
    QVERIFY(sim.started());
    ScriptedDialogs dialogs;
    auto form = open(sim, &dialogs);
    QCOMPARE(form->findChild<ShapeWidget*>(QStringLiteral("shpPort"))->fillColor(),
             QColor(255, 0, 0));

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer wall;
    wall.start();
    form->link().TxString(QStringLiteral("v"));
    form->link().GetResponse();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const auto us = [](const timeval& t) { return t.tv_sec * 1000000.0 + t.tv_usec; };
    const double cpu =
        us(after.ru_utime) + us(after.ru_stime) - us(before.ru_utime) - us(before.ru_stime);
    QVERIFY(form->link().bTimedOut);
    QVERIFY2(wall.elapsed() >= 1400 && wall.elapsed() <= 1800,
             qPrintable(QString::number(wall.elapsed())));
    // A wait blocks on events; a spinning wait would use a whole core.
    QVERIFY2(cpu / (wall.elapsed() * 1000.0) < 0.10, qPrintable(QString::number(cpu)));
}

void TestLinkE2e::hangUp_reportsLostConnection() {
    SimProcess sim({QStringLiteral("--hangup-after"), QStringLiteral("3")});
    QVERIFY(sim.started());
    ScriptedDialogs dialogs;
    auto form = open(sim, &dialogs);
    QVERIFY(form->link().isOpen());
    form->link().TxString(QStringLiteral("g3c"));  // the third command: the unit hangs up
    form->link().GetResponse();
    QTRY_VERIFY(!form->link().isOpen());
    QCOMPARE(form->findChild<QLabel*>(QStringLiteral("labStat"))->text(),
             QStringLiteral("Lost connection to COM4"));
    QCOMPARE(form->findChild<ShapeWidget*>(QStringLiteral("shpPort"))->fillColor(),
             ShapeWidget::neutralColor());
}

QTEST_MAIN(TestLinkE2e)
#include "test_link_e2e.moc"
