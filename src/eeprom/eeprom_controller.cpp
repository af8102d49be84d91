#include "eeprom/eeprom_controller.h"
#include "common/find_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "common/data_view.h"
#include "eeprom/eeprom_programmer.h"
#include "link/device_link.h"
#include "link/unit_commands.h"
#include "tables/tables_controller.h"

namespace {

constexpr int kLinearSource = 0;  // "Linear Parameters ..." in the data-source list

}  // namespace

// The exchanges of a run go through the window's link; each command is shown in Label1.
class EepromController::WindowLink final : public EepromLink {
  public:
    WindowLink(DeviceLink& link, QLabel* label1, const bool& bAborted)
        : m_link(link), m_label1(label1), m_bAborted(bAborted) {}

    bool aborted() const override { return m_bAborted || m_link.closing(); }
    void send(const QString& command) override {
        m_label1->setText(command);
        m_link.TxString(command);
    }
    QString getParameter() override { return m_link.GetParameter(); }
    QString lastReply() const override { return m_link.RxBuffer(); }

  private:
    DeviceLink& m_link;
    QLabel* m_label1;
    const bool& m_bAborted;
};

EepromController::EepromController(const PageContext& context, TablesController& tables,
                                   QObject* parent)
    : QObject(parent ? parent : context.form), m_context(context), m_tables(tables) {
    setObjectName(QStringLiteral("eepromController"));
    m_btnFlashTable = findControl<QPushButton>(context.form, "btnFlashTable");
    m_btnAbortFlash = findControl<QPushButton>(context.form, "btnAbortFlash");
    m_chkGraph = findControl<QCheckBox>(context.form, "chkGraph");
    m_cboEEdata = findControl<QComboBox>(context.form, "cboEEdata");
    m_lBootVersion = findControl<QLabel>(context.form, "lBootVersion");

    // Shares the place of the firmware version while a run lasts; GetVersion refreshes that
    // label at the end anyway.
    m_prgFlash = new QProgressBar(context.form);
    m_prgFlash->setObjectName(QStringLiteral("prgFlash"));
    m_prgFlash->setTextVisible(true);
    m_prgFlash->hide();

    m_windowLink = std::make_unique<WindowLink>(
        context.link, findControl<QLabel>(context.form, "Label1"), context.bAborted);
    m_programmer = std::make_unique<EepromProgrammer>(
        *m_windowLink, context.status, findDataView(context.form, "txtData"), context.dialogs,
        [this](int address) { return m_snapshot.at(static_cast<size_t>(address)); });
    m_programmer->setProgress([this](int done, int total) { showProgress(done, total); });

    connect(m_btnFlashTable, &QPushButton::clicked, this, &EepromController::btnFlashTable_Click);
    connect(m_btnAbortFlash, &QPushButton::clicked, this, &EepromController::btnAbortFlash_Click);
}

EepromController::~EepromController() = default;

// The table that reaches the unit is the one listed and drawn: whatever was stored for the pin.
// Only the linear source can make one on the spot.
bool EepromController::tableReady() {
    if (m_tables.model().bTableStored()) {
        return true;
    }
    if (m_cboEEdata->currentIndex() == kLinearSource) {
        m_tables.btnGenTable_Click();
        if (m_tables.model().bTableStored()) {
            return true;
        }
    }
    m_context.status.msgError(QStringLiteral("No table generated"));
    return false;
}

void EepromController::btnFlashTable_Click() {
    m_chkGraph->setChecked(false);
    m_context.status.msgClear();
    if (!tableReady()) {
        return;
    }
    DeviceLink& link = m_context.link;
    if (!link.isOpen()) {
        link.openError();
        return;
    }
    // The table the user saw when pressing Flash is the one programmed and verified, whatever is
    // chosen while the run lasts.
    m_snapshot = m_tables.model().image();
    link.TxString(UnitCommand::kTraceOff);
    link.GetResponse();
    if (link.closing()) {
        return;  // the window was closed while "tf" was awaited
    }

    bFlashing = true;
    m_context.bAborted = false;
    m_btnAbortFlash->show();
    m_btnFlashTable->hide();
    m_prgFlash->setGeometry(m_lBootVersion->geometry());
    m_prgFlash->raise();
    m_prgFlash->show();

    const bool ranThrough = m_programmer->ProgramEE(m_tables.model().iTableAddr(), kTableBytes);
    const int failed = m_programmer->failedLocations();
    finish(!ranThrough  ? Ending::Aborted
           : failed > 0 ? Ending::WithErrors
                        : Ending::Complete,
           failed);
}

void EepromController::finish(Ending ending, int failedLocations) {
    QString logEnd;
    switch (ending) {
        case Ending::Complete:
            m_context.status.msgStatus(QStringLiteral("Programming Complete."));
            logEnd = QStringLiteral("Programming complete.");
            break;
        case Ending::Aborted:
            m_context.status.msgError(QStringLiteral("Programming aborted."));
            logEnd = QStringLiteral("Programming aborted.");
            break;
        case Ending::WithErrors:
            logEnd = QStringLiteral("Programming finished with errors at ") +
                     QString::number(failedLocations) + QStringLiteral(" locations.");
            m_context.status.msgError(logEnd);
            break;
    }
    m_btnFlashTable->setText(QStringLiteral("Flash"));
    bFlashing = false;
    m_context.bAborted = true;
    m_btnAbortFlash->hide();
    m_btnFlashTable->show();
    m_prgFlash->hide();

    DeviceLink& link = m_context.link;
    link.scrollText(logEnd);
    link.TxString(UnitCommand::kTraceOff);
    link.GetResponse();
    link.GetVersion();
}

void EepromController::btnAbortFlash_Click() {
    if (!bFlashing) {
        return;
    }
    bFlashing = false;
    m_btnAbortFlash->hide();
    m_context.bAborted = true;
}

void EepromController::showProgress(int done, int total) {
    m_prgFlash->setMaximum(total);
    m_prgFlash->setValue(done);
}
