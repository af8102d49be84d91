#include "tables/tables_page.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
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
#include "tables/afr_file_import.h"
#include "tables/linear_table.h"
#include "tables/table_doubts.h"
#include "tables/table_file.h"
#include "tables/table_listing.h"

using namespace tables;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

enum DataSource { kLinear = 0, kFile = 1, kFirstBuiltIn = 2 };

// Sets an option without running its handler; start-up runs the handlers itself.
void select(QRadioButton* option) {
    const QSignalBlocker block(option);
    option->setChecked(true);
}

void setQuietly(QComboBox* list, int index) {
    const QSignalBlocker block(list);
    list->setCurrentIndex(index);
}

}  // namespace

TablesPage::TablesPage(const PageContext& context, const TablesControls& controls, QObject* parent)
    : QObject(parent),
      m_context(context),
      m_c(controls),
      m_graph(std::make_unique<TableGraph>(m_c.p1, m_c.txtDataWidget, m_model)),
      m_import(std::make_unique<AfrFileImport>(context, controls)) {
    // The sensor type is shown for information only.
    for (QRadioButton* option : m_c.oSensor) {
        option->setEnabled(false);
    }
    select(m_c.oSensor[0]);

    connect(&m_model, &TableModel::tableStored, this, &TablesPage::onTableStored);
    connect(m_import.get(), &AfrFileImport::readRequested, this, &TablesPage::readAFRFile);
    connect(m_c.cmdUseText, &QPushButton::clicked, this, &TablesPage::readText);
    connect(m_c.btnSaveTable, &QPushButton::clicked, this, &TablesPage::btnSaveTable_Click);
    connect(m_c.cboOutputPin, &QComboBox::currentIndexChanged, this,
            &TablesPage::cboOutputPin_Click);
    connect(m_c.cboEEdata, &QComboBox::currentIndexChanged, this, &TablesPage::cboEEdata_Click);
    connect(m_c.btnGenTable, &QPushButton::clicked, this, &TablesPage::btnGenTable_Click);
    connect(m_c.btnExportAFR, &QPushButton::clicked, this, &TablesPage::btnExportAFR_Click);
    connect(m_c.chkOverUnder, &QCheckBox::toggled, this, &TablesPage::chkOverUnder_Click);
    connect(m_c.chkGraph, &QCheckBox::toggled, this, &TablesPage::chkGraph_Click);
    connect(m_c.tAFRs, &QLineEdit::textChanged, this, &TablesPage::tAFRs_Change);
    connectOptions(m_c.oAorL, &TablesPage::oAorL_Click);
    connectOptions(m_c.oMidCount, &TablesPage::oMidCount_Click);
    connectOptions(m_c.oDorH, &TablesPage::oDorH_Click);
    connectOptions(m_c.oIorA, &TablesPage::oIorA_Click);
}

TablesPage::~TablesPage() = default;

// An option acts when it becomes selected, never on a second click.
void TablesPage::connectOptions(std::span<QRadioButton* const> group,
                                void (TablesPage::*handler)(int)) {
    for (int i = 0; i < static_cast<int>(group.size()); ++i) {
        connect(group[i], &QRadioButton::toggled, this, [this, handler, i](bool on) {
            if (on) {
                (this->*handler)(i);
            }
        });
    }
}

void TablesPage::startUp() {
    // The breakpoints, start addresses and built-in tables are constant data: nothing to fill.
    setQuietly(m_c.cboEEdata, kLinear);
    cboEEdata_Click();
    setQuietly(m_c.cboOutputPin, 0);
    cboOutputPin_Click();
    m_c.lstEETable->clear();

    select(m_c.oAorL[0]);
    oAorL_Click(0);

    m_c.tVrich->setText(kLinearStart.vRich);
    m_c.tVlean->setText(kLinearStart.vLean);
    m_c.tLrich->setText(kLinearStart.rich);
    m_c.tLlean->setText(kLinearStart.lean);
    {
        // Shown on the status line even when the box already holds it.
        const QSignalBlocker blockStoich(m_c.tAFRs);
        m_c.tAFRs->setText(kLinearStart.stoich);
    }
    tAFRs_Change();

    m_midCount = 0;
    for (int i = 0; i < 2; ++i) {
        m_c.tMidLambda[i]->setText(kLinearStart.midMixture[i]);
        m_c.tMidVoltage[i]->setText(kLinearStart.midVolts[i]);
    }

    oMidCount_Click(0);
    m_c.tVrUnder->setText(kLinearStart.vUnder);
    m_c.tVlOver->setText(kLinearStart.vOver);
    {
        const QSignalBlocker blockOverUnder(m_c.chkOverUnder);
        m_c.chkOverUnder->setChecked(false);
    }
    chkOverUnder_Click();
    select(m_c.oDorH[0]);
    oDorH_Click(0);
    select(m_c.oIorA[0]);
    oIorA_Click(0);
    select(m_c.oMidCount[0]);

    {
        const QSignalBlocker blockGraph(m_c.chkGraph);
        m_c.chkGraph->setChecked(false);
    }
    m_graph->bGraphEnabled = false;
    m_graph->bGraphSaved = false;
    m_c.txtData->setText(QString());
    m_c.frmAFRfile->hide();
}

