#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include "app/automation_ids.h"
#include "app/form_layout.h"
#include "app/port_selector.h"
#include "app/widgets.h"
#include "support/test_window.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kLit(0, 240, 0);

QString stored(const QString& key) {
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvex"),
                QStringLiteral("CONF"));
    return s.value(QStringLiteral("Startup/") + key).toString();
}

}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() { TestWindow::clearSettings(); }

    void title_endsInRevision();
    void startUp_greetsSavedPortAndShowsVersion();
    void ports_twoPresentSavedSecond_opensIt();
    void ports_savedAbsent_opensNothing();
    void ports_onlyOne_announcedAndOpenedOnce();
    void ports_none_reportedInRed();
    void ports_silentUnit_indicatorRed();
    void ports_noPermission_explainedInDataArea();
    void ports_focusRebuildsListAndClosesPort();
    void connectionLost_indicatorNeutralAndMessage();
    void connectionLostDuringGreeting_greetingStopsAndMessageStays();
    void layout_data();
    void layout();
    void resize_movesAndGrowsTheControls();
    void settings_minimumWidthApplied();
    void settings_offScreenPosition_broughtBack();
    void settings_savedAtShutDown();
    void settings_noPortChosen_savesEmptyPort();
    void pageSwitch_sendsTfLeavingComms_andStopsMirroringOnTables();
    void closedPort_pageSwitchRefusedInRed();
    void dataArea_userTyping_wipedByNextArrival();
    void startUp_focusInCommandBox();
    void automationIds_nameBecomesAccessibleDescription();
};

void TestForm1::dataArea_userTyping_wipedByNextArrival() {
    DataArea area;
    area.showRx(QStringLiteral("ab\r\n"), false);
    area.showRx(QStringLiteral("ab\r\ncd"), true);
    QCOMPARE(area.toPlainText(), QStringLiteral("ab\ncd"));
    area.show();
    QTest::keyClicks(&area, QStringLiteral("XY"));
    QVERIFY(area.text().contains(QLatin1String("XY")));
    area.showRx(QStringLiteral("ab\r\ncde"), true);
    QCOMPARE(area.toPlainText(), QStringLiteral("ab\ncde"));
    QCOMPARE(area.text(), QStringLiteral("ab\r\ncde"));
}

void TestForm1::startUp_focusInCommandBox() {
    TestWindow w;
    w.form->show();
    QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
    QCOMPARE(QApplication::focusWidget(), w.get<QWidget>("txtCommand"));
}

void TestForm1::title_endsInRevision() {
    TestWindow w;
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Orvex Configuration Utility - Rev 1.8.a"));
}

void TestForm1::startUp_greetsSavedPortAndShowsVersion() {
    TestWindow w;
    QCOMPARE(w.sent(), (QStringList{QStringLiteral("tf"), QStringLiteral("v")}));
    QCOMPARE(w.get<QLabel>("lBootVersion")->text(), QStringLiteral("Vers = 2.01"));
    QCOMPARE(w.get<ShapeWidget>("shpPort")->fillColor(), kLit);
    QCOMPARE(w.get<QLineEdit>("txtCommand")->text(), QStringLiteral("tf"));
    QCOMPARE(w.get<QLineEdit>("txtCommand")->cursorPosition(), 2);
    // Start-up empties the data area after the greeting was received into it.
    QCOMPARE(w.form->data().text(), QString());
}

void TestForm1::ports_twoPresentSavedSecond_opensIt() {
    TestWindow::Config c;
    c.presentPorts = {QStringLiteral("COM2"), QStringLiteral("COM5")};
    c.savedPort = QStringLiteral("COM5");
    TestWindow w(c);
    auto* combo = w.get<QComboBox>("cboPort");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("COM2"));
    QCOMPARE(combo->itemText(1), QStringLiteral("COM5"));
    QCOMPARE(combo->currentText(), QStringLiteral("COM5"));
    QCOMPARE(w.port().device(), QStringLiteral("/dev/fake5"));
    QCOMPARE(combo->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/fake5"));
    QVERIFY(w.form->link().isOpen());
}

void TestForm1::ports_savedAbsent_opensNothing() {
    TestWindow::Config c;
    c.presentPorts = {QStringLiteral("COM2"), QStringLiteral("COM5")};
    c.savedPort = QStringLiteral("COM7");
    TestWindow w(c);
    QCOMPARE(w.get<QComboBox>("cboPort")->currentIndex(), -1);
    QVERIFY(!w.form->link().isOpen());
    QCOMPARE(w.port().openCount(), 0);
    QCOMPARE(w.get<ShapeWidget>("shpPort")->fillColor(), ShapeWidget::neutralColor());
}

