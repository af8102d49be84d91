#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// COM1..COM9 are the names the user sees and the settings keep. On systems whose serial devices
// have other names, a map gives each COM number a device path.
inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 9;

using PortMap = QMap<int, QString>;  // COM number -> device path

// "COM3" -> 3; 0 for a name that is not COM1..COM9.
int comNumber(const QString& name);
QString comName(int number);

// Command-line entries win over the settings' entries; devices found on the system take the
// numbers still free, USB adapters first, each group sorted by name with numbers by their value
// (ttyUSB2 before ttyUSB10).
PortMap buildPortMap(const PortMap& commandLine, const PortMap& settings,
                     const QStringList& discovered);

// Parses "COMn=PATH"; false for anything else.
bool parsePortMapEntry(const QString& entry, int* number, QString* path);

// What a trial open of a device found.
enum class ProbeResult { Available, Busy, NoPermission, Missing };

class PortProber {
  public:
    virtual ~PortProber() = default;
    // Open exclusively for reading and writing, only if it exists, and close at once.
    virtual ProbeResult probe(const QString& device) = 0;
    // Serial devices the system reports.
    virtual QStringList discover() = 0;
};