void TablesPage::store(const std::array<qint64, kEntries>& values, const AfrFileContent* file) {
    m_doubts = file ? fileDoubts(*file, m_model.iOutputPin()) : tableDoubts(values);
    m_source = m_c.cboEEdata->currentText();
    if (m_model.store(Table{m_model.iOutputPin(), values}).limited) {
        m_context.status.msgError(QStringLiteral("Values out of range were limited to 0..32767"));
    }
}

// One table stored: the data area's listing, the list and the graph, once each.
void TablesPage::onTableStored() {
    m_c.txtData->setText(eepromListing(m_model));
    ShowValueTable();
    p1_Paint();
}

void TablesPage::cboOutputPin_Click() {
    m_model.selectPin(std::max(0, m_c.cboOutputPin->currentIndex()));
    m_graph->setUnitValues(std::nullopt);  // what was read from the unit belongs to its pin
    if (m_model.iOutputPin() != 0) {
        cboEEdata_Click();
    } else {
        m_c.lstEETable->clear();
        m_c.txtData->setText(QString());
    }
}

void TablesPage::cboEEdata_Click() {
    const int d = m_c.cboEEdata->currentIndex();
    if (d < 0) {
        return;
    }
    m_model.dataSourceChosen();
    m_c.frmLinearParams->setVisible(d == kLinear);
    m_c.frmAFRfile->setVisible(d == kFile);
    if (d == kLinear) {
        btnGenTable_Click();
    } else if (d == kFile) {
        m_c.txtAFRfileData->setText(QString());
        m_c.txtData->setText(QString());
        m_c.lstEETable->clear();
        readAFRFile();
        return;
    } else if (m_model.iOutputPin() != 0) {
        const TableValues& builtIn = DefaultTables[d - kFirstBuiltIn];
        std::array<qint64, kEntries> values{};
        std::copy(builtIn.begin(), builtIn.end(), values.begin());
        store(values);
    }
    // Whatever did not store a table leaves none to draw for this choice.
    if (!m_model.bTableStored()) {
        p1_Paint();
    }
}

void TablesPage::readAFRFile() {
    const auto file = m_import->readAFRFile();
    if (file && m_model.iOutputPin() != 0) {
        store(importTable(*file).values, &*file);
    }
    if (!m_model.bTableStored()) {
        p1_Paint();  // a file that could not be read leaves no table to draw
    }
}

void TablesPage::readText() {
    const AfrFileContent text = m_import->readText();
    if (m_model.iOutputPin() != 0) {
        store(importTable(text).values, &text);
    } else {
        p1_Paint();
    }
}

QString TablesPage::doubt() const {
    return m_doubts.isEmpty() ? QString() : doubtQuestion(m_doubts);
}

bool TablesPage::takeFromUnit(const UnitWords& values) {
    if (std::any_of(values.begin(), values.end(), [](int v) { return v > kMaxStoredValue; })) {
        return false;
    }
    std::array<qint64, kEntries> wide{};
    std::copy(values.begin(), values.end(), wide.begin());
    store(wide);
    m_source = QStringLiteral("unit");
    return true;
}

void TablesPage::showUnitCurve(const std::optional<UnitWords>& values) {
    std::optional<TableValues> drawn;
    if (values) {
        drawn.emplace();
        std::transform(values->begin(), values->end(), drawn->begin(),
                       [](int v) { return static_cast<qint16>(std::min(v, kMaxStoredValue)); });
    }
    m_graph->setUnitValues(drawn);
    p1_Paint();
}

void TablesPage::btnSaveTable_Click() {
    if (!prepareTable()) {
        return;
    }
    const QString path = m_context.dialogs.saveFile(QString(), AfrFileImport::kFilter,
                                                    Dialogs::Existing::AskToReplace);
    if (path.isEmpty()) {
        return;
    }
    const QByteArray text =
        tableFileText(unitWords(m_model.TableData()),
                      {m_model.pinName(), m_source, QDateTime::currentDateTime()});
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() ||
        !file.flush()) {
        m_context.status.msgError(QStringLiteral("Cannot write ") + path + QStringLiteral(": ") +
                                  file.errorString());
        return;
    }
    m_context.status.msgStatus(QStringLiteral("Saved table to ") + path);
}

double TablesPage::stoich() const {
    return leadingNumber(m_c.tAFRs->text());
}

std::array<QLineEdit*, 4> TablesPage::mixtureBoxes() const {
    return {m_c.tLrich, m_c.tMidLambda[0], m_c.tMidLambda[1], m_c.tLlean};
}

