#include "settings/CommandBuilder.h"

const std::array<const char *, kCommandCount> CommandTemplate = {
    "ATB",    "ATC",    "ATE",    "ATQ",    "ATV",    "ATX",    "AT&B",   "AT&C",
    "AT&D",   "AT&E",   "AT&G",   "AT&K",   "AT&S",   "AT&U",   "AT\\T",  "ATS0=",
    "ATS1=",  "ATS2=",  "ATS3=",  "ATS4=",  "ATS5=",  "ATS6=",  "ATS7=",  "ATS8=",
    "ATS10=", "ATS11=", "ATS14=", "ATS16=", "ATS17=", "ATS18=", "ATS19=", "ATS20=",
    "ATS21=", "AT&Z1=", "AT&Z2=", "AT&Z3=", "AT&Z0=", "AT&L",   "AT&N",   "AT&M",
};

namespace {
// CommandList entries with a meaning of their own in the build.
enum Entry {
    kRadioRate = 0, kBaud = 1, kEcho = 2, kQuiet = 3, kVerbose = 4, kResponse = 5,
    kFormat = 6, kDcd = 7, kDtr = 8, kCrc = 9, kGroup = 10, kFlow = 11, kSysAdd = 12,
    kUnit = 13, kLinkRst = 14, kFirstSReg = 15, kLastSReg = 32,
    kRoute1 = 33, kRoute2 = 34, kRoute3 = 35, kRoute0 = 36,
    kOnLine = 37, kAbort = 38, kModeCode = 39,
};

QByteArray number(int value) { return QByteArray::number(value); }
}  // namespace

CommandBuilder::CommandBuilder(const ModuleSettings &settings, CommandList &list)
    : m_s(settings), m_list(list) {}

void CommandBuilder::AddToConfig(int index, const QByteArray &value) {
    QByteArray &entry = m_list.at(static_cast<std::size_t>(index));
    entry.append(value);
    if (entry.size() > kMaxCommandLength)
        entry.truncate(kMaxCommandLength);
}

void CommandBuilder::add(int index, int value) { AddToConfig(index, number(value)); }

void CommandBuilder::copyTemplate() {
    for (int i = 0; i < kCommandCount; ++i)
        m_list[static_cast<std::size_t>(i)] = QByteArray(CommandTemplate[static_cast<std::size_t>(i)]);
}

void CommandBuilder::SaveCommonSettings() {
    add(kRadioRate, v(Field::Radio_DataRate));
    add(kCrc, v(Field::Radio_Crc));
    add(kBaud, v(Field::Serial_Baud));
    add(kFormat, CharacterFormatCode(m_s));
    add(kFlow, FlowControlCode(v(Field::Serial_Flow)));
    add(kDcd, v(Field::Serial_DCD));
    add(kDtr, v(Field::Serial_DTR));
    add(kEcho, m_s.flag(Field::Adv_Echo) ? 0 : 1);
    add(kQuiet, m_s.flag(Field::Adv_Resp) ? 1 : 0);
    add(kVerbose, m_s.flag(Field::Adv_Numeric) ? 0 : 1);
    add(kAbort, m_s.flag(Field::Adv_Abort) ? 0 : 1);
    add(kResponse, v(Field::Adv_Response));

    // S registers in index order; three of them are held in user units here and in
    // the module's own units there.
    const Field sregs[] = {Field::sreg_0,  Field::sreg_1,  Field::sreg_2,  Field::sreg_3,
                           Field::sreg_4,  Field::sreg_5,  Field::sreg_6,  Field::sreg_7,
                           Field::sreg_8,  Field::sreg_10, Field::sreg_11, Field::sreg_14,
                           Field::sreg_16, Field::sreg_17, Field::sreg_18, Field::sreg_19,
                           Field::sreg_20, Field::sreg_21};
    static_assert(std::size(sregs) == kLastSReg - kFirstSReg + 1);
    int index = kFirstSReg;
    for (Field f : sregs) {
        int value = v(f);
        if (f == Field::sreg_1)
            value /= 20;
        else if (f == Field::sreg_10)
            value /= 10;
        else if (f == Field::sreg_14)
            value = value / 2 - 10;
        add(index++, value);
    }
    add(kLinkRst, v(Field::ed_CM_LinkRst));
}

void CommandBuilder::SaveRepeaterConfig() {
    const int entries[4] = {kRoute0, kRoute1, kRoute2, kRoute3};
    for (int n = 0; n < 4; ++n)
        AddToConfig(entries[n], RouteText(m_s, n));
}

void CommandBuilder::ConstTranspConfig() {
    copyTemplate();
    add(kSysAdd, v(Field::ed_TM_SysAdd));
    add(kGroup, v(Field::ed_TM_GrpAdd1));
    if (m_s.OperatingMode == OperatingMode::OpTransparent) {
        add(kUnit, 1);
        add(kModeCode, 0);
    } else {
        add(kUnit, v(Field::ed_TM_GrpAdd2));
        add(kModeCode, 1);
    }
    add(kOnLine, m_s.flag(Field::TM_Auto_OnLine) ? 1 : 0);
    for (int e : {kRoute0, kRoute1, kRoute2, kRoute3})
        AddToConfig(e, QByteArray());
    SaveCommonSettings();
}

void CommandBuilder::ConstControlledConfig() {
    copyTemplate();
    add(kSysAdd, v(Field::ed_TM_SysAdd));
    add(kUnit, v(Field::ed_CM_UnitAdd));
    add(kModeCode, m_s.flag(Field::chk_CM_Fast) ? 3 : 2);
    add(kGroup, v(Field::ed_TM_GrpAdd1));
    SaveRepeaterConfig();
    switch (m_s.OperatingMode) {
    case OperatingMode::OpAutoConnectMaster: add(kOnLine, 2); break;
    case OperatingMode::OpAutoConnectSlave: add(kOnLine, 3); break;
    default: add(kOnLine, 0); break;  // OpSingleConnect
    }
    SaveCommonSettings();
}

CommandList BuildCommandList(const ModuleSettings &settings) {
    CommandList list;
    CommandBuilder builder(settings, list);
    if (isControlledMode(settings.OperatingMode))
        builder.ConstControlledConfig();
    else
        builder.ConstTranspConfig();
    return list;
}

QByteArray RouteText(const ModuleSettings &s, int n) {
    const int dest = s[destField(n)];
    QByteArray route;
    for (int k = 1; k <= 5; ++k) {
        const int rpt = s[repeaterField(n, k)];
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

int CharacterFormatCode(const ModuleSettings &s) {
    return s[Field::Serial_Stop] + 2 * s[Field::Serial_Data] + 4 * s[Field::Serial_Parity];
}

int FlowControlCode(int serialFlowIndex) {
    switch (serialFlowIndex) {
    case 0: return 0;
    case 1: return 3;
    case 2: return 4;
    case 3: return 5;
    default: return serialFlowIndex;  // an index beyond the list (read from a module) goes out as held
    }
}

QByteArray JoinCommandList(const CommandList &list) {
    QByteArray joined;
    for (const QByteArray &entry : list)
        joined += ' ' + entry;
    return joined;
}
