#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QStringView>

#include <array>
#include <optional>
#include <random>

// The ways the simulated unit can misbehave. Each one counts how often it struck, so a test can
// prove that the fault really reached the program and was not silently skipped.
enum class UnitFault {
    Silence,     // an output suppressed because the unit is silent
    Drop,        // a reply or trace line not sent
    Corrupt,     // one character of a reply's parameter or of a trace line changed
    LowerCase,   // hex letters sent in lower case (counted only when a letter was there)
    Delay,       // a reply or trace line held back
    WeakCell,    // an EEPROM write lost at least one bit
    HangUp,      // the unit hung up
    Late,        // a reply held back beyond the program's wait
    WrongDigit,  // a reply to an EEPROM read with one hex digit of its byte changed
    StrayTrace,  // a trace line nobody asked for: before any "tf", or after the reply to one
};
inline constexpr int kUnitFaultKinds = 10;

// How the unit frames its replies. Every style keeps what the program relies on: two line feeds
// end a reply, and its parameter is the four characters after the first blank.
enum class ReplyStyle {
    Standard,  // CR LF, the command echoed, one blank, the parameter, CR LF
    Colon,     // the echo followed by ": " (a007A: 0047)
    NoEcho,    // CR LF, one blank and the parameter alone, CR LF
    Trailing,  // no leading CR LF: the echo, blank, parameter, then CR LF twice
    LfOnly,    // as Standard with LF alone for every line end, trace lines included
};

// "standard", "colon", "no-echo", "trailing", "lf"; nullopt for anything else.
std::optional<ReplyStyle> parseReplyStyle(QStringView name);

// An EEPROM cell whose bits in `mask` never hold a 1.
struct WeakCell {
    int address = 0;
    int mask = 0;
};

struct UnitOptions {
    QByteArray versionText = "2.01";
    ReplyStyle replyStyle = ReplyStyle::Standard;
    int truePoint = 3700;  // calibration value at which the sensor reads exactly 8192
    double gain = 2.0;     // Ipx counts per calibration step
    int noise = 0;         // Ipx (and fields 2, 3) vary uniformly within +-noise
    quint32 seed = 1;

    bool silent = false;
    double dropRate = 0.0;  // 0..1, per reply or trace line
    double corruptRate = 0.0;
    bool lowerCase = false;
    int delayMs = 0;
    double delayRate = 1.0;  // share of outputs delayed by delayMs
    QList<WeakCell> weakCells = {};
    int hangUpAfter = 0;  // hang up once this many commands were received; 0: never
    int lateEvery = 0;    // every n-th reply is held back lateMs; 0: none
    int lateMs = 0;
    int wrongDigitEvery = 0;      // every n-th reply to "a" names a wrong byte; 0: none
    bool tracingAtStart = false;  // left tracing by an earlier command
    int traceAfterStop = 0;       // trace lines still sent, on the interval, after "tf"
};

// The unit as the program sees it through the serial line, without any I/O or clock: bytes in,
// timed chunks out. Deterministic for a given seed and input.
class UnitModel {
  public:
    // Output the unit sends; delayMs is counted from when the command that caused it arrived.
    struct Chunk {
        QByteArray bytes;
        int delayMs = 0;
    };

    static constexpr int kEepromSize = 513;  // addresses 0..512
    static constexpr int kRegisterCount = 256;
    static constexpr int kRegMode = 0x03;
    static constexpr int kRegSpeed = 0x04;
    static constexpr int kRegCalLow = 0x3b;
    static constexpr int kRegCalHigh = 0x3c;
    // "w" saves the calibration registers here, outside the output tables (122..511).
    static constexpr int kCalHighCell = 0;
    static constexpr int kCalLowCell = 1;
    static constexpr int kFactoryCalValue = 3800;
    static constexpr int kIpxTarget = 8192;
    static constexpr int kIpxMax = 0x7FFF;
    // Trace interval: speed register value x 20 ms, never below 10 ms (05 gives 100 ms).
    static constexpr int kTraceMsPerStep = 20;
    static constexpr int kMinTraceIntervalMs = 10;

