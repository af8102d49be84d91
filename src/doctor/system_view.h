#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "link/port_map.h"

namespace doctor {

// A device node as the file system shows it, symlinks followed.
struct DeviceNode {
    QString target;  // the node the path leads to (/dev/ttyUSB0 for a by-id link)
    QString owner;
    QString group;
    unsigned mode = 0;  // st_mode: the file type and permission bits
};

// What a USB serial adapter says about itself.
struct UsbAdapter {
    QString manufacturer;
    QString product;
    QString serial;  // empty when the adapter has none
    QString vendorId;
    QString productId;  // four hex digits each, as the kernel writes them
};

struct Process {
    qint64 pid = 0;
    QString name;  // as the kernel names it (/proc/PID/comm)
};

// Everything the doctor asks of the machine, and nothing else: production reads the real system
// (device nodes, the group database, /proc, sysfs), tests make machines up.
class SystemView {
  public:
    virtual ~SystemView() = default;

    virtual std::optional<DeviceNode> node(const QString& device) = 0;  // none: not there
    // The exclusive trial open that the port list makes.
    virtual ProbeResult probe(const QString& device) = 0;
    virtual std::optional<UsbAdapter> usb(const QString& device) = 0;  // none: not USB
    // The serial devices the system lists now.
    virtual QStringList serialDevices() = 0;
    // The processes that have `device` open; `allSeen` is false when some could not be looked
    // into (another user's, without the right to).
    virtual QList<Process> holders(const QString& device, bool* allSeen) = 0;
    virtual QList<Process> processes() = 0;
    virtual qint64 ownPid() = 0;

    virtual QString userName() = 0;
    // The user's groups as the group database has them now, and those this login started with.
    virtual QStringList accountGroups() = 0;
    virtual QStringList loginGroups() = 0;
};

// The machine this program runs on.
std::unique_ptr<SystemView> localSystem();

}  // namespace doctor
