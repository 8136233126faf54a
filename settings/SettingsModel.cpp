#include "settings/SettingsModel.h"

#include "settings/SerialParams.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

const QString SettingsModel::kAskEnableThresholds =
    QStringLiteral("Automatically adjust threshold registers S18 & S19 (recommended)?");
const QString SettingsModel::kAskClearThresholds =
    QStringLiteral("Threshold registers S18 & S19 will be cleared continue?");
const QString SettingsModel::kAskAdjustThresholds = QStringLiteral("Automatically adjust S18 & S19 (recommended)?");
const QString SettingsModel::kUnsupportedBaudText = QStringLiteral(
    "The selected Baud Rate is not supported by windows.\r\n"
    "Once configured with this value, windows will be unable to communicate with the module.");

namespace {
constexpr int kFastUnitAddMax = 15;
constexpr int kLowPowerDtr = 3;  // "Low Power, Disconnect"

// Whole-number result of a threshold formula: the ceiling, clamped into a register.
int ceilToRegister(double v) {
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(std::ceil(v), 0.0, 255.0));
}

int randomSystemAddress() {
    std::mt19937 gen(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return std::uniform_int_distribution<int>(1, 254)(gen);
}
}  // namespace

SettingsModel::SettingsModel(const ProductVariant &variant, MessageSink &messages, QObject *parent)
    : QObject(parent), m_variant(variant), m_messages(messages) {}

// --- choices and ranges ---------------------------------------------------------

QStringList SettingsModel::choiceList(Field f, RadioClass radioClass) {
    switch (f) {
    case Field::Radio_DataRate:
        return radioClass == RadioClass::Class740 ? QStringList{"19200", "57600", "115200"}
                                                  : QStringList{"19200", "38400", "76800"};
    case Field::Radio_Crc: return {"Disable CRC Error Checking", "Enable CRC Error Checking"};
    case Field::Serial_Baud:
        return {"115200", "1200",  "2400",  "4800",  "9600",  "14400",  "19200",
                "28800",  "31250", "38400", "57600", "76800", "115200", "93750"};
    case Field::Serial_Data: return {"7", "8"};
    case Field::Serial_Stop: return {"1", "2"};
    case Field::Serial_Parity: return {"None", "Zero", "Odd", "Even"};
    case Field::Serial_Flow: return {"None", "CTS/RTS", "RS-485", "XON/XOFF"};
    case Field::Serial_DTR:
        return {"Ignore DTR", "Command Mode", "Command Mode, Disconnect", "Low Power, Disconnect"};
    case Field::Serial_DCD: return {"Always On", "Only High When Connected", "Pulse Low on Disconnect"};
    case Field::Adv_Response:
        return {"X0:= Basic ", "X1:= X0 + Connect Rate", "X2:= X1 + BUSY Message", "X3:= X2 + RINGING Message"};
    default: return {};
    }
}

QStringList SettingsModel::choiceItems(Field f) const { return choiceList(f, m_variant.radioClass); }

std::optional<int> SettingsModel::radioDataRate(RadioClass radioClass, int index) {
    const QStringList rates = choiceList(Field::Radio_DataRate, radioClass);
    if (index < 0 || index >= rates.size())
        return std::nullopt;
    return rates[index].toInt();
}

int SettingsModel::minimum(Field f) const { return fieldInfo(f).min; }

int SettingsModel::maximum(Field f) const {
    return f == Field::ed_CM_UnitAdd ? m_unitAddMax : fieldInfo(f).max;
}

int SettingsModel::clampValue(Field f, int value) const {
    const FieldInfo &info = fieldInfo(f);
    switch (info.kind) {
    // The unit address takes the limit in force (15 under Fast Operation).
    case FieldKind::Number: return std::clamp(value, info.min, maximum(f));
    case FieldKind::Choice: return std::max(value, 0);  // a listing may hand over an index beyond the list
    case FieldKind::Flag: return value != 0 ? 1 : 0;
    }
    return value;
}

// --- program changes ------------------------------------------------------------

bool SettingsModel::store(Field f, int value) {
    if (m_settings[f] == value)
        return false;
    m_settings[f] = value;
    Q_EMIT fieldChanged(f, value);
    return true;
}

void SettingsModel::set(Field f, int value) {
    if (f == Field::Modbus_CheckBox) {
        Modbus_CheckBoxCheck(value != 0);
        return;
    }
    if (store(f, clampValue(f, value)))
        runChangeRule(f);
}

void SettingsModel::runChangeRule(Field f) {
    switch (f) {
    case Field::chk_CM_Fast: chk_CM_FastClick(); break;
    case Field::chk_CM_LowPow: chk_CM_LowPowClick(); break;
    case Field::Radio_DataRate: QueryThresholdAdjust(); break;
    default: break;
    }
}

void SettingsModel::selectMode(OperatingMode m) {
    if (m == m_settings.OperatingMode)
        return;
    m_settings.OperatingMode = m;
    Q_EMIT modeChanged(m);
    runModeRule(m);
}

