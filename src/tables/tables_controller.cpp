#include "tables/tables_controller.h"
#include "common/find_control.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

#include "common/data_view.h"
#include "link/hex_text.h"
#include "tables/linear_table.h"
#include "tables/table_listing.h"

using namespace tables;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

enum DataSource { kLinear = 0, kFile = 1, kFirstBuiltIn = 2 };

QString indexed(const char* group, int index) {
    return QLatin1String(group) + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

// Sets an option without running its handler; start-up runs the handlers itself.
void select(QRadioButton* option) {
    const QSignalBlocker block(option);
    option->setChecked(true);
}

}  // namespace

template <class T>
T* TablesController::control(const QString& name) const {
    T* w = m_context.form->findChild<T*>(name);
    if (!w) {
        qFatal("control %s missing from the window", qPrintable(name));
    }
    return w;
}

QRadioButton* TablesController::option(const char* group, int index) const {
    return control<QRadioButton>(indexed(group, index));
}

void TablesController::connectOptions(const char* group, int count,
                                      void (TablesController::*handler)(int)) {
    for (int i = 0; i < count; ++i) {
        // An option acts when it becomes selected, never on a second click.
        connect(option(group, i), &QRadioButton::toggled, this, [this, handler, i](bool on) {
            if (on) {
                (this->*handler)(i);
            }
        });
    }
}

// Lives under its window unless told otherwise, so it can be found there by name.
TablesController::TablesController(const PageContext& context, QObject* parent)
    : QObject(parent ? parent : context.form),
      m_context(context),
      m_txtData(findDataView(context.form, "txtData")),
      m_model(m_txtData, context.status) {
    setObjectName(QStringLiteral("tablesController"));
    m_cboOutputPin = control<QComboBox>(QStringLiteral("cboOutputPin"));
    m_cboEEdata = control<QComboBox>(QStringLiteral("cboEEdata"));
    m_frmLinearParams = control<QWidget>(QStringLiteral("frmLinearParams"));
    m_frmAFRfile = control<QWidget>(QStringLiteral("frmAFRfile"));
    m_lstEETable = control<QListWidget>(QStringLiteral("lstEETable"));
    m_chkOverUnder = control<QCheckBox>(QStringLiteral("chkOverUnder"));
    m_chkGraph = control<QCheckBox>(QStringLiteral("chkGraph"));
    m_lAFRorLambda = control<QLabel>(QStringLiteral("lAFRorLambda"));
    m_tAFRs = control<QLineEdit>(QStringLiteral("tAFRs"));
    m_graph = std::make_unique<TableGraph>(control<QWidget>(QStringLiteral("p1")),
                                           control<QWidget>(QStringLiteral("txtData")), m_model);

    // The sensor type is shown for information only.
    for (int i = 0; i < 2; ++i) {
        option("oSensor", i)->setEnabled(false);
    }
    select(option("oSensor", 0));

    connect(m_cboOutputPin, &QComboBox::currentIndexChanged, this,
            &TablesController::cboOutputPin_Click);
    connect(m_cboEEdata, &QComboBox::currentIndexChanged, this, &TablesController::cboEEdata_Click);
    connect(control<QPushButton>(QStringLiteral("btnGenTable")), &QPushButton::clicked, this,
            &TablesController::btnGenTable_Click);
    connect(control<QPushButton>(QStringLiteral("btnExportAFR")), &QPushButton::clicked, this,
            &TablesController::btnExportAFR_Click);
    connect(m_chkOverUnder, &QCheckBox::toggled, this, &TablesController::chkOverUnder_Click);
    connect(m_chkGraph, &QCheckBox::toggled, this, &TablesController::chkGraph_Click);
    connect(m_tAFRs, &QLineEdit::textChanged, this, &TablesController::tAFRs_Change);
    connectOptions("oAorL", 2, &TablesController::oAorL_Click);
    connectOptions("oMidCount", 3, &TablesController::oMidCount_Click);
    connectOptions("oDorH", 3, &TablesController::oDorH_Click);
    connectOptions("oIorA", 2, &TablesController::oIorA_Click);
}

TablesController::~TablesController() = default;

