#include "fuzz/fuzz_check.h"
#include "link/hex_text.h"
#include "link/reply_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply = fuzz::textOf(data, size);
    const QStringView parameter = replyParameter(reply);
    FUZZ_CHECK(parameter.size() <= 4);
    // It is a piece of the reply itself, right after the first blank (or at its start).
    const qsizetype blank = reply.indexOf(QLatin1Char(' '));
    FUZZ_CHECK(parameter == QStringView(reply).mid(blank + 1, 4));
    if (!parameter.isEmpty()) {
        FUZZ_CHECK(parameter.data() == reply.constData() + blank + 1);
    }
    const int word = hexVal(parameter);
    FUZZ_CHECK(word >= -1 && word <= 0x7FFF);
    // A reply that echoes its own command is never a foreign answer to another one, and a reply
    // is judged the same whatever follows the word it starts with.
    FUZZ_CHECK(!isForeignReply(reply, reply));
    const QString read = QStringLiteral("a0079");
    FUZZ_CHECK(isForeignReply(reply, read) == isForeignReply(reply + QStringLiteral(" x"), read));
    return 0;
}
