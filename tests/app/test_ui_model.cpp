#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QStyleOption>
#include <QTabWidget>
#include <QTest>

#include <memory>

#include "app/ui_builder.h"
#include "app/widgets.h"

// The window as the UI model builds it, before start-up fills anything in: every control's name,
// class, container, caption, tool tip and initial state, and whether the pages are laid out so
// that a user can read every caption and nothing covers what it should not.
namespace {

constexpr double kPxPerTwip = 1.0 / 15;  // 96 dpi

enum State : unsigned {
    Plain = 0,
    Hidden = 1u << 0,
    Disabled = 1u << 1,
    Checked = 1u << 2,
};

const QString kPage0 = QStringLiteral("SSTab1Page0");
const QString kPage1 = QStringLiteral("SSTab1Page1");
const QString kPage2 = QStringLiteral("SSTab1Page2");

struct Built {
    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();

    Built() {
        ui::buildWindow(form.get(), kPxPerTwip);
        // The design's client area; the window is never smaller.
        form->resize(6300 * kPxPerTwip, 7770 * kPxPerTwip);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        // The tab control sizes a page when it is first shown; show each so all have their size.
        auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        QVERIFY(tabs);
        for (int i = tabs->count() - 1; i >= 0; --i) {
            tabs->setCurrentIndex(i);
        }
    }
    QWidget* find(const QString& name) const { return form->findChild<QWidget*>(name); }
};

QString textOf(const QWidget* w) {
    if (auto* g = qobject_cast<const QGroupBox*>(w)) {
        return g->title();
    }
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        return l->text();
    }
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) {
        return b->text();
    }
    if (auto* e = qobject_cast<const QLineEdit*>(w)) {
        return e->text();
    }
    if (auto* d = qobject_cast<const DataArea*>(w)) {
        return d->text();
    }
    if (auto* c = qobject_cast<const QComboBox*>(w)) {
        return c->currentText();
    }
    return {};
}

// Room the style leaves for a push button's caption.
int captionRoom(const QPushButton* b) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    return b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
}

// Room for text inside a line edit: its contents less the edit's fixed 2-pixel side margins
// and the caret.
int textRoom(const QLineEdit* e) {
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
    const QMargins m = e->textMargins();
    return e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).width() - m.left() -
           m.right() - 2 * 2 - 1;
}

// Room for the current entry of a combo box, closed.
int entryRoom(const QComboBox* c) {
    if (c->isEditable()) {
        return c->lineEdit()->width() - 2 * 2 - 1;
    }
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.editable = false;
    opt.frame = c->hasFrame();
    // The label is drawn one pixel inside the edit field on either side.
    return c->style()
               ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c)
               .width() -
           2;
}

// Why a caption of this widget would not be readable in full, or an empty text when it is.
QString clipped(const QWidget* w) {
    const QFontMetrics fm(w->font());
    const QString text = textOf(w);
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        const QRect room = l->contentsRect();
        if (l->wordWrap()) {
            const int needed = l->heightForWidth(room.width());
            return needed <= room.height() ? QString()
                                           : QStringLiteral("needs %1 px high").arg(needed);
        }
        if (fm.horizontalAdvance(text) > room.width() || fm.height() > room.height()) {
            return QStringLiteral("needs %1 x %2 px")
                .arg(fm.horizontalAdvance(text))
                .arg(fm.height());
        }
        return {};
    }
    if (auto* b = qobject_cast<const QPushButton*>(w)) {
        const int needed = fm.horizontalAdvance(text) + 4;
        return needed <= captionRoom(b)
                   ? QString()
                   : QStringLiteral("caption needs %1 px, has %2").arg(needed).arg(captionRoom(b));
    }
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
        const QSize hint = w->sizeHint();
        return hint.width() <= w->width() && hint.height() <= w->height()
                   ? QString()
                   : QStringLiteral("needs %1 x %2 px").arg(hint.width()).arg(hint.height());
    }
    if (auto* g = qobject_cast<const QGroupBox*>(w)) {
        const int needed = g->minimumSizeHint().width();
        return needed <= g->width() ? QString() : QStringLiteral("title needs %1 px").arg(needed);
    }
    if (auto* e = qobject_cast<const QLineEdit*>(w)) {
        const int needed = fm.horizontalAdvance(text);
        if (needed > textRoom(e) || e->height() < e->sizeHint().height()) {
            return QStringLiteral("text needs %1 px, has %2").arg(needed).arg(textRoom(e));
        }
        return {};
    }
    if (auto* c = qobject_cast<const QComboBox*>(w)) {
        return c->height() < c->sizeHint().height() ? QStringLiteral("too low") : QString();
    }
    return {};
}

