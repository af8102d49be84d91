#include "doctor/port_doctor.h"

#include <algorithm>
#include <iterator>

#include <sys/stat.h>

namespace doctor {

namespace {

const QString kRulesFile = QStringLiteral("/etc/udev/rules.d/99-orvex.rules");

QString label(const QString& name, const QString& device) {
    return name == device || device.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, device);
}

// "crw-rw---- root dialout", as ls -l shows it.
QString modeText(const DeviceNode& node) {
    QString text = S_ISCHR(node.mode) ? QStringLiteral("c") : QStringLiteral("-");
    for (int bit = 8; bit >= 0; --bit) {
        text += (node.mode >> bit) & 1 ? QLatin1Char("xwr"[bit % 3]) : QLatin1Char('-');
    }
    return text + u' ' + node.owner + u' ' + node.group;
}

// The exact commands that add a rule for this adapter alone, and apply it.
QStringList udevRule(const UsbAdapter& usb, const QString& action) {
    const QString rule =
        QStringLiteral(R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="%1", ATTRS{idProduct}=="%2", %3)")
            .arg(usb.vendorId, usb.productId, action);
    return {QStringLiteral("echo '%1' | sudo tee -a %2").arg(rule, kRulesFile),
            QStringLiteral("sudo udevadm control --reload && sudo udevadm trigger")};
}

// Services that go for USB serial adapters on their own, and what keeps them away.
struct KnownService {
    const char* process;
    const char* what;
    const char* does;
    QStringList (*fix)(const UsbAdapter&);
};

const KnownService kServices[] = {
    {"brltty", "the braille-display service brltty",
     "takes USB serial adapters of some makes for braille displays as they are plugged in; "
     "unless a braille display is used on this computer, mask it",
     [](const UsbAdapter&) {
         return QStringList{
             QStringLiteral("sudo systemctl mask --now brltty-udev.service brltty.service")};
     }},
    {"ModemManager", "the modem manager ModemManager",
     "probes new serial adapters for a modem, holding or garbling one for its first seconds; a "
     "rule with this adapter's USB id keeps it away",
     [](const UsbAdapter& usb) {
         return udevRule(usb, QStringLiteral(R"(ENV{ID_MM_DEVICE_IGNORE}="1")"));
     }},
};

}  // namespace

QStringList PortCheck::lines() const {
    QStringList out{summary};
    for (const Finding& f : findings) {
        out << QStringLiteral("- ") + f.text;
        for (qsizetype i = 0; i < f.fix.size(); ++i) {
            out << (i == 0 ? QStringLiteral("  To fix: ") : QStringLiteral("          ")) +
                       f.fix[i];
        }
    }
    return out;
}

QStringList PortCheck::block() const {
    const QString what = description.isEmpty() ? device : description.join(QStringLiteral(", "));
    QStringList out{name == device || what.isEmpty() ? name : name + QStringLiteral("  ") + what};
    for (const QString& line : lines()) {
        out << QStringLiteral("  ") + line;
    }
    return out;
}

QString PortDoctor::caseName(Case what) {
    switch (what) {
        case Case::Gone:
            return QStringLiteral("gone");
        case Case::NotAllowed:
            return QStringLiteral("not allowed");
        case Case::Held:
            return QStringLiteral("held");
        case Case::Service:
            return QStringLiteral("service");
        case Case::NoUnit:
            break;
    }
    return QStringLiteral("no unit");
}

QStringList PortDoctor::describe(const QString& device, const std::optional<UsbAdapter>& usb) {
    QStringList parts{device};
    if (const auto node = m_system.node(device); node && node->target != device) {
        parts[0] += QStringLiteral(" (%1)").arg(node->target);
    }
    if (usb) {
        const QString maker = usb->product.startsWith(usb->manufacturer)
                                  ? usb->product
                                  : (usb->manufacturer + u' ' + usb->product).trimmed();
        if (!maker.isEmpty()) {
            parts << maker;
        }
        if (!usb->serial.isEmpty()) {
            parts << QStringLiteral("serial number ") + usb->serial;
        }
        parts << QStringLiteral("USB id %1:%2").arg(usb->vendorId, usb->productId);
    }
    return parts;
}