    explicit UnitModel(UnitOptions options = {});

    const UnitOptions& options() const { return m_options; }
    // Faults may be switched while running; the random sequence carries on.
    void setOptions(const UnitOptions& options) { m_options = options; }

    // Bytes the program wrote; every carriage return completes a command, line feeds are ignored.
    void receive(const QByteArray& bytes);
    // One trace line into the output, through the fault injection; hosts call it on each
    // trace interval while tracing().
    void queueTraceLine();
    QList<Chunk> takeOutput();
    bool hasOutput() const { return !m_output.isEmpty(); }

    // True while trace lines are due, the ones still sent after a "tf" included.
    bool tracing() const { return m_tracing || m_linesAfterStop > 0; }
    int traceIntervalMs() const;
    // The next trace line as the sensor reads it, without faults: "IIII VVVV HHHH NNNN" and the
    // style's line end.
    QByteArray traceLine();
    // Ipx without noise for the current calibration value.
    int idealIpx() const;
    bool hungUp() const { return m_hungUp; }
    bool logging() const { return m_logging; }
    int logIndex() const { return m_logIndex; }

    // Power-up with this EEPROM content (padded or cut to 513 bytes): the calibration registers
    // are loaded from the cells "w" saves them to.
    void loadEeprom(const QByteArray& bytes);
    const QByteArray& eeprom() const { return m_eeprom; }
    static QByteArray factoryEeprom();

    int reg(int index) const { return m_registers.at(static_cast<size_t>(index) & 0xFF); }
    void setReg(int index, int value);
    int calibrationValue() const { return reg(kRegCalHigh) * 256 + reg(kRegCalLow); }

    const QByteArrayList& commands() const { return m_commands; }
    int commandCount() const { return static_cast<int>(m_commands.size()); }
    int replyCount() const { return m_replyCount; }
    int traceLineCount() const { return m_traceLineCount; }
    int eepromChangeCount() const { return m_eepromChanges; }
    int faultCount(UnitFault kind) const { return m_faults.at(static_cast<size_t>(kind)); }

    // "ADDR:MASK", each decimal or 0x-prefixed hex; nullopt for anything else.
    static std::optional<WeakCell> parseWeakCell(QStringView text);

  private:
    void execute(const QByteArray& command);
    QByteArray parameterFor(const QByteArray& command);
    void writeEeprom(int address, int byte);
    // Sends `line` through the fault injection; only [payloadStart, +payloadLength) may be
    // altered, so the framing the program relies on stays intact.
    void send(QByteArray line, qsizetype payloadStart, qsizetype payloadLength, int lateMs = 0);
    // One hex digit of a read reply's byte changed into another hex digit: still a byte.
    QByteArray withWrongDigit(QByteArray parameter);
    bool chance(double rate);
    int noiseSample();
    void countFault(UnitFault kind) { ++m_faults.at(static_cast<size_t>(kind)); }

    UnitOptions m_options;
    std::mt19937 m_random;
    QByteArray m_pending;  // a command not yet ended by a carriage return
    QList<Chunk> m_output;
    QByteArray m_eeprom;
    std::array<int, kRegisterCount> m_registers{};
    QByteArrayList m_commands;
    std::array<int, kUnitFaultKinds> m_faults{};
    int m_replyCount = 0;
    int m_readReplyCount = 0;
    int m_linesAfterStop = 0;
    bool m_strayTracing = false;  // tracing since power-up, nobody asked
    int m_traceLineCount = 0;
    int m_eepromChanges = 0;
    int m_traceSequence = 0;
    int m_logIndex = 0;
    bool m_tracing = false;
    bool m_logging = false;
    bool m_hungUp = false;
};
