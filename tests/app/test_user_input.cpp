// What a user does with the mouse and the keyboard, sent as real input events to the widget the
// user touches: focus, key routing and the wheel are only exercised this way.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include "app/widgets.h"
#include "support/test_window.h"

namespace {

// A window on screen with the keyboard focus, as a user has it.
struct Shown {
    TestWindow w;
    explicit Shown(TestWindow::Config config = {}) : w(std::move(config)) {
        w.form->show();
        w.form->activateWindow();
    }
    bool active() { return QTest::qWaitForWindowActive(w.form.get()); }
    qsizetype mark() const { return w.sent().size(); }
    QStringList sentSince(qsizetype mark) const { return w.sent().mid(mark); }

    void clickTab(int index) {
        QTabBar* bar = w.get<QTabWidget>("SSTab1")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // Opens the list as its arrow does and clicks the entry, after the pause a hand needs
    // (a release right after the opening press is taken as part of that press).
    static void chooseInPopup(QComboBox* combo, int row) {
        QTest::mouseClick(combo, Qt::LeftButton, {}, combo->rect().center());
        if (!combo->view()->isVisible()) {
            combo->showPopup();
        }
        QAbstractItemView* view = combo->view();
        QTRY_VERIFY(view->isVisible());
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    static void wheel(QWidget* widget, int notches) {
        const QPointF at = QRectF(widget->rect()).center();
        QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    }
};

QRect scrollBarPart(QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

}  // namespace

class TestUserInput : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() { TestWindow::clearSettings(); }
    void portChosen_pageSwitchAndBack_keepsConnectionAndSendsOnlyTf();
    void portList_clickedAgain_rebuildsAndReopensSavedPort();
    void portList_wheelWhileClosed_changesNothing();
    void presetList_keysAndWheelOnClosedList_sendNothing();
    void presetList_choiceInOpenList_sends();
    void calValue_typedThenScrollBarArrow_stepsFromTypedValue();
    void statusLine_longMessage_elidedBeforeFirmwareLabelWithFullToolTip();
    void graph_fileSourceWithMissingFile_drawsNoCurve();
};

void TestUserInput::portChosen_pageSwitchAndBack_keepsConnectionAndSendsOnlyTf() {
    TestWindow::Config c;
    c.presentPorts = {QStringLiteral("COM1"), QStringLiteral("COM2")};
    Shown s(c);
    QVERIFY(s.active());
    auto* cboPort = s.w.get<QComboBox>("cboPort");
    Shown::chooseInPopup(cboPort, 1);
    QTRY_COMPARE(cboPort->currentText(), QStringLiteral("COM2"));
    QCOMPARE(s.w.port().device(), QStringLiteral("/dev/fake2"));
    QCOMPARE(QApplication::focusWidget(), cboPort);

    const qsizetype mark = s.mark();
    const int opens = s.w.port().openCount();
    s.clickTab(1);
    s.clickTab(0);
    QTest::qWait(50);
    QCOMPARE(s.w.get<QTabWidget>("SSTab1")->currentIndex(), 0);
    QCOMPARE(s.sentSince(mark), QStringList{QStringLiteral("tf")});
    QVERIFY(s.w.form->link().isOpen());
    QCOMPARE(s.w.port().openCount(), opens);
    QCOMPARE(s.w.port().device(), QStringLiteral("/dev/fake2"));
}

void TestUserInput::portList_clickedAgain_rebuildsAndReopensSavedPort() {
    TestWindow::Config c;
    c.presentPorts = {QStringLiteral("COM1"), QStringLiteral("COM2")};
    Shown s(c);
    QVERIFY(s.active());
    s.w.get<QLineEdit>("txtCommand")->setFocus(Qt::MouseFocusReason);
    const qsizetype mark = s.mark();
    // The user's own click into the list still closes the port and rebuilds the list.
    QTest::mouseClick(s.w.get<QComboBox>("cboPort"), Qt::LeftButton);
    QTRY_COMPARE(s.sentSince(mark), (QStringList{QStringLiteral("tf"), QStringLiteral("v")}));
    s.w.get<QComboBox>("cboPort")->hidePopup();
}

void TestUserInput::portList_wheelWhileClosed_changesNothing() {
    TestWindow::Config c;
    c.presentPorts = {QStringLiteral("COM1"), QStringLiteral("COM2")};
    Shown s(c);
    QVERIFY(s.active());
    auto* cboPort = s.w.get<QComboBox>("cboPort");
    const qsizetype mark = s.mark();
    Shown::wheel(cboPort, -1);
    Shown::wheel(cboPort, 1);
    QTest::qWait(20);
    QCOMPARE(cboPort->currentText(), QStringLiteral("COM1"));
    QCOMPARE(s.sentSince(mark), QStringList());
    QCOMPARE(s.w.port().device(), QStringLiteral("/dev/fake1"));
}

void TestUserInput::presetList_keysAndWheelOnClosedList_sendNothing() {
    Shown s;
    QVERIFY(s.active());
    for (const char* name : {"cboTraceCommand", "cboLogCommand"}) {
        auto* list = s.w.get<QComboBox>(name);
        list->setFocus(Qt::TabFocusReason);
        const qsizetype mark = s.mark();
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown,
                                  Qt::Key_End, Qt::Key_Home}) {
            QTest::keyClick(list, key);
        }
        Shown::wheel(list, -1);
        // An entry's exact text typed into the list, then Enter, then Tab away.
        list->lineEdit()->selectAll();
        QTest::keyClicks(list, list->itemText(1));
        QTest::keyClick(list, Qt::Key_Return);
        list->lineEdit()->selectAll();
        QTest::keyClicks(list, list->itemText(0));
        QTest::keyClick(list, Qt::Key_Tab);
        QTest::qWait(20);
        QVERIFY2(s.sentSince(mark).isEmpty(), qPrintable(s.sentSince(mark).join(u',')));
    }
}