void SettingsModel::runModeRule(OperatingMode m) {
    switch (m) {
    case OperatingMode::OpTransparent:
    case OperatingMode::OpTransparentRepeater:
        // Fast Operation and Low Power Mode belong to the controlled modes.
        set(Field::chk_CM_Fast, 0);
        set(Field::chk_CM_LowPow, 0);
        break;
    case OperatingMode::OpAutoConnectMaster:
        set(Field::ed_CM_UnitAdd, 1);
        set(Field::Z0_Dest, 2);
        break;
    case OperatingMode::OpAutoConnectSlave:
        set(Field::ed_CM_UnitAdd, 2);
        set(Field::Z0_Dest, 0);
        break;
    case OperatingMode::OpSingleConnect:
    case OperatingMode::OpNone:
        break;
    }
}

void SettingsModel::replaceAll(const ModuleSettings &s) {
    if (s.OperatingMode != m_settings.OperatingMode) {
        m_settings.OperatingMode = s.OperatingMode;
        Q_EMIT modeChanged(s.OperatingMode);
    }
    // The new Fast Operation flag sets the unit address limit its value is clamped to.
    const int max = s.flag(Field::chk_CM_Fast) ? kFastUnitAddMax : fieldInfo(Field::ed_CM_UnitAdd).max;
    const bool maxChanged = max != m_unitAddMax;
    m_unitAddMax = max;
    for (int i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        store(f, clampValue(f, s[f]));
    }
    if (maxChanged)
        Q_EMIT maximumChanged(Field::ed_CM_UnitAdd, max);
}

void SettingsModel::SetDefaults() {
    ProgramUpdate update(*this);
    Q_EMIT defaultsApplied();

    selectMode(OperatingMode::OpTransparent);

    set(Field::ed_TM_SysAdd, 0);
    set(Field::ed_CM_UnitAdd, 1);
    set(Field::chk_CM_Fast, 0);
    set(Field::chk_CM_LowPow, 0);

    set(Field::Z0_Dest, 2);
    for (int n = 1; n < 4; ++n)
        set(destField(n), 0);
    for (int n = 0; n < 4; ++n)
        for (int k = 1; k <= 5; ++k)
            set(repeaterField(n, k), 0);

    set(Field::ed_TM_SysAdd, randomSystemAddress());  // shown by ed_CM_SysAdd as well

    set(Field::ed_TM_GrpAdd1, 1);
    set(Field::ed_TM_GrpAdd2, 1);
    set(Field::TM_Auto_OnLine, 1);

    set(Field::Radio_DataRate, 0);
    set(Field::Radio_Crc, 0);
    set(Field::sreg_14, 530);

    set(Field::Serial_Baud, 4);
    set(Field::Serial_Data, 1);
    set(Field::Serial_Stop, 0);
    set(Field::Serial_Parity, 0);
    set(Field::Serial_Flow, 2);

    m_savedDtrChoice = 0;
    set(Field::Serial_DTR, 0);
    set(Field::Serial_DCD, 1);
    set(Field::Adv_Response, 0);
    set(Field::Adv_Echo, 0);
    set(Field::Adv_Resp, 0);
    set(Field::Adv_Numeric, 0);
    set(Field::Adv_Abort, 0);

    set(Field::ed_CM_LinkRst, 0);

    set(Field::sreg_0, 1);
    set(Field::sreg_1, 1000);
    set(Field::sreg_2, 43);
    set(Field::sreg_3, 13);
    set(Field::sreg_4, 10);
    set(Field::sreg_5, 8);
    set(Field::sreg_6, 0);
    set(Field::sreg_7, 5);
    set(Field::sreg_8, 0);
    set(Field::sreg_9, 0);
    set(Field::sreg_10, 10);
    set(Field::sreg_11, 0);
    set(Field::sreg_12, 0);
    set(Field::sreg_13, 0);
    set(Field::sreg_14, 530);
    set(Field::sreg_16, 0);
    set(Field::sreg_17, 0);
    set(Field::sreg_18, 0);
    set(Field::sreg_19, 0);

    Modbus_CheckBoxCheck(true);
    AdjustThresholdRegisters(true);

    set(Field::sreg_17, 0);
    set(Field::sreg_20, 100);
    set(Field::sreg_21, 1);
}

// --- user actions ---------------------------------------------------------------

void SettingsModel::userChose(Field f, int index) {
    set(f, index);
    if (f == Field::Serial_Baud)
        Serial_BaudChange();
}

void SettingsModel::Serial_BaudChange() {
    const int baud = get(Field::Serial_Baud);
    if (baud == 8 || baud == 11 || baud == 13)
        m_messages.show(MessageSink::Icon::Information, MessageSink::Buttons::Ok, kUnsupportedBaudText);
    QueryThresholdAdjust();
}

void SettingsModel::userClickedPlcMode() {
    if (m_plcGuard)
        return;
    const int before = get(Field::Modbus_CheckBox);
    EnableThresholdRegisters(before == 0);
    if (get(Field::Modbus_CheckBox) == before) {
        // The view's box toggled on the click; put it back to the state kept.
        QScopedValueRollback guard(m_plcGuard, true);
        Q_EMIT fieldChanged(Field::Modbus_CheckBox, before);
    }
}

