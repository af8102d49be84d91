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
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (m_link.aborted()) {
            return Exchange::Aborted;
        }
        m_link.send(command);
        *parameter = m_link.getParameter();
        // A late answer to another address says nothing about this one, even when it happens to
        // hold the text expected here.
        if (accept(*parameter) && !isLateEepromAnswer(m_link.lastReply(), command)) {
            return Exchange::Accepted;
        }
        m_status.msgError(retried);
    }
    return Exchange::Refused;
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
    // Four digits of a byte, as the read-back expects them (00 and two more).
    const auto isByte = [](const QString& p) {
        const int value = p.size() == 4 ? hexVal(p) : -1;
        return value >= 0 && value <= 0xFF;
    };
    for (int addr = start; addr < start + length; ++addr) {
        QString reply;
        const Exchange got =
            exchange(UnitCommand::eepromRead(addr), isByte,
                     QStringLiteral("re-read address ") + hex4(addr) + QLatin1Char('.'), &reply);
        if (got == Exchange::Aborted) {
            read.aborted = true;
            return read;
        }
        if (got == Exchange::Refused) {
            read.failedAddress = addr;
            return read;
        }
        read.bytes.append(static_cast<char>(hexVal(reply)));
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
