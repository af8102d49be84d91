// What a user does with the mouse and the keyboard, sent as real input events to the widget the
// user touches: focus, key routing and the wheel are only exercised this way.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <QWheelEvent>

#include "app/widgets.h"
#include "support/test_window.h"

namespace {

const QString kVersionReply = QStringLiteral("\r\nv 2.01\r\n");

// Clicks the entry after the pause a hand needs: a quick release would end the opening press.
void chooseInPopup(QComboBox* combo, int row) {
    QTest::mouseClick(combo, Qt::LeftButton);
    if (!combo->view()->isVisible()) {  // an editable list opens only from its arrow
        combo->showPopup();
    }
    QAbstractItemView* view = combo->view();
    QTRY_VERIFY(view->isVisible());
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
}

// Opens `menu` on the menu bar and clicks its entry `entry`, as a hand would.
void chooseInMenu(QWidget* window, const char* menu, const char* entry) {
    auto* bar = window->findChild<QMenuBar*>(QStringLiteral("mnuBar"));
    auto* popup = window->findChild<QMenu*>(QLatin1String(menu));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(popup->menuAction()).center());
    QTRY_VERIFY(popup->isVisible());
    auto* action = popup->findChild<QAction*>(QLatin1String(entry));
    QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(action).center());
}

// The name of the document's first picture.
QString firstImage(const QTextDocument* document) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                return it.fragment().charFormat().toImageFormat().name();
            }
        }
    }
    return {};
}

void wheel(QWidget* widget, int notches) {
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

QPoint addLineArrow(QScrollBar* bar) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    return bar->style()
        ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, bar)
        .center();
}

}  // namespace

class TestUserInput : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() { TestWindow::clearSettings(); }
    void controlsInTurn_sendWhatIsAskedShowWhatFitsNothingOnClosedPort();
    void portList_wheelIgnoredClickRebuildsChoiceKeptOverPageSwitch();
    void logToFile_bytesKeptUntilCloseAndWriteErrorsShown();
    void menu_guideByF1WithPictureAboutOpensFoldersDoctorReports();
};

