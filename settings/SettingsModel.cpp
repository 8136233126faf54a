#include "settings/SettingsModel.h"

#include "settings/ListingParser.h"
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
    case Field::RadioDataRate:
        return radioClass == RadioClass::Class740 ? QStringList{"19200", "57600", "115200"}
                                                  : QStringList{"19200", "38400", "76800"};
    case Field::CrcChecking: return {"Disable CRC Error Checking", "Enable CRC Error Checking"};
    case Field::SerialBaudRate: {
        QStringList rates;
        for (const ModuleRate &r : moduleRates())
            rates << QString::number(r.bitsPerSecond);
        return rates;
    }
    case Field::SerialDataBits: return {"7", "8"};
    case Field::SerialStopBits: return {"1", "2"};
    case Field::SerialParity: return {"None", "Zero", "Odd", "Even"};
    case Field::FlowControl: return {"None", "CTS/RTS", "RS-485", "XON/XOFF"};
    case Field::DtrControl:
        return {"Ignore DTR", "Command Mode", "Command Mode, Disconnect", "Low Power, Disconnect"};
    case Field::DcdControl: return {"Always On", "Only High When Connected", "Pulse Low on Disconnect"};
    case Field::ResponseLevel:
        return {"X0:= Basic ", "X1:= X0 + Connect Rate", "X2:= X1 + BUSY Message", "X3:= X2 + RINGING Message"};
    default: return {};
    }
}

QStringList SettingsModel::choiceItems(Field f) const { return choiceList(f, m_variant.radioClass); }

std::optional<int> SettingsModel::radioDataRate(RadioClass radioClass, int index) {
    const QStringList rates = choiceList(Field::RadioDataRate, radioClass);
    if (index < 0 || index >= rates.size())
        return std::nullopt;
    return rates[index].toInt();
}

int SettingsModel::minimum(Field f) const { return fieldInfo(f).min; }

int SettingsModel::maximum(Field f) const {
    return f == Field::UnitAddress ? m_unitAddMax : fieldInfo(f).max;
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
    if (f == Field::PlcMode) {
        setPlcModeSilently(value != 0);
        return;
    }
    if (store(f, clampValue(f, value)))
        runChangeRule(f);
}

void SettingsModel::runChangeRule(Field f) {
    switch (f) {
    case Field::FastOperation: fastOperationChanged(); break;
    case Field::LowPowerMode: lowPowerModeChanged(); break;
    case Field::RadioDataRate: offerThresholdAdjust(); break;
    default: break;
    }
}

void SettingsModel::selectMode(OperatingMode m) {
    if (m == m_settings.mode)
        return;
    m_settings.mode = m;
    Q_EMIT modeChanged(m);
    runModeRule(m);
}

void SettingsModel::runModeRule(OperatingMode m) {
    switch (m) {
    case OperatingMode::Transparent:
    case OperatingMode::TransparentRepeater:
        // Fast Operation and Low Power Mode belong to the controlled modes.
        set(Field::FastOperation, 0);
        set(Field::LowPowerMode, 0);
        break;
    case OperatingMode::AutoConnectMaster:
        set(Field::UnitAddress, 1);
        set(Field::Route0Destination, 2);
        break;
    case OperatingMode::AutoConnectSlave:
        set(Field::UnitAddress, 2);
        set(Field::Route0Destination, 0);
        break;
    case OperatingMode::SingleConnect:
    case OperatingMode::None:
        break;
    }
}

void SettingsModel::replaceAll(const ModuleSettings &s) {
    if (s.mode != m_settings.mode) {
        m_settings.mode = s.mode;
        Q_EMIT modeChanged(s.mode);
    }
    // The new Fast Operation flag sets the unit address limit its value is clamped to.
    const int max = s.flag(Field::FastOperation) ? kFastUnitAddMax : fieldInfo(Field::UnitAddress).max;
    const bool maxChanged = max != m_unitAddMax;
    m_unitAddMax = max;
    for (int i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        store(f, clampValue(f, s[f]));
    }
    if (maxChanged)
        Q_EMIT maximumChanged(Field::UnitAddress, max);
}

