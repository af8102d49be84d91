#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// An invariant that must hold for every input: a violation stops the run like a crash, so
// libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)

namespace fuzz {

// The first byte picks how the rest becomes text: UTF-8 (invalid sequences replaced), Latin-1
// (every byte a character) or raw UTF-16 (any code unit, lone surrogates included).
inline QString textOf(const uint8_t* data, size_t size) {
    if (size == 0) {
        return {};
    }
    const auto* rest = reinterpret_cast<const char*>(data + 1);
    const auto n = static_cast<qsizetype>(size - 1);
    switch (data[0] % 3) {
        case 0:
            return QString::fromUtf8(rest, n);
        case 1:
            return QString::fromLatin1(rest, n);
        default:
            return QString(reinterpret_cast<const QChar*>(QByteArray(rest, n).constData()), n / 2);
    }
}

}  // namespace fuzz
