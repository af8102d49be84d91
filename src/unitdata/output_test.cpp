#include "unitdata/output_test.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

#include "ecu/monotone_curve.h"
#include "link/hex_text.h"
#include "tables/linear_table.h"
#include "tables/table_file.h"
#include "unitdata/backup_list.h"

namespace unitdata {

namespace {

constexpr qint64 kMaxStateBytes = 64 * 1024;

// Either decimal mark: the window's box and a script's argument are read alike in any locale.
QString pointText(const QString& text) {
    return text.trimmed().replace(u',', u'.');
}

QString signedVolts(double volts) {
    const qint64 hundredths = roundHalfEven(volts * 100);
    return (hundredths > 0 ? QStringLiteral("+") : QString()) + unitsText(hundredths, 2);
}

QString shownVolts(double volts) {
    return unitsText(roundHalfEven(volts * 100), 2) + QStringLiteral(" V");
}

QString mixtureText(double lambda, double stoich, bool afr) {
    QString text = QStringLiteral("lambda ") + unitsText(roundHalfEven(lambda * 1000), 3);
    if (afr) {
        text += QStringLiteral(" (") + unitsText(roundHalfEven(lambda * stoich * 100), 2) +
                QStringLiteral(" AFR)");
    }
    return text;
}

// Why the table gives no one mixture at this voltage; empty when it does.
QString noMixtureAt(const tables::UnitWords& table, double volts) {
    const double count = volts * 4095 / 5;
    const auto [low, high] = std::minmax_element(table.begin(), table.end());
    if (count < *low - 1e-9 || count > *high + 1e-9) {
        return QStringLiteral("The pin's table puts out %1 to %2, never %3: no mixture to name")
            .arg(shownVolts(*low * 5.0 / 4095), shownVolts(*high * 5.0 / 4095), shownVolts(volts));
    }
    for (int k = 0; k + 1 < tables::kEntries; ++k) {
        if (table[k] == table[k + 1] && std::abs(table[k] - count) < 1e-9) {
            int last = k + 1;
            while (last + 1 < tables::kEntries && table[last + 1] == table[k]) {
                ++last;
            }
            return QStringLiteral(
                       "The pin's table is flat at %1 from lambda %2 to %3: no one "
                       "mixture there")
                .arg(shownVolts(volts), unitsText(roundHalfEven(tables::LambdaPoints[k] * 1000), 3),
                     unitsText(roundHalfEven(tables::LambdaPoints[last] * 1000), 3));
        }
    }
    return QString();
}

QJsonObject toJson(const OutputTest& t) {
    return {{"pin", t.pin},
            {"volts", voltsText(t.centivolts)},
            {"backup", t.backup},
            {"saved", t.saved.toString(Qt::ISODate)},
            {"simulated", t.simulated}};
}

QString writeTests(const QString& path, const QList<OutputTest>& tests) {
    if (tests.isEmpty()) {
        return !QFileInfo::exists(path) || QFile::remove(path)
                   ? QString()
                   : QStringLiteral("cannot remove ") + path;
    }
    if (!QDir().mkpath(QFileInfo(path).path())) {
        return QStringLiteral("cannot make the folder ") + QFileInfo(path).path();
    }
    QJsonArray list;
    for (const OutputTest& t : tests) {
        list.append(toJson(t));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(QJsonObject{{"tests", list}}).toJson()) < 0 || !file.commit()) {
        return QStringLiteral("cannot write ") + path + QStringLiteral(": ") + file.errorString();
    }
    return QString();
}

}  // namespace

std::optional<int> readTestVolts(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d)(?:\\.(\\d{0,2}))?$"));
    const QRegularExpressionMatch m = form.match(pointText(text));
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const int hundredths = m.captured(2).leftJustified(2, u'0').toInt();
    const int centivolts = m.captured(1).toInt() * 100 + hundredths;
    return centivolts <= 500 ? std::optional(centivolts) : std::nullopt;
}

std::optional<double> readShownVolts(const QString& text) {
    const QString t = pointText(text);
    const LeadingNumber n = readLeadingNumber(t);
    return n.found && n.length == t.size() ? std::optional(n.value) : std::nullopt;
}

QString voltsText(int centivolts) {
    return unitsText(centivolts, 2);
}

tables::UnitWords flatTable(int centivolts) {
    // V x 4095 / 5 in whole hundredths of a count, so the half is exact.
    const int n = centivolts * 819;
    int count = n / 100;
    const int rest = n % 100;
    if (rest > 50 || (rest == 50 && count % 2 == 1)) {
        ++count;
    }
    tables::UnitWords table;
    table.fill(count);
    return table;
}

QString testSource(int centivolts) {
    return QStringLiteral("test table ") + voltsText(centivolts) + QStringLiteral(" V");
}

