// The window: start-up and the page switch, the port list, the UI model, geometry and settings.
#include <QFileDialog>
#include <QScreen>
#include <QTimer>

#include "app/automation_ids.h"
#include "app/form_layout.h"
#include "app/qt_dialogs.h"
#include "app/ui_builder.h"
#include "app/widgets.h"
#include "support/test_window.h"

namespace {

const QColor kRed(255, 0, 0);

// Siblings that lie over one another on purpose: the first lies above the second.
const QStringList kCovers = {"btnTrace>btnTraceStop",         "frmManualFA>frmInitialAFR",
                             "frmManualFA>frmAdjustAFR",      "frmManualFA>frmDebugAFR",
                             "btnCalAbort>btnAutoCal",        "btnCalAbort>cmdManualFA",
                             "btnAbortFlash>btnFlashTable",   "frmAFRfile>frmLinearParams",
                             "prgFlash>lBootVersion",         "lMidPointLabel>tMidLambda(0)",
                             "lMidPointLabel>tMidLambda(1)",  "lMidPointLabel>tMidVoltage(0)",
                             "lMidPointLabel>tMidVoltage(1)", "btnBackups>frmEETable",
                             "btnOutputTest>frmLinearParams", "btnOutputTest>frmAFRfile"};

}  // namespace

class TestWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() { TestWindow::clearSettings(); }
    void startUp_greetsAndFocusesPageSwitchSendsTfLeavingComms();
    void ports_listedOpenedReportedAndFailuresShown();
    void fileDialogs_appendingNeverOffersToReplace();
    void adapters_listFollowsPlugAndUnplugOpeningNothing();
    void layout_modelHoldsRuleAndMinimumKeptGeometrySaved();  // last: installs a filter
};

void TestWindowTest::startUp_greetsAndFocusesPageSwitchSendsTfLeavingComms() {
    TestWindow w({.shown = true});
    QVERIFY(w.active());
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Orvex Configuration Utility - Rev 1.8.a"));
    QCOMPARE(w.sent(), (QStringList{"tf", "v"}));
    QCOMPARE(w.get<QLabel>("lBootVersion")->text(), QStringLiteral("Vers = 2.01"));
    QCOMPARE(w.get<ShapeWidget>("shpPort")->fillColor(), QColor(0, 240, 0));
    QCOMPARE(w.get<QLineEdit>("txtCommand")->text(), QStringLiteral("tf"));
    QCOMPARE(w.get<QLineEdit>("txtCommand")->cursorPosition(), 2);
    QCOMPARE(QApplication::focusWidget(), w.get("txtCommand"));
    QCOMPARE(w.data(), QString());  // emptied after the greeting was received into it

    const qsizetype mark = w.mark();
    w.showPage(1);
    w.showPage(0);
    QCOMPARE(w.sentSince(mark), QStringList{"tf"});
    w.showPage(2);
    w.port().feed("\r\nlate 0000\r\n");
    w.settle();
    QVERIFY(!w.data().contains(QLatin1String("late")));  // kept in the buffer, not shown
    w.showPage(0);
    w.port().feed("more");
    QTRY_VERIFY(w.data().endsWith(QLatin1String("more")));
    QVERIFY(w.data().contains(QLatin1String("late 0000")));

    w.form->link().closePort();
    w.showPage(1);
    QCOMPARE(w.statusText(), QStringLiteral("COM port must be opened first"));
    QCOMPARE(w.statusColour(), kRed);
}