struct Expected {
    QString name;
    QString className;
    QString parent;
    QString text;
    QString toolTip;
    unsigned state;
};

using Pair = QPair<QString, QString>;

// Siblings that lie over one another on purpose: the first lies above the second.
const QList<Pair> kIntendedOverlaps = {
    {QStringLiteral("btnTrace"), QStringLiteral("btnTraceStop")},
    {QStringLiteral("frmManualFA"), QStringLiteral("frmInitialAFR")},
    {QStringLiteral("frmManualFA"), QStringLiteral("frmAdjustAFR")},
    {QStringLiteral("frmManualFA"), QStringLiteral("frmDebugAFR")},
    {QStringLiteral("btnCalAbort"), QStringLiteral("btnAutoCal")},
    {QStringLiteral("btnCalAbort"), QStringLiteral("cmdManualFA")},
    {QStringLiteral("btnAbortFlash"), QStringLiteral("btnFlashTable")},
    {QStringLiteral("frmAFRfile"), QStringLiteral("frmLinearParams")},
    // Shown only while no mid point is used, when all four mid boxes are hidden.
    {QStringLiteral("lMidPointLabel"), QStringLiteral("tMidLambda(0)")},
    {QStringLiteral("lMidPointLabel"), QStringLiteral("tMidLambda(1)")},
    {QStringLiteral("lMidPointLabel"), QStringLiteral("tMidVoltage(0)")},
    {QStringLiteral("lMidPointLabel"), QStringLiteral("tMidVoltage(1)")},
};

bool intended(const QString& a, const QString& b) {
    return kIntendedOverlaps.contains({a, b}) || kIntendedOverlaps.contains({b, a});
}

// Left edges of the text columns drawn in a band of an image: a column starts with the first
// dark pixel after at least 16 blank ones.
QList<int> columnStarts(const QImage& image, const QRect& band) {
    QList<int> starts;
    int blank = 16;
    for (int x = band.left(); x <= band.right(); ++x) {
        bool dark = false;
        for (int y = band.top(); y <= band.bottom() && !dark; ++y) {
            dark = qGray(image.pixel(x, y)) < 110;
        }
        if (dark && blank >= 16) {
            starts.append(x);
        }
        blank = dark ? 0 : blank + 1;
    }
    return starts;
}

