#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "app/widgets.h"
#include "support/test_locale.h"
#include "support/test_window.h"
#include "tables/tables_controller.h"

using namespace tables;

namespace {

enum Source { kLinear = 0, kFile = 1, kSvCompat = 2, kNbSim = 3, kOxygen = 4 };

const QString kRed = QStringLiteral("#ff0000");
const QString kGreen = QStringLiteral("#008000");
const QString kBlack = QStringLiteral("#000000");

}  // namespace

class TestTablesPage : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void init();
    void startUp_leavesPageInItsDefaults();
    void pinWithLinearSource_generatesStoresAndLists();
    void otherPin_regeneratesThereAndKeepsFirstTable();
    void builtInTable_storedForPinWithoutTouchingGenerated();
    void builtInTableWithoutPin_changesNoTable();
    void noPinChosen_emptiesListAndDataButKeepsImage();
    void fileSource_showsFrameClearsAreasAndCallsImport();
    void formatOptions_rebuildListOfAnySourceAndClipboardFollows();
    void formatOptions_afterSourceChoice_leaveClearedListAlone();
    void failedChecks_reportAndKeepTable();
    void outOfRangeVolts_limitedWithOneRedMessage();
    void lambdaAndBack_convertsBoxesAndReports();
    void unusableStoich_refusesLambdaAndGeneration();

  private:
    std::unique_ptr<TestWindow> w;
    TablesController& tables() const { return *w->form->findChild<TablesController*>(); }
    const TableModel& model() const { return tables().model(); }
    QComboBox* pin() const { return w->get<QComboBox>("cboOutputPin"); }
    QComboBox* source() const { return w->get<QComboBox>("cboEEdata"); }
    QListWidget* list() const { return w->get<QListWidget>("lstEETable"); }
    QLineEdit* box(const char* name) const { return w->get<QLineEdit>(name); }
    QRadioButton* option(const char* name) const { return w->get<QRadioButton>(name); }
    QString data() const { return w->form->data().text(); }
    QString statusColour() const { return w->statusColour().name(); }
    QStringList listLines() const {
        QStringList lines;
        for (int i = 0; i < list()->count(); ++i) {
            lines.append(list()->item(i)->text());
        }
        return lines;
    }
    QStringList dataLines() const { return data().split(QStringLiteral("\r\n")); }
    void click(const char* button) { w->get<QPushButton>(button)->click(); }
};

void TestTablesPage::init() {
    w = std::make_unique<TestWindow>();
    QVERIFY(w->form->findChild<TablesController*>());
}

void TestTablesPage::startUp_leavesPageInItsDefaults() {
    QCOMPARE(source()->currentIndex(), int(kLinear));
    QCOMPARE(pin()->currentIndex(), 0);
    QCOMPARE(list()->count(), 0);
    QVERIFY(!w->get<QWidget>("frmLinearParams")->isHidden());
    QVERIFY(w->get<QWidget>("frmAFRfile")->isHidden());
    QCOMPARE(box("tLlean")->text(), "19.00");  // converted at start-up, then set
    QVERIFY(box("tMidLambda(0)")->isHidden());
    QVERIFY(box("tVrUnder")->isHidden());
    QVERIFY(!option("oSensor(1)")->isEnabled());
    QVERIFY(w->get<QWidget>("p1")->size().isEmpty());
    // The stoich AFR set at start-up is the last thing reported.
    QCOMPARE(w->statusText(), "14.70");
    QCOMPARE(statusColour(), kBlack);

    QCOMPARE(model().iOutputPin(), 0);
    QVERIFY(!model().bTableGenerated());
    QVERIFY(!model().bTableStored());
    QCOMPARE(model().image(), EepromImage{});
    QVERIFY(tables().bAFRmode());
}