void TestForm1::ports_onlyOne_announcedAndOpenedOnce() {
    // Enumerate on its own: later start-up steps write the status line too.
    TestWindow::Config only;
    only.load = false;
    TestWindow w(only);  // COM1 alone, and saved
    w.form->ports().cboPort_GotFocus();
    QCOMPARE(w.statusText(), QStringLiteral("Only COM1 available"));
    QCOMPARE(w.statusColour(), kGreen);
    QCOMPARE(w.port().openCount(), 1);

    TestWindow::clearSettings();
    TestWindow::Config c;
    c.savedPort = QString();
    c.load = false;
    TestWindow unsaved(c);
    unsaved.form->ports().cboPort_GotFocus();
    QCOMPARE(unsaved.port().openCount(), 1);
    QCOMPARE(unsaved.get<QComboBox>("cboPort")->currentText(), QStringLiteral("COM1"));
    QCOMPARE(unsaved.statusText(), QStringLiteral("Opened COM1"));
}

void TestForm1::ports_none_reportedInRed() {
    TestWindow::Config c;
    c.presentPorts = {};
    c.load = false;
    TestWindow w(c);
    w.form->ports().cboPort_GotFocus();
    QCOMPARE(w.statusText(), QStringLiteral("No COM port available"));
    QCOMPARE(w.statusColour(), kRed);
}

void TestForm1::ports_silentUnit_indicatorRed() {
    TestWindow::Config c;
    c.unitAttached = false;
    TestWindow w(c);
    QVERIFY(w.form->link().isOpen());
    QCOMPARE(w.get<ShapeWidget>("shpPort")->fillColor(), kRed);
    QCOMPARE(w.get<QLabel>("lBootVersion")->text(), QStringLiteral("Vers = "));
}

void TestForm1::ports_noPermission_explainedInDataArea() {
    TestWindow::Config c;
    c.presentPorts = {QStringLiteral("COM1"), QStringLiteral("COM3")};
    c.load = false;
    TestWindow w(c);
    w.prober().setResult(QStringLiteral("/dev/fake3"), ProbeResult::NoPermission);
    w.form->Form_Load();
    QCOMPARE(w.get<QComboBox>("cboPort")->count(), 1);
    const QString text = w.form->data().text();
    QVERIFY2(text.contains(QLatin1String("/dev/fake3")) && text.contains(QLatin1String("COM3")) &&
                 text.contains(QLatin1String("dialout")),
             qPrintable(text));
}

void TestForm1::ports_focusRebuildsListAndClosesPort() {
    TestWindow w;
    QVERIFY(w.form->link().isOpen());
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    auto* combo = w.get<QComboBox>("cboPort");
    combo->setFocus(Qt::TabFocusReason);
    // Closed, rebuilt, the saved port reselected and greeted again.
    QTRY_COMPARE(w.port().openCount(), 2);
    QCOMPARE(combo->count(), 1);
    QVERIFY(w.form->link().isOpen());
}

void TestForm1::connectionLost_indicatorNeutralAndMessage() {
    TestWindow w;
    w.port().loseConnection();
    QCOMPARE(w.get<ShapeWidget>("shpPort")->fillColor(), ShapeWidget::neutralColor());
    QCOMPARE(w.statusText(), QStringLiteral("Lost connection to COM1"));
    QCOMPARE(w.statusColour(), kRed);
    QVERIFY(!w.form->link().isOpen());
}

void TestForm1::connectionLostDuringGreeting_greetingStopsAndMessageStays() {
    TestWindow::Config c;
    c.unit.hangUpAfter = 1;  // the device goes away once "tf" reached it
    c.load = false;
    TestWindow w(c);
    w.form->ports().cboPort_GotFocus();  // the start-up step that opens the saved port
    QCOMPARE(w.sent(), QStringList{QStringLiteral("tf")});
    QCOMPARE(w.statusText(), QStringLiteral("Lost connection to COM1"));
    QCOMPARE(w.statusColour(), kRed);
    QCOMPARE(w.get<ShapeWidget>("shpPort")->fillColor(), ShapeWidget::neutralColor());
    QVERIFY(!w.form->link().isOpen());
}

void TestForm1::layout_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("dataWidth");
    QTest::addColumn<int>("dataHeight");
    QTest::addColumn<int>("statusTop");
    QTest::addColumn<int>("versionTop");
    QTest::newRow("9000 x 10000") << 9000 << 10000 << 8780 << 4960 << 9275 << 9325;
    QTest::newRow("design size") << 6420 << 8175 << 6200 << 3135 << 7450 << 7500;
    QTest::newRow("below minimum") << 100 << 200 << 6200 << 3135 << 7450 << 7500;
}

void TestForm1::layout() {
    QFETCH(int, width);
    QFETCH(int, height);
    const FormLayout l = FormLayout::forOuterSize(width, height);
    QTEST(l.txtDataWidth, "dataWidth");
    QTEST(l.txtDataHeight, "dataHeight");
    QTEST(l.labStatTop, "statusTop");
    QTEST(l.lBootVersionTop, "versionTop");
    QCOMPARE(l.tabWidth, l.txtDataWidth);
}

