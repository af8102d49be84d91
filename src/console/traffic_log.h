#pragma once

#include <QFile>
#include <QObject>

#include <optional>

#include "common/page_context.h"
#include "console/trace_csv.h"

class QAbstractButton;
class QCheckBox;
class QLabel;

// "Log to file ...": everything received goes to a file as it arrives, until the box is cleared
// or the port closes. A raw log keeps the bytes unchanged and whole (the data area's cut does not
// reach it); a file named *.csv gets the CSV trace log instead, a row per line, and "Mark" (or
// Ctrl+M anywhere in the window) writes a numbered mark into it. A write that fails clears the
// box and says why; the display is never held up by the file.
class TrafficLog : public QObject {
    Q_OBJECT
  public:
    static inline const QString kFilter = QStringLiteral(
        "Log files (*.LOG)|*.LOG|CSV trace (*.CSV)|*.CSV|Text Files (*.TXT)|*.TXT|All files "
        "(*.*)|*.*");

    TrafficLog(const PageContext& context, QCheckBox* box, QLabel* size, QAbstractButton* mark,
               QObject* parent = nullptr);

    void chkLogFile_Click(bool checked);
    void btnMark_Click();
    // The file chosen last, kept after logging stops; empty when none was.
    QString fileName() const { return m_file.fileName(); }

  private:
    void append(const QByteArray& bytes);
    void write(const QByteArray& bytes);
    void stop();
    void showSize();

    PageContext m_context;
    QCheckBox* m_box;
    QLabel* m_size;
    QAbstractButton* m_mark;
    QFile m_file;
    qint64 m_written = 0;
    std::optional<TraceCsv> m_csv;  // set while the log is a CSV trace log
    LogClock m_clock;
};