std::optional<int> SettingsModel::applyListing(const ParsedListing &parsed, ListingBase base) {
    ProgramUpdate update(*this);
    if (base == ListingBase::Defaults)
        setDefaultValues();
    std::optional<int> priorSignature;
    for (const ParsedListing::Step &step : parsed.steps) {
        switch (step.action) {
        case ParsedListing::Action::Set:
            if (step.field == Field::RadioSignature)
                priorSignature = get(Field::RadioSignature);
            set(step.field, step.value);
            break;
        case ParsedListing::Action::SelectMode:
            selectMode(static_cast<OperatingMode>(step.value));
            break;
        case ParsedListing::Action::FollowDtr:
            applyDtrRule();
            break;
        case ParsedListing::Action::FollowThresholds:
            setPlcModeSilently(get(Field::RxBufferThreshold) != 0 || get(Field::RxBufferTimeout) != 0);
            break;
        }
    }
    if (parsed.refused) {
        applyDefaults();
        return std::nullopt;
    }
    return priorSignature;
}

void SettingsModel::applyDefaults() {
    ProgramUpdate update(*this);
    Q_EMIT defaultsApplied();
    setDefaultValues();
}

void SettingsModel::setDefaultValues() {

    selectMode(OperatingMode::Transparent);

    set(Field::SystemAddress, 0);
    set(Field::UnitAddress, 1);
    set(Field::FastOperation, 0);
    set(Field::LowPowerMode, 0);

    set(Field::Route0Destination, 2);
    for (int n = 1; n < 4; ++n)
        set(routeDestination(n), 0);
    for (int n = 0; n < 4; ++n)
        for (int k = 1; k <= 5; ++k)
            set(routeRepeater(n, k), 0);

    set(Field::SystemAddress, randomSystemAddress());  // shown on both mode panels

    set(Field::GroupAddress1, 1);
    set(Field::GroupAddress2, 1);
    set(Field::OnLineAtStartup, 1);

    set(Field::RadioDataRate, 0);
    set(Field::CrcChecking, 0);
    set(Field::PacketSize, 530);

    set(Field::SerialBaudRate, 4);
    set(Field::SerialDataBits, 1);
    set(Field::SerialStopBits, 0);
    set(Field::SerialParity, 0);
    set(Field::FlowControl, 2);

    m_savedDtrChoice = 0;
    set(Field::DtrControl, 0);
    set(Field::DcdControl, 1);
    set(Field::ResponseLevel, 0);
    set(Field::EchoOff, 0);
    set(Field::ResponseCodesOff, 0);
    set(Field::NumericResponses, 0);
    set(Field::AbortModeOff, 0);

    set(Field::InactivityTimeout, 0);

    set(Field::AnswerAttempts, 1);
    set(Field::EscapeGuardTime, 1000);
    set(Field::EscapeCharacterCode, 43);
    set(Field::CarriageReturnCode, 13);
    set(Field::LineFeedCode, 10);
    set(Field::BackspaceCode, 8);
    set(Field::LinkCheckInterval, 0);
    set(Field::ConnectAttempts, 5);
    set(Field::TestTimer, 0);
    set(Field::ReceiveLevel, 0);
    set(Field::DtrLossTime, 10);
    set(Field::DisconnectDelay, 0);
    set(Field::CommandModeDiagnostic, 0);
    set(Field::CountryCode, 0);
    set(Field::PacketSize, 530);
    set(Field::TxHoldOff, 0);
    set(Field::RxHoldOff, 0);
    set(Field::RxBufferThreshold, 0);
    set(Field::RxBufferTimeout, 0);

    setPlcModeSilently(true);
    adjustThresholds(true);

    set(Field::RxHoldOff, 0);
    set(Field::DefaultSystemAddress, 100);
    set(Field::RadioSignature, 1);
}

// --- user actions ---------------------------------------------------------------

void SettingsModel::userChose(Field f, int index) {
    set(f, index);
    if (f == Field::SerialBaudRate)
        serialBaudRateChosen();
}

void SettingsModel::serialBaudRateChosen() {
    const std::optional<ModuleRate> rate = moduleRate(get(Field::SerialBaudRate));
    if (rate && !rate->pcFollows)
        m_messages.show(MessageSink::Icon::Information, MessageSink::Buttons::Ok, kUnsupportedBaudText);
    offerThresholdAdjust();
}