QString PortDoctor::serialOf(const QString& device) {
    const auto usb = m_system.usb(device);
    return usb ? usb->serial : QString();
}

PortCheck PortDoctor::check(const QString& name, const QString& device, const Known& known) {
    PortCheck c;
    c.name = name;
    c.device = device;
    const QString what = label(name, device);
    const auto node = device.isEmpty() ? std::nullopt : m_system.node(device);
    const ProbeResult probe = !node            ? ProbeResult::Missing
                              : known.openHere ? ProbeResult::Available
                              : known.probe    ? *known.probe
                                               : m_system.probe(device);
    if (probe == ProbeResult::Missing) {
        c.summary = what + QStringLiteral(" is gone.");
        c.findings << gone(device.isEmpty() ? name : device, known.lastSerial);
        return c;
    }
    c.usb = m_system.usb(device);
    c.description = describe(device, c.usb);
    c.opens = probe == ProbeResult::Available;
    const auto& usb = c.usb;
    if (probe == ProbeResult::NoPermission) {
        c.findings << notAllowed(device, *node, usb);
    }
    if (probe == ProbeResult::Busy || known.noUnit) {
        c.findings << held(device, known.noUnit);
    }
    if (usb && (!c.opens || known.noUnit)) {
        c.findings << services(*usb, m_system.processes());
    }
    if (known.noUnit && c.findings.isEmpty()) {
        c.findings << Finding{Case::NoUnit,
                              QStringLiteral("nothing on this computer stands in the way: check "
                                             "that the unit has power and that its cable is on "
                                             "this adapter."),
                              {}};
    }
    c.summary = what + (known.noUnit     ? QStringLiteral(" is open, but no unit answered.")
                        : known.openHere ? QStringLiteral(" is open in this window.")
                        : c.opens        ? QStringLiteral(" can be opened.")
                                         : QStringLiteral(" cannot be opened."));
    return c;
}

Finding PortDoctor::gone(const QString& device, const QString& lastSerial) {
    QString text = QStringLiteral(
                       "%1 is not there: its adapter was unplugged, or got another name when it "
                       "was plugged in again.")
                       .arg(device);
    QStringList adapters;
    QString sameOne;
    for (const QString& present : m_system.serialDevices()) {
        const auto usb = m_system.usb(present);
        if (!usb) {
            continue;
        }
        if (!lastSerial.isEmpty() && usb->serial == lastSerial) {
            sameOne = present;
        }
        adapters << describe(present).join(QStringLiteral(", "));
    }
    if (!lastSerial.isEmpty()) {
        text += sameOne.isEmpty()
                    ? QStringLiteral(" No adapter with its serial number %1 is plugged in now.")
                          .arg(lastSerial)
                    : QStringLiteral(" The same adapter (serial number %1) is now %2.")
                          .arg(lastSerial, sameOne);
    } else {
        text += adapters.isEmpty() ? QStringLiteral(" No USB serial adapter is plugged in now.")
                                   : QStringLiteral(" USB serial adapters plugged in now: ") +
                                         adapters.join(QStringLiteral("; ")) + u'.';
    }
    return {Case::Gone, text, {}};
}

