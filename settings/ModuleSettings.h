#pragma once

#include "settings/Types.h"

#include <QByteArray>
#include <QString>

#include <array>

// Every setting of one module as the main window edits it, named by what it does.
// A value shown in two places (the system address on both mode panels, the packet
// size on the radio tab and among the S registers, ...) is one field here.
//
// X(name, kind, min, max, key): kind is Number (whole number in min..max), Choice
// (0-based index into a fixed list; a listing may hand over an index beyond the list,
// which is kept as read) or Flag (0 off, 1 on). key is the module's name for the
// setting as the command builder sends it after "AT" and the listing shows it
// ("S14", "&U", "C", "&Z1" for every part of route 1, ...); fields that share a key
// are parts of one module setting, and nullptr marks a setting of this program alone.
#define MODULE_SETTINGS_FIELDS(X)                   \
    X(SystemAddress, Number, 0, 255, "&S")          \
    X(GroupAddress1, Number, 0, 255, "&G")          \
    X(GroupAddress2, Number, 1, 255, "&U")          \
    X(OnLineAtStartup, Flag, 0, 1, "&L")            \
    X(UnitAddress, Number, 1, 127, "&U")            \
    X(FastOperation, Flag, 0, 1, "&M")              \
    X(LowPowerMode, Flag, 0, 1, nullptr)            \
    X(ConnectAttempts, Number, 1, 255, "S7")        \
    X(DisconnectDelay, Number, 0, 255, "S11")       \
    X(LinkCheckInterval, Number, 0, 255, "S6")      \
    X(InactivityTimeout, Number, 0, 255, "\\T")     \
    X(Route0Destination, Number, 0, 255, "&Z0")     \
    X(Route1Destination, Number, 0, 255, "&Z1")     \
    X(Route2Destination, Number, 0, 255, "&Z2")     \
    X(Route3Destination, Number, 0, 255, "&Z3")     \
    X(Route0Repeater1, Number, 0, 127, "&Z0")       \
    X(Route0Repeater2, Number, 0, 127, "&Z0")       \
    X(Route0Repeater3, Number, 0, 127, "&Z0")       \
    X(Route0Repeater4, Number, 0, 127, "&Z0")       \
    X(Route0Repeater5, Number, 0, 127, "&Z0")       \
    X(Route1Repeater1, Number, 0, 127, "&Z1")       \
    X(Route1Repeater2, Number, 0, 127, "&Z1")       \
    X(Route1Repeater3, Number, 0, 127, "&Z1")       \
    X(Route1Repeater4, Number, 0, 127, "&Z1")       \
    X(Route1Repeater5, Number, 0, 127, "&Z1")       \
    X(Route2Repeater1, Number, 0, 127, "&Z2")       \
    X(Route2Repeater2, Number, 0, 127, "&Z2")       \
    X(Route2Repeater3, Number, 0, 127, "&Z2")       \
    X(Route2Repeater4, Number, 0, 127, "&Z2")       \
    X(Route2Repeater5, Number, 0, 127, "&Z2")       \
    X(Route3Repeater1, Number, 0, 127, "&Z3")       \
    X(Route3Repeater2, Number, 0, 127, "&Z3")       \
    X(Route3Repeater3, Number, 0, 127, "&Z3")       \
    X(Route3Repeater4, Number, 0, 127, "&Z3")       \
    X(Route3Repeater5, Number, 0, 127, "&Z3")       \
    X(RadioDataRate, Choice, 0, 2, "B")             \
    X(CrcChecking, Choice, 0, 1, "&E")              \
    X(PacketSize, Number, 20, 530, "S14")           \
    X(TxHoldOff, Number, 0, 255, "S16")             \
    X(RxHoldOff, Number, 0, 255, "S17")             \
    X(SerialBaudRate, Choice, 0, 13, "C")           \
    X(SerialDataBits, Choice, 0, 1, "&B")           \
    X(SerialStopBits, Choice, 0, 1, "&B")           \
    X(SerialParity, Choice, 0, 3, "&B")             \
    X(FlowControl, Choice, 0, 3, "&K")              \
    X(DtrControl, Choice, 0, 3, "&D")               \
    X(DcdControl, Choice, 0, 2, "&C")               \
    X(PlcMode, Flag, 0, 1, nullptr)                 \
    X(EchoOff, Flag, 0, 1, "E")                     \
    X(ResponseCodesOff, Flag, 0, 1, "Q")            \
    X(NumericResponses, Flag, 0, 1, "V")            \
    X(AbortModeOff, Flag, 0, 1, "&N")               \
    X(ResponseLevel, Choice, 0, 3, "X")             \
    X(AnswerAttempts, Number, 0, 255, "S0")         \
    X(EscapeGuardTime, Number, 60, 5100, "S1")      \
    X(EscapeCharacterCode, Number, 1, 255, "S2")    \
    X(CarriageReturnCode, Number, 0, 127, "S3")     \
    X(LineFeedCode, Number, 0, 127, "S4")           \
    X(BackspaceCode, Number, 0, 127, "S5")          \
    X(TestTimer, Number, 0, 255, "S8")              \
    X(ReceiveLevel, Number, 0, 255, "S9")           \
    X(DtrLossTime, Number, 0, 2550, "S10")          \
    X(CommandModeDiagnostic, Number, 0, 255, "S12") \
    X(CountryCode, Number, 0, 10, "S13")            \
    X(RxBufferThreshold, Number, 0, 255, "S18")     \
    X(RxBufferTimeout, Number, 0, 255, "S19")       \
    X(DefaultSystemAddress, Number, 0, 255, "S20")  \
    X(RadioSignature, Number, 0, 3, "S21")

enum class Field : int {
#define CFG_FIELD_ENUM(name, kind, min, max, key) name,
    MODULE_SETTINGS_FIELDS(CFG_FIELD_ENUM)
#undef CFG_FIELD_ENUM
    Count
};

inline constexpr int kFieldCount = static_cast<int>(Field::Count);

enum class FieldKind { Number, Choice, Flag };

struct FieldInfo {
    const char *name;  // "PacketSize", "SerialBaudRate", ...
    FieldKind kind;
    int min;
    int max;  // for UnitAddress the static maximum 127; the model lowers it to 15 with Fast Operation
    const char *key;  // "S14", "&U", ...; nullptr for a setting the module does not hold
};

const FieldInfo &fieldInfo(Field f);

// The module key of a field as a byte string; empty for a setting of this program alone.
QByteArray moduleKey(Field f);
// An S register ("S0" .. "S21"): sent as "ATSn=value", listed as "Sn:value".
bool isSRegister(Field f);

// The window's caption of an operating mode ("Auto-Connect Master", ...; "No Mode").
QString modeCaption(OperatingMode mode);

// The destination field (n = 0..3) and repeater field (k = 1..5) of a stored destination.
Field routeDestination(int n);
Field routeRepeater(int n, int k);

struct ModuleSettings {
    OperatingMode mode = OperatingMode::None;
    std::array<int, kFieldCount> values{};  // indexed by Field; flags are 0 or 1

    int operator[](Field f) const { return values[static_cast<std::size_t>(f)]; }
    int &operator[](Field f) { return values[static_cast<std::size_t>(f)]; }
    bool flag(Field f) const { return (*this)[f] != 0; }

    bool operator==(const ModuleSettings &) const = default;
};