OutputOffset outputOffset(const tables::UnitWords& table, int heldCentivolts, double readVolts,
                          double stoich) {
    const double held = heldCentivolts / 100.0;
    OutputOffset o;
    o.volts = readVolts - held;
    o.text = QStringLiteral("Offset %1 V: the ECU reads %2 for the %3 the unit puts out\n")
                 .arg(signedVolts(o.volts), shownVolts(readVolts), shownVolts(held));
    const QList<double> counts(table.begin(), table.end());
    const ecu::Monotone m = ecu::checkMonotone(counts);
    if (m.flat) {
        o.text += QStringLiteral(
            "The pin's table puts out the same voltage at every mixture: no mixture to name");
        return o;
    }
    if (m.turnsAt >= 0) {
        o.text += QStringLiteral(
                      "The pin's table turns back at entry %1: a voltage there is more "
                      "than one mixture")
                      .arg(m.turnsAt);
        return o;
    }
    for (const double volts : {held, readVolts}) {
        if (const QString why = noMixtureAt(table, volts); !why.isEmpty()) {
            o.text += why;
            return o;
        }
    }
    const QList<double> lambda(tables::LambdaPoints.begin(), tables::LambdaPoints.end());
    const auto lambdaAt = [&](double volts) {
        return ecu::reach(lambda, counts, volts * 4095 / 5, ecu::Beyond::InnerEnd).x;
    };
    const double meant = lambdaAt(held);
    const double read = lambdaAt(readVolts);
    const bool afr = tables::isUsableStoich(stoich);
    // The difference of the numbers shown, so the sentence adds up with them.
    const qint64 scale = afr ? 100 : 1000;
    const qint64 difference = roundHalfEven(read * (afr ? stoich : 1.0) * scale) -
                              roundHalfEven(meant * (afr ? stoich : 1.0) * scale);
    QString verdict;
    if (difference == 0) {
        verdict = QStringLiteral("the ECU reads the mixture the unit means");
    } else {
        verdict = QStringLiteral("the ECU reads %1 %2 %3 than the unit means")
                      .arg(unitsText(std::abs(difference), afr ? 2 : 3),
                           afr ? QStringLiteral("AFR") : QStringLiteral("lambda"),
                           difference < 0 ? QStringLiteral("richer") : QStringLiteral("leaner"));
    }
    o.text += QStringLiteral("The unit means %1 at %2, the ECU reads %3 at %4: %5")
                  .arg(mixtureText(meant, stoich, afr), shownVolts(held),
                       mixtureText(read, stoich, afr), shownVolts(readVolts), verdict);
    return o;
}

QString outputTestPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Orvex/output-test.json");
}

QList<OutputTest> readOutputTests(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxStateBytes) {
        return {};
    }
    QList<OutputTest> tests;
    const QJsonArray list =
        QJsonDocument::fromJson(file.readAll()).object().value("tests").toArray();
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        OutputTest t;
        t.pin = o.value("pin").toInt();
        const std::optional<int> volts = readTestVolts(o.value("volts").toString());
        t.backup = o.value("backup").toString();
        t.saved = QDateTime::fromString(o.value("saved").toString(), Qt::ISODate);
        t.simulated = o.value("simulated").toBool();
        // A line that says less than this is no test anybody can end: left out.
        if (t.pin >= 1 && t.pin < tables::kPinItems && volts && !t.backup.isEmpty() &&
            t.saved.isValid()) {
            t.centivolts = *volts;
            tests << t;
        }
    }
    return tests;
}

std::optional<OutputTest> outputTestOf(const QString& path, int pin, bool simulated) {
    for (const OutputTest& t : readOutputTests(path)) {
        if (t.pin == pin && t.simulated == simulated) {
            return t;
        }
    }
    return std::nullopt;
}

OutputTest testAfterHold(int pin, int centivolts, bool simulated, const QString& runBackup,
                         const std::optional<OutputTest>& before) {
    if (before) {
        return {pin, centivolts, before->backup, before->saved, simulated};
    }
    return {pin, centivolts, runBackup, readBackup(runBackup).when, simulated};
}

QString saveOutputTest(const QString& path, const OutputTest& test) {
    QList<OutputTest> tests = readOutputTests(path);
    tests.removeIf(
        [&](const OutputTest& t) { return t.pin == test.pin && t.simulated == test.simulated; });
    tests << test;
    return writeTests(path, tests);
}

QString endOutputTest(const QString& path, int pin, bool simulated, const QString& restored) {
    QList<OutputTest> tests = readOutputTests(path);
    const qsizetype before = tests.size();
    tests.removeIf([&](const OutputTest& t) {
        return t.pin == pin && t.simulated == simulated &&
               QFileInfo(t.backup).absoluteFilePath() == QFileInfo(restored).absoluteFilePath();
    });
    return tests.size() == before ? QString() : writeTests(path, tests);
}

QString heldText(const OutputTest& test) {
    return QStringLiteral("%1 holds a %2 V test table - Restore puts back the table saved at %3")
        .arg(tables::pinShortName(test.pin), voltsText(test.centivolts),
             test.saved.toString(QStringLiteral("HH:mm:ss")));
}

}  // namespace unitdata
