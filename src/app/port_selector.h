#pragma once

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "doctor/port_doctor.h"
#include "doctor/returning_adapter.h"
#include "link/port_map.h"

class QComboBox;
class DeviceLink;
class ShapeWidget;
class StatusLine;

// The port list cboPort and its indicator shpPort: which COM names exist and are free, opening
// the chosen one, and following adapters that are plugged in and out. Why a port cannot be
// opened, or shows no unit, the doctor says in notes for the data area.
class PortSelector : public QObject {
    Q_OBJECT
  public:
    struct Sources {
        PortMap commandLine;                 // --port-map entries
        std::function<PortMap()> settings;   // the Ports group
        std::function<QString()> savedPort;  // the "port" setting
    };
    static constexpr int kWatchMs = 1000;

    PortSelector(QComboBox* cboPort, ShapeWidget* shpPort, DeviceLink& link, StatusLine& status,
                 PortProber& prober, doctor::SystemView& system, Sources sources,
                 QObject* parent = nullptr);

    void cboPort_GotFocus();
    void cboPort_Click();

    // While this says a run is under way, the adapters are not looked at.
    void setBusy(std::function<bool()> busy) { m_busy = std::move(busy); }
    // Looks at the adapters present, opening none: the list follows them, and the port lost while
    // in use is opened again when its adapter comes back within a minute. Runs every second
    // while no port is open.
    void watchAdapters();

    // The doctor's notes not shown yet; from here on, new ones are shown as they come.
    QStringList takeNotes();
    doctor::PortDoctor& doctor() { return m_doctor; }

  Q_SIGNALS:
    void notesReady(const QStringList& lines);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setNeutral();
    PortMap currentMap();
    // Opens and greets; the doctor explains a port that fails or shows no unit.
    bool open(const QString& name);
    void explain(const QString& name, const QString& device, const doctor::Known& known);
    void showNotes();
    void addEntry(const QString& name, const QString& device);
    void onConnectionLost();

    QComboBox* m_combo;
    ShapeWidget* m_shape;
    DeviceLink& m_link;
    StatusLine& m_status;
    PortProber& m_prober;
    doctor::SystemView& m_system;
    doctor::PortDoctor m_doctor;
    Sources m_sources;
    std::function<bool()> m_busy;
    QStringList m_notes;
    bool m_holdNotes = true;  // until start-up takes them
    bool m_rebuilding = false;
    bool m_lost = false;               // the port was lost during this rebuild
    QMap<QString, QString> m_serials;  // device -> its adapter's serial number, as last seen
    QSet<QString> m_seen;              // the devices present at the last look
    doctor::ReturningAdapter m_returning;
    bool m_returnTried = false;  // a reopen failed once; later tries fail quietly
    bool m_quietFailure = false;
    QElapsedTimer m_clock;
    QTimer m_watch;
};
