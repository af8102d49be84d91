// orvexctl doctor: why a port does not open, for one port or all, and what the system knows about
// each; the window's data area says the same.
#include <QJsonArray>
#include <QJsonObject>

#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/unit_session.h"
#include "doctor/port_doctor.h"
#include "link/settings_store.h"

namespace cli {

namespace {

QJsonObject toJson(const doctor::PortCheck& c) {
    QJsonArray findings;
    for (const doctor::Finding& f : c.findings) {
        findings.append(QJsonObject{{"case", doctor::PortDoctor::caseName(f.what)},
                                    {"text", f.text},
                                    {"fix", QJsonArray::fromStringList(f.fix)}});
    }
    QJsonObject port{{"name", c.name},       {"device", c.device},   {"opens", c.opens},
                     {"summary", c.summary}, {"findings", findings}, {"usb", QJsonValue::Null}};
    if (c.usb) {
        port[QStringLiteral("usb")] = QJsonObject{{"manufacturer", c.usb->manufacturer},
                                                  {"product", c.usb->product},
                                                  {"serial", c.usb->serial},
                                                  {"vendorId", c.usb->vendorId},
                                                  {"productId", c.usb->productId}};
    }
    return port;
}

}  // namespace

int doctor(const CliRequest& request, CliOutput& out) {
    const std::unique_ptr<doctor::SystemView> system = doctor::localSystem();
    doctor::PortDoctor portDoctor(*system);
    const PortMap map = buildPortMap({}, SettingsStore().ports(), system->serialDevices());
    QList<std::pair<QString, QString>> ports;  // name and device
    if (request.port.startsWith(u'/')) {
        ports.append({request.port, request.port});
    } else if (!request.port.isEmpty()) {
        const QString name = request.port.toUpper();
        if (comNumber(name) == 0) {
            out.error(QStringLiteral("--port takes COM1 .. COM9 or a device path, not \"%1\"")
                          .arg(request.port));
            return CliExit::kUsage;
        }
        ports.append({name, map.value(comNumber(name))});
    }
    for (auto it = map.cbegin(); request.port.isEmpty() && it != map.cend(); ++it) {
        ports.append({comName(it.key()), it.value()});
    }
    if (ports.isEmpty()) {
        out.note(QStringLiteral("No serial ports found."));
    }

    QJsonArray list;
    QStringList text;
    bool allOpen = !ports.isEmpty();
    for (const auto& [name, device] : std::as_const(ports)) {
        const doctor::PortCheck c = portDoctor.check(name, device);
        allOpen = allOpen && c.opens;
        list.append(toJson(c));
        text << c.block();
    }
    out.result({{"ports", list}}, text.join(u'\n'));
    return allOpen ? CliExit::kOk : CliExit::kFailed;
}

}  // namespace cli