void TestUserInput::presetList_choiceInOpenList_sends() {
    Shown s;
    QVERIFY(s.active());
    auto* list = s.w.get<QComboBox>("cboTraceCommand");
    qsizetype mark = s.mark();
    Shown::chooseInPopup(list, 1);
    QTRY_COMPARE(s.sentSince(mark), QStringList{QStringLiteral("tf")});

    // Enter on the highlighted entry of the open list.
    mark = s.mark();
    list->showPopup();
    QTRY_VERIFY(list->view()->isVisible());
    list->view()->setCurrentIndex(list->model()->index(7, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
    QTRY_COMPARE(s.sentSince(mark), QStringList{QStringLiteral("s0382")});
}

void TestUserInput::calValue_typedThenScrollBarArrow_stepsFromTypedValue() {
    Shown s;
    QVERIFY(s.active());
    s.clickTab(1);
    s.w.get<QWidget>("cmdManualFA")->setFocus();
    QTest::mouseClick(s.w.get<QWidget>("cmdManualFA"), Qt::LeftButton);
    auto* box = s.w.get<QLineEdit>("tFACalV");
    auto* large = s.w.get<QScrollBar>("sbCalLarge");
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("4000"));
    const qsizetype mark = s.mark();
    QTest::mouseClick(large, Qt::LeftButton, {},
                      scrollBarPart(large, QStyle::SC_ScrollBarAddLine).center());
    QTRY_COMPARE(large->value(), 4010);
    QCOMPARE(box->text(), QStringLiteral("4010"));
    // 4000 = 0F A0 goes out first, then the step to 4010 = 0F AA.
    QCOMPARE(s.sentSince(mark), (QStringList{QStringLiteral("s3c0F"), QStringLiteral("s3bA0"),
                                             QStringLiteral("s3c0F"), QStringLiteral("s3bAA")}));

    // The spin's arrow steps from a typed value too.
    auto* spin = s.w.get<QScrollBar>("sbCalSmall");
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("3000"));
    QTest::mouseClick(spin, Qt::LeftButton, {},
                      scrollBarPart(spin, QStyle::SC_ScrollBarAddLine).center());
    QTRY_COMPARE(large->value(), 3001);
}

void TestUserInput::statusLine_longMessage_elidedBeforeFirmwareLabelWithFullToolTip() {
    Shown s;
    QVERIFY(s.active());
    auto* labStat = s.w.get<QLabel>("labStat");
    auto* firmware = s.w.get<QLabel>("lBootVersion");
    const QString path =
        QStringLiteral("Read file /home/me/tables/wideband/2026/06-wideband_0_5V.inc");
    s.w.form->status().msg(path);
    QCOMPARE(labStat->text(), path);
    QVERIFY(labStat->geometry().right() < firmware->geometry().left());
    QCOMPARE(labStat->toolTip(), path);
    // What is drawn keeps the start and the file name's end.
    QVERIFY(labStat->fontMetrics().horizontalAdvance(path) > labStat->width());
    const QString shown = qobject_cast<StatusText*>(labStat)->shownText();
    QVERIFY(shown.size() < path.size());
    QVERIFY(shown.startsWith(QStringLiteral("Read file /")));
    QVERIFY2(shown.endsWith(QStringLiteral("_0_5V.inc")), qPrintable(shown));

    // Widening the window gives a long message more room, up to the firmware label.
    const int before = labStat->width();
    s.w.form->resize(s.w.form->width() + 200, s.w.form->height());
    QTRY_VERIFY(labStat->width() > before);
    QVERIFY(labStat->geometry().right() < firmware->geometry().left());

    s.w.form->status().msg(QStringLiteral("Opened COM1"));
    QCOMPARE(labStat->toolTip(), QString());
}

void TestUserInput::graph_fileSourceWithMissingFile_drawsNoCurve() {
    Shown s;
    QVERIFY(s.active());
    s.clickTab(2);
    s.w.get<QComboBox>("cboOutputPin")->setCurrentIndex(1);
    s.w.get<QCheckBox>("chkGraph")->setChecked(true);
    const auto curvePixels = [&] {
        const QImage image =
            s.w.get<QWidget>("p1")->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixelColor(x, y) == QColor(0, 0, 255) ? 1 : 0;
            }
        }
        return n;
    };
    QVERIFY(curvePixels() > 50);
    s.w.get<QLineEdit>("txtAFRfilename")->setText(QStringLiteral("/no/such/table.txt"));
    s.w.get<QComboBox>("cboEEdata")->setCurrentIndex(1);
    QCOMPARE(s.w.statusText(), QStringLiteral("No File /no/such/table.txt"));
    QVERIFY(s.w.get<QWidget>("p1")->width() > 0);
    QCOMPARE(curvePixels(), 0);
}

QTEST_MAIN(TestUserInput)
#include "test_user_input.moc"