// Every control of the three pages as the window must have it before start-up runs.
const QList<Expected>& expectedControls() {
    static const QList<Expected> rows = [] {
        QList<Expected> r;
        const auto row = [&r](const char* name, const char* cls, const QString& parent,
                              const QString& text, const QString& tip = {},
                              unsigned state = Plain) {
            r.append(
                {QString::fromLatin1(name), QString::fromLatin1(cls), parent, text, tip, state});
        };

        // "Comms"
        const QString port = QStringLiteral("Frame5");
        const QString command = QStringLiteral("frmCommand");
        const QString presets = QStringLiteral("PredefCmds");
        row("Frame5", "QGroupBox", kPage0, "Open Port ");
        row("cboPort", "QComboBox", port, "", "Selected Orvex COM Port");
        row("shpPort", "ShapeWidget", port, "");
        row("frmCommand", "QGroupBox", kPage0, "Command ");
        row("txtCommand", "QLineEdit", command, "tf", "Enter Commands to Orvex");
        row("chkHistory", "QCheckBox", command, "[History] ?",
            "Display each command entered along with the received data", Checked);
        row("chkKeepText", "QCheckBox", command, "Keep text?",
            "Keep the text of the last command entered");
        row("chkAutoCLS", "QCheckBox", command, "Auto CLS?",
            "Automatically clear the data area for each new command");
        row("btnCls", "QPushButton", command, "CLS", "Clears the received data area");
        row("lHistoryCount", "QLabel", command, "*",
            "Number of commands entered or current index in history list");
        row("PredefCmds", "QGroupBox", kPage0, "Predefined Commands ");
        row("lTrace", "QLabel", presets, "Trace");
        row("cboTraceCommand", "QComboBox", presets, "Command ...",
            "Preset trace commands can be selected here");
        row("lLog", "QLabel", presets, "Log");
        row("cboLogCommand", "QComboBox", presets, "Command ...");
        row("Label8", "QLabel", presets, "Parameter");
        row("txtCmdParameter", "QLineEdit", presets, "", "Parameter required for commands with ##");
        row("btnReDoCommand", "QPushButton", presets, "Re Do",
            "Re-enters the previous command with the current parameter");
        row("btnStartTrace", "QPushButton", kPage0, "Start Trace");
        row("btnStopTrace", "QPushButton", kPage0, "Stop Trace");
        row("btnClearTrace", "QPushButton", kPage0, "Clear Trace");
        row("btnCopyTrace", "QPushButton", kPage0, "Copy Trace");

        // "Free Air"
        const QString cover = QStringLiteral("frmManualFA");
        const QString initial = QStringLiteral("frmInitialAFR");
        const QString adjust = QStringLiteral("frmAdjustAFR");
        const QString results = QStringLiteral("frmResults");
        const QString debug = QStringLiteral("frmDebugAFR");
        row("cmdManualFA", "QPushButton", kPage1, "Manual");
        row("frmManualFA", "QFrame", kPage1, "");
        row("lFAheading", "QLabel", cover, "FREE AIR CALIBRATION");
        row("lFAinstructions", "QLabel", cover,
            "Note : Sensor must be sitting in free air and controller should be run for at least 2 "
            "minutes to stabilise. Calibration is pressure sensitive.");
        row("lUpdateMsg", "QLabel", cover, "Press Update to save the Cal value", {}, Hidden);
        row("lautoInProgress", "QLabel", cover, "");
        row("frmInitialAFR", "QGroupBox", kPage1, "Manual - Set Initial Calibration ");
        row("btnL1H1", "QPushButton", initial, "L1H1",
            "Suggested start point for the L1H1/L2H2 sensor");
        row("btnLast", "QPushButton", initial, "Last",
            "Sets the current calibration point to the last saved value");
        row("btn7057", "QPushButton", initial, "7057", "Suggested start point for the 7057 sensor");
        row("btn6066", "QPushButton", initial, "6066", "Suggested start point for the 6066 sensor");
        row("frmAdjustAFR", "QGroupBox", kPage1, "Manual - Adjust ");
        row("Label1", "QLabel", adjust, "Cal value :");
        row("tFACalV", "QLineEdit", adjust, "0",
            "Ipx Calibration value - set with the scroll buttons, or directly entered");
        row("sbCalLarge", "QScrollBar", adjust, "");
        row("sbCalSmall", "QScrollBar", adjust, "");
        row("btnTrace", "QPushButton", adjust, "Trace",
            "Starts reading Ipx with the sensor assumed to be in free Air", Disabled);
        row("btnTraceStop", "QPushButton", adjust, "Stop");
        row("shpCalLeft", "ShapeWidget", adjust, "");
        row("shpCalRight", "ShapeWidget", adjust, "");
        row("shpCalUp", "ShapeWidget", adjust, "");
        row("shpCalDown", "ShapeWidget", adjust, "");
        row("frmResults", "QGroupBox", kPage1, "Results", "Green Average should be close to 0");
        row("lcalText", "QLabel", results, "Cal =");
        row("labCalV", "QLabel", results, "Cal v.");
        row("lipxText", "QLabel", results, "Ipx =");
        row("LabIpx", "QLabel", results, "Ipx", "Ideally this should be 8192");
        row("laverageText", "QLabel", results, "(zero at cal.)");
        row("LabAve", "QLabel", results, "Average", "This Should be set as close to 0 as possible");
        row("frmDebugAFR", "QGroupBox", kPage1, "Debug / Status ");
        row("TxtData0", "QLineEdit", debug, "t0");
        row("txtData1", "QLineEdit", debug, "t1");
        row("txtData2", "QLineEdit", debug, "t2");
        row("txtData3", "QLineEdit", debug, "t3");
        row("Text0", "QLineEdit", debug, "");
        row("btnAutoCal", "QPushButton", kPage1, "Auto Calibrate",
            "Auto Calibrate makes the adjustments automatically");
        row("btnCalAbort", "QPushButton", kPage1, "Abort      Trace", {}, Hidden);
        row("lAutoCount", "QLabel", kPage1, "0");
        row("btnUpdate", "QPushButton", kPage1, "Update",
            "Update writes the adjusted calibration value to EEPROM for ", Disabled);
        row("tLogMode", "QLabel", kPage1, "Log Mode");
        row("Line3", "QFrame", kPage1, "");
        row("Line4", "QFrame", kPage1, "");

        // "AFR Tables"
        const QString linear = QStringLiteral("frmLinearParams");
        const QString mid = QStringLiteral("Frame8");
        const QString file = QStringLiteral("frmAFRfile");
        const QString table = QStringLiteral("frmEETable");
        row("lOutputPin", "QLabel", kPage2, "Output Pin Name :");
        row("cboOutputPin", "QComboBox", kPage2, "",
            "Refer to documentation for the position of all pins");
        row("ldefaultTable", "QLabel", kPage2, "Output Data :");
        row("cboEEdata", "QComboBox", kPage2, "",
            "A table determines the output data fed to the output pin");
        row("frmLinearParams", "QGroupBox", kPage2, "Linear Parameters");
        row("oAorL(0)", "QRadioButton", linear, "AFR",
            "Air Fuel Ratio - also set the Stoich AFR point if it's not 14.7", Checked);
        row("oAorL(1)", "QRadioButton", linear, "Lambda",
            "Lambda does not require entry of the stoich AFR");
        row("lAFRs", "QLabel", linear, "Stoich AFR :");
        row("tAFRs", "QLineEdit", linear, "14.70",
            "Stoich AFR is required if the AFR option is selected");
        row("lRich", "QLabel", linear, "Rich");
        row("Frame8", "QFrame", linear, "");
        row("oMidCount(0)", "QRadioButton", mid, "0", {}, Checked);
        row("oMidCount(1)", "QRadioButton", mid, "1");
        row("oMidCount(2)", "QRadioButton", mid, "2");
        row("lLean", "QLabel", linear, "Lean");
        row("lAFRorLambda", "QLabel", linear, "AFR");
        row("tLrich", "QLineEdit", linear, "9.00");
        row("tMidLambda(0)", "QLineEdit", linear, "14.7", {}, Hidden);
        row("tMidLambda(1)", "QLineEdit", linear, "14.7", {}, Hidden);
        row("tLlean", "QLineEdit", linear, "19.00");
        row("lMidPointLabel", "QLabel", linear, "Mid Points Used?");
        row("Label4", "QLabel", linear, "Volts");
        row("tVrich", "QLineEdit", linear, "0.00");
        row("tMidVoltage(0)", "QLineEdit", linear, "2.85", {}, Hidden);
        row("tMidVoltage(1)", "QLineEdit", linear, "2.85", {}, Hidden);
        row("tVlean", "QLineEdit", linear, "5.00");
        row("chkOverUnder", "QCheckBox", linear, "Over/Under Volts?");
        row("tVrUnder", "QLineEdit", linear, "0", {}, Hidden);
        row("btnGenTable", "QPushButton", linear, "Generate Data",
            "The data for the selected output format is generated");
        row("tVlOver", "QLineEdit", linear, "5.0", {}, Hidden);
        row("frmAFRfile", "QGroupBox", kPage2, "Data from file", {}, Hidden);
        row("txtAFRfilename", "QLineEdit", file, "Filename", "Drag & drop files here");
        row("cmdAFRfilename", "QPushButton", file, "File ...");
        row("txtAFRfileData", "DataArea", file, "File Data");
        row("cmdPasteFile", "QPushButton", file, "Paste");
        row("cmdCopyallFile", "QPushButton", file, "Copy");
        row("cmdClearFile", "QPushButton", file, "Clear");
        row("cmdGOfile", "QPushButton", file, "GO");
        row("frmEETable", "QGroupBox", kPage2, "Table");
        row("oIorA(0)", "QRadioButton", table, "Index", {}, Checked);
        row("oIorA(1)", "QRadioButton", table, "Addr.");
        row("Label5", "QLabel", table, "Index/Addr.");
        row("Label6", "QLabel", table, "Data");
        row("lstEETable", "QListWidget", table, "",
            "The current  table's data is shown here in various formats");
        row("btnExportAFR", "QPushButton", kPage2, "Copy to Clipboard",
            "Copies the table, in the format selected, to the clipboard for pasting");
        row("Label7", "QLabel", kPage2, "Data Format :");
        row("oDorH(0)", "QRadioButton", kPage2, "Decimal", {}, Checked);
        row("oDorH(1)", "QRadioButton", kPage2, "Hex W");
        row("oDorH(2)", "QRadioButton", kPage2, "Hex B");
        row("oSensor(0)", "QRadioButton", kPage2, "LSU", {}, Checked | Disabled);
        row("oSensor(1)", "QRadioButton", kPage2, "NTK", {}, Disabled);
        row("chkGraph", "QCheckBox", kPage2, "Graph?");
        row("btnFlashTable", "QPushButton", kPage2, "Flash",
            "With the Orvex unit connected, the selected table will be updated");
        row("btnAbortFlash", "QPushButton", kPage2, "A B O R T", {}, Hidden);
        row("Line1", "QFrame", kPage2, "");
        row("Line2", "QFrame", kPage2, "");
        return r;
    }();
    return rows;
}

}  // namespace

