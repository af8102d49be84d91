#pragma once

#include <QObject>
#include <QString>

#include "common/page_context.h"
#include "console/command_history.h"
#include "console/comms_controls.h"

// The "Comms" page: the command box with its history and options, the preset lists with their
// parameter, and the trace buttons. Handlers keep the names the window's events are known by;
// the rules live in CommandHistory and PresetCommands.
class CommandConsole : public QObject {
    Q_OBJECT
  public:
    // Key codes the handlers see, as the window reports them.
    static constexpr int kKeyEnter = 13;
    static constexpr int kKeyUp = 38;
    static constexpr int kKeyDown = 40;
    static constexpr int kKeyOther = -1;

    CommandConsole(const PageContext& context, const CommsControls& controls,
                   QObject* parent = nullptr);

    // Start-up: "tf" in the command box with the caret after it, the options as they start,
    // and the history position back at the first slot.
    void startUp();

    // A character typed into the command box; Enter (13) sends the box's text. Setting
    // keyAscii to 0 swallows the key.
    void txtCommand_KeyPress(int& keyAscii);
    // Any key going down in the command box; Up and Down browse the history. Setting keyCode
    // to 0 swallows the key.
    void txtCommand_KeyDown(int& keyCode);
    void btnCls_Click();

    void doPresetCommand(const QString& str);
    void cboTraceCommand_Click(int index);
    void cboLogCommand_Click(int index);
    void btnReDoCommand_Click();
    void btnStartTrace_Click();
    void btnStopTrace_Click();
    void btnClearTrace_Click();
    void btnCopyTrace_Click();

    const CommandHistory& history() const { return m_history; }
    const QString& lastPreset() const { return m_lastPreset; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showHistoryCount();

    PageContext m_context;
    CommsControls m_c;
    CommandHistory m_history;
    QString m_lastPreset;
};
