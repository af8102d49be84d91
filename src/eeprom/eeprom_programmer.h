#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>

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
};

// Writes a range of the EEPROM image into the unit one byte per command, then reads every byte
// back. Every location gets up to five attempts; a location that still fails is put to the user
// (OK skips it, Cancel ends the run).
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

    // Reads `length` bytes from `start` with the read-back's command and judgement, up to five
    // attempts a location. `failedAddress` is the location that could not be read, -1 when all
    // were; `aborted` when the stop request came first.
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

    EepromLink& m_link;
    StatusLine& m_status;
    DataView& m_log;
    Dialogs& m_dialogs;
    ImageByte m_imageByte;
    Progress m_progress;
    QSet<int> m_failed;
    QString m_logHead;
};
