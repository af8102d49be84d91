#pragma once

#include <QStringView>

#include <array>
#include <optional>

// The parameter of a unit reply: the four characters after the first blank, fewer when the reply
// ends sooner; without a blank the reply's first four characters.
QStringView replyParameter(QStringView reply);

// Whether `reply` is plainly not the answer to `command`. After any leading line ends it either
// echoes another command of ours ("tf", "v", "a" with four hex digits of another address, "e"
// with other digits ...): a late answer, or the answer to a command sent meanwhile; or, for an
// EEPROM read or write, it is a trace line, four fields of four hex digits one blank apart: a
// trace still running. Either ends where nothing can continue the word. A reply that starts with
// anything else (no echo, or words a unit may use, "OK") says nothing about the exchange; its
// parameter alone decides.
bool isForeignReply(QStringView reply, QStringView command);

// The four fields of a trace line, exactly "IIII VVVV HHHH NNNN": four groups of four hex digits
// (either case) one blank apart; none for any other text.
std::optional<std::array<int, 4>> traceFields(QStringView line);