void TablesController::startUp() {
    // The breakpoints, start addresses and built-in tables are constant data: nothing to fill.
    {
        const QSignalBlocker blockSource(m_cboEEdata);
        m_cboEEdata->setCurrentIndex(kLinear);
    }
    cboEEdata_Click();
    {
        const QSignalBlocker blockPin(m_cboOutputPin);
        m_cboOutputPin->setCurrentIndex(0);
    }
    cboOutputPin_Click();
    m_lstEETable->clear();

    select(option("oAorL", 0));
    oAorL_Click(0);

    control<QLineEdit>(QStringLiteral("tVrich"))->setText(QStringLiteral("0.00"));
    control<QLineEdit>(QStringLiteral("tVlean"))->setText(QStringLiteral("5.00"));
    control<QLineEdit>(QStringLiteral("tLrich"))->setText(QStringLiteral("9.00"));
    control<QLineEdit>(QStringLiteral("tLlean"))->setText(QStringLiteral("19.00"));
    {
        // Shown on the status line even when the box already holds it.
        const QSignalBlocker blockStoich(m_tAFRs);
        m_tAFRs->setText(QStringLiteral("14.70"));
    }
    tAFRs_Change();

    m_midCount = 0;
    for (int i = 0; i < 2; ++i) {
        control<QLineEdit>(indexed("tMidLambda", i))->setText(QStringLiteral("14.7"));
        control<QLineEdit>(indexed("tMidVoltage", i))->setText(QStringLiteral("2.85"));
    }

    oMidCount_Click(0);
    control<QLineEdit>(QStringLiteral("tVrUnder"))->setText(QStringLiteral("0"));
    control<QLineEdit>(QStringLiteral("tVlOver"))->setText(QStringLiteral("5.0"));
    {
        const QSignalBlocker blockOverUnder(m_chkOverUnder);
        m_chkOverUnder->setChecked(false);
    }
    chkOverUnder_Click();
    select(option("oDorH", 0));
    oDorH_Click(0);
    select(option("oIorA", 0));
    oIorA_Click(0);
    select(option("oMidCount", 0));

    {
        const QSignalBlocker blockGraph(m_chkGraph);
        m_chkGraph->setChecked(false);
    }
    m_graph->bGraphEnabled = false;
    m_graph->bGraphSaved = false;
}

void TablesController::cboOutputPin_Click() {
    m_model.selectPin(std::max(0, m_cboOutputPin->currentIndex()), m_cboOutputPin->currentText());
    if (m_model.iOutputPin() != 0) {
        cboEEdata_Click();
        p1_Paint();
    } else {
        m_lstEETable->clear();
        m_txtData.setText(QString());
    }
}

void TablesController::cboEEdata_Click() {
    const int d = m_cboEEdata->currentIndex();
    if (d < 0) {
        return;
    }
    m_model.dataSourceChosen();
    if (d == kLinear) {
        m_frmLinearParams->show();
        m_frmAFRfile->hide();
        btnGenTable_Click();
        p1_Paint();
        return;
    }
    m_frmLinearParams->hide();
    if (d == kFile) {
        m_frmAFRfile->show();
        findDataView(m_context.form, "txtAFRfileData").setText(QString());
        m_txtData.setText(QString());
        m_lstEETable->clear();
        readAFRFile();
        p1_Paint();  // a file that could not be read leaves no table to draw
        return;
    }
    m_frmAFRfile->hide();
    const int table = d - kFirstBuiltIn;
    if (m_model.iOutputPin() != 0 && table < kBuiltInTables) {
        for (int i = 0; i < kEntries; ++i) {
            setEETable(i, DefaultTables[table][i]);
        }
        ShowValueTable();
    }
    p1_Paint();
}

void TablesController::readAFRFile() {
    if (m_readAFRFile) {
        m_readAFRFile();
    }
}

double TablesController::stoich() const {
    return leadingNumber(m_tAFRs->text());
}

void TablesController::btnGenTable_Click() {
    if (m_model.iOutputPin() == 0) {
        m_context.status.msgError(QStringLiteral("No Table Selected"));
        return;
    }
    m_context.status.msgStatus(QStringLiteral("Output Pin = ") + m_model.pinName());

    LinearTexts texts;
    texts.rich = control<QLineEdit>(QStringLiteral("tLrich"))->text();
    texts.vRich = control<QLineEdit>(QStringLiteral("tVrich"))->text();
    texts.lean = control<QLineEdit>(QStringLiteral("tLlean"))->text();
    texts.vLean = control<QLineEdit>(QStringLiteral("tVlean"))->text();
    for (int k = 0; k < 2; ++k) {
        texts.midMixture[k] = control<QLineEdit>(indexed("tMidLambda", k))->text();
        texts.midVolts[k] = control<QLineEdit>(indexed("tMidVoltage", k))->text();
    }
    texts.vUnder = control<QLineEdit>(QStringLiteral("tVrUnder"))->text();
    texts.vOver = control<QLineEdit>(QStringLiteral("tVlOver"))->text();
    texts.stoich = m_tAFRs->text();
    const LinearTable table = generateLinearTable(
        readLinearParams(texts, m_midCount, m_chkOverUnder->isChecked(), m_afrMode));

    m_txtData.setText(QStringLiteral("EEPROM Data ...") + kCrLf + QStringLiteral("Addr  Bytes") +
                      kCrLf);
    if (table.check != LinearCheck::Ok) {
        m_context.status.msgError(checkMessage(table.check));
        return;
    }
    for (int i = 0; i < kEntries; ++i) {
        setEETable(i, table.counts[i]);
    }
    ShowValueTable();
    m_model.setTableGenerated(true);
    chkGraph_Click();
}

