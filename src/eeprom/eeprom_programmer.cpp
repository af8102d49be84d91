#include "eeprom/eeprom_programmer.h"

#include "common/data_view.h"
#include "common/dialogs.h"
#include "common/status_line.h"
#include "link/hex_text.h"
#include "link/reply_text.h"
#include "link/unit_commands.h"

#include <algorithm>
#include <utility>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

EepromProgrammer::EepromProgrammer(EepromLink& link, StatusLine& status, DataView& log,
                                   Dialogs& dialogs, ImageByte imageByte)
    : m_link(link),
      m_status(status),
      m_log(log),
      m_dialogs(dialogs),
      m_imageByte(std::move(imageByte)) {}

EepromProgrammer::Exchange EepromProgrammer::exchange(
    const QString& command, const std::function<bool(const QString&)>& accept,
    const QString& retried, QString* parameter) {
    m_lastAccepted = false;
    bool waitGaveUp = false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (stopped()) {
            return Exchange::Aborted;
        }
        m_link.send(command);
        *parameter = m_link.getParameter();
        // A late answer to another address, or a trace line, says nothing about this one, even
        // when it happens to hold the text expected here.
        if (accept(*parameter) && !isForeignReply(m_link.lastReply(), command)) {
            // This may have been the late answer to an earlier attempt, with its own to follow.
            if (waitGaveUp && !settle(EepromLink::Quiet::AfterRetry)) {
                return Exchange::Aborted;
            }
            m_lastAccepted = true;
            return Exchange::Accepted;
        }
        m_status.msgError(retried);
        waitGaveUp = waitGaveUp || m_link.timedOut();
        if (!settleAfterFailure()) {
            return Exchange::Aborted;
        }
    }
    return Exchange::Refused;
}

bool EepromProgrammer::settle(EepromLink::Quiet why) {
    if (m_link.drain(why)) {
        return true;
    }
    if (!m_link.aborted()) {
        m_noisy = true;
        m_status.msgError(QStringLiteral("The unit does not stop sending"));
    }
    return false;
}

bool EepromProgrammer::ProgEElocation(int addr) {
    eeAddr = hex4(addr);
    EEdata = hex2(m_imageByte(addr));
    // Exact text: a lower-case echo is not a confirmation.
    return exchange(
               UnitCommand::eepromWrite(addr, m_imageByte(addr)),
               [this](const QString& p) { return p == eeAddr; },
               QStringLiteral("re-programmed address ") + eeAddr + QLatin1Char('.'),
               &EEresponse) != Exchange::Refused;
}

bool EepromProgrammer::verifyEElocation(int addr) {
    eeAddr = hex4(addr);
    EEdata = hex4(m_imageByte(addr));
    return exchange(
               UnitCommand::eepromRead(addr), [this](const QString& p) { return p == EEdata; },
               QStringLiteral("re-verified address ") + eeAddr + QLatin1Char('.'),
               &EEresponse) != Exchange::Refused;
}