class TestUiModel : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void pages_carryTheirCaptionsInOrder();
    void control_hasItsNameClassPlaceTextTipAndState_data();
    void control_hasItsNameClassPlaceTextTipAndState();
    void containers_holdNoControlBeyondTheModel();
    void list_hasItsEntriesAndEditability_data();
    void list_hasItsEntriesAndEditability();
    void options_formOneGroupPerArray_data();
    void options_formOneGroupPerArray();
    void scrollBarsAndShapes_haveTheirForm();
    void controls_lieInsideTheirContainer();
    void siblings_overlapOnlyWhereOneCoversTheOther();
    void coveringControls_coverWhatTheyMustAndLieAbove();
    void captions_fitTheirControls();
    void captionsSetLater_fitTheirControls_data();
    void captionsSetLater_fitTheirControls();
    void listEntries_fitTheClosedList();
    void tableList_headingsStandOverItsColumnsAndWidestLineFits();

  private:
    QList<QWidget*> modelControls(const Built& b) const;
};

QList<QWidget*> TestUiModel::modelControls(const Built& b) const {
    QList<QWidget*> all;
    for (const QString& page : {kPage0, kPage1, kPage2}) {
        QWidget* p = b.find(page);
        for (QWidget* w : p->findChildren<QWidget*>()) {
            // Only the controls themselves, not the parts Qt builds inside them.
            QWidget* container = w->parentWidget();
            if (container == p || qobject_cast<QGroupBox*>(container) ||
                QByteArray(container->metaObject()->className()) == "QFrame") {
                all.append(w);
            }
        }
    }
    return all;
}

