#include "console/traffic_log.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QShortcut>
#include <QSignalBlocker>

#include "link/device_link.h"

TrafficLog::TrafficLog(const PageContext& context, QCheckBox* box, QLabel* size,
                       QAbstractButton* mark, QObject* parent)
    : QObject(parent), m_context(context), m_box(box), m_size(size), m_mark(mark) {
    connect(m_box, &QCheckBox::toggled, this, &TrafficLog::chkLogFile_Click);
    connect(m_mark, &QAbstractButton::clicked, this, &TrafficLog::btnMark_Click);
    // A mark is wanted where the trace is watched, on any page: the window's own shortcut.
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), m_mark->window());
    connect(shortcut, &QShortcut::activated, this, &TrafficLog::btnMark_Click);
    connect(&m_context.link, &DeviceLink::received, this, &TrafficLog::append);
    connect(&m_context.link, &DeviceLink::portClosed, this, &TrafficLog::stop);
    m_mark->setEnabled(false);
}

void TrafficLog::chkLogFile_Click(bool checked) {
    if (!checked) {
        stop();
        return;
    }
    const QString path =
        m_context.dialogs.saveFile(m_file.fileName(), kFilter, Dialogs::Existing::AppendTo);
    m_file.setFileName(path);
    if (path.isEmpty() || !m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (!path.isEmpty()) {
            m_context.status.msgError(QStringLiteral("Log file error: ") + m_file.errorString());
        }
        stop();
        return;
    }
    m_written = 0;
    showSize();
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        m_csv.emplace();
        m_clock = LogClock();
        // Appended to an earlier log, the header is there already.
        if (m_file.size() == 0) {
            write(TraceCsv::kHeader);
        }
        m_mark->setEnabled(m_file.isOpen());
    }
}

void TrafficLog::btnMark_Click() {
    if (m_csv && m_file.isOpen()) {
        write(m_csv->mark(m_clock.now()));
        m_context.status.msgStatus(
            QStringLiteral("Mark %1 written to the log").arg(m_csv->marks()));
    }
}

void TrafficLog::append(const QByteArray& bytes) {
    if (m_file.isOpen()) {
        write(m_csv ? m_csv->take(bytes, m_clock.now()) : bytes);
    }
}

void TrafficLog::write(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return;
    }
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        m_context.status.msgError(QStringLiteral("Log file error: ") + m_file.errorString());
        m_csv.reset();  // nothing more can be written: no last row
        stop();
        return;
    }
    m_written += bytes.size();
    showSize();
}

void TrafficLog::stop() {
    if (m_csv && m_file.isOpen()) {
        write(m_csv->finish(m_clock.now()));
    }
    m_csv.reset();
    m_file.close();
    m_mark->setEnabled(false);
    const QSignalBlocker block(m_box);
    m_box->setChecked(false);
}

void TrafficLog::showSize() {
    m_size->setText(QLocale().formattedDataSize(m_written, 1));
}
