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

// The command of ours a text starts with (after any line ends), if it plainly starts with one:
// its letters and as many hex digits as the command takes, ended by anything that cannot
// continue the word.
std::optional<QStringView> commandWordAt(QStringView text) {
    struct Shape {
        const char16_t* letters;
        qsizetype digits;
    };
    static constexpr Shape kShapes[] = {
        {u"tf", 0}, {u"t0", 0}, {u"t1", 0}, {u"x0", 0}, {u"x1", 0}, {u"x2", 0}, {u"v", 0},
        {u"w", 0},  {u"z", 0},  {u"s", 4},  {u"y", 4},  {u"g", 2},  {u"a", 4},  {u"e", 6},
    };
    const QStringView rest = text.mid(afterLineEnds(text));
    for (const Shape& shape : kShapes) {
        const QStringView letters(shape.letters);
        const qsizetype length = letters.size() + shape.digits;
        if (rest.startsWith(letters, Qt::CaseInsensitive) && rest.size() >= length &&
            allHex(rest.mid(letters.size(), shape.digits)) && endsWord(rest, length)) {
            return rest.left(length);
        }
    }
    return std::nullopt;
}

bool isEepromCommand(QStringView word) {
    return word.startsWith(u'a', Qt::CaseInsensitive) || word.startsWith(u'e', Qt::CaseInsensitive);
}

constexpr qsizetype kTraceLineLength = 4 * 4 + 3;

// A trace line after any line ends, ending where nothing can continue the word.
bool isTraceLine(QStringView text) {
    const qsizetype i = afterLineEnds(text);
    return traceFields(text.mid(i, kTraceLineLength)) && endsWord(text, i + kTraceLineLength);
}

}  // namespace

bool isForeignReply(QStringView reply, QStringView command) {
    const auto sent = commandWordAt(command);
    if (sent && isEepromCommand(*sent) && isTraceLine(reply)) {
        return true;
    }
    const auto named = commandWordAt(reply);
    return named && (!sent || named->compare(*sent, Qt::CaseInsensitive) != 0);
}

std::optional<std::array<int, 4>> traceFields(QStringView line) {
    if (line.size() != kTraceLineLength) {
        return std::nullopt;
    }
    std::array<int, 4> values{};
    for (qsizetype field = 0; field < 4; ++field) {
        const QStringView digits = line.mid(5 * field, 4);
        if (!allHex(digits) || (field < 3 && line[5 * field + 4] != u' ')) {
            return std::nullopt;
        }
        values[static_cast<size_t>(field)] = digits.toInt(nullptr, 16);
    }
    return values;
}
