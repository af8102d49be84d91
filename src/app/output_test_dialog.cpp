#include "app/output_test_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/widgets.h"
#include "common/dialogs.h"
#include "common/status_line.h"
#include "eeprom/eeprom_controller.h"
#include "tables/table_file.h"
#include "unitdata/backup_list.h"

namespace {

const QString kRedText = QStringLiteral("color: rgb(255, 0, 0)");

}  // namespace

QList<unitdata::OutputTest> OutputTests::held() const {
    QList<unitdata::OutputTest> tests = unitdata::readOutputTests(m_path);
    const bool simulated = m_eeprom.usesSimulatedUnit();
    tests.removeIf([simulated](const unitdata::OutputTest& t) { return t.simulated != simulated; });
    return tests;
}

std::optional<unitdata::OutputTest> OutputTests::heldOn(int pin) const {
    return unitdata::outputTestOf(m_path, pin, m_eeprom.usesSimulatedUnit());
}

void OutputTests::hold(int pin, int centivolts) {
    const std::optional<unitdata::OutputTest> before = heldOn(pin);
    const EepromController::RunResult run =
        m_eeprom.program(pin, unitdata::flatTable(centivolts), unitdata::testSource(centivolts),
                         unitdata::kTestHold, true);
    if (run.backup.isEmpty()) {
        return;  // nothing written
    }
    const unitdata::OutputTest test =
        unitdata::testAfterHold(pin, centivolts, m_eeprom.usesSimulatedUnit(), run.backup, before);
    if (const QString why = unitdata::saveOutputTest(m_path, test); !why.isEmpty()) {
        m_status.msgError(QStringLiteral("The test is not recorded (") + why +
                          QStringLiteral("): its backup is ") + test.backup);
    }
}

bool OutputTests::restore(const unitdata::OutputTest& test) {
    const unitdata::Backup backup = unitdata::readBackup(test.backup);
    if (!backup.restorable()) {
        m_status.msgError(test.backup + QStringLiteral(" cannot be restored: ") + backup.problem);
        return false;
    }
    if (!m_eeprom.program(test.pin, *backup.values, test.backup, unitdata::kTestRestore).verified) {
        return false;
    }
    if (const QString why = unitdata::endOutputTest(m_path, test.pin, test.simulated, test.backup);
        !why.isEmpty()) {
        m_status.msgError(QStringLiteral("Programming Complete. The test's end is not recorded: ") +
                          why);
    }
    return true;
}

namespace {

QStringList heldLines(const QList<unitdata::OutputTest>& tests) {
    QStringList lines;
    for (const unitdata::OutputTest& t : tests) {
        lines << unitdata::heldText(t);
    }
    return lines;
}

}  // namespace

bool OutputTests::showHeld() const {
    const QStringList lines = heldLines(held());
    if (!lines.isEmpty()) {
        m_status.msgError(lines.join(QStringLiteral("; ")));
    }
    return !lines.isEmpty();
}

bool OutputTests::askBeforeClose(Dialogs& dialogs) {
    const QList<unitdata::OutputTest> tests = held();
    if (tests.isEmpty()) {
        return true;
    }
    const QStringList lines = heldLines(tests);
    const int answer = dialogs.choice(
        QStringLiteral("Output Test"),
        lines.join(u'\n') + QStringLiteral("\n\nPut the unit's own table back before closing?"),
        {QStringLiteral("Restore"), QStringLiteral("Leave it"), QStringLiteral("Cancel")});
    if (answer != 0) {
        return answer == 1;
    }
    return std::all_of(tests.begin(), tests.end(),
                       [this](const unitdata::OutputTest& t) { return restore(t); });
}