void SettingsModel::leaveField(Field f, int value) {
    if (fieldInfo(f).kind != FieldKind::Number) {
        set(f, value);
        return;
    }
    int v = clampValue(f, value);
    const int before = get(f);
    switch (f) {
    case Field::ed_CM_UnitAdd:
        // Catches a value typed while the maximum was below the field's own range.
        v = std::min(v, m_unitAddMax);
        set(f, v);
        break;
    case Field::sreg_14:
        // Packet size is an input of the thresholds: offer to recompute when it changed.
        if (v != before) {
            set(f, v);
            QueryThresholdAdjust();
        }
        break;
    case Field::sreg_18:
    case Field::sreg_19:
        set(f, v);
        Modbus_CheckBoxCheck(get(Field::sreg_18) != 0 || get(Field::sreg_19) != 0);
        break;
    default:
        set(f, v);
        break;
    }
    // The control still shows what was typed when the model kept something else.
    if (get(f) == before && get(f) != value)
        Q_EMIT fieldChanged(f, get(f));
}

// --- named rules ----------------------------------------------------------------

void SettingsModel::chk_CM_FastClick() {
    const int max = get(Field::chk_CM_Fast) != 0 ? kFastUnitAddMax : fieldInfo(Field::ed_CM_UnitAdd).max;
    if (max != m_unitAddMax) {
        m_unitAddMax = max;
        Q_EMIT maximumChanged(Field::ed_CM_UnitAdd, max);
    }
    if (get(Field::ed_CM_UnitAdd) > max)
        set(Field::ed_CM_UnitAdd, max);
    QueryThresholdAdjust();  // Fast Operation changes K of the S18 formula
}

void SettingsModel::chk_CM_LowPowClick() {
    if (get(Field::chk_CM_LowPow) != 0)
        set(Field::Serial_DTR, kLowPowerDtr);
    else if (!m_keepDtrOnLowPowOff)
        set(Field::Serial_DTR, m_savedDtrChoice);
}

void SettingsModel::Serial_DTRClick() {
    const int dtr = get(Field::Serial_DTR);
    if (dtr == kLowPowerDtr) {
        set(Field::chk_CM_LowPow, 1);
        return;
    }
    {
        // The DTR choice read from the module stays; it becomes the one to restore.
        QScopedValueRollback keep(m_keepDtrOnLowPowOff, true);
        set(Field::chk_CM_LowPow, 0);
    }
    m_savedDtrChoice = dtr;
}

void SettingsModel::setPlcMode(bool on) { store(Field::Modbus_CheckBox, on ? 1 : 0); }

void SettingsModel::Modbus_CheckBoxCheck(bool on) {
    QScopedValueRollback guard(m_plcGuard, true);
    setPlcMode(on);
}

void SettingsModel::EnableThresholdRegisters(bool on) {
    QScopedValueRollback guard(m_plcGuard, true);
    const auto ask = [this](const QString &text) {
        return m_messages.show(MessageSink::Icon::Question, MessageSink::Buttons::YesNo, text);
    };
    if (on) {
        if (ask(kAskEnableThresholds) == MessageSink::Answer::No) {
            setPlcMode(false);
            return;
        }
        setPlcMode(true);
        AdjustThresholdRegisters(true);
    } else {
        if (ask(kAskClearThresholds) == MessageSink::Answer::No) {
            setPlcMode(true);
            return;
        }
        setPlcMode(false);
        AdjustThresholdRegisters(false);
    }
}

void SettingsModel::QueryThresholdAdjust() {
    // Program updates apply thresholds of their own afterwards; asking would be noise.
    if (!plcMode() || programUpdateActive())
        return;
    if (m_messages.show(MessageSink::Icon::Question, MessageSink::Buttons::YesNo, kAskAdjustThresholds) ==
        MessageSink::Answer::Yes)
        AdjustThresholdRegisters(true);
}

double SettingsModel::thresholdK() const {
    if (m_variant.radioClass == RadioClass::Class620)
        return 0.008;
    return get(Field::chk_CM_Fast) != 0 ? 0.0 : 0.028;
}

void SettingsModel::AdjustThresholdRegisters(bool compute) {
    if (!compute) {
        set(Field::sreg_18, 0);
        set(Field::sreg_19, 0);
        return;
    }
    const std::optional<int> B = moduleBaudRate(get(Field::Serial_Baud));
    const std::optional<int> R = radioDataRate(m_variant.radioClass, get(Field::Radio_DataRate));
    // A choice beyond the list (kept from a listing) has no rate to compute with.
    if (!B || !R)
        return;
    set(Field::sreg_18, thresholdS18(*B, *R, get(Field::sreg_14), thresholdK()));
    set(Field::sreg_19, thresholdS19(*B));
}

int SettingsModel::thresholdS18(double B, double R, double P, double K) {
    if (B <= 0 || R <= 0)
        return 0;
    const double Q = std::round(B / 10.0);
    return ceilToRegister((P - (10.0 * P / R + K) * Q) / 2.0);
}

int SettingsModel::thresholdS19(double B) {
    if (B <= 0)
        return 255;
    return ceilToRegister(40.0 * 1000.0 / B);
}
