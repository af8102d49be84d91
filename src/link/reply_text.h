#pragma once

#include <QStringView>

// The parameter of a unit reply: the four characters after the first blank, fewer when the reply
// ends sooner; without a blank the reply's first four characters.
QStringView replyParameter(QStringView reply);

// Whether `reply` is plainly not the answer to the EEPROM exchange `command` (an "a" read or "e"
// write). After any leading line ends it either names an "a" or "e" with four hex digits of
// another address (an "e" with its two data digits): a late answer; or it is a trace line, four
// fields of four hex digits one blank apart: a trace still running. Either ends where nothing can
// continue the word. A reply that starts with anything else says nothing about the exchange; its
// parameter alone decides.
bool isForeignReply(QStringView reply, QStringView command);
