#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "doctor/system_view.h"

namespace doctor {

enum class Case { Gone, NotAllowed, Held, Service, NoUnit };

// One cause found, each from facts the system gave, and what fixes it.
struct Finding {
    Case what = Case::Gone;
    QString text;
    QStringList fix;  // commands or rule lines, in the order they are needed; may be empty
};

struct PortCheck {
    QString name;             // COM3, or the path asked about
    QString device;           // the path behind it
    QStringList description;  // the device, the adapter, its serial number, its USB id
    std::optional<UsbAdapter> usb;
    bool opens = false;
    QString summary;  // "COM3 (/dev/ttyUSB0) cannot be opened."
    QList<Finding> findings;

    // The words the window's data area shows when a port fails or shows no unit.
    QStringList lines() const;
    // The port as orvexctl doctor and the window's Connection Doctor list it: its name and
    // description, then lines().
    QStringList block() const;
};

// What the caller knows already, so nothing is opened twice.
struct Known {
    std::optional<ProbeResult> probe = {};  // the result of a trial open just made
    bool openHere = false;                  // this program has the port open
    bool noUnit = false;                    // it is open here, and no unit answered
    QString lastSerial = {};                // the adapter's serial number when it was last seen
};

// Why a port does not open, or shows no unit: one finding per cause, and its fix.
class PortDoctor {
  public:
    explicit PortDoctor(SystemView& system) : m_system(system) {}

    PortCheck check(const QString& name, const QString& device, const Known& known = {});
    // The device and what its adapter says about itself, as parts.
    QStringList describe(const QString& device) { return describe(device, m_system.usb(device)); }
    // The adapter's serial number; empty for a device without one.
    QString serialOf(const QString& device);

    static QString caseName(Case what);

  private:
    Finding gone(const QString& device, const QString& lastSerial);
    Finding notAllowed(const QString& device, const DeviceNode& node,
                       const std::optional<UsbAdapter>& usb);
    QList<Finding> held(const QString& device, bool besidesUs);
    QList<Finding> services(const UsbAdapter& usb, const QList<Process>& running);
    QStringList describe(const QString& device, const std::optional<UsbAdapter>& usb);

    SystemView& m_system;
};

}  // namespace doctor
