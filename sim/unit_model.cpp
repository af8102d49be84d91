#include "sim/unit_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "link/hex_text.h"

namespace {

// The unit's line buffer is small; a runaway line must not grow without end.
constexpr qsizetype kMaxCommandLength = 64;
const QByteArray kZeroParameter = "0000";
const QByteArray kBadParameter = "????";
// Characters a corrupted byte may turn into: digits, letters and marks, never the blank or a
// line end, so the fault changes a value and not the framing.
const QByteArray kCorruptAlphabet = "0123456789ABCDEFGXZ?#*";

constexpr int kVsReading = 0x01C2;
constexpr int kHeaterReading = 0x0320;

// Hex digits of either case; the program sends "s03e1" on purpose. -1 for anything else.
int hexDigits(QByteArrayView text) {
    if (text.isEmpty()) {
        return -1;
    }
    int value = 0;
    for (const char c : text) {
        int d = 0;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else {
            return -1;
        }
        value = value * 16 + d;
    }
    return value;
}

QByteArray hex4Bytes(int value) {
    return hex4(value).toLatin1();
}

QByteArray hex2Bytes(int value) {
    return hex2(value).toLatin1();
}

std::optional<int> parseNumber(QStringView text) {
    bool ok = false;
    int value = 0;
    if (text.startsWith(u"0x") || text.startsWith(u"0X")) {
        value = text.mid(2).toInt(&ok, 16);
    } else {
        value = text.toInt(&ok, 10);
    }
    return ok ? std::optional<int>(value) : std::nullopt;
}

QByteArray lineEnd(ReplyStyle style) {
    return style == ReplyStyle::LfOnly ? QByteArray("\n") : QByteArray("\r\n");
}

}  // namespace

std::optional<ReplyStyle> parseReplyStyle(QStringView name) {
    static const std::pair<const char16_t*, ReplyStyle> kNames[] = {
        {u"standard", ReplyStyle::Standard}, {u"colon", ReplyStyle::Colon},
        {u"no-echo", ReplyStyle::NoEcho},    {u"trailing", ReplyStyle::Trailing},
        {u"lf", ReplyStyle::LfOnly},
    };
    for (const auto& [text, style] : kNames) {
        if (name == QStringView(text)) {
            return style;
        }
    }
    return std::nullopt;
}

UnitModel::UnitModel(UnitOptions options) : m_options(std::move(options)) {
    m_random.seed(m_options.seed);
    m_registers.at(kRegMode) = 0x81;
    m_registers.at(kRegSpeed) = 0x05;
    loadEeprom(factoryEeprom());
    m_tracing = m_strayTracing = m_options.tracingAtStart;
}

QByteArray UnitModel::factoryEeprom() {
    QByteArray bytes(kEepromSize, '\0');
    bytes[kCalHighCell] = static_cast<char>(kFactoryCalValue / 256);
    bytes[kCalLowCell] = static_cast<char>(kFactoryCalValue % 256);
    return bytes;
}

void UnitModel::loadEeprom(const QByteArray& bytes) {
    m_eeprom = bytes.left(kEepromSize);
    if (m_eeprom.size() < kEepromSize) {
        m_eeprom.append(QByteArray(kEepromSize - m_eeprom.size(), '\0'));
    }
    m_registers.at(kRegCalHigh) = static_cast<quint8>(m_eeprom.at(kCalHighCell));
    m_registers.at(kRegCalLow) = static_cast<quint8>(m_eeprom.at(kCalLowCell));
}

void UnitModel::setReg(int index, int value) {
    m_registers.at(static_cast<size_t>(index) & 0xFF) = value & 0xFF;
}

int UnitModel::traceIntervalMs() const {
    return std::max(kMinTraceIntervalMs, reg(kRegSpeed) * kTraceMsPerStep);
}

std::optional<WeakCell> UnitModel::parseWeakCell(QStringView text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0) {
        return std::nullopt;
    }
    const auto address = parseNumber(text.left(colon));
    const auto mask = parseNumber(text.mid(colon + 1));
    if (!address || !mask || *address < 0 || *address >= kEepromSize || *mask < 0 || *mask > 0xFF) {
        return std::nullopt;
    }
    return WeakCell{*address, *mask};
}

