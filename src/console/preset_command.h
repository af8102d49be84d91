#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The ready-made commands of the two preset lists. An entry is a description followed by the
// command in parentheses; "#" places in the command are filled from the parameter box.
namespace PresetCommands {

inline const QString kReDoCaption = QStringLiteral("Re Do -> ");

struct Expansion {
    QString preset;   // the text between the brackets, "#" places unfilled (kept for Re Do)
    QString command;  // what is sent
};

// The command between the first "(" and the first ")" of `entry`, its "#" places filled from
// `parameter`. nullopt when there is nothing between them (empty brackets, no closing bracket,
// or a closing bracket before the opening one). Without "(" the text before ")" is taken.
//
// The places run from the first "#" to the last, n characters; they take the last n characters
// of the parameter, padded with "0" in front when it is shorter. Whatever followed the last
// "#" is dropped. The parameter is not checked: any characters pass, as the unit decides.
std::optional<Expansion> expand(QStringView entry, QStringView parameter);

}  // namespace PresetCommands