void TestUserInput::controlsInTurn_sendWhatIsAskedShowWhatFitsNothingOnClosedPort() {
    TestWindow w({.shown = true});
    QVERIFY(w.active());
    auto* box = w.get<QLineEdit>("txtCommand");
    qsizetype mark = w.mark();
    w.type("txtCommand", QStringLiteral("v\r"));  // \r: Enter
    QCOMPARE(w.sentSince(mark), QStringList{"v"});
    QCOMPARE(box->text(), QString());
    QTRY_VERIFY(w.data().endsWith(QStringLiteral("[ v ]") + kVersionReply));

    // Keep text keeps the command, Auto CLS shows only the new marker and answer; no History: none.
    QTest::mouseClick(w.get("chkKeepText"), Qt::LeftButton);
    QTest::mouseClick(w.get("chkAutoCLS"), Qt::LeftButton);
    QTest::keyClicks(box, QStringLiteral("v\r"));
    QCOMPARE(box->text(), QStringLiteral("v"));
    QTRY_COMPARE(w.data(), QStringLiteral("[ v ]") + kVersionReply);
    QTest::mouseClick(w.get("chkHistory"), Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_COMPARE(w.data(), kVersionReply);

    // Up and Down browse ("|": the caret); sending after browsing up overwrites the entry shown.
    QTest::mouseClick(w.get("chkKeepText"), Qt::LeftButton);
    w.type("txtCommand", QStringLiteral("a\rb\r"));
    QString seen;
    for (const QChar arrow : QStringLiteral("^^vv^^")) {
        QTest::keyClick(box, arrow == u'^' ? Qt::Key_Up : Qt::Key_Down);
        seen += box->text().insert(box->cursorPosition(), u'|') + u' ';
    }
    QCOMPARE(seen, QStringLiteral("b| a| b| | b| a| "));
    // Characters whose key codes are the arrows' (&, () are typed, not browsed with.
    QTest::keyClicks(box, QStringLiteral("x(&)\r"));
    QCOMPARE(w.sent().last(), QStringLiteral("ax(&)"));
    QCOMPARE(w.get<QLabel>("lHistoryCount")->text(), QStringLiteral("4"));

    for (const char* name : {"cboTraceCommand", "cboLogCommand"}) {
        auto* list = w.get<QComboBox>(name);
        list->setFocus(Qt::TabFocusReason);
        const qsizetype mark = w.mark();
        QTest::keySequence(list, QKeySequence(Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_End));
        QTest::keySequence(list, QKeySequence(Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home));
        wheel(list, -1);
        // An entry's exact text typed into the list, then Enter, then Tab away.
        list->clearEditText();
        QTest::keyClicks(list, list->itemText(1) + u'\r');
        list->clearEditText();
        QTest::keyClicks(list, list->itemText(0) + u'\t');
        QTest::qWait(20);
        QCOMPARE(w.sentSince(mark), QStringList());
    }

    auto* list = w.get<QComboBox>("cboTraceCommand");
    w.type("txtCmdParameter", QStringLiteral("7F"));
    mark = w.mark();
    chooseInPopup(list, 2);  // Speed   (s04##)
    QTRY_COMPARE(w.sentSince(mark), QStringList{"s047F"});
    w.type("txtCmdParameter", QStringLiteral("10"));
    QTest::mouseClick(w.get("btnReDoCommand"), Qt::LeftButton);
    // Enter on the highlighted entry of the open list; the same entry twice sends twice.
    for (int i = 0; i < 2; ++i) {
        list->showPopup();
        QTRY_VERIFY(list->view()->isVisible());
        list->view()->setCurrentIndex(list->model()->index(7, 0));
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
    QTRY_COMPARE(w.sentSince(mark), (QStringList{"s047F", "s0410", "s0382", "s0382"}));

    w.form->data().setText(QStringLiteral("old text"));
    w.click("btnStartTrace");  // what it sends: test_e2e, on a real line
    QCOMPARE(w.data(), QString());
    QTRY_VERIFY(w.data().count(QLatin1Char('\n')) > 6);
    w.click("btnStopTrace");
    w.click("btnCopyTrace");
    QCOMPARE(QApplication::clipboard()->text(), w.data());
    w.click("btnClearTrace");
    QCOMPARE(w.data(), QString());
    QCOMPARE(w.form->link().RxBuffer(), QString());
    w.click("btnCopyTrace");
    QCOMPARE(QApplication::clipboard()->text(), QString());

    w.showPage(1);
    w.click("cmdManualFA");
    auto* large = w.get<QScrollBar>("sbCalLarge");
    auto* small = w.get<QScrollBar>("sbCalSmall");
    w.type("tFACalV", QStringLiteral("4000"));
    mark = w.mark();
    QTest::mouseClick(large, Qt::LeftButton, {}, addLineArrow(large));
    QTRY_COMPARE(large->value(), 4010);
    QCOMPARE(w.get<QLineEdit>("tFACalV")->text(), QStringLiteral("4010"));
    // 4000 = 0F A0 goes out first, then the step to 4010 = 0F AA.
    QCOMPARE(w.sentSince(mark), (QStringList{"s3c0F", "s3bA0", "s3c0F", "s3bAA"}));
    w.type("tFACalV", QStringLiteral("3000"));
    QTest::mouseClick(small, Qt::LeftButton, {}, addLineArrow(small));
    QTRY_COMPARE(large->value(), 3001);
    QCOMPARE(small->value(), 1);

    auto* labStat = w.get<StatusText>("labStat");
    const QString path("Read file /home/me/tables/wideband/2026/06-wideband_0_5V.inc");
    w.form->status().msg(path);
    QCOMPARE(labStat->text(), path);
    QCOMPARE(labStat->toolTip(), path);
    const QString shown = labStat->shownText();  // keeps the start and the file name's end
    QVERIFY2(shown.size() < path.size() && shown.startsWith(QStringLiteral("Read file /")) &&
                 shown.endsWith(QStringLiteral("_0_5V.inc")),
             qPrintable(shown));
    QVERIFY(labStat->geometry().right() < w.get("lBootVersion")->geometry().left());
    const int before = labStat->width();
    w.form->resize(w.form->width() + 200, w.form->height());
    QTRY_VERIFY(labStat->width() > before);
    QVERIFY(labStat->geometry().right() < w.get("lBootVersion")->geometry().left());
    w.form->status().msg(QStringLiteral("Opened COM1"));
    QCOMPARE(labStat->toolTip(), QString());

    w.showPage(0);
    w.form->link().closePort();
    w.form->data().setText(QStringLiteral("old text"));
    mark = w.mark();
    w.click("btnStartTrace");
    QCOMPARE(w.statusText(), QStringLiteral("COM port must be opened first"));
    QCOMPARE(w.data(), QString());
    w.type("txtCommand", QStringLiteral("v\r"));
    QCOMPARE(w.statusText(), QStringLiteral("COMM port not open"));
    QCOMPARE(w.statusColour(), QColor(255, 0, 0));
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->text(), QStringLiteral("s0382"));  // the last one sent, not the refused "v"
    QCOMPARE(w.sentSince(mark), QStringList());
}

void TestUserInput::portList_wheelIgnoredClickRebuildsChoiceKeptOverPageSwitch() {
    TestWindow w({.presentPorts = {"COM1", "COM2"}, .shown = true});
    QVERIFY(w.active());
    auto* cboPort = w.get<QComboBox>("cboPort");
    qsizetype mark = w.mark();
    wheel(cboPort, -1);  // towards COM2
    QTest::qWait(20);
    QCOMPARE(cboPort->currentText(), QStringLiteral("COM1"));
    QCOMPARE(w.sentSince(mark), QStringList());

    // The click into the list rebuilds it and greets the saved port again; the choice greets COM2.
    chooseInPopup(cboPort, 1);
    QTRY_COMPARE(w.sentSince(mark), (QStringList{"tf", "v", "tf", "v"}));
    QCOMPARE(cboPort->currentText(), QStringLiteral("COM2"));
    QCOMPARE(QApplication::focusWidget(), cboPort);

    mark = w.mark();
    w.showPage(1);
    w.showPage(0);
    QTest::qWait(50);
    QCOMPARE(w.sentSince(mark), QStringList{"tf"});
    QVERIFY(w.form->link().isOpen());
    QCOMPARE(w.port().openCount(), 3);
    QCOMPARE(w.port().device(), QStringLiteral("/dev/fake2"));
}

// The log keeps bytes as they came until the port closes; a failed write says so, display goes on.
void TestUserInput::logToFile_bytesKeptUntilCloseAndWriteErrorsShown() {
    TestWindow w({.unitAttached = false, .shown = true});
    QVERIFY(w.active());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("unit.log"));
    auto* box = w.get<QCheckBox>("chkLogFile");
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\n") == 8);
    earlier.close();
    w.dialogs.files << path;
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    // The log appends, so the dialog must not offer to "replace" the file.
    QCOMPARE(w.dialogs.saveModes, QList{Dialogs::Existing::AppendTo});
    const QByteArray bytes = QByteArray("ab\r\n\xff", 5) + '\0';
    w.port().feed(bytes);
    QTRY_COMPARE(w.get<QLabel>("lLogSize")->text(), QLocale().formattedDataSize(6, 1));
    w.form->link().closePort();
    QVERIFY(!box->isChecked());
    QVERIFY(w.form->link().OpenPort(QStringLiteral("COM1")));
    w.port().feed("later");
    QTRY_VERIFY(w.data().endsWith(u"later"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == "earlier\n" + bytes);

    for (const QString& bad : {QStringLiteral("/dev/full"), dir.filePath(QStringLiteral("no/x"))}) {
        w.dialogs.files << bad;
        QTest::mouseClick(box, Qt::LeftButton);
        w.port().feed("shown");
        QTRY_VERIFY(w.data().endsWith(u"shown"));
        QVERIFY2(w.statusText().startsWith(u"Log file error: ") && w.statusText().size() > 16 &&
                     w.statusColour() == QColor(255, 0, 0) && !box->isChecked(),
                 qPrintable(bad + w.statusText()));
    }
}

void TestUserInput::menu_guideByF1WithPictureAboutOpensFoldersDoctorReports() {
    TestWindow w({.shown = true});
    QVERIFY(w.active());
    QTest::keyClick(w.get("txtCommand"), Qt::Key_F1);
    auto* guide = w.form->findChild<QDialog*>(QStringLiteral("frmUserGuide"));
    QVERIFY(guide && guide->isVisible());
    auto* browser = guide->findChild<QTextBrowser*>(QStringLiteral("txtGuide"));
    QVERIFY(browser->toPlainText().startsWith(u"Orvex Configuration Utility: user guide"));
    const QString picture = firstImage(browser->document());
    QVERIFY(picture.endsWith(u".png"));
    const QVariant data = browser->document()->resource(QTextDocument::ImageResource, picture);
    const QImage image = data.typeId() == QMetaType::QByteArray
                             ? QImage::fromData(data.toByteArray())
                             : data.value<QImage>();
    QVERIFY2(image.width() > 100, qPrintable(picture));

    QTemporaryDir logs;
    w.dialogs.files << logs.filePath(QStringLiteral("unit.log"));
    QTest::mouseClick(w.get<QCheckBox>("chkLogFile"), Qt::LeftButton);
    chooseInMenu(w.form.get(), "mnuHelp", "mnuAbout");
    auto* about = w.form->findChild<QDialog*>(QStringLiteral("frmAbout"));
    QTRY_VERIFY(about && about->isVisible());
    QVERIFY(about->findChild<QLabel*>(QStringLiteral("lAboutVersion"))->text().contains(u"Qt 6."));
    for (const char* button : {"btnOpenBackups", "btnOpenLogs"}) {
        QTest::mouseClick(about->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }
    QCOMPARE(w.opened.size(), 2);
    QVERIFY(w.opened[0].toLocalFile().endsWith(u"/Orvex/backups"));
    QCOMPARE(w.opened[1], QUrl::fromLocalFile(logs.path()));

    chooseInMenu(w.form.get(), "mnuUnit", "mnuDoctor");
    auto* doctor = w.form->findChild<QDialog*>(QStringLiteral("frmDoctor"));
    QTRY_VERIFY(doctor && doctor->isVisible());
    QCOMPARE(doctor->findChild<QPlainTextEdit*>()->toPlainText(),
             QStringLiteral("COM1  /dev/fake1\n  COM1 (/dev/fake1) is open in this window.\n"));
}

QTEST_MAIN(TestUserInput)
#include "test_user_input.moc"
