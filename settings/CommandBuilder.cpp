#include "settings/CommandBuilder.h"

namespace {
// CommandList entries with a meaning of their own in the build.
enum Entry {
    kRadioRate = 0, kBaud = 1, kEcho = 2, kQuiet = 3, kVerbose = 4, kResponse = 5,
    kFormat = 6, kDcd = 7, kDtr = 8, kCrc = 9, kGroup = 10, kFlow = 11, kSysAdd = 12,
    kUnit = 13, kLinkRst = 14, kFirstSReg = 15, kLastSReg = 32,
    kRoute1 = 33, kRoute2 = 34, kRoute3 = 35, kRoute0 = 36,
    kOnLine = 37, kAbort = 38, kModeCode = 39,
};

// The field whose module key each entry carries, in the order the entries go out.
// The character format (stop bits, data bits, parity) is one entry under "&B", the
// unit address or group address 2 one under "&U", the mode code one under "&M".
constexpr Field kEntryFields[kCommandCount] = {
    Field::RadioDataRate, Field::SerialBaudRate, Field::EchoOff, Field::ResponseCodesOff,
    Field::NumericResponses, Field::ResponseLevel, Field::SerialDataBits, Field::DcdControl,
    Field::DtrControl, Field::CrcChecking, Field::GroupAddress1, Field::FlowControl,
    Field::SystemAddress, Field::UnitAddress, Field::InactivityTimeout,
    // S registers in index order.
    Field::AnswerAttempts, Field::EscapeGuardTime, Field::EscapeCharacterCode, Field::CarriageReturnCode,
    Field::LineFeedCode, Field::BackspaceCode, Field::LinkCheckInterval, Field::ConnectAttempts,
    Field::TestTimer, Field::DtrLossTime, Field::DisconnectDelay, Field::PacketSize,
    Field::TxHoldOff, Field::RxHoldOff, Field::RxBufferThreshold, Field::RxBufferTimeout,
    Field::DefaultSystemAddress, Field::RadioSignature,
    Field::Route1Destination, Field::Route2Destination, Field::Route3Destination, Field::Route0Destination,
    Field::OnLineAtStartup, Field::AbortModeOff, Field::FastOperation,
};

QByteArray number(int value) { return QByteArray::number(value); }
}  // namespace

QByteArray commandPrefix(Field f)
{
    const QByteArray key = moduleKey(f);
    return "AT" + key + (isSRegister(f) || key.startsWith("&Z") ? "=" : "");
}

const std::array<QByteArray, kCommandCount> &commandTemplate()
{
    static const std::array<QByteArray, kCommandCount> prefixes = [] {
        std::array<QByteArray, kCommandCount> p;
        for (int i = 0; i < kCommandCount; ++i)
            p[static_cast<std::size_t>(i)] = commandPrefix(kEntryFields[i]);
        return p;
    }();
    return prefixes;
}

CommandBuilder::CommandBuilder(const ModuleSettings &settings, CommandList &list)
    : m_s(settings), m_list(list) {}

void CommandBuilder::append(int index, const QByteArray &value) {
    QByteArray &entry = m_list.at(static_cast<std::size_t>(index));
    entry.append(value);
    if (entry.size() > kMaxCommandLength)
        entry.truncate(kMaxCommandLength);
}

void CommandBuilder::add(int index, int value) { append(index, number(value)); }

void CommandBuilder::copyTemplate() {
    for (int i = 0; i < kCommandCount; ++i)
        m_list[static_cast<std::size_t>(i)] = commandTemplate()[static_cast<std::size_t>(i)];
}

