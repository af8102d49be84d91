#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include "app/widgets.h"
#include "calibration_test_helpers.h"
#include "support/test_window.h"

// The calibration value on the "Free Air" page against the in-process simulated unit: what
// each way of changing it sends, the read-back of the saved value, and the save.
class TestFreeAirValue : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void presets_data();
    void presets();
    void spin_stepsByOneAndComesBackToRest();
    void spin_atTheEndsSendsNothing();
    void typedValue_data();
    void typedValue();
    void thumbDrag_showsValueAndSendsOnRelease();
    void last_readsUnitInOrderThenKeepsValue();
    void last_valueAboveRange_refused();
    void last_repliesNotHex_refusedAndModeShownAsUnknown();
    void last_silentUnit_timeoutAndNoStartPoint();
    void update_silentUnit_timeoutAndNoWrite();
    void update_savesInUnitAndWantsNewStartPoint();
    void portClosed_displaysFollowButNothingSent();

  private:
    static void enter(TestWindow& w, const QString& text, bool byFocus);
};

void TestFreeAirValue::init() {
    TestWindow::clearSettings();
}

void TestFreeAirValue::presets_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("L1H1") << "btnL1H1" << 3800 << QStringList{"s3c0E", "s3bD8"};
    QTest::newRow("7057") << "btn7057" << 3630 << QStringList{"s3c0E", "s3b2E"};
    QTest::newRow("6066") << "btn6066" << 3430 << QStringList{"s3c0D", "s3b66"};
}

void TestFreeAirValue::presets() {
    QFETCH(QString, button);
    QFETCH(int, value);
    QFETCH(QStringList, commands);
    TestWindow w;
    auto* preset = w.form->findChild<QAbstractButton*>(button);
    QVERIFY(!w.get<QAbstractButton>("btnTrace")->isEnabled());
    w.port().clearWritten();

    preset->click();
    preset->click();  // the same value again is no change

    QCOMPARE(w.sent(), commands);
    QCOMPARE(w.get<QLineEdit>("tFACalV")->text(), QString::number(value));
    QCOMPARE(w.get<QLabel>("labCalV")->text(), QString::number(value));
    QCOMPARE(w.get<QLineEdit>("txtData1")->text(), QString::number(value, 16).toUpper());
    QCOMPARE(w.statusText(), QStringLiteral("Calibration point set to  ") + QString::number(value));
    QCOMPARE(w.statusColour(), QColor(0, 128, 0));
    QVERIFY(w.get<QAbstractButton>("btnTrace")->isEnabled());
    QVERIFY(w.get<QAbstractButton>("btnUpdate")->isEnabled());
    QTRY_COMPARE(w.model->calibrationValue(), value);
}

void TestFreeAirValue::spin_stepsByOneAndComesBackToRest() {
    TestWindow w;
    w.get<QAbstractButton>("btnL1H1")->click();
    auto* spin = w.get<QScrollBar>("sbCalSmall");
    w.port().clearWritten();

    spin->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the upper arrow
    QCOMPARE(w.sent(), (QStringList{"s3c0E", "s3bD7"}));
    QCOMPARE(spin->value(), 1);
    QCOMPARE(w.get<QLineEdit>("Text0")->text(), QStringLiteral("1"));
    QCOMPARE(w.get<QLineEdit>("tFACalV")->text(), QStringLiteral("3799"));

    w.port().clearWritten();
    spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the lower arrow
    spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(w.sent(), (QStringList{"s3c0E", "s3bD8", "s3c0E", "s3bD9"}));
    QCOMPARE(w.get<QScrollBar>("sbCalLarge")->value(), 3801);
}

void TestFreeAirValue::spin_atTheEndsSendsNothing() {
    TestWindow w;
    auto* spin = w.get<QScrollBar>("sbCalSmall");
    auto* large = w.get<QScrollBar>("sbCalLarge");
    w.port().clearWritten();
    spin->triggerAction(QAbstractSlider::SliderSingleStepSub);  // 0 - 1
    QCOMPARE(large->value(), 0);
    QCOMPARE(w.sent(), QStringList());

    large->triggerAction(QAbstractSlider::SliderToMaximum);
    w.port().clearWritten();
    spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // 5000 + 1
    QCOMPARE(large->value(), 5000);
    QCOMPARE(w.sent(), QStringList());
    QCOMPARE(spin->value(), 1);
}

void TestFreeAirValue::enter(TestWindow& w, const QString& text, bool byFocus) {
    auto* box = w.get<QLineEdit>("tFACalV");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    if (byFocus) {
        w.get<QLineEdit>("Text0")->setFocus();
    } else {
        QTest::keyClick(box, Qt::Key_Return);
    }
}

