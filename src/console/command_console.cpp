#include "console/command_console.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <utility>

#include "common/data_view.h"
#include "console/preset_command.h"
#include "console/traffic_log.h"
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

// A preset list sends only an entry the user confirms in the opened list: a click on it, or
// Enter on the highlighted one. QComboBox also emits `activated` for the arrow keys and the wheel
// on the closed list and for an entry's exact text typed into it; none of those sends.
class PresetListGuard final : public QObject {
  public:
    PresetListGuard(QComboBox* list, std::function<void(int)> chosen)
        : QObject(list),
          m_list(list),
          m_view(list->view()),
          m_viewObject(m_view),
          m_chosen(std::move(chosen)) {
        list->setCompleter(nullptr);  // typing must not complete to an entry either
        list->installEventFilter(this);
        // Installed after the drop-down's own filters, so these run first and see the choice.
        m_view->installEventFilter(this);
        m_view->viewport()->installEventFilter(this);
        connect(list, &QComboBox::activated, this, [this](int row) {
            if (std::exchange(m_confirmedRow, -1) == row) {
                m_chosen(row);
            }
        });
    }

  protected:
    // The list and its drop-down still send events (Hide, ...) while they are being destroyed:
    // only input events, which cannot come then, use them as what they are.
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::Hide && watched == m_viewObject) {
            // The choice, if any, is emitted right after the list closes; nothing later counts.
            QTimer::singleShot(0, this, [this] { m_confirmedRow = -1; });
            return false;
        }
        if (type != QEvent::Wheel && type != QEvent::KeyPress && type != QEvent::ShortcutOverride &&
            type != QEvent::MouseButtonRelease) {
            return false;
        }
        if (watched == m_list) {
            if (!m_view->isVisible() &&
                (type == QEvent::Wheel ||
                 (type == QEvent::KeyPress && steps(*static_cast<QKeyEvent*>(event))))) {
                return true;  // the closed list does not move through its entries
            }
        } else if (watched == m_view->viewport() && type == QEvent::MouseButtonRelease) {
            const QModelIndex at =
                m_view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            m_confirmedRow = at.isValid() ? at.row() : -1;
        } else if (watched == m_viewObject && type != QEvent::MouseButtonRelease &&
                   type != QEvent::Wheel && isEnter(static_cast<QKeyEvent*>(event)->key())) {
            // The drop-down takes Enter as early as its shortcut override.
            const QModelIndex current = m_view->currentIndex();
            m_confirmedRow = current.isValid() ? current.row() : -1;
        }
        return false;
    }

  private:
    // Keys with which a closed list steps to another entry (Alt+Down opens it instead).
    static bool steps(const QKeyEvent& key) {
        if (key.modifiers() & Qt::AltModifier) {
            return false;
        }
        switch (key.key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                return true;
            default:
                return false;
        }
    }

    const QObject* m_list;
    QAbstractItemView* m_view;
    const QObject* m_viewObject;
    std::function<void(int)> m_chosen;
    int m_confirmedRow = -1;
};

}  // namespace

CommandConsole::CommandConsole(const PageContext& context, const CommsControls& controls,
                               QObject* parent)
    : QObject(parent), m_context(context), m_c(controls) {
    new PresetListGuard(m_c.cboTraceCommand, [this](int row) { cboTraceCommand_Click(row); });
    new PresetListGuard(m_c.cboLogCommand, [this](int row) { cboLogCommand_Click(row); });

    new TrafficLog(context, m_c.chkLogFile, m_c.lLogSize, m_c.btnMark, this);
    m_c.txtCommand->installEventFilter(this);
    connect(m_c.btnCls, &QPushButton::clicked, this, &CommandConsole::btnCls_Click);
    connect(m_c.btnReDoCommand, &QPushButton::clicked, this, &CommandConsole::btnReDoCommand_Click);
    connect(m_c.btnStartTrace, &QPushButton::clicked, this, &CommandConsole::btnStartTrace_Click);
    connect(m_c.btnStopTrace, &QPushButton::clicked, this, &CommandConsole::btnStopTrace_Click);
    connect(m_c.btnClearTrace, &QPushButton::clicked, this, &CommandConsole::btnClearTrace_Click);
    connect(m_c.btnCopyTrace, &QPushButton::clicked, this, &CommandConsole::btnCopyTrace_Click);
}

void CommandConsole::startUp() {
    m_c.txtCommand->setText(UnitCommand::kTraceOff);
    m_c.txtCommand->end(false);  // Enter sends it at once
    m_c.chkAutoCLS->setChecked(false);
    m_c.chkKeepText->setChecked(false);
    m_c.chkHistory->setChecked(true);
    m_history.resetPosition();
}

bool CommandConsole::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_c.txtCommand || event->type() != QEvent::KeyPress) {
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
        const QString text = m_c.txtCommand->text();
        if (!text.isEmpty()) {
            DeviceLink& link = m_context.link;
            if (m_c.chkAutoCLS->isChecked()) {
                link.clearRxBuffer();
            }
            link.TxString(text);
            // The marker goes after the write: the answer is appended behind it later.
            if (m_c.chkHistory->isChecked()) {
                link.appendRxBuffer(QStringLiteral("[ ") + text + QStringLiteral(" ]"));
            }
            keyAscii = 0;
            m_history.store(text);
        }
        showHistoryCount();
    }
    if (!m_c.chkKeepText->isChecked()) {
        m_c.txtCommand->clear();
    }
}

void CommandConsole::txtCommand_KeyDown(int& keyCode) {
    if (keyCode == kKeyUp || keyCode == kKeyDown) {
        const QString& shown = keyCode == kKeyUp ? m_history.up() : m_history.down();
        keyCode = 0;
        m_c.txtCommand->setText(shown);
        m_c.txtCommand->end(false);
    }
    showHistoryCount();
}

void CommandConsole::showHistoryCount() {
    m_c.lHistoryCount->setText(QString::number(m_history.position()));
}

void CommandConsole::btnCls_Click() {
    m_context.link.clearRxBuffer();
    m_c.txtData->setText(QString());
}

void CommandConsole::doPresetCommand(const QString& str) {
    const auto expansion = PresetCommands::expand(str, m_c.txtCmdParameter->text());
    if (!expansion) {
        return;
    }
    m_lastPreset = expansion->preset;
    m_c.txtCommand->setText(expansion->command);
    int keyAscii = kKeyEnter;
    txtCommand_KeyPress(keyAscii);
    m_c.btnReDoCommand->setText(PresetCommands::kReDoCaption + m_lastPreset);
}

void CommandConsole::cboTraceCommand_Click(int index) {
    doPresetCommand(m_c.cboTraceCommand->itemText(index));
}

void CommandConsole::cboLogCommand_Click(int index) {
    doPresetCommand(m_c.cboLogCommand->itemText(index));
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
    clipboard->setText(m_c.txtData->text());
}
