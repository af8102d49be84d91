#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include "app/widgets.h"
#include "support/test_window.h"

namespace {

const QString kVersionReply = QStringLiteral("\r\nv 2.01\r\n");

// Chooses a list entry the way a user does: open the list, click the entry.
void choose(QComboBox* list, int index) {
    list->showPopup();
    auto* view = list->view();
    QTRY_VERIFY(view->isVisible());
    const QRect r = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    QTRY_VERIFY(!view->isVisible());
}

}  // namespace

class TestConsoleWindow : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void enterOnV_sendsOnlyVAndShowsMarkerBeforeAnswer();
    void enterWithKeepText_keepsCommandInBox();
    void enterWithAutoCls_showsOnlyNewMarkerAndAnswer();
    void enterWithHistoryOff_sendsWithoutMarker();
    void enterOnEmptyBox_sendsNothingButShowsCount();
    void enterWithPortClosed_refusesAndEmptiesBoxUnlessKept();
    void arrows_browseSentCommandsInTheBox();
    void presetLists_showCommandTextAndTheirEntries();
    void presetEntry_sendsItsCommand_data();
    void presetEntry_sendsItsCommand();
    void typingOrWheelingOverPresetList_sendsNothing();
    void choosingPreset_sendsItAndSetsReDoCaption();
    void choosingSamePresetTwice_sendsTwice();
    void reDo_sendsLastPresetWithChangedParameter();
    void reDoBeforeAnyPreset_doesNothing();
    void presetWithPortClosed_refusesLikeTypedCommand();
    void startTrace_sendsInOrderAndClearsDataArea();
    void startTraceWithPortClosed_reportsEachCommandAndStillClears();
    void stopAndClearTrace_sendTraceOffAndEmptyTheArea();
    void copyTrace_putsExactTextOnClipboard();

  private:
    std::unique_ptr<TestWindow> w;
    QLineEdit* box() const { return w->get<QLineEdit>("txtCommand"); }
    QString count() const { return w->get<QLabel>("lHistoryCount")->text(); }
    DataArea& data() const { return w->form->data(); }
    void type(const QString& text, Qt::Key key = Qt::Key_Return) {
        box()->setText(text);
        QTest::keyClick(box(), key);
    }
    void click(const char* button) {
        QTest::mouseClick(w->get<QPushButton>(button), Qt::LeftButton);
    }
};

void TestConsoleWindow::init() {
    w = std::make_unique<TestWindow>();
    // Start-up opened COM1 and greeted the unit; only what follows matters here.
    QVERIFY(w->form->link().isOpen());
    w->port().clearWritten();
}

void TestConsoleWindow::enterOnV_sendsOnlyVAndShowsMarkerBeforeAnswer() {
    QCOMPARE(count(), QStringLiteral("*"));
    QCOMPARE(box()->text(), QStringLiteral("tf"));
    type(QStringLiteral("v"));
    QCOMPARE(w->port().written(), QByteArray("v\r"));
    QCOMPARE(box()->text(), QString());
    QCOMPARE(count(), QStringLiteral("1"));
    QTRY_VERIFY(data().text().endsWith(QStringLiteral("[ v ]") + kVersionReply));
    QCOMPARE(w->form->link().RxBuffer(), data().text());

    QTest::keyClick(box(), Qt::Key_Up);
    QCOMPARE(box()->text(), QStringLiteral("v"));
    QCOMPARE(count(), QStringLiteral("0"));
}

void TestConsoleWindow::enterWithKeepText_keepsCommandInBox() {
    w->get<QCheckBox>("chkKeepText")->setChecked(true);
    type(QStringLiteral("v"));
    QCOMPARE(w->sent(), QStringList{QStringLiteral("v")});
    QCOMPARE(box()->text(), QStringLiteral("v"));
    QTest::keyClick(box(), Qt::Key_Return);
    QCOMPARE(w->sent(), QStringList({QStringLiteral("v"), QStringLiteral("v")}));
    QCOMPARE(count(), QStringLiteral("2"));
}

void TestConsoleWindow::enterWithAutoCls_showsOnlyNewMarkerAndAnswer() {
    data().setText(QStringLiteral("old listing"));
    w->get<QCheckBox>("chkAutoCLS")->setChecked(true);
    type(QStringLiteral("v"));
    QTRY_COMPARE(data().text(), QStringLiteral("[ v ]") + kVersionReply);
}

