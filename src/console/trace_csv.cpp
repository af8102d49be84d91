#include "console/trace_csv.h"

#include "link/reply_text.h"

namespace {

// The text as printable ASCII: any other byte as \xHH, so that no control character, line end
// or stray 8-bit byte can break the row or the file's encoding.
QByteArray printable(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out.append(c);
        } else {
            out.append("\\x").append(QByteArray::number(byte, 16).rightJustified(2, '0').toUpper());
        }
    }
    return out;
}

// A CSV field: quoted, quotes doubled, when it holds a comma or a quote.
QByteArray field(const QByteArray& text) {
    if (!text.contains(',') && !text.contains('"')) {
        return text;
    }
    QByteArray quoted = text;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

}  // namespace

QByteArray TraceCsv::stamp(const QDateTime& at) {
    // A format of our own: the C locale's digits and a "." before the milliseconds, always.
    return at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1();
}

QByteArray TraceCsv::row(QByteArrayView line, const QByteArray& stamp) {
    QByteArray out = stamp;
    if (const auto fields = traceFields(QString::fromLatin1(line))) {
        for (const int value : *fields) {
            out.append(',').append(QByteArray::number(value));
        }
        return out.append(",\r\n");
    }
    return out.append(",,,,,").append(field(printable(line))).append("\r\n");
}

QByteArray TraceCsv::take(QByteArrayView bytes, const QDateTime& at) {
    QByteArray rows;
    QByteArray when;  // formatted once for all the lines of one arrival
    for (const char c : bytes) {
        const bool end = c == '\n' || c == '\r';
        if (!end) {
            m_pending.append(c);
        }
        if ((end && !m_pending.isEmpty()) || m_pending.size() >= kMaxLine) {
            if (when.isEmpty()) {
                when = stamp(at);
            }
            rows += row(m_pending, when);
            m_pending.clear();
        }
    }
    return rows;
}

QByteArray TraceCsv::finish(const QDateTime& at) {
    return take("\n", at);  // the unfinished line ends here
}

QByteArray TraceCsv::mark(const QDateTime& at) {
    return row("mark " + QByteArray::number(++m_marks), stamp(at));
}
