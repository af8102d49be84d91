#include "cli/cli_output.h"

#include <QJsonDocument>
#include <QMap>

#include <unistd.h>

#include "cli/unit_session.h"

CliOutput::CliOutput(bool json, bool quiet)
    : m_json(json), m_quiet(quiet), m_terminal(::isatty(::fileno(stderr)) == 1) {}

void CliOutput::result(const QJsonObject& object, const QString& text) {
    if (m_json) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            m_result.insert(it.key(), it.value());
        }
    } else if (!text.isEmpty()) {
        endProgressLine();
        std::fputs(text.toUtf8().constData(), m_out);
        std::fputc('\n', m_out);
        std::fflush(m_out);
    }
}

void CliOutput::finish(int exitCode) {
    endProgressLine();
    if (!m_json) {
        return;
    }
    static const QMap<int, QString> outcomes{
        {CliExit::kOk, QStringLiteral("ok")},
        {CliExit::kFailed, QStringLiteral("failed")},
        {CliExit::kUsage, QStringLiteral("refused")},
        {CliExit::kNoUnit, QStringLiteral("no unit")},
        {CliExit::kInterrupted, QStringLiteral("interrupted")}};
    if (!m_result.contains(QStringLiteral("outcome"))) {
        m_result.insert(QStringLiteral("outcome"), outcomes.value(exitCode));
    }
    if (!m_errors.isEmpty() && !m_result.contains(QStringLiteral("error"))) {
        m_result.insert(QStringLiteral("error"), m_errors.join(u'\n'));
    }
    std::fputs(QJsonDocument(m_result).toJson(QJsonDocument::Compact).constData(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

bool CliOutput::jsonAsked(const QStringList& arguments) {
    // Options end at "--"; single-dash long options are read as long ones.
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = arguments.mid(1, end < 0 ? -1 : end - 1);
    return options.contains(QStringLiteral("--json")) || options.contains(QStringLiteral("-json"));
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
    m_errors << text;
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
