#include "tables/afr_file_parser.h"

#include <QStringDecoder>

#include "link/hex_text.h"

namespace tables {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kPinComment = QStringLiteral("; pin: ");  // as a saved table's heading has it

QString decode(const QByteArray& bytes) {
    static const QByteArray kBom("\xEF\xBB\xBF");
    const QByteArray body = bytes.startsWith(kBom) ? bytes.mid(kBom.size()) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (!utf8.hasError()) {
        return text;
    }
    return QString::fromLatin1(body);
}

}  // namespace

QStringList afrFileLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            continue;
        }
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) {
            ++i;
        }
        start = i + 1;
    }
    if (start < n) {
        lines.append(text.mid(start));
    }
    return lines;
}

qint64 afrDataValue(const QString& line, bool* hasNumber, bool* intoLetters) {
    qsizetype first = 0;
    while (first < line.size() &&
           (line[first] == QLatin1Char(' ') || line[first] == QLatin1Char('\t'))) {
        ++first;
    }
    QStringView rest = QStringView(line).mid(first);
    const qsizetype blank = rest.indexOf(QLatin1Char(' '));
    if (blank >= 0) {
        rest = rest.left(blank);
    }
    const qsizetype tab = rest.indexOf(QLatin1Char('\t'));
    if (tab >= 0) {
        rest = rest.left(tab);
    }
    const LeadingNumber number = readLeadingNumber(rest, true);
    if (hasNumber) {
        *hasNumber = number.found;
    }
    if (intoLetters) {
        *intoLetters =
            number.found && number.length < rest.size() && rest[number.length].isLetter();
    }
    return number.found ? roundHalfEven(number.value) : 0;
}

AfrFileContent parseAfrFile(const QByteArray& bytes) {
    AfrFileContent content;
    const QStringList lines = afrFileLines(decode(bytes));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString& line = lines[n];
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            if (line.startsWith(kPinComment) && content.values.isEmpty() && content.pin.isEmpty()) {
                content.pin = line.mid(kPinComment.size());
            }
            if (content.values.isEmpty() && !line.isEmpty()) {
                content.heading.append(line);
            }
            continue;
        }
        if (line.startsWith(QLatin1Char('!'))) {
            if (line.size() > 1) {
                content.echo += line.mid(1) + kCrLf;
            }
            continue;
        }
        bool hasNumber = false;
        bool intoLetters = false;
        content.values.append(afrDataValue(line, &hasNumber, &intoLetters));
        content.lines.append(static_cast<int>(n + 1));
        if (intoLetters) {
            content.intoLetters.append(static_cast<int>(content.values.size() - 1));
        }
        if (!hasNumber) {
            if (content.withoutNumber.isEmpty()) {
                content.firstWithoutNumberLine = static_cast<int>(n + 1);
            }
            content.withoutNumber.append(static_cast<int>(content.values.size() - 1));
        }
        content.echo += line + kCrLf;
    }
    return content;
}

}  // namespace tables
