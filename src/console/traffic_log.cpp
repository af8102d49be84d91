#include "console/traffic_log.h"

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>

#include "link/device_link.h"

TrafficLog::TrafficLog(const PageContext& context, QCheckBox* box, QLabel* size, QObject* parent)
    : QObject(parent), m_context(context), m_box(box), m_size(size) {
    connect(m_box, &QCheckBox::toggled, this, &TrafficLog::chkLogFile_Click);
    connect(&m_context.link, &DeviceLink::received, this, &TrafficLog::append);
    connect(&m_context.link, &DeviceLink::portClosed, this, &TrafficLog::stop);
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
}

void TrafficLog::append(const QByteArray& bytes) {
    if (!m_file.isOpen()) {
        return;
    }
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        m_context.status.msgError(QStringLiteral("Log file error: ") + m_file.errorString());
        stop();
        return;
    }
    m_written += bytes.size();
    showSize();
}

void TrafficLog::stop() {
    m_file.close();
    const QSignalBlocker block(m_box);
    m_box->setChecked(false);
}

void TrafficLog::showSize() {
    m_size->setText(QLocale().formattedDataSize(m_written, 1));
}