bool EepromProgrammer::ProgramEE(int start, int length) {
    const int last = start + length - 1;
    const int total = 2 * length;
    m_failed.clear();
    m_written = m_verified = 0;
    m_noisy = false;
    m_log.setText(std::exchange(m_logHead, {}) + QStringLiteral("EEPROM programming Address=Data") +
                  kCrLf);
    m_status.msg(QStringLiteral("Programing ") + hex4(start) + QStringLiteral(" to ") + hex4(last) +
                 QStringLiteral(" ..."));
    reportProgress(0, total);
    // Nothing still on its way from before may pass for the first reply.
    if (!settle(EepromLink::Quiet::BeforeRun)) {
        return false;
    }

    for (int addr = start; addr <= last; ++addr) {
        if (stopped()) {
            return false;
        }
        if (ProgEElocation(addr)) {
            m_written += m_lastAccepted ? 1 : 0;
            m_log.appendText(EEresponse.mid(1) + QLatin1Char('=') + EEdata + QLatin1Char(' '));
        } else {
            const Dialogs::Button answer = m_dialogs.okCancel(
                QStringLiteral("EEPROM Program Error"),
                QStringLiteral("addr = ") + eeAddr + QStringLiteral(", response = ") + EEresponse,
                Dialogs::Icon::Critical);
            if (answer == Dialogs::Button::Cancel) {
                return false;
            }
            m_failed.insert(addr);
        }
        reportProgress(addr - start + 1, total);
    }

    if (stopped()) {
        return false;  // aborted during the last location's attempts
    }
    m_log.appendText(QStringLiteral("EEPROM verifying data") + kCrLf);
    m_status.msg(QStringLiteral("Verifying data ..."));

    for (int addr = start; addr <= last; ++addr) {
        if (stopped()) {
            return false;
        }
        if (verifyEElocation(addr)) {
            m_verified += m_lastAccepted ? 1 : 0;
            m_log.appendText(EEresponse.mid(2) + QLatin1Char(' '));
        } else {
            const Dialogs::Button answer = m_dialogs.okCancel(
                QStringLiteral("EEPROM Verify Error"),
                QStringLiteral("addr = ") + eeAddr + QStringLiteral(", wrote = ") + EEdata +
                    QStringLiteral(", read = ") + EEresponse,
                Dialogs::Icon::Exclamation);
            if (answer == Dialogs::Button::Cancel) {
                return false;
            }
            m_failed.insert(addr);
        }
        reportProgress(length + addr - start + 1, total);
    }
    // An abort during the last location's attempts lets that location return at once: the run
    // was still aborted, whatever the pass loop saw.
    return !stopped();
}

EepromProgrammer::Read EepromProgrammer::readTable(int start, int length) {
    Read read;
    m_noisy = false;
    m_written = m_verified = 0;  // a read writes nothing
    if (!settle(EepromLink::Quiet::BeforeRun)) {
        read.aborted = true;
        return read;
    }
    for (int addr = start; addr < start + length; ++addr) {
        const std::optional<quint8> byte = steadyByte(addr);
        if (stopped()) {
            read.aborted = true;
            return read;
        }
        if (!byte) {
            read.failedAddress = addr;
            return read;
        }
        read.bytes.append(static_cast<char>(*byte));
        reportProgress(addr - start + 1, length);
    }
    return read;
}

std::optional<quint8> EepromProgrammer::steadyByte(int addr) {
    const QString command = UnitCommand::eepromRead(addr);
    QList<int> seen;  // the bytes read so far; the first one seen twice is taken
    bool waitGaveUp = false;
    for (int attempt = 0; attempt < kAttempts && !stopped(); ++attempt) {
        m_link.send(command);
        const QString parameter = m_link.getParameter();
        // Four digits of a byte, as the read-back expects them (00 and two more).
        const int value = parameter.size() == 4 ? hexVal(parameter) : -1;
        const bool isByte =
            value >= 0 && value <= 0xFF && !isForeignReply(m_link.lastReply(), command);
        if (isByte && seen.contains(value)) {
            // This may have been the late answer to an earlier read, with its own to follow.
            if (waitGaveUp && !settle(EepromLink::Quiet::AfterRetry)) {
                return std::nullopt;
            }
            return static_cast<quint8>(value);
        }
        if (isByte) {
            seen.append(value);
            if (seen.size() == 1) {
                continue;  // every byte is read twice; only a disagreement is a retry
            }
        }
        waitGaveUp = waitGaveUp || m_link.timedOut();
        m_status.msgError(QStringLiteral("re-read address ") + hex4(addr) + QLatin1Char('.'));
        if (!settleAfterFailure()) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

QString runReached(int written, int verified, int length) {
    const QString done = written == length ? QStringLiteral("all %1").arg(length)
                                           : QStringLiteral("%1 of %2").arg(written).arg(length);
    return done + QStringLiteral(" locations written, %1 verified").arg(verified);
}

QString backupKept(const QString& backup) {
    return backup.isEmpty() ? QStringLiteral("No backup was made.")
                            : QStringLiteral("Its table before: ") + backup;
}

QList<int> EepromProgrammer::failedAddresses() const {
    QList<int> addresses(m_failed.begin(), m_failed.end());
    std::sort(addresses.begin(), addresses.end());
    return addresses;
}

void EepromProgrammer::reportProgress(int done, int total) {
    if (m_progress) {
        m_progress(done, total);
    }
}
