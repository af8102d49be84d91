#include "app/port_selector.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QSignalBlocker>

#include "app/widgets.h"
#include "common/status_line.h"
#include "link/device_link.h"

namespace {
constexpr int kDeviceRole = Qt::UserRole;
}

PortSelector::PortSelector(QComboBox* cboPort, ShapeWidget* shpPort, DeviceLink& link,
                           StatusLine& status, PortProber& prober, doctor::SystemView& system,
                           Sources sources, QObject* parent)
    : QObject(parent),
      m_combo(cboPort),
      m_shape(shpPort),
      m_link(link),
      m_status(status),
      m_prober(prober),
      m_system(system),
      m_doctor(system),
      m_sources(std::move(sources)) {
    connect(m_combo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            cboPort_Click();
        }
    });
    connect(&m_link, &DeviceLink::connectionLost, this, &PortSelector::onConnectionLost);
    connect(&m_link, &DeviceLink::openFailed, this, [this](const QString& name) {
        if (!m_quietFailure) {
            explain(name, m_link.portMap().value(comNumber(name)), {});
        }
    });
    m_combo->installEventFilter(this);
    m_clock.start();
    m_watch.setInterval(kWatchMs);
    connect(&m_watch, &QTimer::timeout, this, &PortSelector::watchAdapters);
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
        }
    }
    return QObject::eventFilter(watched, event);
}

void PortSelector::setNeutral() {
    m_shape->setFillColor(ShapeWidget::neutralColor());
}

PortMap PortSelector::currentMap() {
    return buildPortMap(m_sources.commandLine,
                        m_sources.settings ? m_sources.settings() : PortMap(), m_prober.discover());
}

