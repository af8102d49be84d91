#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The text of an AFR table file: one table entry per data line. Comment lines (";") and empty
// lines are skipped, remark lines ("!") only shown. Lines end at CR, CR LF or LF.
namespace tables {

struct AfrFileContent {
    QList<qint64> values;  // one per data line, in file order, beyond the 65th too
    QString echo;          // what the file-data area shows: data lines and remarks, CR LF each
    // Data lines that held no number and were read as 0: their places among `values`, and the
    // line number in the file (from 1) of the first of them, 0 when there is none.
    QList<int> withoutNumber;
    int firstWithoutNumberLine = 0;
    QList<int> lines;  // the line number in the file (from 1) of each value
    // Data lines whose number runs into letters ("0x1F" reads 0, "12abc" 12): their places
    // among `values`. They keep the value read.
    QList<int> intoLetters;
    QString pin;  // a saved table's "; pin: " comment, when it comes before the first data line
    QStringList heading;  // the comment lines before the first data line, as they stand
};

// Splits text into lines; a final line without its end counts, nothing after the last end does.
QStringList afrFileLines(const QString& text);

// The value of one data line: leading blanks and tabs dropped, cut at the first blank, then at
// the first tab, then the leading number (&H and &O too), halves to even; 0 without a number,
// which `hasNumber` then tells. `intoLetters`: a letter follows the number.
qint64 afrDataValue(const QString& line, bool* hasNumber = nullptr, bool* intoLetters = nullptr);

// Bytes of the file: a UTF-8 byte-order mark is skipped and the rest read as UTF-8; a file that is
// not valid UTF-8 is read one byte to one character.
AfrFileContent parseAfrFile(const QByteArray& bytes);

}  // namespace tables