void TestUiModel::pages_carryTheirCaptionsInOrder() {
    Built b;
    auto* tabs = b.form->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 3);
    const QStringList captions = {QStringLiteral("Comms"), QStringLiteral("Free Air"),
                                  QStringLiteral("AFR Tables")};
    const QStringList pages = {kPage0, kPage1, kPage2};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(tabs->tabText(i), captions[i]);
        QCOMPARE(tabs->widget(i)->objectName(), pages[i]);
    }
    QCOMPARE(tabs->currentIndex(), 0);
}

void TestUiModel::control_hasItsNameClassPlaceTextTipAndState_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<unsigned>("state");
    for (const Expected& e : expectedControls()) {
        QTest::newRow(qPrintable(e.name))
            << e.className << e.parent << e.text << e.toolTip << e.state;
    }
}

void TestUiModel::control_hasItsNameClassPlaceTextTipAndState() {
    QFETCH(QString, className);
    QFETCH(QString, parent);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(unsigned, state);

    Built b;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QWidget*> found = b.form->findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QWidget* w = found.first();
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(textOf(w), text);
    QCOMPARE(w->toolTip(), toolTip);
    QCOMPARE(w->isHidden(), bool(state & Hidden));
    QCOMPARE(w->isEnabled(), !(state & Disabled));
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QCOMPARE(button->isChecked(), bool(state & Checked));
    }
    if (className == QLatin1String("QFrame") && name.startsWith(QLatin1String("Line"))) {
        const auto shape = static_cast<QFrame*>(w)->frameShape();
        QVERIFY(shape == QFrame::HLine || shape == QFrame::VLine);
    }
}

void TestUiModel::containers_holdNoControlBeyondTheModel() {
    Built b;
    QSet<QString> expected;
    for (const Expected& e : expectedControls()) {
        expected.insert(e.name);
    }
    QSet<QString> seen;
    for (QWidget* w : modelControls(b)) {
        const QString name = w->objectName();
        QVERIFY2(expected.contains(name),
                 qPrintable(QStringLiteral("unexpected %1 \"%2\" in %3")
                                .arg(QString::fromLatin1(w->metaObject()->className()), name,
                                     w->parentWidget()->objectName())));
        QVERIFY2(!seen.contains(name), qPrintable(QStringLiteral("two controls named ") + name));
        seen.insert(name);
    }
    QCOMPARE(seen, expected);
}

