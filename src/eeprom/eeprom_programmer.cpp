#include "eeprom/eeprom_programmer.h"

#include "common/data_view.h"
#include "common/dialogs.h"
#include "common/status_line.h"
#include "link/hex_text.h"
#include "link/unit_commands.h"

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
        m_link.send(UnitCommand::eepromWrite(addr, m_imageByte(addr)));
        EEresponse = m_link.getParameter();
        // Exact text: a lower-case echo is not a confirmation.
        if (EEresponse == eeAddr) {
            return true;
        }
        m_status.msgError(QStringLiteral("re-programmed address ") + eeAddr + QLatin1Char('.'));
    }
    return false;
}

namespace {

// The unit echoes the command before the parameter. A reply that names another command is a
// late answer to an earlier exchange: its data says nothing about this address, even when it
// happens to hold the same byte.
bool answersOtherCommand(const QString& reply, const QString& command) {
    qsizetype start = 0;
    while (start < reply.size() &&
           (reply[start] == QLatin1Char('\r') || reply[start] == QLatin1Char('\n'))) {
        ++start;
    }
    const qsizetype blank = reply.indexOf(QLatin1Char(' '), start);
    return blank > start && QStringView(reply).sliced(start, blank - start) != command;
}

}  // namespace

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
        if (EEresponse == EEdata && !answersOtherCommand(m_link.lastReply(), command)) {
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
    m_log.setText(QStringLiteral("EEPROM programming Address=Data") + kCrLf);
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
    return true;
}

void EepromProgrammer::reportProgress(int done, int total) {
    if (m_progress) {
        m_progress(done, total);
    }
}
