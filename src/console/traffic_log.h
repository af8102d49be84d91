#pragma once

#include <QFile>
#include <QObject>

#include "common/page_context.h"

class QCheckBox;
class QLabel;

// "Log to file ...": everything received goes to a file as it arrives, bytes unchanged and whole
// (the data area's cut does not reach it), until the box is cleared or the port closes. A write
// that fails clears the box and says why; the display is never held up by the file.
class TrafficLog : public QObject {
    Q_OBJECT
  public:
    static inline const QString kFilter =
        QStringLiteral("Log files (*.LOG)|*.LOG|Text Files (*.TXT)|*.TXT|All files (*.*)|*.*");

    TrafficLog(const PageContext& context, QCheckBox* box, QLabel* size, QObject* parent = nullptr);

    void chkLogFile_Click(bool checked);

  private:
    void append(const QByteArray& bytes);
    void stop();
    void showSize();

    PageContext m_context;
    QCheckBox* m_box;
    QLabel* m_size;
    QFile m_file;
    qint64 m_written = 0;
};