void TestUiModel::list_hasItsEntriesAndEditability_data() {
    QTest::addColumn<bool>("editable");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("cboPort") << false << QStringList();
    QTest::newRow("cboTraceCommand") << true
                                     << QStringList{"START  (t1)",
                                                    "STOP  (tf)",
                                                    "Speed   (s04##)",
                                                    "1.5 Binary mode   (s03E0)",
                                                    "1.5 ASCII mode   (s0380)",
                                                    "2.0 Binary mode   (s03E1)",
                                                    "2.0 ASCII mode   (s0381)",
                                                    "CAL-ASCII mode  (s0382)",
                                                    "STAT-ASCII mode  (s0383)"};
    QTest::newRow("cboLogCommand")
        << true
        << QStringList{"STOP logging   (x0)", "START logging  (x1)", "GET data index   (x2)",
                       "SET data index   (y####)", "DUMP data to index (z)"};
    QTest::newRow("cboOutputPin") << false
                                  << QStringList{"Select Pin Name ...", "WBlin (12 bit DAC)",
                                                 "SVout (10 bit PWM)", "NBout (10 bit PWM)"};
    QTest::newRow("cboEEdata") << false
                               << QStringList{"Linear Parameters ...", "Use Data from File ...",
                                              "SVout (1.0/1.5 compat)", "NBsim (LSM-11)",
                                              "0-20% Oxygen (0-5V) % = V*4"};
}

void TestUiModel::list_hasItsEntriesAndEditability() {
    QFETCH(bool, editable);
    QFETCH(QStringList, entries);

    Built b;
    auto* list = qobject_cast<QComboBox*>(b.find(QString::fromLatin1(QTest::currentDataTag())));
    QVERIFY(list);
    QCOMPARE(list->isEditable(), editable);
    QStringList actual;
    for (int i = 0; i < list->count(); ++i) {
        actual << list->itemText(i);
    }
    QCOMPARE(actual, entries);
    // Start-up chooses the entries; until then nothing is selected.
    QCOMPARE(list->currentIndex(), -1);
    if (editable) {
        // Typing must never add an entry of its own.
        QCOMPARE(list->insertPolicy(), QComboBox::NoInsert);
    }
}

void TestUiModel::options_formOneGroupPerArray_data() {
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("partners");

    QTest::newRow("oAorL(0)") << "oAorL" << 0 << QStringList{"oAorL(1)"};
    QTest::newRow("oAorL(1)") << "oAorL" << 1 << QStringList{"oAorL(0)"};
    QTest::newRow("oMidCount(0)") << "oMidCount" << 0
                                  << QStringList{"oMidCount(1)", "oMidCount(2)"};
    QTest::newRow("oMidCount(2)") << "oMidCount" << 2
                                  << QStringList{"oMidCount(0)", "oMidCount(1)"};
    QTest::newRow("oDorH(0)") << "oDorH" << 0 << QStringList{"oDorH(1)", "oDorH(2)"};
    QTest::newRow("oDorH(2)") << "oDorH" << 2 << QStringList{"oDorH(0)", "oDorH(1)"};
    QTest::newRow("oIorA(1)") << "oIorA" << 1 << QStringList{"oIorA(0)"};
    // oSensor shares its page with oDorH; the two groups must stay apart.
    QTest::newRow("oSensor(1)") << "oSensor" << 1 << QStringList{"oSensor(0)"};
}

void TestUiModel::options_formOneGroupPerArray() {
    QFETCH(QString, group);
    QFETCH(int, id);
    QFETCH(QStringList, partners);

    Built b;
    auto* option =
        qobject_cast<QRadioButton*>(b.find(QString::fromLatin1(QTest::currentDataTag())));
    QVERIFY(option);
    QButtonGroup* g = option->group();
    QVERIFY(g);
    QCOMPARE(g->objectName(), group);
    QCOMPARE(g->id(option), id);
    QVERIFY(g->exclusive());
    QCOMPARE(g->buttons().size(), partners.size() + 1);
    for (const QString& partner : partners) {
        QVERIFY2(g->buttons().contains(qobject_cast<QAbstractButton*>(b.find(partner))),
                 qPrintable(partner));
    }
}

