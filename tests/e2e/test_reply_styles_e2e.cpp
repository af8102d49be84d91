// The utility against orvex-sim in every reply style a real unit may show: the framing differs,
// but two line feeds end each reply and its parameter follows the first blank.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/form1.h"
#include "app/widgets.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "tables/tables_controller.h"

class TestReplyStylesE2e : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void everyOperation_data();
    void everyOperation();
};

void TestReplyStylesE2e::everyOperation_data() {
    QTest::addColumn<QString>("style");
    for (const char* style : {"standard", "colon", "no-echo", "trailing", "lf"}) {
        QTest::newRow(style) << QString::fromLatin1(style);
    }
}

void TestReplyStylesE2e::everyOperation() {
    QFETCH(QString, style);
    QTemporaryDir dir;
    const QString eeprom = dir.filePath(QStringLiteral("unit.eeprom"));
    SimProcess sim({QStringLiteral("--reply-style"), style, QStringLiteral("--no-pacing"),
                    QStringLiteral("--trace-interval-ms"), QStringLiteral("10"),
                    QStringLiteral("--true-point"), QStringLiteral("3700"),
                    QStringLiteral("--eeprom-file"), eeprom});
    QVERIFY(sim.started());
    ScriptedDialogs dialogs;
    Form1::Options options;
    options.commandLinePorts.insert(1, sim.device());
    options.forcedPort = QStringLiteral("COM1");
    options.dialogs = &dialogs;
    options.tickMs = 20;
    Form1 form(options);
    const auto get = [&form](const char* name) {
        return form.findChild<QWidget*>(QLatin1String(name));
    };
    const auto status = [&] { return qobject_cast<QLabel*>(get("labStat"))->text(); };
    const auto settle = [&form] { form.link().wait_ticks(5); };

    // Greeting.
    form.Form_Load();
    QCOMPARE(qobject_cast<QLabel*>(get("lBootVersion"))->text(), QStringLiteral("Vers = 2.01"));
    QCOMPARE(qobject_cast<ShapeWidget*>(get("shpPort"))->fillColor(), QColor(0, 240, 0));

    // A typed command and its answer in the data area.
    auto* command = qobject_cast<QLineEdit*>(get("txtCommand"));
    command->clear();
    QTest::keyClicks(command, QStringLiteral("g04"));
    QTest::keyClick(command, Qt::Key_Return);
    QTRY_VERIFY(form.data().text().contains(QLatin1String("0005")));
    QVERIFY(form.data().text().contains(QLatin1String("[ g04 ]")));

    // The calibration value read back from the unit.
    qobject_cast<QTabWidget*>(get("SSTab1"))->setCurrentIndex(1);
    settle();
    qobject_cast<QAbstractButton*>(get("btnLast"))->click();
    QCOMPARE(status(), QStringLiteral("Calibration point set to  3800"));

    // The automatic search finds the unit's true point.
    qobject_cast<QAbstractButton*>(get("btnAutoCal"))->click();
    QCOMPARE(qobject_cast<QLabel*>(get("lautoInProgress"))->text(),
             QStringLiteral("Cal Value = 3700"));

    // A table programmed and verified.
    qobject_cast<QTabWidget*>(get("SSTab1"))->setCurrentIndex(2);
    qobject_cast<QComboBox*>(get("cboOutputPin"))->setCurrentIndex(1);
    settle();
    qobject_cast<QAbstractButton*>(get("btnFlashTable"))->click();
    QCOMPARE(status(), QStringLiteral("Programming Complete."));
    QVERIFY(dialogs.asked.isEmpty());
    const TableModel& model =
        form.findChild<TablesController*>(QStringLiteral("tablesController"))->model();
    sim.stop();
    QFile file(eeprom);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray unit = file.readAll();
    for (int a = 0x7A; a < 0x7A + 130; ++a) {
        QCOMPARE(static_cast<quint8>(unit.at(a)), model.imageByte(a));
    }
}

QTEST_MAIN(TestReplyStylesE2e)
#include "test_reply_styles_e2e.moc"