void TestWindowTest::ports_listedOpenedReportedAndFailuresShown() {
    const std::tuple<QStringList, QString, QString, QString> cases[] = {
        {{"COM2", "COM5"}, "COM5", "COM5", "Opened COM5"},
        {{"COM2", "COM5"}, "COM7", "", "Status"},
        {{"COM1"}, "COM1", "COM1", "Only COM1 available"},
        {{"COM3"}, QString(), "COM3", "Opened COM3"},  // announced, then opened
        {{}, "COM1", "", "No COM port available"},
    };
    for (const auto& [present, saved, chosen, status] : cases) {
        TestWindow w({.presentPorts = present, .savedPort = saved, .load = false});
        w.form->ports().cboPort_GotFocus();  // the start-up step, on its own
        QCOMPARE(w.statusText(), status);
        QCOMPARE(w.get<QComboBox>("cboPort")->count(), present.size());
        QCOMPARE(w.get<QComboBox>("cboPort")->currentText(), chosen);
        const QString device = chosen.isEmpty() ? QString() : "/dev/fake" + chosen.mid(3);
        QCOMPARE(w.form->link().isOpen() ? w.port().device() : QString(), device);
        QCOMPARE(w.port().openCount(), chosen.isEmpty() ? 0 : 1);
        QCOMPARE(w.get<QComboBox>("cboPort")->currentData(Qt::ToolTipRole).toString(), device);
    }

    TestWindow silent({.unitAttached = false});
    QVERIFY(silent.form->link().isOpen());
    QCOMPARE(silent.get<ShapeWidget>("shpPort")->fillColor(), kRed);
    QCOMPARE(silent.get<QLabel>("lBootVersion")->text(), QStringLiteral("Vers = "));
    QVERIFY2(silent.data().contains(u"COM1 (/dev/fake1) is open, but no unit answered.\r\n- "
                                    u"nothing on this computer stands in the way"),
             qPrintable(silent.data()));

    TestWindow lost;
    lost.port().loseConnection();
    TestWindowConfig c{.load = false};  // lost during the greeting: it stops there
    c.unit.hangUpAfter = 1;
    TestWindow early(c);
    early.form->ports().cboPort_GotFocus();
    QCOMPARE(early.sent(), QStringList{"tf"});
    for (const TestWindow* w : {&lost, &early}) {  // and the message stays
        QCOMPARE(w->get<ShapeWidget>("shpPort")->fillColor(), ShapeWidget::neutralColor());
        QCOMPARE(w->statusText(), QStringLiteral("Lost connection to COM1"));
        QCOMPARE(w->statusColour(), kRed);
    }

    // The doctor's words in the data area; the adapter's own in the entry's tool tip.
    TestWindow denied({.presentPorts = {"COM1", "COM3"}, .load = false});
    denied.prober().setResult(QStringLiteral("/dev/fake3"), ProbeResult::NoPermission);
    denied.system.addDevice(QStringLiteral("/dev/fake1"), QStringLiteral("A1"));
    denied.form->Form_Load();
    QCOMPARE(denied.get<QComboBox>("cboPort")->count(), 1);
    QCOMPARE(denied.get<QComboBox>("cboPort")->itemData(0, Qt::ToolTipRole).toString(),
             QStringLiteral("/dev/fake1\nAcme USB Serial\nserial number A1\nUSB id f00d:0001"));
    QCOMPARE(denied.data(),
             QStringLiteral("COM3 (/dev/fake3) cannot be opened.\r\n- not allowed: /dev/fake3 "
                            "(crw-rw---- root dialout) lets only its owner and the group dialout "
                            "read and write it; you (ann) are not in the group dialout.\r\n"
                            "  To fix: sudo usermod -aG dialout ann\r\n"
                            "          then log out and in again\r\n"));
}

void TestWindowTest::adapters_listFollowsPlugAndUnplugOpeningNothing() {
    TestWindow w({.presentPorts = {}, .savedPort = QString()});
    auto* list = w.get<QComboBox>("cboPort");
    QCOMPARE(list->count(), 0);
    const QString usb = QStringLiteral("/dev/ttyUSB0");
    w.prober().discovered << usb;
    w.prober().setResult(usb, ProbeResult::Available);
    w.system.addDevice(usb, QStringLiteral("A1"));
    const int probes = w.prober().probes;
    QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 3000);
    QCOMPARE(list->itemText(0), QStringLiteral("COM1"));
    QVERIFY(list->itemData(0, Qt::ToolTipRole).toString().contains(u"serial number A1"));
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(w.port().openCount(), 0);
    QCOMPARE(w.prober().probes, probes);  // not even a trial open

    w.prober().discovered.clear();
    w.system.nodes.remove(usb);
    QTRY_COMPARE_WITH_TIMEOUT(list->count(), 0, 3000);
    QCOMPARE(w.port().openCount(), 0);
}