void TestTablesPage::pinWithLinearSource_generatesStoresAndLists() {
    pin()->setCurrentIndex(2);

    QCOMPARE(w->statusText(), "Output Pin = SVout (10 bit PWM)");
    QCOMPARE(statusColour(), kGreen);
    const QStringList lines = dataLines();
    QCOMPARE(lines.size(), 67);
    QCOMPARE(lines[0], "Output Pin = SVout (10 bit PWM). Table Address = 00FC.");
    QCOMPARE(lines[1], "00FC  00, 00");
    QCOMPARE(lines[2], "00FE  2B, 00");   // 43
    QCOMPARE(lines[65], "017C  FF, 0F");  // 4095
    QCOMPARE(list()->count(), kEntries);
    QCOMPARE(list()->item(1)->text(), "1\t43");
    QCOMPARE(list()->item(32)->text(), "32\t2388");
    QCOMPARE(list()->item(38)->text(), "38\t3973");
    QCOMPARE(list()->item(64)->text(), "64\t4095");
    QVERIFY(model().bTableGenerated());
    QVERIFY(model().bTableStored());
    QCOMPARE(model().imageWord(252, 32), 2388);
    QCOMPARE(model().TableData()[32], qint16(2388));
}

void TestTablesPage::otherPin_regeneratesThereAndKeepsFirstTable() {
    pin()->setCurrentIndex(1);
    box("tVrich")->setText(QStringLiteral("1.00"));
    pin()->setCurrentIndex(3);
    QCOMPARE(dataLines().first(), "Output Pin = NBout (10 bit PWM). Table Address = 017E.");
    QCOMPARE(model().imageWord(122, 0), 0);    // pin 1 generated with 0.00 V rich
    QCOMPARE(model().imageWord(382, 0), 819);  // pin 3 with 1.00 V rich
    QCOMPARE(list()->item(0)->text(), "0\t819");
    QCOMPARE(model().iTableAddr(), 382);
}

void TestTablesPage::builtInTable_storedForPinWithoutTouchingGenerated() {
    pin()->setCurrentIndex(1);
    QVERIFY(model().bTableGenerated());
    source()->setCurrentIndex(kNbSim);

    QVERIFY(w->get<QWidget>("frmLinearParams")->isHidden());
    QVERIFY(w->get<QWidget>("frmAFRfile")->isHidden());
    const QStringList lines = dataLines();
    QCOMPARE(lines[0], "Output Pin = WBlin (12 bit DAC). Table Address = 007A.");
    QCOMPARE(lines[1], "007A  D1, 02");
    QCOMPARE(lines[65], "00FA  08, 00");
    QCOMPARE(list()->item(0)->text(), "0\t721");
    QCOMPARE(list()->item(64)->text(), "64\t8");
    QVERIFY(model().bTableGenerated());  // loading a built-in table leaves it as it was
    QVERIFY(model().bTableStored());

    // The same table goes unchanged into whichever pin is chosen next.
    pin()->setCurrentIndex(3);
    QVERIFY(!model().bTableGenerated());
    QCOMPARE(model().imageWord(382, 0), 721);
    QCOMPARE(model().imageWord(122, 0), 721);
}

void TestTablesPage::builtInTableWithoutPin_changesNoTable() {
    source()->setCurrentIndex(kOxygen);
    QCOMPARE(model().image(), EepromImage{});
    QCOMPARE(model().TableData(), TableValues{});
    QCOMPARE(list()->count(), 0);
    QVERIFY(w->get<QWidget>("frmLinearParams")->isHidden());
    QVERIFY(!model().bTableStored());
}

void TestTablesPage::noPinChosen_emptiesListAndDataButKeepsImage() {
    pin()->setCurrentIndex(2);
    const EepromImage before = model().image();
    pin()->setCurrentIndex(0);
    QCOMPARE(list()->count(), 0);
    QCOMPARE(data(), QString());
    QVERIFY(!model().bTableGenerated());
    QVERIFY(!model().bTableStored());
    QCOMPARE(model().image(), before);
    QVERIFY(!tables().TableText().isEmpty());  // Copy to Clipboard still has the last listing

    // Generating now refuses and leaves the data area alone.
    w->form->data().setText(QStringLiteral("kept"));
    click("btnGenTable");
    QCOMPARE(w->statusText(), "No Table Selected");
    QCOMPARE(statusColour(), kRed);
    QCOMPARE(data(), "kept");
}