void TestFreeAirValue::typedValue_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byFocus");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("shown");
    QTest::newRow("6000 cut to 5000") << "6000" << false << QStringList{"s3c13", "s3b88"} << "5000";
    QTest::newRow("abc reads 0") << "abc" << false << QStringList{"s3c00", "s3b00"} << "0";
    QTest::newRow("half to even") << "3800.5" << false << QStringList{"s3c0E", "s3bD8"} << "3800";
    QTest::newRow("negative to 0") << "-12" << false << QStringList{"s3c00", "s3b00"} << "0";
    // The same value is no change: nothing goes out and the text stays as typed.
    QTest::newRow("same value") << "3630.4 counts" << false << QStringList() << "3630.4 counts";
    QTest::newRow("on leaving the box")
        << "3700" << true << QStringList{"s3c0E", "s3b74"} << "3700";
}

void TestFreeAirValue::typedValue() {
    QFETCH(QString, typed);
    QFETCH(bool, byFocus);
    QFETCH(QStringList, commands);
    QFETCH(QString, shown);
    TestWindow w;
    w.form->show();
    QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
    w.form->findChild<QTabWidget*>("SSTab1")->setCurrentIndex(1);
    w.get<QAbstractButton>("btn7057")->click();
    w.port().clearWritten();

    enter(w, typed, byFocus);

    QCOMPARE(w.sent(), commands);
    QCOMPARE(w.get<QLineEdit>("tFACalV")->text(), shown);
    QCOMPARE(w.get<QLabel>("labCalV")->text(), shown);
}

void TestFreeAirValue::thumbDrag_showsValueAndSendsOnRelease() {
    TestWindow w;
    auto* large = w.get<QScrollBar>("sbCalLarge");
    w.port().clearWritten();

    large->setSliderDown(true);
    large->setSliderPosition(1200);
    large->setSliderPosition(1234);
    QCOMPARE(w.get<QLineEdit>("tFACalV")->text(), QStringLiteral("1234"));
    QCOMPARE(w.sent(), QStringList());

    large->setSliderDown(false);
    QCOMPARE(w.sent(), (QStringList{"s3c04", "s3bD2"}));
    QCOMPARE(large->value(), 1234);
}

void TestFreeAirValue::last_readsUnitInOrderThenKeepsValue() {
    TestWindow w;  // the unit holds its factory value 3800 and mode 81
    auto* last = w.get<QAbstractButton>("btnLast");
    w.port().clearWritten();

    last->click();
    QCOMPARE(w.sent(), (QStringList{"g03", "s0405", "s0382", "g3c", "g3b", "s3c0E", "s3bD8"}));
    QCOMPARE(w.get<QLabel>("LabIpx")->text(), QStringLiteral("ED8 (3800)"));
    QCOMPARE(w.get<QLineEdit>("txtData3")->text(), QStringLiteral("81"));
    QCOMPARE(w.get<QLabel>("tLogMode")->text(), QStringLiteral("$81"));
    QCOMPARE(w.get<QLineEdit>("txtData2")->text(), QStringLiteral("D8"));
    QCOMPARE(w.statusText(), QStringLiteral("Calibration point set to  3800"));
    QVERIFY(w.get<QAbstractButton>("btnTrace")->isEnabled());

    // Kept: the second click sets the same value again without any exchange.
    w.get<QAbstractButton>("btn6066")->click();
    w.port().clearWritten();
    last->click();
    QCOMPARE(w.sent(), (QStringList{"s3c0E", "s3bD8"}));

    // A save forgets the kept value: the next click asks the unit again.
    settle(w);
    w.get<QAbstractButton>("btnUpdate")->click();
    settle(w);
    w.model->setReg(0x3c, 0x0F);
    w.model->setReg(0x3b, 0xA0);
    w.port().clearWritten();
    last->click();
    QCOMPARE(w.sent(), (QStringList{"g03", "s0405", "s0382", "g3c", "g3b", "s3c0F", "s3bA0"}));
    QCOMPARE(w.get<QScrollBar>("sbCalLarge")->value(), 4000);
}

void TestFreeAirValue::last_valueAboveRange_refused() {
    TestWindow w;
    w.model->setReg(0x3c, 0x14);
    w.model->setReg(0x3b, 0x00);
    w.port().clearWritten();

    w.get<QAbstractButton>("btnLast")->click();

    QCOMPARE(w.statusText(), QStringLiteral("Bad calibration value 5120"));
    QCOMPARE(w.statusColour(), QColor(255, 0, 0));
    QCOMPARE(only(w.sent(), {"s3c", "s3b"}), QStringList());
    QCOMPARE(w.get<QScrollBar>("sbCalLarge")->value(), 0);
    QVERIFY(!w.get<QAbstractButton>("btnTrace")->isEnabled());
}

