#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

#include "link/port_map.h"

class QComboBox;
class DeviceLink;
class ShapeWidget;
class StatusLine;

// The port list cboPort and its indicator shpPort: which COM names exist and are free, and
// opening the chosen one.
class PortSelector : public QObject {
    Q_OBJECT
  public:
    struct Sources {
        PortMap commandLine;                 // --port-map entries
        std::function<PortMap()> settings;   // the Ports group
        std::function<QString()> savedPort;  // the "port" setting
    };

    PortSelector(QComboBox* cboPort, ShapeWidget* shpPort, DeviceLink& link, StatusLine& status,
                 PortProber& prober, Sources sources, QObject* parent = nullptr);

    void cboPort_GotFocus();
    void cboPort_Click();

    // Devices found but not openable for lack of permission, as advice lines for the data area.
    QStringList permissionNotes() const { return m_notes; }

  Q_SIGNALS:
    // Advice lines are ready (only emitted outside start-up, where the window writes them).
    void notesReady(const QStringList& lines);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setNeutral();

    QComboBox* m_combo;
    ShapeWidget* m_shape;
    DeviceLink& m_link;
    StatusLine& m_status;
    PortProber& m_prober;
    Sources m_sources;
    QStringList m_notes;
    bool m_lost = false;  // the port was lost during this rebuild
};