void TablesPage::btnGenTable_Click() {
    if (m_model.iOutputPin() == 0) {
        m_context.status.msgError(QStringLiteral("No Table Selected"));
        return;
    }
    m_context.status.msgStatus(QStringLiteral("Output Pin = ") + m_model.pinName());

    LinearTexts texts;
    texts.rich = m_c.tLrich->text();
    texts.vRich = m_c.tVrich->text();
    texts.lean = m_c.tLlean->text();
    texts.vLean = m_c.tVlean->text();
    for (int k = 0; k < 2; ++k) {
        texts.midMixture[k] = m_c.tMidLambda[k]->text();
        texts.midVolts[k] = m_c.tMidVoltage[k]->text();
    }
    texts.vUnder = m_c.tVrUnder->text();
    texts.vOver = m_c.tVlOver->text();
    texts.stoich = m_c.tAFRs->text();
    const LinearTable table = generateLinearTable(
        readLinearParams(texts, m_midCount, m_c.chkOverUnder->isChecked(), m_afrMode));

    m_c.txtData->setText(QStringLiteral("EEPROM Data ...") + kCrLf + QStringLiteral("Addr  Bytes") +
                         kCrLf);
    if (table.check != LinearCheck::Ok) {
        m_context.status.msgError(checkMessage(table.check));
        return;
    }
    store(table.counts);
    m_model.setTableGenerated(true);
}

bool TablesPage::prepareTable() {
    // The table that reaches the unit is the one listed and drawn: whatever was stored for the
    // pin. Only the linear source can make one on the spot.
    if (!m_model.bTableStored() && m_c.cboEEdata->currentIndex() == kLinear) {
        btnGenTable_Click();
    }
    if (!m_model.bTableStored()) {
        m_context.status.msgError(QStringLiteral("No table generated"));
        return false;
    }
    return true;
}

void TablesPage::oAorL_Click(int index) {
    const double s = stoich();
    if (index == 1) {
        if (!isUsableStoich(s)) {
            // Dividing by it would wipe out every mixture; stay in AFR so it can be corrected.
            select(m_c.oAorL[0]);
            m_context.status.msgError(QStringLiteral("Stoich AFR must be greater than 0"));
            return;
        }
        m_afrMode = false;
        m_c.lAFRorLambda->setText(QStringLiteral("Lambda"));
        for (QLineEdit* box : mixtureBoxes()) {
            box->setText(mixtureToLambda(box->text(), s));
        }
    } else {
        m_afrMode = true;
        m_c.lAFRorLambda->setText(QStringLiteral("AFR"));
        // Only start-up can get here with an unusable stoich AFR (the box is disabled in
        // Lambda mode); its defaults follow at once, so leave the boxes alone then.
        if (isUsableStoich(s)) {
            for (QLineEdit* box : mixtureBoxes()) {
                box->setText(mixtureToAfr(box->text(), s));
            }
        }
    }
    m_c.tAFRs->setEnabled(m_afrMode);
    m_c.lAFRs->setEnabled(m_afrMode);
    m_c.txtData->setText(QStringLiteral("Air/Fuel ratios to be specified as ") +
                         m_c.lAFRorLambda->text());
}

void TablesPage::oMidCount_Click(int index) {
    m_midCount = index;
    m_c.lMidPointLabel->setVisible(index == 0);
    for (int k = 0; k < 2; ++k) {
        m_c.tMidVoltage[k]->setVisible(k < index);
        m_c.tMidLambda[k]->setVisible(k < index);
    }
}

void TablesPage::chkOverUnder_Click() {
    const bool on = m_c.chkOverUnder->isChecked();
    m_c.tVrUnder->setVisible(on);
    m_c.tVlOver->setVisible(on);
}

void TablesPage::tAFRs_Change() {
    m_context.status.msg(m_c.tAFRs->text());
}

void TablesPage::ShowValueTable() {
    const QStringList lines =
        tableLines(m_model, m_model.iTableAddr(), static_cast<DataFormat>(m_tableContains),
                   static_cast<FirstColumn>(m_indexView));
    m_c.lstEETable->clear();
    m_c.lstEETable->addItems(lines);
    m_tableText = tableText(lines);
}

void TablesPage::oDorH_Click(int index) {
    m_tableContains = index;
    // Whatever table is listed follows the options, whichever source it came from.
    if (m_model.bTableStored()) {
        ShowValueTable();
    }
}

void TablesPage::oIorA_Click(int index) {
    m_indexView = index;
    if (m_model.bTableStored()) {
        ShowValueTable();
    }
}

void TablesPage::btnExportAFR_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_tableText);
}

void TablesPage::chkGraph_Click() {
    m_graph->bGraphEnabled = m_c.chkGraph->isChecked();
    p1_Paint();
}

void TablesPage::p1_Paint() {
    m_graph->p1_Paint();
}

void TablesPage::tablesPageLeft() {
    m_graph->bGraphSaved = m_graph->bGraphEnabled;
    m_graph->bGraphEnabled = false;
    p1_Paint();
}

void TablesPage::tablesPageEntered() {
    m_graph->bGraphEnabled = m_graph->bGraphSaved;
    p1_Paint();
}
