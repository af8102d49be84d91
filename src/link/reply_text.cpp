#include "link/reply_text.h"

QStringView replyParameter(QStringView reply) {
    const qsizetype blank = reply.indexOf(QLatin1Char(' '));
    return reply.mid(blank + 1, 4);
}