void TestUiModel::scrollBarsAndShapes_haveTheirForm() {
    Built b;
    auto* large = qobject_cast<QScrollBar*>(b.find(QStringLiteral("sbCalLarge")));
    auto* small = qobject_cast<QScrollBar*>(b.find(QStringLiteral("sbCalSmall")));
    QVERIFY(large && small);
    QCOMPARE(large->orientation(), Qt::Horizontal);
    QCOMPARE(small->orientation(), Qt::Vertical);

    // A rectangle's outline runs through its corner pixel; a circle leaves the corner empty.
    const auto cornerIsOutline = [&](const char* name) {
        QWidget* shape = b.find(QString::fromLatin1(name));
        const QImage image = shape->grab().toImage();
        return qGray(image.pixel(0, 0)) < 110;
    };
    QVERIFY(!cornerIsOutline("shpPort"));
    for (const char* name : {"shpCalLeft", "shpCalRight", "shpCalUp", "shpCalDown"}) {
        QVERIFY2(cornerIsOutline(name), name);
    }
}

void TestUiModel::controls_lieInsideTheirContainer() {
    Built b;
    for (QWidget* w : modelControls(b)) {
        QWidget* container = w->parentWidget();
        const QRect room =
            qobject_cast<QGroupBox*>(container) ? container->contentsRect() : container->rect();
        QVERIFY2(room.contains(w->geometry()),
                 qPrintable(QStringLiteral("%1 at (%2, %3, %4 x %5) leaves %6 (%7 x %8)")
                                .arg(w->objectName())
                                .arg(w->x())
                                .arg(w->y())
                                .arg(w->width())
                                .arg(w->height())
                                .arg(container->objectName())
                                .arg(room.width())
                                .arg(room.height())));
    }
}

void TestUiModel::siblings_overlapOnlyWhereOneCoversTheOther() {
    // Hidden controls count too: each of them is shown in some state of the page.
    Built b;
    const QList<QWidget*> all = modelControls(b);
    for (QWidget* a : all) {
        for (QWidget* c : all) {
            if (a == c || a->parentWidget() != c->parentWidget() ||
                a->objectName() > c->objectName()) {
                continue;
            }
            if (a->geometry().intersects(c->geometry())) {
                QVERIFY2(
                    intended(a->objectName(), c->objectName()),
                    qPrintable(a->objectName() + QStringLiteral(" overlaps ") + c->objectName()));
            }
        }
    }
}

void TestUiModel::coveringControls_coverWhatTheyMustAndLieAbove() {
    Built b;
    for (const Pair& pair : kIntendedOverlaps) {
        QWidget* top = b.find(pair.first);
        QWidget* under = b.find(pair.second);
        QVERIFY2(top && under, qPrintable(pair.first + QLatin1Char('/') + pair.second));
        const QString what = pair.first + QStringLiteral(" over ") + pair.second;
        const QObjectList order = top->parentWidget()->children();
        QVERIFY2(order.indexOf(top) > order.indexOf(under), qPrintable(what));
        if (pair.first != QLatin1String("lMidPointLabel")) {
            QVERIFY2(top->geometry().contains(under->geometry()), qPrintable(what));
        }
    }
    // Stop and Trace, Abort and Flash, and the two data-source frames share one place.
    const auto samePlace = [&](const char* a, const char* c) {
        return b.find(QString::fromLatin1(a))->geometry() ==
               b.find(QString::fromLatin1(c))->geometry();
    };
    QVERIFY(samePlace("btnTrace", "btnTraceStop"));
    QVERIFY(samePlace("btnAbortFlash", "btnFlashTable"));
    QVERIFY(samePlace("frmAFRfile", "frmLinearParams"));
    // The mid-point label stands between the rich and the lean column, from the mixture row on.
    const QRect label = b.find(QStringLiteral("lMidPointLabel"))->geometry();
    const QRect left = b.find(QStringLiteral("tMidLambda(0)"))->geometry();
    const QRect right = b.find(QStringLiteral("tMidLambda(1)"))->geometry();
    QVERIFY(label.left() >= left.left() && label.right() <= right.right());
    QVERIFY(label.top() >= left.top() && label.top() < left.bottom());
}

void TestUiModel::captions_fitTheirControls() {
    Built b;
    for (QWidget* w : modelControls(b)) {
        const QString why = clipped(w);
        QVERIFY2(why.isEmpty(), qPrintable(w->objectName() + QStringLiteral(": ") + why));
    }
}

