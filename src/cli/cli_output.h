#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>

// Where orvexctl's words go. Results go to stdout: text for people, or with --json one compact
// JSON object for the whole run, printed by finish(), whatever the outcome. Progress goes to
// stderr: one line rewritten in place on a terminal, plain lines at every tenth otherwise.
// Errors always go to stderr; --quiet silences the rest there.
class CliOutput {
  public:
    CliOutput(bool json, bool quiet);

    bool json() const { return m_json; }

    // The result: `object`'s keys join the run's JSON object with --json (a later call's win),
    // `text` (when not empty, with a line end added) is printed at once otherwise.
    void result(const QJsonObject& object, const QString& text);
    // Ends the run: with --json prints its one object, with "outcome" (unless a command set its
    // own) named after the exit code, and "error" holding the errors printed on stderr.
    void finish(int exitCode);
    // Raw text for stdout (a table file, a trace line) when not in JSON mode.
    void text(const QString& text);

    void progress(const QString& label, int done, int total);
    void note(const QString& text);   // a line of information or warning
    void error(const QString& text);  // "orvexctl: " and the text

    // --json anywhere on a command line, even one that could not be parsed.
    static bool jsonAsked(const QStringList& arguments);

  private:
    void endProgressLine();

    bool m_json;
    QJsonObject m_result;
    QStringList m_errors;
    bool m_quiet;
    bool m_terminal;
    std::FILE* m_out = stdout;
    std::FILE* m_err = stderr;
    bool m_progressShown = false;
    QString m_lastLabel;
    int m_lastTenth = -1;
    QElapsedTimer m_sinceDrawn;
};