void TestConsoleWindow::enterWithHistoryOff_sendsWithoutMarker() {
    w->get<QCheckBox>("chkAutoCLS")->setChecked(true);
    w->get<QCheckBox>("chkHistory")->setChecked(false);
    type(QStringLiteral("v"));
    QTRY_COMPARE(data().text(), kVersionReply);
    QCOMPARE(count(), QStringLiteral("1"));
}

void TestConsoleWindow::enterOnEmptyBox_sendsNothingButShowsCount() {
    type(QString());
    QCOMPARE(w->port().written(), QByteArray());
    QCOMPARE(count(), QStringLiteral("0"));
    QTest::keyClick(box(), Qt::Key_Up);
    QCOMPARE(box()->text(), QString());  // nothing was stored
}

void TestConsoleWindow::enterWithPortClosed_refusesAndEmptiesBoxUnlessKept() {
    w->form->link().closePort();
    type(QStringLiteral("v"));
    QCOMPARE(w->statusText(), QStringLiteral("COMM port not open"));
    QCOMPARE(w->statusColour(), QColor(255, 0, 0));
    QCOMPARE(box()->text(), QString());
    QCOMPARE(w->port().written(), QByteArray());
    QCOMPARE(count(), QStringLiteral("0"));
    QVERIFY(!w->form->link().RxBuffer().contains(QStringLiteral("[ v ]")));

    w->get<QCheckBox>("chkKeepText")->setChecked(true);
    type(QStringLiteral("v"));
    QCOMPARE(box()->text(), QStringLiteral("v"));
    QTest::keyClick(box(), Qt::Key_Up);
    QCOMPARE(box()->text(), QString());  // the refused command was not stored
}

void TestConsoleWindow::arrows_browseSentCommandsInTheBox() {
    for (const char* c : {"a", "b", "c"}) {
        type(QLatin1String(c));
    }
    QCOMPARE(count(), QStringLiteral("3"));
    QTest::keyClick(box(), Qt::Key_Up);
    QCOMPARE(box()->text(), QStringLiteral("c"));
    QCOMPARE(box()->cursorPosition(), 1);
    QCOMPARE(count(), QStringLiteral("2"));
    QTest::keyClick(box(), Qt::Key_Up);
    QCOMPARE(box()->text(), QStringLiteral("b"));
    QTest::keyClick(box(), Qt::Key_Down);
    QCOMPARE(box()->text(), QStringLiteral("c"));
    QTest::keyClick(box(), Qt::Key_Down);
    QCOMPARE(box()->text(), QString());
    QCOMPARE(count(), QStringLiteral("3"));

    // Sending after browsing up overwrites the entry shown and sends the edited text.
    QTest::keyClick(box(), Qt::Key_Up);
    QTest::keyClick(box(), Qt::Key_Up);
    QTest::keyClicks(box(), QStringLiteral("x"));
    QTest::keyClick(box(), Qt::Key_Return);
    QCOMPARE(w->sent().last(), QStringLiteral("bx"));
    QCOMPARE(count(), QStringLiteral("2"));
    QTest::keyClick(box(), Qt::Key_Up);
    QCOMPARE(box()->text(), QStringLiteral("bx"));

    // Characters whose key codes equal the arrows' are typed, not browsed with.
    box()->clear();
    QTest::keyClicks(box(), QStringLiteral("s(&)"));
    QCOMPARE(box()->text(), QStringLiteral("s(&)"));
    QCOMPARE(count(), QStringLiteral("1"));
}

void TestConsoleWindow::presetLists_showCommandTextAndTheirEntries() {
    auto* trace = w->get<QComboBox>("cboTraceCommand");
    auto* log = w->get<QComboBox>("cboLogCommand");
    QVERIFY(trace->isEditable() && log->isEditable());
    QCOMPARE(trace->currentText(), QStringLiteral("Command ..."));
    QCOMPARE(log->currentText(), QStringLiteral("Command ..."));
    QCOMPARE(trace->count(), 9);
    QCOMPARE(log->count(), 5);
}

