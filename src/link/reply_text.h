#pragma once

#include <QStringView>

// The parameter of a unit reply: the four characters after the first blank, fewer when the reply
// ends sooner; without a blank the reply's first four characters.
QStringView replyParameter(QStringView reply);

// Whether `reply` is plainly a late answer to another EEPROM exchange than `command` (an "a" read
// or "e" write): after any leading line ends it names an "a" or "e" with four hex digits of
// another address (an "e" with its two data digits), ended by anything that cannot continue the
// word. A reply that starts with anything else says nothing about the exchange; its parameter
// alone decides.
bool isLateEepromAnswer(QStringView reply, QStringView command);
