#include "link/reply_text.h"

#include <QString>

#include <optional>

QStringView replyParameter(QStringView reply) {
    const qsizetype blank = reply.indexOf(QLatin1Char(' '));
    return reply.mid(blank + 1, 4);
}

namespace {

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

struct EepromWord {
    QChar kind;           // 'a' or 'e'
    QStringView address;  // four hex digits, either case
};

// The EEPROM command a text starts with, if it plainly starts with one.
std::optional<EepromWord> eepromWordAt(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u'\r' || text[i] == u'\n')) {
        ++i;
    }
    if (i >= text.size() || (text[i] != u'a' && text[i] != u'e')) {
        return std::nullopt;
    }
    const QChar kind = text[i];
    const qsizetype digits = kind == u'a' ? 4 : 6;
    const QStringView word = text.mid(i + 1, digits);
    if (word.size() != digits) {
        return std::nullopt;
    }
    for (const QChar c : word) {
        if (!isHexDigit(c)) {
            return std::nullopt;
        }
    }
    const qsizetype after = i + 1 + digits;
    if (after < text.size() && text[after].isLetterOrNumber()) {
        return std::nullopt;
    }
    return EepromWord{kind, word.left(4)};
}

}  // namespace

bool isLateEepromAnswer(QStringView reply, QStringView command) {
    const auto named = eepromWordAt(reply);
    if (!named) {
        return false;
    }
    const auto sent = eepromWordAt(command);
    return !sent || named->kind != sent->kind ||
           named->address.compare(sent->address, Qt::CaseInsensitive) != 0;
}
