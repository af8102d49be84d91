#include "link/port_map.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

int comNumber(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^COM([1-9])$"));
    const auto m = re.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString comName(int number) {
    return QStringLiteral("COM") + QString::number(number);
}

namespace {

bool isUsbAdapter(const QString& device) {
    const QString base = QFileInfo(device).fileName();
    return base.startsWith(QLatin1String("ttyUSB")) || base.startsWith(QLatin1String("ttyACM")) ||
           base.startsWith(QLatin1String("cu.usbserial"));
}

}  // namespace

PortMap buildPortMap(const PortMap& commandLine, const PortMap& settings,
                     const QStringList& discovered) {
    PortMap map;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        if (commandLine.contains(n) && !commandLine.value(n).isEmpty()) {
            map.insert(n, commandLine.value(n));
        } else if (settings.contains(n) && !settings.value(n).isEmpty()) {
            map.insert(n, settings.value(n));
        }
    }

    QStringList usb;
    QStringList others;
    for (const QString& device : discovered) {
        if (device.isEmpty() || map.values().contains(device) || usb.contains(device) ||
            others.contains(device)) {
            continue;
        }
        (isUsbAdapter(device) ? usb : others).append(device);
    }
    std::sort(usb.begin(), usb.end());
    std::sort(others.begin(), others.end());

    int next = kFirstComPort;
    for (const QString& device : usb + others) {
        while (next <= kLastComPort && map.contains(next)) {
            ++next;
        }
        if (next > kLastComPort) {
            break;
        }
        map.insert(next, device);
    }
    return map;
}

bool parsePortMapEntry(const QString& entry, int* number, QString* path) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        return false;
    }
    const int n = comNumber(entry.left(eq).trimmed().toUpper());
    const QString p = entry.mid(eq + 1).trimmed();
    if (n == 0 || p.isEmpty()) {
        return false;
    }
    *number = n;
    *path = p;
    return true;
}
