#include "eeprom/eeprom_controller.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "common/data_view.h"
#include "eeprom/eeprom_programmer.h"
#include "link/device_link.h"
#include "link/unit_commands.h"

// The exchanges of a run go through the window's link; each command is shown in Label1. A window
// that is closing counts as an abort.
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

EepromController::EepromController(const PageContext& context, const FlashControls& controls,
                                   TableSource& tables, QObject* parent)
    : QObject(parent), m_context(context), m_c(controls), m_tables(tables) {
    m_c.prgFlash->setTextVisible(true);
    m_windowLink = std::make_unique<WindowLink>(context.link, m_c.Label1, context.bAborted);
    m_programmer = std::make_unique<EepromProgrammer>(
        *m_windowLink, context.status, *m_c.txtData, context.dialogs, [this](int address) {
            const int at = address - m_snapshot.start;
            return (at >= 0 && at < tables::kTableBytes) ? m_snapshot.bytes[at] : quint8(0);
        });
    m_programmer->setProgress([this](int done, int total) { showProgress(done, total); });

    connect(m_c.btnFlashTable, &QPushButton::clicked, this, &EepromController::btnFlashTable_Click);
    connect(m_c.btnAbortFlash, &QPushButton::clicked, this, &EepromController::btnAbortFlash_Click);
}

EepromController::~EepromController() = default;

void EepromController::startUp() {
    m_c.btnAbortFlash->hide();
    m_c.prgFlash->hide();
}

void EepromController::btnFlashTable_Click() {
    m_c.chkGraph->setChecked(false);
    m_context.status.msgClear();
    if (!m_tables.prepareTable()) {
        m_context.status.msgError(QStringLiteral("No table generated"));
        return;
    }
    DeviceLink& link = m_context.link;
    if (!link.isOpen()) {
        link.openError();
        return;
    }
    // The table the user saw when pressing Flash is the one programmed and verified, whatever is
    // chosen while the run lasts.
    m_snapshot = m_tables.snapshot();
    link.TxString(UnitCommand::kTraceOff);
    link.GetResponse();
    if (link.closing()) {
        return;  // the window was closed while "tf" was awaited
    }

    bFlashing = true;
    m_context.bAborted = false;
    m_c.btnAbortFlash->show();
    m_c.btnFlashTable->hide();
    // Shares the place of the firmware version while a run lasts; GetVersion refreshes that
    // label at the end anyway.
    m_c.prgFlash->setGeometry(m_c.lBootVersion->geometry());
    m_c.prgFlash->raise();
    m_c.prgFlash->show();

    const bool ranThrough = m_programmer->ProgramEE(m_snapshot.start, tables::kTableBytes);
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
    m_c.btnFlashTable->setText(QStringLiteral("Flash"));
    bFlashing = false;
    m_context.bAborted = true;
    m_c.btnAbortFlash->hide();
    m_c.btnFlashTable->show();
    m_c.prgFlash->hide();

    DeviceLink& link = m_context.link;
    m_c.txtData->appendText(logEnd);
    link.TxString(UnitCommand::kTraceOff);
    link.GetResponse();
    link.GetVersion();
}

void EepromController::btnAbortFlash_Click() {
    if (!bFlashing) {
        return;
    }
    bFlashing = false;
    m_c.btnAbortFlash->hide();
    m_context.bAborted = true;
}

void EepromController::showProgress(int done, int total) {
    m_c.prgFlash->setMaximum(total);
    m_c.prgFlash->setValue(done);
}
