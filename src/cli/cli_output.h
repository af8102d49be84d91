#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>

#include <cstdio>

// Where orvexctl's words go. Results go to stdout: text for people, or one compact JSON object
// a line with --json. Progress goes to stderr: one line rewritten in place on a terminal, plain
// lines at every tenth otherwise. Errors always go to stderr; --quiet silences the rest there.
class CliOutput {
  public:
    CliOutput(bool json, bool quiet);

    bool json() const { return m_json; }

    // The result: `object` with --json, `text` (when not empty, with a line end added) otherwise.
    void result(const QJsonObject& object, const QString& text);
    // Raw text for stdout (a table file, a trace line) when not in JSON mode.
    void text(const QString& text);

    void progress(const QString& label, int done, int total);
    void note(const QString& text);   // a line of information or warning
    void error(const QString& text);  // "orvexctl: " and the text

  private:
    void endProgressLine();

    bool m_json;
    bool m_quiet;
    bool m_terminal;
    std::FILE* m_out = stdout;
    std::FILE* m_err = stderr;
    bool m_progressShown = false;
    QString m_lastLabel;
    int m_lastTenth = -1;
    QElapsedTimer m_sinceDrawn;
};