void TestTablesPage::fileSource_showsFrameClearsAreasAndCallsImport() {
    int imports = 0;
    tables().setFileImport([&imports] { ++imports; });
    pin()->setCurrentIndex(1);
    w->form->findChild<DataArea*>(QStringLiteral("txtAFRfileData"))->setText(QStringLiteral("x"));
    source()->setCurrentIndex(kFile);

    QCOMPARE(imports, 1);
    QVERIFY(!w->get<QWidget>("frmAFRfile")->isHidden());
    QVERIFY(w->get<QWidget>("frmLinearParams")->isHidden());
    QCOMPARE(w->form->findChild<DataArea*>(QStringLiteral("txtAFRfileData"))->text(), QString());
    QCOMPARE(data(), QString());
    QCOMPARE(list()->count(), 0);
    QVERIFY(!model().bTableStored());

    // Each pin choice runs the source again.
    pin()->setCurrentIndex(2);
    QCOMPARE(imports, 2);
    // Back to linear parameters: the frames swap and a table is generated.
    source()->setCurrentIndex(kLinear);
    QVERIFY(w->get<QWidget>("frmAFRfile")->isHidden());
    QVERIFY(!w->get<QWidget>("frmLinearParams")->isHidden());
    QCOMPARE(list()->count(), kEntries);
    QCOMPARE(imports, 2);
}

void TestTablesPage::formatOptions_rebuildListOfAnySourceAndClipboardFollows() {
    // Built-in table first, then the pin: nothing was generated for this pin.
    source()->setCurrentIndex(kSvCompat);
    pin()->setCurrentIndex(1);
    QVERIFY(!model().bTableGenerated());
    QCOMPARE(list()->item(0)->text(), "0\t839");

    option("oDorH(1)")->click();
    QCOMPARE(list()->item(0)->text(), "0\t0347");
    option("oDorH(2)")->click();
    option("oIorA(1)")->click();
    QCOMPARE(list()->item(0)->text(), "007A\t47, 03");
    QCOMPARE(list()->item(64)->text(), "00FA\tCD, 0C");

    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    click("btnExportAFR");
    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied, listLines().join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    QCOMPARE(copied.count(QStringLiteral("\r\n")), kEntries);

    // A linear table follows the options the same way.
    source()->setCurrentIndex(kLinear);
    QCOMPARE(list()->item(64)->text(), "00FA\tFF, 0F");
    option("oDorH(0)")->click();
    option("oIorA(0)")->click();
    QCOMPARE(list()->item(64)->text(), "64\t4095");
    QCOMPARE(tables().TableText().section(QStringLiteral("\r\n"), 0, 0), "0\t0");
}

void TestTablesPage::formatOptions_afterSourceChoice_leaveClearedListAlone() {
    pin()->setCurrentIndex(1);
    source()->setCurrentIndex(kFile);  // no import plugged in: nothing is stored
    option("oDorH(1)")->click();
    QCOMPARE(list()->count(), 0);
    QCOMPARE(tables().iTableContains(), 1);
}

void TestTablesPage::failedChecks_reportAndKeepTable() {
    pin()->setCurrentIndex(1);
    const EepromImage before = model().image();
    const QStringList listed = listLines();

    box("tLrich")->setText(QStringLiteral("20"));
    click("btnGenTable");
    QCOMPARE(w->statusText(), "Lambda/AFR must increase left to right");
    QCOMPARE(statusColour(), kRed);
    QCOMPARE(data(), "EEPROM Data ...\r\nAddr  Bytes\r\n");
    QCOMPARE(model().image(), before);
    QCOMPARE(listLines(), listed);

    box("tLrich")->setText(QStringLiteral("9.00"));
    option("oMidCount(1)")->click();
    box("tMidVoltage(0)")->setText(QStringLiteral("5.5"));
    click("btnGenTable");
    QCOMPARE(w->statusText(), "Invalid midpoint Voltage");
    QCOMPARE(model().image(), before);
    QVERIFY(model().bTableGenerated());  // the earlier generation for this pin still stands
}