void CommandBuilder::addCommonSettings() {
    add(kRadioRate, v(Field::RadioDataRate));
    add(kCrc, v(Field::CrcChecking));
    add(kBaud, v(Field::SerialBaudRate));
    add(kFormat, characterFormatCode(m_s));
    add(kFlow, flowControlCode(v(Field::FlowControl)));
    add(kDcd, v(Field::DcdControl));
    add(kDtr, v(Field::DtrControl));
    add(kEcho, m_s.flag(Field::EchoOff) ? 0 : 1);
    add(kQuiet, m_s.flag(Field::ResponseCodesOff) ? 1 : 0);
    add(kVerbose, m_s.flag(Field::NumericResponses) ? 0 : 1);
    add(kAbort, m_s.flag(Field::AbortModeOff) ? 0 : 1);
    add(kResponse, v(Field::ResponseLevel));

    // Three S registers are held in user units here and in the module's own units there.
    for (int index = kFirstSReg; index <= kLastSReg; ++index) {
        const Field f = kEntryFields[index];
        int value = v(f);
        if (f == Field::EscapeGuardTime)
            value /= 20;
        else if (f == Field::DtrLossTime)
            value /= 10;
        else if (f == Field::PacketSize)
            value = value / 2 - 10;
        add(index, value);
    }
    add(kLinkRst, v(Field::InactivityTimeout));
}

void CommandBuilder::addRoutes() {
    const int entries[4] = {kRoute0, kRoute1, kRoute2, kRoute3};
    for (int n = 0; n < 4; ++n)
        append(entries[n], routeText(m_s, n));
}

void CommandBuilder::buildTransparent() {
    copyTemplate();
    add(kSysAdd, v(Field::SystemAddress));
    add(kGroup, v(Field::GroupAddress1));
    if (m_s.mode == OperatingMode::Transparent) {
        add(kUnit, 1);
        add(kModeCode, 0);
    } else {
        add(kUnit, v(Field::GroupAddress2));
        add(kModeCode, 1);
    }
    add(kOnLine, m_s.flag(Field::OnLineAtStartup) ? 1 : 0);
    for (int e : {kRoute0, kRoute1, kRoute2, kRoute3})
        append(e, QByteArray());
    addCommonSettings();
}

void CommandBuilder::buildControlled() {
    copyTemplate();
    add(kSysAdd, v(Field::SystemAddress));
    add(kUnit, v(Field::UnitAddress));
    add(kModeCode, m_s.flag(Field::FastOperation) ? 3 : 2);
    add(kGroup, v(Field::GroupAddress1));
    addRoutes();
    switch (m_s.mode) {
    case OperatingMode::AutoConnectMaster: add(kOnLine, 2); break;
    case OperatingMode::AutoConnectSlave: add(kOnLine, 3); break;
    default: add(kOnLine, 0); break;  // OperatingMode::SingleConnect
    }
    addCommonSettings();
}

CommandList buildCommandList(const ModuleSettings &settings) {
    CommandList list;
    CommandBuilder builder(settings, list);
    if (isControlledMode(settings.mode))
        builder.buildControlled();
    else
        builder.buildTransparent();
    return list;
}

QByteArray routeText(const ModuleSettings &s, int n) {
    const int dest = s[routeDestination(n)];
    QByteArray route;
    for (int k = 1; k <= 5; ++k) {
        const int rpt = s[routeRepeater(n, k)];
        if (rpt != 0) {
            route += number(rpt) + ',';
            if (k == 5)
                route += number(dest);  // five repeaters: the destination follows unseen
        } else {
            // The chain ends at the first zero; a disabled destination empties the route.
            route = dest != 0 ? route + number(dest) : QByteArray();
            break;
        }
    }
    return route;
}

int characterFormatCode(const ModuleSettings &s) {
    return s[Field::SerialStopBits] + 2 * s[Field::SerialDataBits] + 4 * s[Field::SerialParity];
}

int flowControlCode(int serialFlowIndex) {
    switch (serialFlowIndex) {
    case 0: return 0;
    case 1: return 3;
    case 2: return 4;
    case 3: return 5;
    default: return serialFlowIndex;  // an index beyond the list (read from a module) goes out as held
    }
}

QByteArray joinCommandList(const CommandList &list) {
    QByteArray joined;
    for (const QByteArray &entry : list)
        joined += ' ' + entry;
    return joined;
}
