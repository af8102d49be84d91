#pragma once

#include <QString>
#include <QStringList>

#include <array>

#include "tables/afr_file_parser.h"
#include "tables/table_defaults.h"

// What makes a table about to be programmed look like something other than the 65 counts its
// user meant. The window asks about these and orvexctl refuses them, in the same words: each
// doubt is one short clause saying what looks wrong and, where there is one, the fix.
namespace tables {

// Any table, with its values as its source handed them over (before they are limited to
// 0..32767): values beyond 5 V or below 0, all values equal.
QStringList tableDoubts(const std::array<qint64, kEntries>& values);

// A table read from a file, to be programmed into `pin`: what the file's lines say (a heading
// line, another pin's saved table, an index column, volts, numbers running into letters, lines
// without a number, a count other than 65), then the doubts of the table it gives.
QStringList fileDoubts(const AfrFileContent& file, int pin);

// The question before programming such a table: every doubt, then "Program it anyway?".
QString doubtQuestion(const QStringList& doubts);

}  // namespace tables