void PortSelector::cboPort_GotFocus() {
    m_rebuilding = true;
    {
        const QSignalBlocker block(m_combo);
        m_combo->clear();
    }
    if (m_link.isOpen()) {
        m_link.closePort();
    }
    setNeutral();
    m_lost = false;
    m_returning.forget();  // the user looks for ports anew
    const QString saved = m_sources.savedPort ? m_sources.savedPort() : QString();
    // The port the user expects: the one in use, else the one saved; gone, the doctor says so.
    const QString expected = m_link.portName().isEmpty() ? saved : m_link.portName();
    QString expectedDevice = m_link.portMap().value(comNumber(expected));
    const PortMap map = currentMap();
    m_link.setPortMap(map);
    m_seen.clear();

    for (int i = kFirstComPort; i <= kLastComPort; ++i) {
        const QString name = comName(i);
        const QString device = map.value(i);
        if (device.isEmpty()) {
            continue;
        }
        if (name == expected) {
            expectedDevice = device;
        }
        if (m_system.node(device)) {
            m_seen.insert(device);
            if (const QString serial = m_doctor.serialOf(device); !serial.isEmpty()) {
                m_serials[device] = serial;
            }
        }
        const ProbeResult probe = m_prober.probe(device);
        if (probe == ProbeResult::NoPermission || probe == ProbeResult::Busy) {
            explain(name, device, {.probe = probe});
        }
        if (probe != ProbeResult::Available) {
            continue;
        }
        {
            // Adding to an empty list would select the entry by itself, and so open it.
            const QSignalBlocker block(m_combo);
            addEntry(name, device);
            if (m_combo->count() == 1) {
                m_combo->setCurrentIndex(-1);
            }
        }
        if (!saved.isEmpty() && name == saved) {
            m_combo->setCurrentIndex(m_combo->count() - 1);
        }
    }
    if (!expectedDevice.isEmpty() && !m_system.node(expectedDevice)) {
        explain(expected, expectedDevice, {.lastSerial = m_serials.value(expectedDevice)});
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
    m_rebuilding = false;
    showNotes();
    m_watch.start();
}

void PortSelector::cboPort_Click() {
    setNeutral();
    m_returning.forget();  // the user's choice replaces the port awaited
    m_link.setPortName(m_combo->currentText());
    if (!m_link.portName().isEmpty()) {
        open(m_link.portName());
    }
    showNotes();
}

bool PortSelector::open(const QString& name) {
    const QString device = m_link.portMap().value(comNumber(name));
    if (!m_link.OpenPort(name)) {
        return false;
    }
    if (const QString serial = m_doctor.serialOf(device); !serial.isEmpty()) {
        m_serials[device] = serial;  // to know the adapter again should it go away
    }
    m_shape->setFillColor(m_link.bTimedOut() ? QColor(255, 0, 0) : QColor(0, 240, 0));
    if (m_link.bTimedOut()) {
        explain(name, device, {.openHere = true, .noUnit = true});
    }
    return true;
}

void PortSelector::addEntry(const QString& name, const QString& device) {
    m_combo->addItem(name, device);
    m_combo->setItemData(m_combo->count() - 1, m_doctor.describe(device).join(u'\n'),
                         Qt::ToolTipRole);
}

void PortSelector::explain(const QString& name, const QString& device, const doctor::Known& known) {
    m_notes << m_doctor.check(name, device, known).lines();
    showNotes();
}

void PortSelector::showNotes() {
    if (!m_holdNotes && !m_rebuilding && !m_notes.isEmpty()) {
        Q_EMIT notesReady(std::exchange(m_notes, {}));
    }
}

QStringList PortSelector::takeNotes() {
    m_holdNotes = false;
    return std::exchange(m_notes, {});
}

void PortSelector::onConnectionLost() {
    m_lost = true;
    setNeutral();
    const QString name = m_link.portName();
    const QString device = m_link.portMap().value(comNumber(name));
    m_returning.lost(name, device, m_serials.value(device), m_clock.elapsed());
    m_returnTried = false;
}

void PortSelector::watchAdapters() {
    if (m_link.isOpen() || m_combo->view()->isVisible() || (m_busy && m_busy())) {
        return;
    }
    PortMap map = currentMap();
    QSet<QString> present;
    QList<doctor::ReturningAdapter::Present> adapters;
    for (const QString& device : std::as_const(map)) {
        if (m_system.node(device)) {
            present.insert(device);
            // Reading an adapter's USB description walks the system's device tree: every
            // second, only while a lost adapter is awaited.
            if (m_returning.awaited()) {
                adapters.append({device, m_doctor.serialOf(device)});
            }
        }
    }
    const QString back = m_returning.find(adapters, m_clock.elapsed());
    if (present == m_seen && back.isEmpty()) {
        return;
    }
    // Listed: what was listed and is still there, and what was plugged in since. None is opened
    // to look, so a port another program holds may show until the list is rebuilt.
    QSet<QString> listed = present - m_seen;
    for (int i = 0; i < m_combo->count(); ++i) {
        listed.insert(m_combo->itemData(i, kDeviceRole).toString());
    }
    m_seen = present;
    if (!back.isEmpty()) {
        // The adapter keeps its COM name wherever the system put it now.
        map.remove(map.key(back));
        map.insert(comNumber(m_returning.name()), back);
        listed.insert(back);
        m_link.setPortName(m_returning.name());
    }
    m_link.setPortMap(map);
    {
        const QSignalBlocker block(m_combo);
        m_combo->clear();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (listed.contains(it.value()) && present.contains(it.value())) {
                addEntry(comName(it.key()), it.value());
            }
        }
        m_combo->setCurrentIndex(m_combo->findText(m_link.portName()));
    }
    if (back.isEmpty()) {
        return;
    }
    // Greeted as at start-up; what was under way when it went stays ended.
    m_quietFailure = m_returnTried;
    const bool reopened = open(m_link.portName());
    m_quietFailure = false;
    m_returnTried = true;
    if (reopened) {
        m_returning.forget();
        m_status.msgStatus(QStringLiteral("Reconnected to ") + m_link.portName());
    }
    showNotes();
}
