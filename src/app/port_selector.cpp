#include "app/port_selector.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QSignalBlocker>

#include "app/widgets.h"
#include "common/status_line.h"
#include "link/device_link.h"

PortSelector::PortSelector(QComboBox* cboPort, ShapeWidget* shpPort, DeviceLink& link,
                           StatusLine& status, PortProber& prober, Sources sources, QObject* parent)
    : QObject(parent),
      m_combo(cboPort),
      m_shape(shpPort),
      m_link(link),
      m_status(status),
      m_prober(prober),
      m_sources(std::move(sources)) {
    connect(m_combo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            cboPort_Click();
        }
    });
    connect(&m_link, &DeviceLink::connectionLost, this, [this] {
        m_lost = true;
        setNeutral();
    });
    m_combo->installEventFilter(this);
}

bool PortSelector::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_combo) {
        return QObject::eventFilter(watched, event);
    }
    // A wheel turned over the closed list (scrolling past it) would open the next port and greet
    // whatever is there.
    if (event->type() == QEvent::Wheel && !m_combo->view()->isVisible()) {
        return true;
    }
    if (event->type() == QEvent::FocusIn) {
        // Only the user entering the list (a click, Tab) rebuilds it and so closes the port. The
        // focus given back by a page switch, a closing drop-down or the window's activation is
        // not the user's choice.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
            reason == Qt::BacktabFocusReason) {
            cboPort_GotFocus();
            if (!m_notes.isEmpty()) {
                Q_EMIT notesReady(m_notes);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void PortSelector::setNeutral() {
    m_shape->setFillColor(ShapeWidget::neutralColor());
}

void PortSelector::cboPort_GotFocus() {
    {
        const QSignalBlocker block(m_combo);
        m_combo->clear();
    }
    if (m_link.isOpen()) {
        m_link.closePort();
    }
    setNeutral();
    m_lost = false;
    const QString saved = m_sources.savedPort ? m_sources.savedPort() : QString();
    const PortMap map =
        buildPortMap(m_sources.commandLine, m_sources.settings ? m_sources.settings() : PortMap(),
                     m_prober.discover());
    m_link.setPortMap(map);
    m_notes.clear();

    for (int i = kFirstComPort; i <= kLastComPort; ++i) {
        const QString name = comName(i);
        const QString device = map.value(i);
        if (device.isEmpty()) {
            continue;
        }
        const ProbeResult probe = m_prober.probe(device);
        if (probe == ProbeResult::NoPermission) {
            m_notes.append(QStringLiteral("%1 (%2) cannot be opened: permission denied. Add your "
                                          "user to the 'dialout' group (or the group that owns "
                                          "the device) and log in again.")
                               .arg(device, name));
        }
        if (probe != ProbeResult::Available) {
            continue;
        }
        {
            // Adding to an empty list would select the entry by itself, and so open it.
            const QSignalBlocker block(m_combo);
            m_combo->addItem(name);
            m_combo->setItemData(m_combo->count() - 1, device, Qt::ToolTipRole);
            if (m_combo->count() == 1) {
                m_combo->setCurrentIndex(-1);
            }
        }
        if (!saved.isEmpty() && name == saved) {
            m_combo->setCurrentIndex(m_combo->count() - 1);
        }
    }

    if (m_combo->count() == 0) {
        m_status.msgError(QStringLiteral("No COM port available"));
    } else if (m_combo->count() == 1 && !m_lost) {
        // (A port lost while it was being opened keeps its message on the status line.)
        m_status.msgStatus(QStringLiteral("Only ") + m_combo->itemText(0) +
                           QStringLiteral(" available"));
        if (m_combo->currentIndex() != 0) {
            m_combo->setCurrentIndex(0);
        }
    }
}

void PortSelector::cboPort_Click() {
    setNeutral();
    m_link.setPortName(m_combo->currentText());
    if (m_link.portName().isEmpty()) {
        return;
    }
    if (m_link.OpenPort(m_link.portName())) {
        m_shape->setFillColor(m_link.bTimedOut() ? QColor(255, 0, 0) : QColor(0, 240, 0));
    }
}
