#include "console/command_console.h"
#include "common/find_control.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/data_view.h"
#include "console/preset_command.h"
#include "link/device_link.h"
#include "link/unit_commands.h"

namespace {

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The key codes the handlers expect for the keys they act on. Every other key gets one code of
// its own: Qt's codes for "&" and "(" are 38 and 40, the very codes of Up and Down.
int keyCodeOf(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Up:
            return CommandConsole::kKeyUp;
        case Qt::Key_Down:
            return CommandConsole::kKeyDown;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return CommandConsole::kKeyEnter;
        default:
            return CommandConsole::kKeyOther;
    }
}

// Only choosing from a preset list sends. Enter in the list's own text field would pick the
// entry it happens to match, and a wheel turned over the closed list (scrolling the page) would
// step through the entries and send each one; both are kept from the list.
class PresetListGuard final : public QObject {
  public:
    explicit PresetListGuard(QComboBox* list) : QObject(list), m_list(list) {
        list->installEventFilter(this);
        if (QLineEdit* edit = list->lineEdit()) {
            edit->installEventFilter(this);
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && watched == m_list->lineEdit() &&
            isEnter(static_cast<QKeyEvent*>(event)->key())) {
            return true;
        }
        if (event->type() == QEvent::Wheel && watched == m_list && !m_list->view()->isVisible()) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QComboBox* m_list;
};

void guardPresetList(QComboBox* list) {
    // Typing must neither complete to an entry nor choose one.
    list->setCompleter(nullptr);
    new PresetListGuard(list);
}

}  // namespace

CommandConsole::CommandConsole(const PageContext& context, QObject* parent)
    : QObject(parent), m_context(context) {
    QWidget* form = m_context.form;
    // The received-data area is the window's; the console only needs it as a DataView.
    m_txtData = &findDataView(form, "txtData");
    m_txtCommand = findControl<QLineEdit>(form, "txtCommand");
    m_chkHistory = findControl<QCheckBox>(form, "chkHistory");
    m_chkKeepText = findControl<QCheckBox>(form, "chkKeepText");
    m_chkAutoCLS = findControl<QCheckBox>(form, "chkAutoCLS");
    m_lHistoryCount = findControl<QLabel>(form, "lHistoryCount");
    m_cboTraceCommand = findControl<QComboBox>(form, "cboTraceCommand");
    m_cboLogCommand = findControl<QComboBox>(form, "cboLogCommand");
    m_txtCmdParameter = findControl<QLineEdit>(form, "txtCmdParameter");
    m_btnReDoCommand = findControl<QPushButton>(form, "btnReDoCommand");

    guardPresetList(m_cboTraceCommand);
    guardPresetList(m_cboLogCommand);

    m_txtCommand->installEventFilter(this);
    connect(findControl<QPushButton>(form, "btnCls"), &QPushButton::clicked, this,
            &CommandConsole::btnCls_Click);
    connect(m_cboTraceCommand, &QComboBox::activated, this, &CommandConsole::cboTraceCommand_Click);
    connect(m_cboLogCommand, &QComboBox::activated, this, &CommandConsole::cboLogCommand_Click);
    connect(m_btnReDoCommand, &QPushButton::clicked, this, &CommandConsole::btnReDoCommand_Click);
    connect(findControl<QPushButton>(form, "btnStartTrace"), &QPushButton::clicked, this,
            &CommandConsole::btnStartTrace_Click);
    connect(findControl<QPushButton>(form, "btnStopTrace"), &QPushButton::clicked, this,
            &CommandConsole::btnStopTrace_Click);
    connect(findControl<QPushButton>(form, "btnClearTrace"), &QPushButton::clicked, this,
            &CommandConsole::btnClearTrace_Click);
    connect(findControl<QPushButton>(form, "btnCopyTrace"), &QPushButton::clicked, this,
            &CommandConsole::btnCopyTrace_Click);
}

void CommandConsole::startUp() {
    m_history.resetPosition();
}

bool CommandConsole::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_txtCommand || event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    // A key goes down first, then the character it types, as the box's handlers expect.
    const auto& key = static_cast<const QKeyEvent&>(*event);
    int keyCode = keyCodeOf(key);
    txtCommand_KeyDown(keyCode);
    if (keyCode == 0) {
        return true;
    }
    if (isEnter(key.key())) {
        int keyAscii = kKeyEnter;
        txtCommand_KeyPress(keyAscii);
        return keyAscii == 0;
    }
    return false;
}

void CommandConsole::txtCommand_KeyPress(int& keyAscii) {
    if (keyAscii != kKeyEnter) {
        return;
    }
    if (!m_context.link.isOpen()) {
        m_context.status.msgError(QStringLiteral("COMM port not open"));
    } else {
        const QString text = m_txtCommand->text();
        if (!text.isEmpty()) {
            DeviceLink& link = m_context.link;
            if (m_chkAutoCLS->isChecked()) {
                link.clearRxBuffer();
            }
            link.TxString(text);
            // The marker goes after the write: the answer is appended behind it later.
            if (m_chkHistory->isChecked()) {
                link.appendRxBuffer(QStringLiteral("[ ") + text + QStringLiteral(" ]"));
            }
            keyAscii = 0;
            m_history.store(text);
        }
        showHistoryCount();
    }
    if (!m_chkKeepText->isChecked()) {
        m_txtCommand->clear();
    }
}

void CommandConsole::txtCommand_KeyDown(int& keyCode) {
    if (keyCode == kKeyUp || keyCode == kKeyDown) {
        const QString& shown = keyCode == kKeyUp ? m_history.up() : m_history.down();
        keyCode = 0;
        m_txtCommand->setText(shown);
        m_txtCommand->end(false);
    }
    showHistoryCount();
}

void CommandConsole::showHistoryCount() {
    m_lHistoryCount->setText(QString::number(m_history.position()));
}

void CommandConsole::btnCls_Click() {
    m_context.link.clearRxBuffer();
    m_txtData->setText(QString());
}

void CommandConsole::doPresetCommand(const QString& str) {
    const auto expansion = PresetCommands::expand(str, m_txtCmdParameter->text());
    if (!expansion) {
        return;
    }
    m_lastPreset = expansion->preset;
    m_txtCommand->setText(expansion->command);
    int keyAscii = kKeyEnter;
    txtCommand_KeyPress(keyAscii);
    m_btnReDoCommand->setText(PresetCommands::kReDoCaption + m_lastPreset);
}

void CommandConsole::cboTraceCommand_Click(int index) {
    doPresetCommand(m_cboTraceCommand->itemText(index));
}

void CommandConsole::cboLogCommand_Click(int index) {
    doPresetCommand(m_cboLogCommand->itemText(index));
}

void CommandConsole::btnReDoCommand_Click() {
    doPresetCommand(QLatin1Char('(') + m_lastPreset + QLatin1Char(')'));
}

void CommandConsole::btnStartTrace_Click() {
    DeviceLink& link = m_context.link;
    // No reply is collected: the version heads the new trace in the data area.
    link.TxString(UnitCommand::kTraceOff);
    link.TxString(UnitCommand::kStatAsciiMode);
    btnCls_Click();
    link.TxString(UnitCommand::kVersion);
    link.TxString(UnitCommand::kTraceOn);
}

void CommandConsole::btnStopTrace_Click() {
    m_context.link.TxString(UnitCommand::kTraceOff);
}

void CommandConsole::btnClearTrace_Click() {
    btnCls_Click();
}

void CommandConsole::btnCopyTrace_Click() {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_txtData->text());
}