void UnitModel::receive(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (m_hungUp) {
            return;
        }
        if (c == '\n') {
            continue;
        }
        if (c != '\r') {
            if (m_pending.size() < kMaxCommandLength) {
                m_pending.append(c);
            }
            continue;
        }
        if (m_pending.isEmpty()) {
            continue;  // a bare carriage return is no command
        }
        const QByteArray command = m_pending;
        m_pending.clear();
        m_commands.append(command);
        execute(command);
        if (m_options.hangUpAfter > 0 && commandCount() >= m_options.hangUpAfter) {
            m_hungUp = true;
            m_tracing = false;
            m_linesAfterStop = 0;
            countFault(UnitFault::HangUp);
        }
    }
}

void UnitModel::execute(const QByteArray& command) {
    if (command == "t1") {
        m_tracing = true;  // the trace lines are the answer; no reply line
        m_strayTracing = false;
        m_linesAfterStop = 0;
        return;
    }
    if (command == "t0") {
        queueTraceLine();
        return;
    }
    const QByteArray parameter = parameterFor(command);
    ++m_replyCount;
    const ReplyStyle style = m_options.replyStyle;
    const QByteArray end = lineEnd(style);
    QByteArray line = style == ReplyStyle::Trailing ? QByteArray() : end;
    if (style != ReplyStyle::NoEcho) {
        line += command;
    }
    line += style == ReplyStyle::Colon ? ": " : " ";
    const qsizetype start = line.size();
    const bool wrongDigit = command.at(0) == 'a' && parameter != kBadParameter &&
                            m_options.wrongDigitEvery > 0 &&
                            ++m_readReplyCount % m_options.wrongDigitEvery == 0;
    line += (wrongDigit ? withWrongDigit(parameter) : parameter) + end;
    if (style == ReplyStyle::Trailing) {
        line += end;
    }
    const bool late = m_options.lateEvery > 0 && m_replyCount % m_options.lateEvery == 0;
    send(line, start, parameter.size(), late ? m_options.lateMs : 0);
}

QByteArray UnitModel::withWrongDigit(QByteArray parameter) {
    static const QByteArray kHexDigits = "0123456789ABCDEF";
    // Only the byte's two digits: the reply must still read as a byte to fool anybody.
    std::uniform_int_distribution<qsizetype> pickPosition(parameter.size() - 2,
                                                          parameter.size() - 1);
    std::uniform_int_distribution<qsizetype> pickDigit(0, kHexDigits.size() - 1);
    const qsizetype at = pickPosition(m_random);
    char digit = parameter.at(at);
    while (digit == parameter.at(at)) {
        digit = kHexDigits.at(pickDigit(m_random));
    }
    parameter[at] = digit;
    countFault(UnitFault::WrongDigit);
    return parameter;
}

QByteArray UnitModel::parameterFor(const QByteArray& command) {
    const char kind = command.at(0);
    const QByteArrayView args = QByteArrayView(command).sliced(1);
    if (command == "v") {
        return m_options.versionText;
    }
    if (command == "tf") {
        if (m_tracing) {
            m_linesAfterStop = m_options.traceAfterStop;
        }
        m_tracing = m_strayTracing = false;
        return kZeroParameter;
    }
    if (command == "w") {
        writeEeprom(kCalHighCell, reg(kRegCalHigh));
        writeEeprom(kCalLowCell, reg(kRegCalLow));
        return kZeroParameter;
    }
    if (command == "x0" || command == "x1") {
        m_logging = command == "x1";
        return kZeroParameter;
    }
    if (command == "z") {
        return kZeroParameter;
    }
    if (command == "x2") {
        return hex4Bytes(m_logIndex);
    }
    if (kind == 'y' && args.size() == 4 && hexDigits(args) >= 0) {
        m_logIndex = hexDigits(args);
        return kZeroParameter;
    }
    if (kind == 's' && args.size() == 4 && hexDigits(args) >= 0) {
        const int reg = hexDigits(args.first(2));
        const int value = hexDigits(args.sliced(2));
        setReg(reg, value);
        return hex2Bytes(reg) + hex2Bytes(value);
    }
    if (kind == 'g' && args.size() == 2 && hexDigits(args) >= 0) {
        return hex4Bytes(reg(hexDigits(args)));
    }
    if (kind == 'a' && args.size() == 4) {
        const int address = hexDigits(args);
        if (address >= 0 && address < kEepromSize) {
            return hex4Bytes(static_cast<quint8>(m_eeprom.at(address)));
        }
    }
    if (kind == 'e' && args.size() == 6) {
        const int address = hexDigits(args.first(4));
        const int byte = hexDigits(args.sliced(4));
        if (address >= 0 && address < kEepromSize && byte >= 0) {
            writeEeprom(address, byte);
            return args.first(4).toByteArray();
        }
    }
    return kBadParameter;
}