void TestConsoleWindow::presetEntry_sendsItsCommand_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("command");
    const QString trace = QStringLiteral("cboTraceCommand");
    const QString log = QStringLiteral("cboLogCommand");
    QTest::newRow("t1") << trace << 0 << "START  (t1)"
                        << "t1";
    QTest::newRow("tf") << trace << 1 << "STOP  (tf)"
                        << "tf";
    QTest::newRow("speed") << trace << 2 << "Speed   (s04##)"
                           << "s047F";
    QTest::newRow("s03E0") << trace << 3 << "1.5 Binary mode   (s03E0)"
                           << "s03E0";
    QTest::newRow("s0380") << trace << 4 << "1.5 ASCII mode   (s0380)"
                           << "s0380";
    QTest::newRow("s03E1") << trace << 5 << "2.0 Binary mode   (s03E1)"
                           << "s03E1";
    QTest::newRow("s0381") << trace << 6 << "2.0 ASCII mode   (s0381)"
                           << "s0381";
    QTest::newRow("s0382") << trace << 7 << "CAL-ASCII mode  (s0382)"
                           << "s0382";
    QTest::newRow("s0383") << trace << 8 << "STAT-ASCII mode  (s0383)"
                           << "s0383";
    QTest::newRow("x0") << log << 0 << "STOP logging   (x0)"
                        << "x0";
    QTest::newRow("x1") << log << 1 << "START logging  (x1)"
                        << "x1";
    QTest::newRow("x2") << log << 2 << "GET data index   (x2)"
                        << "x2";
    QTest::newRow("y####") << log << 3 << "SET data index   (y####)"
                           << "y007F";
    QTest::newRow("z") << log << 4 << "DUMP data to index (z)"
                       << "z";
}

void TestConsoleWindow::presetEntry_sendsItsCommand() {
    QFETCH(QString, list);
    QFETCH(int, index);
    QFETCH(QString, entry);
    QFETCH(QString, command);
    auto* combo = w->form->findChild<QComboBox*>(list);
    QCOMPARE(combo->itemText(index), entry);
    w->get<QLineEdit>("txtCmdParameter")->setText(QStringLiteral("7F"));
    choose(combo, index);
    QCOMPARE(w->sent(), QStringList{command});
    QCOMPARE(combo->currentText(), entry);
}

void TestConsoleWindow::typingOrWheelingOverPresetList_sendsNothing() {
    auto* trace = w->get<QComboBox>("cboTraceCommand");
    QLineEdit* edit = trace->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("STOP  (tf)"));
    QTest::keyClick(edit, Qt::Key_Return);
    const QPointF centre = QRectF(trace->rect()).center();
    for (int delta : {-120, -120, 120}) {
        QWheelEvent wheel(centre, trace->mapToGlobal(centre), {}, {0, delta}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(trace, &wheel);
    }
    QTest::qWait(50);
    QCOMPARE(w->port().written(), QByteArray());
    QCOMPARE(trace->currentText(), QStringLiteral("STOP  (tf)"));
    QCOMPARE(w->get<QPushButton>("btnReDoCommand")->text(), QStringLiteral("Re Do"));
}

void TestConsoleWindow::choosingPreset_sendsItAndSetsReDoCaption() {
    choose(w->get<QComboBox>("cboTraceCommand"), 1);
    QCOMPARE(w->port().written(), QByteArray("tf\r"));
    QCOMPARE(w->get<QPushButton>("btnReDoCommand")->text(), QStringLiteral("Re Do -> tf"));
    QCOMPARE(count(), QStringLiteral("1"));
    QTRY_VERIFY(data().text().endsWith(QStringLiteral("[ tf ]\r\ntf 0000\r\n")));

    w->get<QLineEdit>("txtCmdParameter")->setText(QStringLiteral("2A"));
    choose(w->get<QComboBox>("cboLogCommand"), 3);
    QCOMPARE(w->sent().last(), QStringLiteral("y002A"));
    QCOMPARE(w->get<QPushButton>("btnReDoCommand")->text(), QStringLiteral("Re Do -> y####"));
}

void TestConsoleWindow::choosingSamePresetTwice_sendsTwice() {
    auto* log = w->get<QComboBox>("cboLogCommand");
    choose(log, 2);
    choose(log, 2);
    QCOMPARE(w->sent(), QStringList({QStringLiteral("x2"), QStringLiteral("x2")}));
}

