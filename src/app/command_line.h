#pragma once

#include <QString>
#include <QStringList>

#include "link/port_map.h"

// What orvex-config was asked to do. Read before the window system is touched, so --help,
// --version and a mistyped option answer on a machine with no display at all.
struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    QString text;  // help or version text for stdout; the reason for stderr when refused
    bool simulate = false;
    bool platformGiven = false;  // -platform: Qt is told where to draw
    PortMap ports;               // --port-map entries
};

// `arguments` is the whole argv, the program name first. Options of Qt's own (-platform,
// -style, ...) are accepted and left for QApplication to take.
CommandLine parseWindowCommandLine(const QStringList& arguments);
