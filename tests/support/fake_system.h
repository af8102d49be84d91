#pragma once

#include <QMap>

#include "doctor/system_view.h"

// A made-up machine for the doctor: its devices, adapters, processes and groups are what the
// test says. A device without a node is not there; one with a node opens unless told otherwise.
class FakeSystem final : public doctor::SystemView {
  public:
    // A tty at `device`, crw-rw---- root dialout, of a USB adapter when `serial` is given.
    void addDevice(const QString& device, const QString& serial = {}, unsigned mode = 020660) {
        nodes[device] = {device, QStringLiteral("root"), QStringLiteral("dialout"), mode};
        if (!serial.isNull()) {
            adapters[device] = {"Acme", "USB Serial", serial, "f00d", "0001"};
        }
    }

    std::optional<doctor::DeviceNode> node(const QString& device) override {
        return nodes.contains(device) ? std::optional(nodes[device]) : std::nullopt;
    }
    ProbeResult probe(const QString& device) override {
        return probes.value(device,
                            nodes.contains(device) ? ProbeResult::Available : ProbeResult::Missing);
    }
    std::optional<doctor::UsbAdapter> usb(const QString& device) override {
        return adapters.contains(device) ? std::optional(adapters[device]) : std::nullopt;
    }
    QStringList serialDevices() override { return nodes.keys(); }
    QList<doctor::Process> holders(const QString& device, bool* seen) override {
        *seen = allSeen;
        return open.value(device);
    }
    QList<doctor::Process> processes() override { return running; }
    qint64 ownPid() override { return 100; }
    QString userName() override { return QStringLiteral("ann"); }
    QStringList accountGroups() override { return account; }
    QStringList loginGroups() override { return login; }

    QMap<QString, doctor::DeviceNode> nodes;
    QMap<QString, ProbeResult> probes;
    QMap<QString, doctor::UsbAdapter> adapters;
    QMap<QString, QList<doctor::Process>> open;  // device -> the processes holding it
    bool allSeen = true;
    QList<doctor::Process> running;
    QStringList account{"ann"};
    QStringList login{"ann"};
};
