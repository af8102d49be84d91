#pragma once

#include <QStringView>

// The parameter of a unit reply: the four characters after the first blank, fewer when the reply
// ends sooner; without a blank the reply's first four characters.
QStringView replyParameter(QStringView reply);
