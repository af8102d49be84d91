// The doctor's facts about this machine: device nodes, the group database, /proc and sysfs.
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "doctor/system_view.h"
#include "link/qt_serial_port.h"

namespace doctor {

namespace {

QString userNameOf(uid_t uid) {
    const passwd* pw = ::getpwuid(uid);
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
}

QString groupNameOf(gid_t gid) {
    const group* gr = ::getgrgid(gid);
    return gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(gid);
}

QStringList groupNames(const std::vector<gid_t>& gids) {
    QStringList names;
    for (const gid_t gid : gids) {
        names << groupNameOf(gid);
    }
    return names;
}

QString firstLine(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readLine()).trimmed() : QString();
}

// The numbered folders of /proc, one a process.
QList<qint64> processIds() {
    QList<qint64> pids;
    if (DIR* proc = ::opendir("/proc")) {
        while (const dirent* entry = ::readdir(proc)) {
            bool number = false;
            const qint64 pid = QByteArray(entry->d_name).toLongLong(&number);
            if (number) {
                pids << pid;
            }
        }
        ::closedir(proc);
    }
    return pids;
}

QString processName(qint64 pid) {
    return firstLine(QStringLiteral("/proc/%1/comm").arg(pid));
}

class LocalSystem final : public SystemView {
  public:
    std::optional<DeviceNode> node(const QString& device) override {
        struct stat st {};
        if (::stat(QFile::encodeName(device).constData(), &st) != 0) {
            return std::nullopt;
        }
        return DeviceNode{QFileInfo(device).canonicalFilePath(), userNameOf(st.st_uid),
                          groupNameOf(st.st_gid), static_cast<unsigned>(st.st_mode)};
    }

    ProbeResult probe(const QString& device) override { return QtPortProber().probe(device); }

    std::optional<UsbAdapter> usb(const QString& device) override {
        const QString tty = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
        // From the tty's device in sysfs up to the USB device that carries the ids.
        QString dir =
            QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(tty)).canonicalFilePath();
        while (!tty.isEmpty() && dir.startsWith(QLatin1String("/sys/devices/"))) {
            if (QFileInfo::exists(dir + QStringLiteral("/idVendor"))) {
                const auto read = [&dir](const char* name) {
                    return firstLine(dir + u'/' + QLatin1String(name));
                };
                return UsbAdapter{read("manufacturer"), read("product"), read("serial"),
                                  read("idVendor"), read("idProduct")};
            }
            dir = QFileInfo(dir).path();
        }
        return std::nullopt;
    }

    QStringList serialDevices() override { return QtPortProber().discover(); }

    QList<Process> holders(const QString& device, bool* allSeen) override {
        const QByteArray target = QFile::encodeName(QFileInfo(device).canonicalFilePath());
        QList<Process> found;
        *allSeen = true;
        for (const qint64 pid : processIds()) {
            const QByteArray fds = "/proc/" + QByteArray::number(pid) + "/fd";
            DIR* dir = ::opendir(fds.constData());
            if (!dir) {
                *allSeen = *allSeen && errno != EACCES;  // a process that ended is no secret
                continue;
            }
            bool holds = false;
            while (const dirent* entry = ::readdir(dir)) {
                char link[4096];
                const QByteArray path = fds + '/' + entry->d_name;
                const ssize_t n = ::readlink(path.constData(), link, sizeof link);
                holds = holds || (n > 0 && QByteArray(link, n) == target);
            }
            ::closedir(dir);
            if (holds) {
                found << Process{pid, processName(pid)};
            }
        }
        return found;
    }

    QList<Process> processes() override {
        QList<Process> running;
        for (const qint64 pid : processIds()) {
            running << Process{pid, processName(pid)};
        }
        return running;
    }

    qint64 ownPid() override { return ::getpid(); }

    QString userName() override { return userNameOf(::getuid()); }

    QStringList accountGroups() override {
        const passwd* pw = ::getpwuid(::getuid());
        if (!pw) {
            return {};
        }
        const QByteArray name(pw->pw_name);
        const gid_t primary = pw->pw_gid;
        int count = 64;
        std::vector<gid_t> gids(count);
        if (::getgrouplist(name.constData(), primary, gids.data(), &count) < 0) {
            gids.resize(count);  // the count needed
            ::getgrouplist(name.constData(), primary, gids.data(), &count);
        }
        gids.resize(count);
        return groupNames(gids);
    }

    QStringList loginGroups() override {
        std::vector<gid_t> gids(::getgroups(0, nullptr));
        gids.resize(std::max(0, ::getgroups(static_cast<int>(gids.size()), gids.data())));
        gids.push_back(::getegid());
        return groupNames(gids);
    }
};

}  // namespace

std::unique_ptr<SystemView> localSystem() {
    return std::make_unique<LocalSystem>();
}

}  // namespace doctor
