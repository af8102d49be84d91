#include "console/preset_command.h"

namespace PresetCommands {

std::optional<Expansion> expand(QStringView entry, QStringView parameter) {
    // Without "(" the command starts at the first character.
    const qsizetype begin = entry.indexOf(QLatin1Char('(')) + 1;
    const qsizetype end = entry.indexOf(QLatin1Char(')'));
    if (end <= begin) {
        return std::nullopt;
    }
    Expansion result;
    result.preset = entry.mid(begin, end - begin).toString();
    result.command = result.preset;

    const qsizetype first = result.preset.indexOf(QLatin1Char('#'));
    if (first >= 0) {
        const qsizetype last = result.preset.lastIndexOf(QLatin1Char('#'));
        const qsizetype places = last - first + 1;
        QString filled = parameter.right(places).toString();
        filled.prepend(QString(places - filled.size(), QLatin1Char('0')));
        result.command = result.preset.left(first) + filled;
    }
    return result;
}

}  // namespace PresetCommands
