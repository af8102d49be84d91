#include "cli/cli_output.h"

#include <QJsonDocument>

#include <unistd.h>

CliOutput::CliOutput(bool json, bool quiet)
    : m_json(json), m_quiet(quiet), m_terminal(::isatty(::fileno(stderr)) == 1) {}

void CliOutput::result(const QJsonObject& object, const QString& text) {
    endProgressLine();
    if (m_json) {
        std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), m_out);
        std::fputc('\n', m_out);
    } else if (!text.isEmpty()) {
        std::fputs(text.toUtf8().constData(), m_out);
        std::fputc('\n', m_out);
    }
    std::fflush(m_out);
}

void CliOutput::text(const QString& text) {
    if (!m_json) {
        endProgressLine();
        std::fputs(text.toUtf8().constData(), m_out);
        std::fflush(m_out);
    }
}

void CliOutput::progress(const QString& label, int done, int total) {
    if (m_quiet || total <= 0) {
        return;
    }
    const int tenth = done * 10 / total;
    if (m_terminal) {
        // Redrawing every byte would cost more than the line itself at 19200 baud.
        if (label == m_lastLabel && done < total && m_sinceDrawn.isValid() &&
            m_sinceDrawn.elapsed() < 50) {
            return;
        }
        m_sinceDrawn.start();
        std::fprintf(m_err, "\r\033[K%s %d/%d", qPrintable(label), done, total);
        m_progressShown = true;
    } else if (label != m_lastLabel || tenth != m_lastTenth) {
        std::fprintf(m_err, "%s %d/%d\n", qPrintable(label), done, total);
    }
    m_lastLabel = label;
    m_lastTenth = tenth;
    std::fflush(m_err);
}

void CliOutput::note(const QString& text) {
    if (!m_quiet) {
        endProgressLine();
        std::fprintf(m_err, "%s\n", qPrintable(text));
        std::fflush(m_err);
    }
}

void CliOutput::error(const QString& text) {
    endProgressLine();
    std::fprintf(m_err, "orvexctl: %s\n", qPrintable(text));
    std::fflush(m_err);
}

void CliOutput::endProgressLine() {
    if (m_progressShown) {
        std::fputc('\n', m_err);
        m_progressShown = false;
    }
}