void TestForm1::resize_movesAndGrowsTheControls() {
    TestWindow w;
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    const double px = w.form->pxPerTwip();
    // 9000 x 9990 twips is a whole number of pixels at 96 dpi (600 x 666), frame included.
    const QSize frame = w.form->frameGeometry().size() - w.form->size();
    w.form->resize(qRound(9000 * px) - frame.width(), qRound(9990 * px) - frame.height());
    QTRY_COMPARE(w.form->formWidth, 9000);
    QCOMPARE(w.form->formHeight, 9990);
    QCOMPARE(w.get<QWidget>("txtData")->width(), qRound(8780 * px));
    QCOMPARE(w.get<QWidget>("txtData")->height(), qRound(4950 * px));
    QCOMPARE(w.get<QWidget>("labStat")->y(), qRound(9265 * px));
    QCOMPARE(w.get<QWidget>("lBootVersion")->y(), qRound(9315 * px));
    QCOMPARE(w.get<QWidget>("SSTab1")->width(), qRound(8780 * px));

    w.form->resize(50, 50);
    QTRY_COMPARE(w.form->formWidth, FormLayout::kMinOuterWidth);
    QCOMPARE(w.form->formHeight, FormLayout::kMinOuterHeight);
}

void TestForm1::settings_minimumWidthApplied() {
    TestWindow::saveSetting(QStringLiteral("formwidth"), QStringLiteral("5000"));
    TestWindow::saveSetting(QStringLiteral("formheight"), QStringLiteral("9000"));
    TestWindow w;
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    QCOMPARE(w.form->formWidth, FormLayout::kMinOuterWidth);
    QCOMPARE(w.form->formHeight, 9000);
}

void TestForm1::settings_offScreenPosition_broughtBack() {
    TestWindow::saveSetting(QStringLiteral("formleft"), QStringLiteral("9000000"));
    TestWindow::saveSetting(QStringLiteral("formtop"), QStringLiteral("-4000000"));
    TestWindow w;
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.intersects(w.form->frameGeometry()),
             qPrintable(QStringLiteral("%1,%2").arg(w.form->x()).arg(w.form->y())));
}

void TestForm1::settings_savedAtShutDown() {
    TestWindow::saveSetting(QStringLiteral("formwidth"), QStringLiteral("7500"));
    TestWindow::saveSetting(QStringLiteral("formheight"), QStringLiteral("8700"));
    TestWindow::saveSetting(QStringLiteral("formleft"), QStringLiteral("1500"));
    TestWindow::saveSetting(QStringLiteral("formtop"), QStringLiteral("900"));
    {
        TestWindow w;
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        w.form->close();
    }
    QCOMPARE(stored(QStringLiteral("formwidth")), QStringLiteral("7500"));
    QCOMPARE(stored(QStringLiteral("formheight")), QStringLiteral("8700"));
    QCOMPARE(stored(QStringLiteral("formleft")), QStringLiteral("1500"));
    QCOMPARE(stored(QStringLiteral("formtop")), QStringLiteral("900"));
    QCOMPARE(stored(QStringLiteral("port")), QStringLiteral("COM1"));
}

void TestForm1::settings_noPortChosen_savesEmptyPort() {
    TestWindow::Config c;
    c.presentPorts = {QStringLiteral("COM2"), QStringLiteral("COM5")};
    c.savedPort = QString();
    {
        TestWindow w(c);
        w.form->close();
    }
    QVERIFY(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvex"),
                      QStringLiteral("CONF"))
                .contains(QStringLiteral("Startup/port")));
    QCOMPARE(stored(QStringLiteral("port")), QString());
}

void TestForm1::pageSwitch_sendsTfLeavingComms_andStopsMirroringOnTables() {
    TestWindow w;
    w.port().clearWritten();
    auto* tabs = w.get<QTabWidget>("SSTab1");
    tabs->setCurrentIndex(1);
    QCOMPARE(w.sent(), QStringList{QStringLiteral("tf")});
    tabs->setCurrentIndex(0);
    QCOMPARE(w.sent(), QStringList{QStringLiteral("tf")});
    tabs->setCurrentIndex(2);
    QVERIFY(!w.form->link().bShowRx);
    tabs->setCurrentIndex(0);
    QVERIFY(w.form->link().bShowRx);
}

void TestForm1::closedPort_pageSwitchRefusedInRed() {
    TestWindow::Config c;
    c.presentPorts = {};
    TestWindow w(c);
    w.get<QTabWidget>("SSTab1")->setCurrentIndex(1);
    QCOMPARE(w.statusText(), QStringLiteral("COM port must be opened first"));
    QCOMPARE(w.statusColour(), kRed);
}

void TestForm1::automationIds_nameBecomesAccessibleDescription() {
    qputenv("ORVEX_AUTOMATION_IDS", "1");
    installAutomationIds(*qApp);
    TestWindow w;
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    QCOMPARE(w.get<QWidget>("btnFlashTable")->accessibleDescription(),
             QStringLiteral("btnFlashTable"));
    QCOMPARE(w.get<QWidget>("cboPort")->accessibleDescription(), QStringLiteral("cboPort"));
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
