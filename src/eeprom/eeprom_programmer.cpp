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

bool EepromProgrammer::ProgEElocation(int addr) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (m_link.aborted()) {
            return true;
        }
        eeAddr = hex4(addr);
        EEdata = hex2(m_imageByte(addr));
        const QString command = UnitCommand::eepromWrite(addr, m_imageByte(addr));
        m_link.send(command);
        EEresponse = m_link.getParameter();
        // Exact text: a lower-case echo is not a confirmation.
        if (EEresponse == eeAddr && !isLateEepromAnswer(m_link.lastReply(), command)) {
            return true;
        }
        m_status.msgError(QStringLiteral("re-programmed address ") + eeAddr + QLatin1Char('.'));
    }
    return false;
}

bool EepromProgrammer::verifyEElocation(int addr) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (m_link.aborted()) {
            return true;
        }
        eeAddr = hex4(addr);
        EEdata = hex4(m_imageByte(addr));
        const QString command = UnitCommand::eepromRead(addr);
        m_link.send(command);
        EEresponse = m_link.getParameter();
        // A late answer to another read says nothing about this address, even when it happens
        // to hold the same byte.
        if (EEresponse == EEdata && !isLateEepromAnswer(m_link.lastReply(), command)) {
            return true;
        }
        m_status.msgError(QStringLiteral("re-verified address ") + eeAddr + QLatin1Char('.'));
    }
    return false;
}

bool EepromProgrammer::ProgramEE(int start, int length) {
    const int last = start + length - 1;
    const int total = 2 * length;
    m_failed.clear();
    m_log.setText(std::exchange(m_logHead, {}) + QStringLiteral("EEPROM programming Address=Data") +
                  kCrLf);
    m_status.msg(QStringLiteral("Programing ") + hex4(start) + QStringLiteral(" to ") + hex4(last) +
                 QStringLiteral(" ..."));
    reportProgress(0, total);

    for (int addr = start; addr <= last; ++addr) {
        if (m_link.aborted()) {
            return false;
        }
        if (ProgEElocation(addr)) {
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

    if (m_link.aborted()) {
        return false;  // aborted during the last location's attempts
    }
    m_log.appendText(QStringLiteral("EEPROM verifying data") + kCrLf);
    m_status.msg(QStringLiteral("Verifying data ..."));

    for (int addr = start; addr <= last; ++addr) {
        if (m_link.aborted()) {
            return false;
        }
        if (verifyEElocation(addr)) {
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
    return !m_link.aborted();
}

EepromProgrammer::Read EepromProgrammer::readTable(int start, int length) {
    Read read;
    for (int addr = start; addr < start + length; ++addr) {
        const QString command = UnitCommand::eepromRead(addr);
        int byte = -1;
        for (int attempt = 0; attempt < kAttempts && byte < 0; ++attempt) {
            if (m_link.aborted()) {
                read.aborted = true;
                return read;
            }
            m_link.send(command);
            const QString reply = m_link.getParameter();
            // Four digits of a byte, as the read-back expects them (00 and two more).
            const int value = reply.size() == 4 ? hexVal(reply) : -1;
            if (value >= 0 && value <= 0xFF && !isLateEepromAnswer(m_link.lastReply(), command)) {
                byte = value;
            } else {
                m_status.msgError(QStringLiteral("re-read address ") + hex4(addr) +
                                  QLatin1Char('.'));
            }
        }
        if (byte < 0) {
            read.failedAddress = addr;
            return read;
        }
        read.bytes.append(static_cast<char>(byte));
        reportProgress(addr - start + 1, length);
    }
    read.aborted = m_link.aborted();
    return read;
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