void TablesController::oAorL_Click(int index) {
    const QString names[] = {QStringLiteral("tLrich"), indexed("tMidLambda", 0),
                             indexed("tMidLambda", 1), QStringLiteral("tLlean")};
    const double s = stoich();
    if (index == 1) {
        if (!isUsableStoich(s)) {
            // Dividing by it would wipe out every mixture; stay in AFR so it can be corrected.
            select(option("oAorL", 0));
            m_context.status.msgError(QStringLiteral("Stoich AFR must be greater than 0"));
            return;
        }
        m_afrMode = false;
        m_lAFRorLambda->setText(QStringLiteral("Lambda"));
        for (const QString& name : names) {
            auto* box = control<QLineEdit>(name);
            box->setText(mixtureToLambda(box->text(), s));
        }
        m_tAFRs->setEnabled(false);
        control<QLabel>(QStringLiteral("lAFRs"))->setEnabled(false);
    } else {
        m_afrMode = true;
        m_lAFRorLambda->setText(QStringLiteral("AFR"));
        // Only start-up can get here with an unusable stoich AFR (the box is disabled in
        // Lambda mode); its defaults follow at once, so leave the boxes alone then.
        if (isUsableStoich(s)) {
            for (const QString& name : names) {
                auto* box = control<QLineEdit>(name);
                box->setText(mixtureToAfr(box->text(), s));
            }
        }
        m_tAFRs->setEnabled(true);
        control<QLabel>(QStringLiteral("lAFRs"))->setEnabled(true);
    }
    m_txtData.setText(QStringLiteral("Air/Fuel ratios to be specified as ") +
                      m_lAFRorLambda->text());
}

void TablesController::oMidCount_Click(int index) {
    m_midCount = index;
    control<QLabel>(QStringLiteral("lMidPointLabel"))->setVisible(index == 0);
    for (int k = 0; k < 2; ++k) {
        control<QLineEdit>(indexed("tMidVoltage", k))->setVisible(k < index);
        control<QLineEdit>(indexed("tMidLambda", k))->setVisible(k < index);
    }
}

void TablesController::chkOverUnder_Click() {
    const bool on = m_chkOverUnder->isChecked();
    control<QLineEdit>(QStringLiteral("tVrUnder"))->setVisible(on);
    control<QLineEdit>(QStringLiteral("tVlOver"))->setVisible(on);
}

void TablesController::tAFRs_Change() {
    m_context.status.msg(m_tAFRs->text());
}

void TablesController::ShowValueTable() {
    const QStringList lines =
        tableLines(m_model, m_model.iTableAddr(), static_cast<DataFormat>(m_tableContains),
                   static_cast<FirstColumn>(m_indexView));
    m_lstEETable->clear();
    m_lstEETable->addItems(lines);
    m_tableText = tableText(lines);
}

void TablesController::oDorH_Click(int index) {
    m_tableContains = index;
    // Whatever table is listed follows the options, whichever source it came from.
    if (m_model.bTableStored()) {
        ShowValueTable();
    }
}

void TablesController::oIorA_Click(int index) {
    m_indexView = index;
    if (m_model.bTableStored()) {
        ShowValueTable();
    }
}

void TablesController::btnExportAFR_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_tableText);
}

void TablesController::chkGraph_Click() {
    m_graph->bGraphEnabled = m_chkGraph->isChecked();
    p1_Paint();
}

void TablesController::p1_Paint() {
    m_graph->p1_Paint();
}

void TablesController::tablesPageLeft() {
    m_graph->bGraphSaved = m_graph->bGraphEnabled;
    m_graph->bGraphEnabled = false;
    p1_Paint();
}

void TablesController::tablesPageEntered() {
    m_graph->bGraphEnabled = m_graph->bGraphSaved;
    p1_Paint();
}