Finding PortDoctor::notAllowed(const QString& device, const DeviceNode& node,
                               const std::optional<UsbAdapter>& usb) {
    const QString user = m_system.userName();
    // A device that lets no group in gets one by a rule; never suggest joining root.
    const bool groupMay = (node.mode & 060) == 060;
    const QString group =
        groupMay || node.group != QLatin1String("root") ? node.group : QStringLiteral("dialout");
    QStringList said;
    QStringList fix;
    if (groupMay) {
        said << QStringLiteral("%1 (%2) lets only its owner and the group %3 read and write it")
                    .arg(device, modeText(node), group);
    } else {
        said << QStringLiteral("%1 (%2) does not let its group read and write it")
                    .arg(device, modeText(node));
        fix << (usb ? udevRule(*usb, QStringLiteral(R"(GROUP="%1", MODE="0660")").arg(group))
                    : QStringList{QStringLiteral("sudo chgrp %1 %2 && sudo chmod g+rw %2")
                                      .arg(group, node.target)});
    }
    if (!m_system.accountGroups().contains(group)) {
        said << QStringLiteral("you (%1) are not in the group %2").arg(user, group);
        fix << QStringLiteral("sudo usermod -aG %1 %2").arg(group, user)
            << QStringLiteral("then log out and in again");
    } else if (!m_system.loginGroups().contains(group)) {
        said << QStringLiteral(
                    "your account %1 is in the group %2, but this login is not: it began before "
                    "you were added")
                    .arg(user, group);
        fix << QStringLiteral("log out and in again");
    } else if (groupMay) {
        said << QStringLiteral(
                    "you are in the group %1, yet the system refused: something beyond the "
                    "file's permissions (such as a sandbox this program runs in) stands in the "
                    "way")
                    .arg(group);
    }
    return {Case::NotAllowed,
            QStringLiteral("not allowed: ") + said.join(QStringLiteral("; ")) + u'.', fix};
}

QList<Finding> PortDoctor::held(const QString& device, bool besidesUs) {
    bool allSeen = true;
    QList<Finding> found;
    const QString also =
        besidesUs ? QStringLiteral(" as well, and may take the unit's replies") : QString();
    for (const Process& p : m_system.holders(device, &allSeen)) {
        // The simulator keeps its own end of its pseudo-terminal open.
        if (p.pid == m_system.ownPid() || (besidesUs && p.name == QLatin1String("orvex-sim"))) {
            continue;
        }
        const QString pid = QString::number(p.pid);
        Finding f{Case::Held,
                  QStringLiteral("%1 has it open (pid %2)%3.").arg(p.name, pid, also),
                  {QStringLiteral("close %1, or: kill %2").arg(p.name, pid)}};
        if (p.name == QLatin1String("orvex-config")) {
            f.text = QStringLiteral("another orvex-config window has it open (pid %1)%2.")
                         .arg(pid, also);
            f.fix = QStringList{QStringLiteral("close that window")};
        } else if (p.name == QLatin1String("orvexctl")) {
            f.fix = QStringList{QStringLiteral("let orvexctl finish, or: kill %1").arg(pid)};
        }
        if (std::any_of(std::begin(kServices), std::end(kServices), [&p](const KnownService& s) {
                return p.name == QLatin1String(s.process);
            })) {
            f.fix.clear();  // the service's own finding says what keeps it away
        }
        found << f;
    }
    if (found.isEmpty() && !besidesUs) {
        found << (allSeen ? Finding{Case::Held,
                                    QStringLiteral("no program has it open, yet it is taken: a "
                                                   "lock file names the program that took it."),
                                    {QStringLiteral("ls -l /run/lock")}}
                          : Finding{Case::Held,
                                    QStringLiteral("a program of another user or of the system "
                                                   "has it open; this user may not see which."),
                                    {QStringLiteral("sudo fuser -v ") + device}});
    }
    return found;
}

QList<Finding> PortDoctor::services(const UsbAdapter& usb, const QList<Process>& running) {
    QList<Finding> found;
    for (const KnownService& s : kServices) {
        for (const Process& p : running) {
            if (p.name == QLatin1String(s.process)) {
                found << Finding{Case::Service,
                                 QStringLiteral("%1 is running (pid %2): it %3.")
                                     .arg(QLatin1String(s.what))
                                     .arg(p.pid)
                                     .arg(QLatin1String(s.does)),
                                 s.fix(usb)};
                break;
            }
        }
    }
    return found;
}

}  // namespace doctor
