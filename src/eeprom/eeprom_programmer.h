#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class DataView;
class Dialogs;
class StatusLine;

// What one EEPROM exchange needs from the window: the stop request, a way to send a command
// (shown on the way out) and the parameter of the unit's reply.
class EepromLink {
  public:
    virtual ~EepromLink() = default;
    virtual bool aborted() const = 0;
    virtual void send(const QString& command) = 0;
    virtual QString getParameter() = 0;
    // The whole text of the last reply, when the link keeps it.
    virtual QString lastReply() const { return {}; }
    // Whether the last reply wait gave up.
    virtual bool timedOut() const { return false; }
    // Why the line must fall quiet before the next command.
    enum class Quiet { BeforeRun, AfterRetry, AfterTimeout };
    // Drops whatever the unit is still sending until the line has been quiet for
    // quietTicks(why); false when it never fell quiet.
    virtual bool drain(Quiet why) {
        Q_UNUSED(why);
        return true;
    }
};

// How far a run that did not end well got, as the window and orvexctl both say it: "10 of 130
// locations written, 0 verified", or once every location was written "all 130 locations written,
// 37 verified".
QString runReached(int written, int verified, int length);
// Where the unit's table from before the run is kept: "Its table before: PATH", or "No backup
// was made." when `backup` is empty.
QString backupKept(const QString& backup);

// Ticks of silence that say nothing more is coming. At 19200 baud a byte takes half a
// millisecond and what the unit had queued goes out back to back, so a tick or two is plenty
// after a wrong answer; before a run one more, for a trace line due on the unit's usual
// 100 ms interval; after a wait gave up, longer, as the answer nobody awaited may still come.
constexpr int quietTicks(EepromLink::Quiet why) {
    switch (why) {
        case EepromLink::Quiet::BeforeRun:
            return 3;
        case EepromLink::Quiet::AfterRetry:
            return 2;
        case EepromLink::Quiet::AfterTimeout:
            return 6;
    }
    return 6;
}

// Writes a range of the EEPROM image into the unit one byte per command, then reads every byte
// back. Every location gets up to five attempts; a location that still fails is put to the user
// (OK skips it, Cancel ends the run). A reply belongs to its command or to nobody: the line is
// drained before a run and after any attempt that failed, and a reply that names another
// command or is a trace line is not taken.
class EepromProgrammer {
  public:
    static constexpr int kAttempts = 5;

    using ImageByte = std::function<quint8(int address)>;
    // Called after each location of either pass: `done` of `total` (both passes together).
    using Progress = std::function<void(int done, int total)>;

    EepromProgrammer(EepromLink& link, StatusLine& status, DataView& log, Dialogs& dialogs,
                     ImageByte imageByte);

    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // True when the unit confirmed the write (or an abort is pending: nothing more is sent).
    bool ProgEElocation(int addr);
    // True when the byte read back matches the image (or an abort is pending).
    bool verifyEElocation(int addr);
    // Programs, then verifies, start .. start + length - 1. False after a Cancel or when an abort
    // was seen anywhere; True when both passes went through every address, skipped ones included.
    bool ProgramEE(int start, int length);

    // Reads `length` bytes from `start`, each taken only when two reads of it agree, within
    // five reads a location: what is kept (a backup, a table read) must not hold one wrong digit.
    // `failedAddress` is the location that could not be read, -1 when all were; `aborted` when
    // the stop request came first (or the line never fell quiet).
    struct Read {
        QByteArray bytes;
        int failedAddress = -1;
        bool aborted = false;
        bool ok() const { return failedAddress < 0 && !aborted; }
    };
    Read readTable(int start, int length);
    // The log's first lines before the programming heading (the backup's note).
    void setLogHead(const QString& head) { m_logHead = head; }

    // Distinct addresses the user skipped with OK in the last run, in either pass.
    int failedLocations() const { return static_cast<int>(m_failed.size()); }
    QList<int> failedAddresses() const;
    // Locations of the last run the unit confirmed writing, and read back right (none after a
    // read).
    int written() const { return m_written; }
    int verified() const { return m_verified; }
    // The unit kept sending when the line had to fall quiet: the last run or read stopped.
    bool lineNoisy() const { return m_noisy; }

    // The last exchange: address (four digits), expected data, the reply's parameter.
    QString eeAddr;
    QString EEdata;
    QString EEresponse;

  private:
    enum class Exchange { Accepted, Refused, Aborted };
    // Sends `command` until `accept` takes the reply's parameter, at most kAttempts times,
    // saying `retried` before each retry; `*parameter` keeps the last parameter received.
    Exchange exchange(const QString& command, const std::function<bool(const QString&)>& accept,
                      const QString& retried, QString* parameter);
    void reportProgress(int done, int total);
    // The line drained; false (and the run stops as an abort does) when it never fell quiet.
    bool settle(EepromLink::Quiet why);
    // After an attempt that failed: longer when its wait gave up.
    bool settleAfterFailure() {
        return settle(m_link.timedOut() ? EepromLink::Quiet::AfterTimeout
                                        : EepromLink::Quiet::AfterRetry);
    }
    bool stopped() const { return m_link.aborted() || m_noisy; }
    // One byte read until two reads agree; nothing when they never did or the run stopped.
    std::optional<quint8> steadyByte(int addr);

    EepromLink& m_link;
    StatusLine& m_status;
    DataView& m_log;
    Dialogs& m_dialogs;
    ImageByte m_imageByte;
    Progress m_progress;
    QSet<int> m_failed;
    QString m_logHead;
    int m_written = 0;
    int m_verified = 0;
    bool m_lastAccepted = false;  // the last exchange was answered as expected
    bool m_noisy = false;
};
