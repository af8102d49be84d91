#pragma once

#include <QList>
#include <QString>

#include <array>

#include "tables/table_defaults.h"

// A table from linear parameters: rich and lean points, up to two mid points between them,
// and optionally fixed volts beyond either end, all in lambda or air/fuel ratio.
namespace tables {

// The boxes of the "Linear Parameters" frame as typed.
struct LinearTexts {
    QString rich, lean;                 // tLrich, tLlean
    QString vRich, vLean;               // tVrich, tVlean
    std::array<QString, 2> midMixture;  // tMidLambda(0), (1)
    std::array<QString, 2> midVolts;    // tMidVoltage(0), (1)
    QString vUnder, vOver;              // tVrUnder, tVlOver
    QString stoich;                     // tAFRs
};

// What the boxes hold at start-up (AFR mode), for the page and for orvexctl's defaults.
inline const LinearTexts kLinearStart{
    .rich = QStringLiteral("9.00"),
    .lean = QStringLiteral("19.00"),
    .vRich = QStringLiteral("0.00"),
    .vLean = QStringLiteral("5.00"),
    .midMixture = {QStringLiteral("14.7"), QStringLiteral("14.7")},
    .midVolts = {QStringLiteral("2.85"), QStringLiteral("2.85")},
    .vUnder = QStringLiteral("0"),
    .vOver = QStringLiteral("5.0"),
    .stoich = QStringLiteral("14.70")};

struct LinearParams {
    QList<double> mixture;  // the points rich, mid..., lean: lambda or AFR as entered
    QList<double> volts;
    double vUnder = 0;  // volts at and beyond the rich end
    double vOver = 0;   // volts at and beyond the lean end
    bool afrMode = true;
    double stoich = 0;
};

// Reads the boxes with the leading-number rule: "2.5V" is 2.5, "abc" and ",5" are 0.
// Hidden mid points beyond `midCount` are ignored; without over/under the end volts apply.
LinearParams readLinearParams(const LinearTexts& texts, int midCount, bool overUnder, bool afrMode);

enum class LinearCheck { Ok, StoichNotPositive, MixtureOrder, MidpointVoltage };

struct LinearTable {
    LinearCheck check = LinearCheck::Ok;
    std::array<qint64, kEntries> counts{};  // 4095 = 5 V; only meaningful when check is Ok
};

// The 65 counts, one per lambda breakpoint, or the first check that fails.
LinearTable generateLinearTable(const LinearParams& params);

// The status-line text of a failed check.
QString checkMessage(LinearCheck check);

// A stoichiometric AFR that mixtures can be converted with.
bool isUsableStoich(double stoich);

// One mixture box converted between the two modes: to AFR with two decimals, to lambda with
// three. The caller makes sure the stoich AFR is usable.
QString mixtureToAfr(const QString& box, double stoich);
QString mixtureToLambda(const QString& box, double stoich);

}  // namespace tables
