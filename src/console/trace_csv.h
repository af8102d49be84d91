#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QElapsedTimer>

// The rows of the CSV trace log, the same for the window's log and orvexctl: every line received
// becomes one row stamped with its local time (ISO 8601 with milliseconds); a trace line gives its
// four fields in decimal, any other text goes to the note column, as does a mark. Only ASCII is
// written and numbers never depend on the locale, so a spreadsheet opens the file as it is.
class TraceCsv {
  public:
    static inline const QByteArray kHeader = "time,ipx,field2,field3,field4,note\r\n";
    // A "line" that long without a line end (binary output, noise) is written out as it stands.
    static constexpr qsizetype kMaxLine = 1024;

    // The rows of the lines that `bytes` completes, stamped `at`. A line ends at a line feed or a
    // carriage return (so CR LF, LF and CR alike); empty lines give no row; the start of a line
    // waits for the rest to arrive.
    QByteArray take(QByteArrayView bytes, const QDateTime& at);
    // The unfinished line, if any, as a row: at the end of a log nothing received is lost.
    QByteArray finish(const QDateTime& at);
    // "mark 1", "mark 2", ... counted from the start of this log.
    QByteArray mark(const QDateTime& at);
    int marks() const { return m_marks; }

  private:
    static QByteArray stamp(const QDateTime& at);
    static QByteArray row(QByteArrayView line, const QByteArray& stamp);

    QByteArray m_pending;
    int m_marks = 0;
};

// Local time for the log's rows that never runs backwards: the clock at the start of the log moved
// on by a steady clock, so the rows keep their order if the system clock is set meanwhile.
class LogClock {
  public:
    LogClock() : m_start(QDateTime::currentDateTime()) { m_elapsed.start(); }
    QDateTime now() const { return m_start.addMSecs(m_elapsed.elapsed()); }

  private:
    QDateTime m_start;
    QElapsedTimer m_elapsed;
};