OutputTestDialog::OutputTestDialog(const Parts& parts, QWidget* parent)
    : QDialog(parent), m_parts(parts) {
    setObjectName(QStringLiteral("frmOutputTest"));
    setWindowTitle(QStringLiteral("Output Test"));
    m_pin = new QComboBox(this);
    m_pin->setObjectName(QStringLiteral("cboTestPin"));
    for (int pin = 1; pin < tables::kPinItems; ++pin) {
        m_pin->addItem(tables::PinNames[pin]);
    }
    m_volts = new QLineEdit(QStringLiteral("2.50"), this);
    m_volts->setObjectName(QStringLiteral("txtTestVolts"));
    m_volts->setToolTip(QStringLiteral("0.00 to 5.00 V in steps of 0.01"));
    m_hold = dialogButton("btnTestHold", QStringLiteral("Hold"), this);
    m_hold->setToolTip(
        QStringLiteral("Backs the pin's table up, then writes a table that puts out this voltage "
                       "at every mixture"));
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("lblTestState"));
    m_state->setWordWrap(true);
    m_ecuReads = new QLineEdit(this);
    m_ecuReads->setObjectName(QStringLiteral("txtEcuReads"));
    m_ecuReads->setToolTip(QStringLiteral("What the ECU or a meter shows for the pin"));
    m_offset = new QLabel(this);
    m_offset->setObjectName(QStringLiteral("lblTestOffset"));
    m_offset->setWordWrap(true);
    m_offset->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_restore = dialogButton("btnTestRestore", QStringLiteral("Restore"), this);
    m_restore->setToolTip(QStringLiteral("Puts the pin's own table back from its backup"));
    QPushButton* close = dialogButton("btnTestClose", QStringLiteral("Close"), this);

    auto* volts = new QHBoxLayout;
    volts->addWidget(m_volts);
    volts->addWidget(new QLabel(QStringLiteral("V"), this));
    volts->addWidget(m_hold);
    auto* reads = new QHBoxLayout;
    reads->addWidget(m_ecuReads);
    reads->addWidget(new QLabel(QStringLiteral("V"), this));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Pin :"), m_pin);
    form->addRow(QStringLiteral("Volts :"), volts);
    form->addRow(QStringLiteral("ECU reads :"), reads);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_restore);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_offset);
    layout->addWidget(m_state);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(520, 300);

    connect(m_hold, &QPushButton::clicked, this, &OutputTestDialog::btnTestHold_Click);
    connect(m_restore, &QPushButton::clicked, this, &OutputTestDialog::btnTestRestore_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    // Closed by the user (not hidden with the window): the test is said on the status line.
    connect(this, &QDialog::finished, this, [this] { m_parts.tests.showHeld(); });
    connect(m_ecuReads, &QLineEdit::textChanged, this, &OutputTestDialog::txtEcuReads_Change);
    connect(m_pin, &QComboBox::currentIndexChanged, this, &OutputTestDialog::showState);
    connect(&m_parts.eeprom, &EepromController::busyChanged, this, [this](bool busy) {
        m_busy = busy;
        showState();
    });
}

int OutputTestDialog::pin() const {
    return m_pin->currentIndex() + 1;
}

void OutputTestDialog::refresh() {
    if (const int chosen = m_parts.chosenPin(); chosen != 0) {
        m_pin->setCurrentIndex(chosen - 1);
    }
    showState();
}

void OutputTestDialog::showState() {
    m_held = m_parts.tests.heldOn(pin());
    m_own = m_held ? unitdata::readBackup(m_held->backup) : unitdata::Backup{};
    const std::optional<unitdata::OutputTest>& held = m_held;
    m_state->setText(held ? unitdata::heldText(*held)
                          : tables::pinShortName(pin()) +
                                QStringLiteral(" holds its own table: no test table"));
    m_state->setStyleSheet(held ? kRedText : QString());
    m_hold->setEnabled(!m_busy);
    m_restore->setEnabled(held && !m_busy);
    m_ecuReads->setEnabled(held.has_value());
    txtEcuReads_Change();
}

void OutputTestDialog::btnTestHold_Click() {
    const std::optional<int> volts = unitdata::readTestVolts(m_volts->text());
    if (!volts) {
        m_offset->setText(QStringLiteral("The voltage must be 0.00 to 5.00 V in steps of 0.01"));
        m_offset->setStyleSheet(kRedText);
        return;
    }
    m_parts.tests.hold(pin(), *volts);
    showState();
}

void OutputTestDialog::btnTestRestore_Click() {
    if (const std::optional<unitdata::OutputTest> held = m_parts.tests.heldOn(pin())) {
        m_parts.tests.restore(*held);
    }
    showState();
}

void OutputTestDialog::txtEcuReads_Change() {
    m_offset->setStyleSheet(QString());
    const std::optional<double> reads = unitdata::readShownVolts(m_ecuReads->text());
    if (!m_held || !reads) {
        m_offset->setText(m_held ? QStringLiteral("Type what the ECU or a meter reads")
                                 : QString());
        return;
    }
    m_offset->setText(
        m_own.restorable()
            ? unitdata::outputOffset(*m_own.values, m_held->centivolts, *reads, m_parts.stoich())
                  .text
            : m_held->backup + QStringLiteral(" cannot be read: ") + m_own.problem);
}
