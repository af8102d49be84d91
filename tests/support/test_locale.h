#pragma once

#include <QByteArray>
#include <QTest>

#include <clocale>

// Takes the C locale from the environment, as the window's start-up does. When CTest runs a test
// under a decimal-comma locale (ORVEX_TEST_LOCALE), that locale must really be in force, or the
// run would prove nothing: the test fails then, it never skips.
inline void requireTestLocale() {
    std::setlocale(LC_ALL, "");
    const QByteArray wanted = qgetenv("ORVEX_TEST_LOCALE");
    if (wanted.isEmpty()) {
        return;
    }
    const char* in = std::setlocale(LC_NUMERIC, nullptr);
    QVERIFY2(in && QByteArray(in) == wanted,
             qPrintable(QStringLiteral("locale %1 is not available (in force: %2)")
                            .arg(QString::fromLatin1(wanted), QString::fromLatin1(in ? in : ""))));
    QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
}