void SettingsModel::userClickedPlcMode() {
    if (m_plcGuard)
        return;
    const int before = get(Field::PlcMode);
    enableThresholds(before == 0);
    if (get(Field::PlcMode) == before) {
        // The view's box toggled on the click; put it back to the state kept.
        QScopedValueRollback guard(m_plcGuard, true);
        Q_EMIT fieldChanged(Field::PlcMode, before);
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
    case Field::UnitAddress:
        // Catches a value typed while the maximum was below the field's own range.
        v = std::min(v, m_unitAddMax);
        set(f, v);
        break;
    case Field::PacketSize:
        // Packet size is an input of the thresholds: offer to recompute when it changed.
        if (v != before) {
            set(f, v);
            offerThresholdAdjust();
        }
        break;
    case Field::RxBufferThreshold:
    case Field::RxBufferTimeout:
        set(f, v);
        setPlcModeSilently(get(Field::RxBufferThreshold) != 0 || get(Field::RxBufferTimeout) != 0);
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

void SettingsModel::fastOperationChanged() {
    const int max = get(Field::FastOperation) != 0 ? kFastUnitAddMax : fieldInfo(Field::UnitAddress).max;
    if (max != m_unitAddMax) {
        m_unitAddMax = max;
        Q_EMIT maximumChanged(Field::UnitAddress, max);
    }
    if (get(Field::UnitAddress) > max)
        set(Field::UnitAddress, max);
    offerThresholdAdjust();  // Fast Operation changes K of the S18 formula
}

void SettingsModel::lowPowerModeChanged() {
    if (get(Field::LowPowerMode) != 0)
        set(Field::DtrControl, kLowPowerDtr);
    else if (!m_keepDtrOnLowPowOff)
        set(Field::DtrControl, m_savedDtrChoice);
}

void SettingsModel::applyDtrRule() {
    const int dtr = get(Field::DtrControl);
    if (dtr == kLowPowerDtr) {
        set(Field::LowPowerMode, 1);
        return;
    }
    {
        // The DTR choice read from the module stays; it becomes the one to restore.
        QScopedValueRollback keep(m_keepDtrOnLowPowOff, true);
        set(Field::LowPowerMode, 0);
    }
    m_savedDtrChoice = dtr;
}

void SettingsModel::setPlcMode(bool on) { store(Field::PlcMode, on ? 1 : 0); }

void SettingsModel::setPlcModeSilently(bool on) {
    QScopedValueRollback guard(m_plcGuard, true);
    setPlcMode(on);
}

void SettingsModel::enableThresholds(bool on) {
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
        adjustThresholds(true);
    } else {
        if (ask(kAskClearThresholds) == MessageSink::Answer::No) {
            setPlcMode(true);
            return;
        }
        setPlcMode(false);
        adjustThresholds(false);
    }
}

void SettingsModel::offerThresholdAdjust() {
    // Program updates apply thresholds of their own afterwards; asking would be noise.
    if (!plcMode() || programUpdateActive())
        return;
    if (m_messages.show(MessageSink::Icon::Question, MessageSink::Buttons::YesNo, kAskAdjustThresholds) ==
        MessageSink::Answer::Yes)
        adjustThresholds(true);
}

double SettingsModel::thresholdK() const {
    if (m_variant.radioClass == RadioClass::Class620)
        return 0.008;
    return get(Field::FastOperation) != 0 ? 0.0 : 0.028;
}

void SettingsModel::adjustThresholds(bool compute) {
    if (!compute) {
        set(Field::RxBufferThreshold, 0);
        set(Field::RxBufferTimeout, 0);
        return;
    }
    const std::optional<ModuleRate> B = moduleRate(get(Field::SerialBaudRate));
    const std::optional<int> R = radioDataRate(m_variant.radioClass, get(Field::RadioDataRate));
    // A choice beyond the list (kept from a listing) has no rate to compute with.
    if (!B || !R)
        return;
    set(Field::RxBufferThreshold, thresholdS18(B->bitsPerSecond, *R, get(Field::PacketSize), thresholdK()));
    set(Field::RxBufferTimeout, thresholdS19(B->bitsPerSecond));
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
