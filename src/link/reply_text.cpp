#include "link/reply_text.h"

#include <QString>

#include <algorithm>
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
qsizetype afterLineEnds(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u'\r' || text[i] == u'\n')) {
        ++i;
    }
    return i;
}

bool allHex(QStringView text) {
    return std::all_of(text.begin(), text.end(), isHexDigit);
}

bool endsWord(QStringView text, qsizetype at) {
    return at >= text.size() || !text[at].isLetterOrNumber();
}

std::optional<EepromWord> eepromWordAt(QStringView text) {
    const qsizetype i = afterLineEnds(text);
    if (i >= text.size() || (text[i] != u'a' && text[i] != u'e')) {
        return std::nullopt;
    }
    const QChar kind = text[i];
    const qsizetype digits = kind == u'a' ? 4 : 6;
    const QStringView word = text.mid(i + 1, digits);
    if (word.size() != digits || !allHex(word) || !endsWord(text, i + 1 + digits)) {
        return std::nullopt;
    }
    return EepromWord{kind, word.left(4)};
}

// "IIII VVVV HHHH NNNN", as the unit traces.
bool isTraceLine(QStringView text) {
    const qsizetype i = afterLineEnds(text);
    constexpr qsizetype kLength = 4 * 4 + 3;
    const QStringView line = text.mid(i, kLength);
    if (line.size() != kLength || !endsWord(text, i + kLength)) {
        return false;
    }
    for (qsizetype field = 0; field < 4; ++field) {
        if (!allHex(line.mid(5 * field, 4)) || (field < 3 && line[5 * field + 4] != u' ')) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isForeignReply(QStringView reply, QStringView command) {
    const auto sent = eepromWordAt(command);
    if (sent && isTraceLine(reply)) {
        return true;
    }
    const auto named = eepromWordAt(reply);
    if (!named) {
        return false;
    }
    return !sent || named->kind != sent->kind ||
           named->address.compare(sent->address, Qt::CaseInsensitive) != 0;
}
