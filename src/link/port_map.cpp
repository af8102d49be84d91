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

// ttyUSB2 before ttyUSB10: runs of digits compare by their value.
bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype si = i;
            const qsizetype sj = j;
            while (i < a.size() && a[i].isDigit()) {
                ++i;
            }
            while (j < b.size() && b[j].isDigit()) {
                ++j;
            }
            QStringView na = QStringView(a).sliced(si, i - si);
            QStringView nb = QStringView(b).sliced(sj, j - sj);
            while (na.size() > 1 && na.front() == u'0') {
                na = na.sliced(1);
            }
            while (nb.size() > 1 && nb.front() == u'0') {
                nb = nb.sliced(1);
            }
            if (na.size() != nb.size()) {
                return na.size() < nb.size();
            }
            if (const int c = na.compare(nb); c != 0) {
                return c < 0;
            }
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    return (a.size() - i) < (b.size() - j) || (i == a.size() && j == b.size() && a < b);
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
    std::sort(usb.begin(), usb.end(), naturalLess);
    std::sort(others.begin(), others.end(), naturalLess);

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