void TestFreeAirValue::last_repliesNotHex_refusedAndModeShownAsUnknown() {
    UnitOptions unit;
    unit.lowerCase = true;  // letters come in lower case, which is no hex to the program
    TestWindow::Config config;
    config.unit = unit;
    TestWindow w(config);
    w.model->setReg(0x03, 0x8A);  // "008a"
    w.model->setReg(0x3c, 0x09);  // "0009" reads fine
    w.model->setReg(0x3b, 0xD8);  // "00d8" reads -1
    w.port().clearWritten();

    w.get<QAbstractButton>("btnLast")->click();

    QCOMPARE(w.get<QLineEdit>("txtData3")->text(), QStringLiteral("??"));
    QCOMPARE(w.get<QLabel>("tLogMode")->text(), QStringLiteral("$??"));
    // 9 x 256 - 1 would pass as a valid value; a byte that is no hex must not.
    QCOMPARE(w.statusText(), QStringLiteral("Bad calibration value 2303"));
    QCOMPARE(w.statusColour(), QColor(255, 0, 0));
    QCOMPARE(w.get<QScrollBar>("sbCalLarge")->value(), 0);
    QVERIFY(!w.get<QAbstractButton>("btnTrace")->isEnabled());
}

void TestFreeAirValue::last_silentUnit_timeoutAndNoStartPoint() {
    UnitOptions unit;
    unit.silent = true;
    TestWindow::Config config;
    config.unit = unit;
    TestWindow w(config);
    w.port().clearWritten();

    w.get<QAbstractButton>("btnLast")->click();

    QCOMPARE(w.sent(), QStringList{"g03"});  // stops at the first silence
    QCOMPARE(w.statusText(), QStringLiteral("Timeout"));
    QCOMPARE(w.statusColour(), QColor(255, 0, 0));
    QVERIFY(!w.get<QAbstractButton>("btnTrace")->isEnabled());
}

void TestFreeAirValue::update_silentUnit_timeoutAndNoWrite() {
    TestWindow w;
    w.get<QAbstractButton>("btn7057")->click();
    settle(w);
    UnitOptions silent = w.model->options();
    silent.silent = true;
    w.model->setOptions(silent);
    w.port().clearWritten();

    w.get<QAbstractButton>("btnUpdate")->click();

    QCOMPARE(w.sent(), QStringList{"s03e1"});
    QCOMPARE(w.statusText(), QStringLiteral("Timeout"));
    QCOMPARE(w.statusColour(), QColor(255, 0, 0));
    QVERIFY(w.get<QAbstractButton>("btnTrace")->isEnabled());
    QVERIFY(w.get<QAbstractButton>("btnUpdate")->isEnabled());
}

void TestFreeAirValue::update_savesInUnitAndWantsNewStartPoint() {
    TestWindow w;
    w.get<QAbstractButton>("btn6066")->click();
    settle(w);
    w.port().clearWritten();

    w.get<QAbstractButton>("btnUpdate")->click();

    QCOMPARE(w.sent(), (QStringList{"s03e1", "w"}));
    QCOMPARE(w.get<QLineEdit>("Text0")->text(), QStringLiteral("03E1"));
    QTRY_COMPARE(static_cast<quint8>(w.model->eeprom().at(UnitModel::kCalHighCell)), 0x0D);
    QCOMPARE(static_cast<quint8>(w.model->eeprom().at(UnitModel::kCalLowCell)), 0x66);
    QVERIFY(!w.get<QAbstractButton>("btnTrace")->isEnabled());
    QVERIFY(!w.get<QAbstractButton>("btnUpdate")->isEnabled());
}

void TestFreeAirValue::portClosed_displaysFollowButNothingSent() {
    TestWindow::Config config;
    config.presentPorts = {};
    config.savedPort = QString();
    TestWindow w(config);
    w.get<QAbstractButton>("btn7057")->click();
    QCOMPARE(w.get<QLineEdit>("tFACalV")->text(), QStringLiteral("3630"));
    QCOMPARE(w.statusText(), QStringLiteral("Calibration point set to  3630"));

    w.get<QAbstractButton>("btnLast")->click();
    QCOMPARE(w.statusText(), QStringLiteral("COM port must be opened first"));
    w.get<QAbstractButton>("btnUpdate")->click();
    QCOMPARE(w.statusText(), QStringLiteral("COM port must be opened first"));
    QCOMPARE(w.port().written(), QByteArray());
}

QTEST_MAIN(TestFreeAirValue)
#include "test_free_air_value.moc"