void TestTablesPage::outOfRangeVolts_limitedWithOneRedMessage() {
    box("tVrich")->setText(QStringLiteral("-1"));
    box("tVlean")->setText(QStringLiteral("45"));
    pin()->setCurrentIndex(1);
    QCOMPARE(w->statusText(), "Values out of range were limited to 0..32767");
    QCOMPARE(statusColour(), kRed);
    QCOMPARE(model().imageWord(122, 0), 0);
    QCOMPARE(model().imageWord(122, 64), 32767);
    QCOMPARE(list()->item(64)->text(), "64\t32767");
    QCOMPARE(dataLines()[65], "00FA  FF, 7F");
    QVERIFY(model().bTableGenerated());
}

void TestTablesPage::lambdaAndBack_convertsBoxesAndReports() {
    option("oAorL(1)")->click();
    QCOMPARE(box("tLrich")->text(), "0.612");
    QCOMPARE(box("tMidLambda(0)")->text(), "1.000");
    QCOMPARE(box("tMidLambda(1)")->text(), "1.000");
    QCOMPARE(box("tLlean")->text(), "1.293");
    QCOMPARE(w->get<QLabel>("lAFRorLambda")->text(), "Lambda");
    QVERIFY(!box("tAFRs")->isEnabled());
    QVERIFY(!w->get<QLabel>("lAFRs")->isEnabled());
    QCOMPARE(data(), "Air/Fuel ratios to be specified as Lambda");

    option("oAorL(0)")->click();
    option("oAorL(0)")->click();  // a second click on the chosen option converts nothing
    QCOMPARE(box("tLrich")->text(), "9.00");
    QCOMPARE(box("tMidLambda(0)")->text(), "14.70");
    QCOMPARE(box("tLlean")->text(), "19.01");
    QCOMPARE(w->get<QLabel>("lAFRorLambda")->text(), "AFR");
    QVERIFY(box("tAFRs")->isEnabled());
    QCOMPARE(data(), "Air/Fuel ratios to be specified as AFR");
}

void TestTablesPage::unusableStoich_refusesLambdaAndGeneration() {
    pin()->setCurrentIndex(1);
    const EepromImage before = model().image();
    for (const QString& stoich :
         {QStringLiteral("0"), QStringLiteral("abc"), QStringLiteral("-14.7")}) {
        box("tAFRs")->setText(stoich);
        option("oAorL(1)")->click();
        QVERIFY(option("oAorL(0)")->isChecked());
        QVERIFY(!option("oAorL(1)")->isChecked());
        QVERIFY(tables().bAFRmode());
        QCOMPARE(w->get<QLabel>("lAFRorLambda")->text(), "AFR");
        QCOMPARE(box("tLrich")->text(), "9.00");
        QCOMPARE(box("tLlean")->text(), "19.00");
        QCOMPARE(w->statusText(), "Stoich AFR must be greater than 0");
        QCOMPARE(statusColour(), kRed);

        w->form->data().setText(QString());
        click("btnGenTable");
        QCOMPARE(w->statusText(), "Stoich AFR must be greater than 0");
        QCOMPARE(model().image(), before);
    }
    // Once it is usable again both work.
    box("tAFRs")->setText(QStringLiteral("14.7"));
    option("oAorL(1)")->click();
    QCOMPARE(box("tLlean")->text(), "1.293");
}

QTEST_MAIN(TestTablesPage)
#include "test_tables_page.moc"