void UnitModel::writeEeprom(int address, int byte) {
    int stored = byte;
    for (const WeakCell& cell : std::as_const(m_options.weakCells)) {
        if (cell.address == address) {
            stored &= ~cell.mask;
        }
    }
    if (stored != byte) {
        countFault(UnitFault::WeakCell);
    }
    m_eeprom[address] = static_cast<char>(stored);
    ++m_eepromChanges;
}

int UnitModel::idealIpx() const {
    const double offset = m_options.gain * (calibrationValue() - m_options.truePoint);
    const long ipx = kIpxTarget + std::lround(offset);
    return static_cast<int>(std::clamp<long>(ipx, 0, kIpxMax));
}

int UnitModel::noiseSample() {
    if (m_options.noise <= 0) {
        return 0;
    }
    std::uniform_int_distribution<int> spread(-m_options.noise, m_options.noise);
    return spread(m_random);
}

QByteArray UnitModel::traceLine() {
    const int ipx = std::clamp(idealIpx() + noiseSample(), 0, kIpxMax);
    const int vs = kVsReading + noiseSample();
    const int heater = kHeaterReading + noiseSample();
    const int sequence = m_traceSequence;
    m_traceSequence = (m_traceSequence + 1) & 0xFFFF;
    return hex4Bytes(ipx) + ' ' + hex4Bytes(vs) + ' ' + hex4Bytes(heater) + ' ' +
           hex4Bytes(sequence) + lineEnd(m_options.replyStyle);
}

void UnitModel::queueTraceLine() {
    if (m_hungUp) {
        return;
    }
    ++m_traceLineCount;
    if (!m_tracing && m_linesAfterStop > 0) {
        --m_linesAfterStop;
        countFault(UnitFault::StrayTrace);
    } else if (m_strayTracing) {
        countFault(UnitFault::StrayTrace);
    }
    if (m_logging) {
        m_logIndex = (m_logIndex + 1) & 0xFFFF;  // the unit logs what it traces
    }
    const QByteArray line = traceLine();
    send(line, 0, line.size() - lineEnd(m_options.replyStyle).size());
}

bool UnitModel::chance(double rate) {
    if (rate <= 0.0) {
        return false;
    }
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    return uniform(m_random) < rate;
}

void UnitModel::send(QByteArray line, qsizetype payloadStart, qsizetype payloadLength, int lateMs) {
    if (m_options.silent) {
        countFault(UnitFault::Silence);
        return;
    }
    if (chance(m_options.dropRate)) {
        countFault(UnitFault::Drop);
        return;
    }
    const qsizetype payloadEnd = payloadStart + payloadLength;
    if (m_options.lowerCase) {
        bool changed = false;
        for (qsizetype i = payloadStart; i < payloadEnd; ++i) {
            if (line.at(i) >= 'A' && line.at(i) <= 'F') {
                line[i] = static_cast<char>(line.at(i) - 'A' + 'a');
                changed = true;
            }
        }
        if (changed) {
            countFault(UnitFault::LowerCase);
        }
    }
    QList<qsizetype> candidates;
    for (qsizetype i = payloadStart; i < payloadEnd; ++i) {
        if (line.at(i) != ' ') {
            candidates.append(i);
        }
    }
    if (!candidates.isEmpty() && chance(m_options.corruptRate)) {
        std::uniform_int_distribution<qsizetype> pickPosition(0, candidates.size() - 1);
        std::uniform_int_distribution<qsizetype> pickChar(0, kCorruptAlphabet.size() - 1);
        const qsizetype at = candidates.at(pickPosition(m_random));
        char replacement = line.at(at);
        while (replacement == line.at(at)) {
            replacement = kCorruptAlphabet.at(pickChar(m_random));
        }
        line[at] = replacement;
        countFault(UnitFault::Corrupt);
    }
    int delay = 0;
    if (m_options.delayMs > 0 && chance(m_options.delayRate)) {
        delay = m_options.delayMs;
        countFault(UnitFault::Delay);
    }
    if (lateMs > 0) {
        delay = std::max(delay, lateMs);
        countFault(UnitFault::Late);
    }
    m_output.append(Chunk{line, delay});
}

QList<UnitModel::Chunk> UnitModel::takeOutput() {
    return std::exchange(m_output, {});
}
