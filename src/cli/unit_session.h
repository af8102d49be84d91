#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

#include "common/data_view.h"
#include "common/dialogs.h"
#include "common/status_line.h"
#include "eeprom/eeprom_programmer.h"

class CliOutput;
class DeviceLink;
class QtSerialPort;
class SimulatedUnit;

// Exit codes of orvexctl.
namespace CliExit {
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;         // the unit answered, the operation did not succeed
inline constexpr int kUsage = 2;          // usage or file errors
inline constexpr int kNoUnit = 3;         // no port, or no answer
inline constexpr int kInterrupted = 130;  // Ctrl+C, as shells report it
}  // namespace CliExit

// One conversation with a unit: the port found as the window finds it, the link, Ctrl+C, and
// the EEPROM programmer on top, with what it would ask or show in the window turned into lines
// on stderr. A verify failure is noted and skipped, so a run reports every failing address.
class UnitSession : public QObject, private EepromLink, private StatusLine, private Dialogs {
    Q_OBJECT
  public:
    explicit UnitSession(CliOutput& out);
    ~UnitSession() override;

    // Finds and opens the port and checks that a unit answers the greeting. 0, or the exit code
    // after the error has been printed.
    int open(const QString& port, bool simulate);
    DeviceLink& link() { return *m_link; }
    // "COM3 (/dev/ttyUSB0)", or the path alone.
    QString portLabel() const { return m_label; }
    QString firmwareVersion() const { return m_version; }
    // The unit is the simulated one (--simulate).
    bool simulated() const { return m_simulated != nullptr; }

    // Sends a command and awaits its reply; nothing when none came in time.
    std::optional<QString> exchange(const QString& command);

    // Ctrl+C was pressed, or SIGTERM or SIGHUP came (the first one; a second ends the program
    // at once).
    bool interrupted() const;
    static void watchInterrupts();

    // The EEPROM runs, reading `image` when programming.
    EepromProgrammer& programmer(EepromProgrammer::ImageByte image = {});
    // Progress of the next run is shown under this label.
    void setProgressLabel(const QString& label) { m_progressLabel = label; }

  private:
    // EepromLink
    bool aborted() const override;
    void send(const QString& command) override;
    QString getParameter() override;
    QString lastReply() const override;
    bool timedOut() const override;
    bool drain(Quiet why) override;
    // StatusLine: progress texts are shown by the progress line; retries and errors as notes.
    void msg(const QString&) override {}
    void msgError(const QString& text) override;
    void msgStatus(const QString&) override {}
    void msgClear() override {}
    // Dialogs
    Button okCancel(const QString& title, const QString& text, Icon icon) override;
    Button yesNo(const QString&, const QString&) override { return Button::No; }
    int choice(const QString&, const QString&, const QStringList& buttons) override {
        return static_cast<int>(buttons.size() - 1);
    }
    QString openFile(const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, Existing) override { return {}; }
    QString saveFileOfType(const QString&, const QString&, int*) override { return {}; }

    CliOutput& m_out;
    std::unique_ptr<SimulatedUnit> m_simulated;
    QtSerialPort* m_port = nullptr;  // owned by the link
    std::unique_ptr<DeviceLink> m_link;
    TextDataView m_log;
    std::unique_ptr<EepromProgrammer> m_programmer;
    EepromProgrammer::ImageByte m_image;
    QString m_label;
    QString m_version;
    QString m_progressLabel;
};