void TestWindowTest::layout_modelHoldsRuleAndMinimumKeptGeometrySaved() {
    // The rule's other sizes and places are checked on the window below.
    const FormLayout small = FormLayout::forOuterSize(100, 200);  // as designed, at the minimum
    QCOMPARE((QList{small.lBootVersionLeft, small.labStatWidth}), (QList{4320, 4095}));

    qputenv("ORVEX_AUTOMATION_IDS", "1");
    installAutomationIds(*qApp);
    TestWindow::saveSetting("formwidth", "5000");  // below the minimum
    TestWindow::saveSetting("formheight", "8700");
    TestWindow::saveSetting("formleft", "9000000");
    TestWindow::saveSetting("formtop", "-4000000");
    const QList<ui::ControlSpec> controls =
        ui::windowControls() + ui::commsPage() + ui::freeAirPage() + ui::tablesPage();
    {
        TestWindow w({.savedPort = QString()});  // none saved: the only port is opened
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        QCOMPARE(QSize(w.form->formWidth, w.form->formHeight), QSize(6420, 8700));
        QVERIFY(w.form->screen()->availableGeometry().intersects(w.form->frameGeometry()));
        const double px = w.form->pxPerTwip();
        // 9000 x 9990 twips is a whole number of pixels at 96 dpi, frame included; the menu bar
        // comes on top of the specified window.
        const int menu = w.get("mnuBar")->height();
        QVERIFY(menu > 10);
        w.form->resize(QSize(qRound(9000 * px), qRound(9990 * px) + menu) -
                       (w.form->frameGeometry().size() - w.form->size()));
        QTRY_COMPARE(QSize(w.form->formWidth, w.form->formHeight), QSize(9000, 9990));
        QCOMPARE(w.get("txtData")->size(), QSize(qRound(8780 * px), qRound(4950 * px)));
        QCOMPARE(w.get("labStat")->mapTo(w.form.get(), QPoint()).y(), menu + qRound(9265 * px));
        QCOMPARE(w.get("lBootVersion")->y(), qRound(9315 * px));
        QCOMPARE(w.get("SSTab1")->width(), qRound(8780 * px));
        w.form->resize(50, 50);
        QTRY_COMPARE(QSize(w.form->formWidth, w.form->formHeight), QSize(6420, 8175));
        // At the minimum, where the design's own places hold.
        for (const ui::ControlSpec& s : controls) {
            QWidget* control = w.get(qPrintable(s.name));
            const bool captioned = s.kind == ui::Kind::Frame || s.kind == ui::Kind::Button ||
                                   s.kind == ui::Kind::CheckBox || s.kind == ui::Kind::Option;
            QVERIFY2(!s.name.isEmpty() && w.form->findChildren<QWidget*>(s.name).size() == 1 &&
                         (!captioned || !s.text.trimmed().isEmpty()),
                     qPrintable(s.name));
            QCOMPARE(control->accessibleDescription(), s.name);
            if (s.parent.isEmpty() || s.kind == ui::Kind::Page || s.parent == "SSTab1") {
                continue;
            }
            QVERIFY2(control->parentWidget()->contentsRect().contains(control->geometry()),
                     qPrintable(s.name));
            for (const ui::ControlSpec& o : controls) {
                const bool covers = kCovers.contains(s.name + '>' + o.name) ||
                                    kCovers.contains(o.name + '>' + s.name);
                QVERIFY2(o.parent != s.parent || o.name <= s.name || covers ||
                             !control->geometry().intersects(w.get(qPrintable(o.name))->geometry()),
                         qPrintable(s.name + QStringLiteral(" overlaps ") + o.name));
            }
        }
        for (const QString& pair : kCovers) {
            QWidget* top = w.get(qPrintable(pair.section('>', 0, 0)));
            const QObjectList order = top->parentWidget()->children();
            QVERIFY2(order.indexOf(top) > order.indexOf(w.get(qPrintable(pair.section('>', 1)))),
                     qPrintable(pair));
        }
        w.form->close();
    }
    const auto stored = [](const char* key) {
        return TestWindow::settings().value(QStringLiteral("Startup/") + key).toString();
    };
    QCOMPARE((QStringList{stored("formwidth"), stored("formheight"), stored("port")}),
             (QStringList{"6420", "8175", "COM1"}));
    // No port chosen since start-up: an empty port replaces COM1, so none is reopened.
    TestWindow({.presentPorts = {"COM2", "COM5"}, .savedPort = QString()}).form->close();
    QCOMPARE(stored("port"), QString());
}

// A file the program appends to must not be confirmed as "replace"; a saved table may be.
void TestWindowTest::fileDialogs_appendingNeverOffersToReplace() {
    QtDialogs dialogs(nullptr);
    for (const auto existing : {Dialogs::Existing::AppendTo, Dialogs::Existing::AskToReplace}) {
        std::optional<bool> confirms;
        QTimer::singleShot(0, [&confirms] {
            auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (shown) {
                confirms = !shown->testOption(QFileDialog::DontConfirmOverwrite);
                shown->reject();
            }
        });
        QCOMPARE(dialogs.saveFile(QString(), QStringLiteral("Log|*.log"), existing), QString());
        QCOMPARE(confirms, existing == Dialogs::Existing::AskToReplace);
    }
}

QTEST_MAIN(TestWindowTest)
#include "test_window.moc"
