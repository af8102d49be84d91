#include "tables/tables_page.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

#include "common/data_view.h"
#include "ecu/ecu_export.h"
#include "link/hex_text.h"
#include "tables/afr_file_import.h"
#include "tables/ecu_actions.h"
#include "tables/linear_frame.h"
#include "tables/linear_table.h"
#include "tables/option_group.h"
#include "tables/table_doubts.h"
#include "tables/table_file.h"
#include "tables/table_listing.h"

using namespace tables;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kPastedText = QStringLiteral("pasted text");

// The lookup match shares the file frame; the built-in tables follow it.
enum DataSource { kLinear = 0, kFile = 1, kMatch = 2, kFirstBuiltIn = 3 };

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
      m_import(std::make_unique<AfrFileImport>(context, controls)),
      m_linear(std::make_unique<LinearFrame>(context, controls)),
      m_ecu(std::make_unique<EcuActions>(
          context, controls,
          [this](const auto& values) {
              if (m_model.iOutputPin() != 0) {
                  store(values);
              }
          },
          [this] { return m_linear->stoich(); })) {
    // The sensor type is shown for information only.
    for (QRadioButton* option : m_c.oSensor) {
        option->setEnabled(false);
    }
    selectQuietly(m_c.oSensor[0]);

    connect(&m_model, &TableModel::tableStored, this, &TablesPage::onTableStored);
    connect(m_import.get(), &AfrFileImport::readRequested, this, &TablesPage::readAFRFile);
    connect(m_c.cmdUseText, &QPushButton::clicked, this, &TablesPage::readText);
    connect(m_c.btnSaveTable, &QPushButton::clicked, this, &TablesPage::btnSaveTable_Click);
    connect(m_c.btnExportEcu, &QPushButton::clicked, this, &TablesPage::btnExportEcu_Click);
    connect(m_c.cboOutputPin, &QComboBox::currentIndexChanged, this,
            &TablesPage::cboOutputPin_Click);
    connect(m_c.cboEEdata, &QComboBox::currentIndexChanged, this, &TablesPage::cboEEdata_Click);
    connect(m_c.btnGenTable, &QPushButton::clicked, this, &TablesPage::btnGenTable_Click);
    connect(m_c.btnExportAFR, &QPushButton::clicked, this, &TablesPage::btnExportAFR_Click);
    connect(m_c.chkGraph, &QCheckBox::toggled, this, &TablesPage::chkGraph_Click);
    connectOptions(this, m_c.oDorH, &TablesPage::oDorH_Click);
    connectOptions(this, m_c.oIorA, &TablesPage::oIorA_Click);
}

TablesPage::~TablesPage() = default;

double TablesPage::stoich() const {
    return m_linear->stoich();
}

void TablesPage::startUp() {
    // The breakpoints, start addresses and built-in tables are constant data: nothing to fill.
    setQuietly(m_c.cboEEdata, kLinear);
    cboEEdata_Click();
    setQuietly(m_c.cboOutputPin, 0);
    cboOutputPin_Click();
    m_c.lstEETable->clear();

    m_linear->startUp();
    selectQuietly(m_c.oDorH[0]);
    oDorH_Click(0);
    selectQuietly(m_c.oIorA[0]);
    oIorA_Click(0);

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
    m_file.clear();
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
    m_c.frmAFRfile->setVisible(d == kFile || d == kMatch);
    m_import->setFilter(d == kMatch ? EcuActions::kLookupFilter : AfrFileImport::kFilter);
    if (d == kLinear) {
        btnGenTable_Click();
    } else if (d == kFile || d == kMatch) {
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
    if (m_c.cboEEdata->currentIndex() == kMatch) {
        m_ecu->matchFile();
    } else if (const auto file = m_import->readAFRFile(); file && m_model.iOutputPin() != 0) {
        store(importTable(*file).values, &*file);
        m_file = QFileInfo(m_c.txtAFRfilename->text()).absoluteFilePath();
    }
    if (!m_model.bTableStored()) {
        p1_Paint();  // a file that could not be read leaves no table to draw
    }
}

void TablesPage::readText() {
    if (m_c.cboEEdata->currentIndex() == kMatch) {
        m_ecu->matchText();
        if (!m_model.bTableStored()) {
            p1_Paint();
        }
        return;
    }
    const AfrFileContent text = m_import->readText();
    if (m_model.iOutputPin() != 0) {
        store(importTable(text).values, &text);
        m_file = kPastedText;
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
    if (const QString why = writeWholeFile(path, text); !why.isEmpty()) {
        m_context.status.msgError(QStringLiteral("Cannot write ") + path + QStringLiteral(": ") +
                                  why);
        return;
    }
    m_context.status.msgStatus(QStringLiteral("Saved table to ") + path);
}

void TablesPage::btnExportEcu_Click() {
    if (!prepareTable()) {
        return;
    }
    // A table from a file is named by the file, as orvexctl names it.
    m_ecu->exportTable(m_model.iOutputPin(), unitWords(m_model.TableData()),
                       m_file.isEmpty()        ? m_source
                       : m_file == kPastedText ? m_file
                                               : ecu::fileSource(m_file));
}

void TablesPage::btnGenTable_Click() {
    if (m_model.iOutputPin() == 0) {
        m_context.status.msgError(QStringLiteral("No Table Selected"));
        return;
    }
    m_context.status.msgStatus(QStringLiteral("Output Pin = ") + m_model.pinName());

    const LinearTable table = generateLinearTable(m_linear->params());

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
    m_c.btnExportEcu->hide();
    m_graph->bGraphSaved = m_graph->bGraphEnabled;
    m_graph->bGraphEnabled = false;
    p1_Paint();
}

void TablesPage::tablesPageEntered() {
    m_c.btnExportEcu->show();
    m_graph->bGraphEnabled = m_graph->bGraphSaved;
    p1_Paint();
}