void TestUiModel::captionsSetLater_fitTheirControls_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");

    // The widest captions and values the program writes into these controls as it runs.
    QTest::newRow("Re Do after a register preset") << "btnReDoCommand"
                                                   << "Re Do -> s03E0";
    QTest::newRow("Re Do after the index preset") << "btnReDoCommand"
                                                  << "Re Do -> y####";
    QTest::newRow("history count") << "lHistoryCount"
                                   << "64";
    QTest::newRow("EEPROM write command") << "Label1"
                                          << "e01DDDD";
    QTest::newRow("read-back of the unit's value") << "LabIpx"
                                                   << "1388 (5000)";
    QTest::newRow("trace sample") << "LabIpx"
                                  << " 32767";
    QTest::newRow("lowest average") << "LabAve"
                                    << " -8192";
    QTest::newRow("calibration value") << "labCalV"
                                       << "5000";
    QTest::newRow("automatic result") << "lautoInProgress"
                                      << "Cal Value = 5000";
    QTest::newRow("automatic progress") << "lautoInProgress"
                                        << "In Progress";
    QTest::newRow("loop count") << "lAutoCount"
                                << " 25";
    QTest::newRow("mode byte") << "tLogMode"
                               << "$DD";
    QTest::newRow("lambda mode") << "lAFRorLambda"
                                 << "Lambda";
    QTest::newRow("value box") << "tFACalV"
                               << "5000";
    QTest::newRow("trace field 0") << "TxtData0"
                                   << "DDDD";
    QTest::newRow("trace field 3") << "txtData3"
                                   << "DDDD";
    QTest::newRow("unit parameter") << "Text0"
                                    << "DDDD";
    QTest::newRow("stoich AFR") << "tAFRs"
                                << "14.70";
    QTest::newRow("mid mixture") << "tMidLambda(1)"
                                 << "18.50";
    QTest::newRow("over volts") << "tVlOver"
                                << "5.00";
}

void TestUiModel::captionsSetLater_fitTheirControls() {
    QFETCH(QString, control);
    QFETCH(QString, text);

    Built b;
    QWidget* w = b.find(control);
    QVERIFY(w);
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    } else if (auto* p = qobject_cast<QPushButton*>(w)) {
        p->setText(text);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    } else {
        QFAIL("no caption to set");
    }
    const QString why = clipped(w);
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestUiModel::listEntries_fitTheClosedList() {
    // The one entry too long for the room the page has; the open list shows it in full.
    const QString tooLong = QStringLiteral("0-20% Oxygen (0-5V) % = V*4");
    Built b;
    for (QComboBox* list : b.form->findChildren<QComboBox*>()) {
        const QFontMetrics fm(list->font());
        const int room = entryRoom(list);
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts << list->itemText(i);
        }
        if (list->isEditable()) {
            texts << list->currentText();
        }
        for (const QString& t : texts) {
            if (t == tooLong) {
                list->showPopup();
                const int open = list->view()->viewport()->width();
                list->hidePopup();
                QVERIFY2(fm.horizontalAdvance(t) + 8 <= open,
                         qPrintable(QStringLiteral("open list %1 px").arg(open)));
                continue;
            }
            QVERIFY2(fm.horizontalAdvance(t) <= room,
                     qPrintable(QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                    .arg(list->objectName(), t)
                                    .arg(fm.horizontalAdvance(t))
                                    .arg(room)));
        }
    }
}

void TestUiModel::tableList_headingsStandOverItsColumnsAndWidestLineFits() {
    Built b;
    auto* tabs = b.form->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    tabs->setCurrentIndex(2);
    auto* list = qobject_cast<QListWidget*>(b.find(QStringLiteral("lstEETable")));
    QVERIFY(list);
    // A full table in its widest forms: address and byte pairs, and a four-digit index column.
    for (int i = 0; i < 65; ++i) {
        list->addItem(i % 2 ? QStringLiteral("01FE\t47, 03") : QStringLiteral("64\t4095"));
    }
    QVERIFY(QTest::qWaitForWindowExposed(b.form.get()));
    QTRY_VERIFY(list->verticalScrollBar()->isVisible());
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);

    // Where the first line's two columns are drawn, against the headings above them.
    const QImage image = list->grab().toImage();
    const QRect line = list->visualItemRect(list->item(0))
                           .translated(list->viewport()->pos())
                           .intersected(list->viewport()->geometry());
    const QList<int> columns = columnStarts(image, line);
    QCOMPARE(columns.size(), 2);
    const int heading5 = b.find(QStringLiteral("Label5"))->x() - list->x();
    const int heading6 = b.find(QStringLiteral("Label6"))->x() - list->x();
    QVERIFY2(qAbs(heading5 - columns[0]) <= 3, qPrintable(QString::number(heading5 - columns[0])));
    QVERIFY2(qAbs(heading6 - columns[1]) <= 3, qPrintable(QString::number(heading6 - columns[1])));
}

QTEST_MAIN(TestUiModel)
#include "test_ui_model.moc"