void TestConsoleWindow::reDo_sendsLastPresetWithChangedParameter() {
    auto* parameter = w->get<QLineEdit>("txtCmdParameter");
    parameter->setText(QStringLiteral("7F"));
    choose(w->get<QComboBox>("cboTraceCommand"), 2);
    QCOMPARE(w->sent(), QStringList{QStringLiteral("s047F")});
    QCOMPARE(w->get<QPushButton>("btnReDoCommand")->text(), QStringLiteral("Re Do -> s04##"));

    parameter->setText(QStringLiteral("10"));
    click("btnReDoCommand");
    QCOMPARE(w->sent(), QStringList({QStringLiteral("s047F"), QStringLiteral("s0410")}));
    QVERIFY(w->form->link().RxBuffer().contains(QStringLiteral("[ s0410 ]")));
    QCOMPARE(w->get<QPushButton>("btnReDoCommand")->text(), QStringLiteral("Re Do -> s04##"));
    QTest::keyClick(box(), Qt::Key_Up);
    QCOMPARE(box()->text(), QStringLiteral("s0410"));
}

void TestConsoleWindow::reDoBeforeAnyPreset_doesNothing() {
    box()->setText(QStringLiteral("v"));
    click("btnReDoCommand");
    QCOMPARE(w->port().written(), QByteArray());
    QCOMPARE(box()->text(), QStringLiteral("v"));
    QCOMPARE(w->get<QPushButton>("btnReDoCommand")->text(), QStringLiteral("Re Do"));
}

void TestConsoleWindow::presetWithPortClosed_refusesLikeTypedCommand() {
    w->form->link().closePort();
    choose(w->get<QComboBox>("cboTraceCommand"), 0);
    QCOMPARE(w->statusText(), QStringLiteral("COMM port not open"));
    QCOMPARE(box()->text(), QString());
    QCOMPARE(w->get<QPushButton>("btnReDoCommand")->text(), QStringLiteral("Re Do -> t1"));
}

void TestConsoleWindow::startTrace_sendsInOrderAndClearsDataArea() {
    data().setText(QStringLiteral("old text"));
    click("btnStartTrace");
    QCOMPARE(w->sent(), QStringList({QStringLiteral("tf"), QStringLiteral("s0383"),
                                     QStringLiteral("v"), QStringLiteral("t1")}));
    QCOMPARE(data().text(), QString());
    QCOMPARE(w->form->link().RxBuffer(), QString());
    // The version heads the new trace; the unit's replies to tf and s0383 come first.
    QTRY_VERIFY(data().text().contains(kVersionReply));
    QTRY_VERIFY(w->model->traceLineCount() > 2);
    QTRY_VERIFY(data().text().count(QLatin1Char('\n')) > 6);
}

void TestConsoleWindow::startTraceWithPortClosed_reportsEachCommandAndStillClears() {
    data().setText(QStringLiteral("old text"));
    w->form->link().closePort();
    click("btnStartTrace");
    QCOMPARE(w->statusText(), QStringLiteral("COM port must be opened first"));
    QCOMPARE(w->statusColour(), QColor(255, 0, 0));
    QCOMPARE(data().text(), QString());
    QCOMPARE(data().toPlainText(), QString());
    QCOMPARE(w->port().written(), QByteArray());
}

void TestConsoleWindow::stopAndClearTrace_sendTraceOffAndEmptyTheArea() {
    click("btnStopTrace");
    QCOMPARE(w->sent(), QStringList{QStringLiteral("tf")});
    QTRY_VERIFY(!data().text().isEmpty());
    click("btnClearTrace");
    QCOMPARE(data().text(), QString());
    QCOMPARE(w->form->link().RxBuffer(), QString());
    click("btnCls");
    QCOMPARE(w->sent(), QStringList{QStringLiteral("tf")});  // clearing sends nothing
}

void TestConsoleWindow::copyTrace_putsExactTextOnClipboard() {
    QClipboard* clipboard = QApplication::clipboard();
    const QString text = QStringLiteral("[ v ]\r\nv 2.01\r\n0200 0100 0300 0001\r\n");
    data().setText(text);
    clipboard->setText(QStringLiteral("earlier"));
    click("btnCopyTrace");
    QCOMPARE(clipboard->text(), text);

    data().setText(QString());
    click("btnCopyTrace");
    QCOMPARE(clipboard->text(), QString());
}

QTEST_MAIN(TestConsoleWindow)
#include "test_console_window.moc"
