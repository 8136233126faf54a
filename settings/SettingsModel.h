#pragma once

#include "settings/MessageSink.h"
#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QObject>
#include <QStringList>

#include <optional>

struct ParsedListing;

// Holds the one ModuleSettings of the program and applies the rules that tie its
// fields together. Runs without a display: questions and messages go through the
// MessageSink. Announces real changes only (a set to the value already held emits
// nothing). The main window is a view of it.
//
// Two kinds of entry point:
//  - program changes (set, selectMode, applyDefaults, applyListing) run the rules
//    that fire on every change of state: mode selection, FastOperation, LowPowerMode,
//    RadioDataRate;
//  - user actions (userChose, userClickedPlcMode, leaveField) additionally run the
//    rules that fire only on a choice made by the user.
// The S18/S19 question (offerThresholdAdjust) is asked on a change of RadioDataRate
// or FastOperation unless a ProgramUpdate is alive; applyDefaults holds one itself.
class SettingsModel : public QObject {
    Q_OBJECT
public:
    SettingsModel(const ProductVariant &variant, MessageSink &messages, QObject *parent = nullptr);

    const ModuleSettings &settings() const { return m_settings; }
    const ProductVariant &variant() const { return m_variant; }
    MessageSink &messages() const { return m_messages; }
    int get(Field f) const { return m_settings[f]; }
    OperatingMode mode() const { return m_settings.mode; }

    // Fixed lists of choices as the window shows them (RadioDataRate depends on the class).
    QStringList choiceItems(Field f) const;
    int minimum(Field f) const;
    int maximum(Field f) const;  // UnitAddress: 15 while Fast Operation is on, else 127

    // --- program changes ---------------------------------------------------------
    // Every field to its default, in the order the rules need; emits defaultsApplied
    // first. Asks nothing.
    void applyDefaults();
    // Sets a field, clamping numbers into range; runs the change rule of FastOperation,
    // LowPowerMode and RadioDataRate when their value really changes. PlcMode
    // set here goes through setPlcModeSilently (no question).
    void set(Field f, int value);
    // Selecting a mode button: sets OperatingMode and runs the mode's selection rule
    // when the mode really changes.
    void selectMode(OperatingMode m);
    // Replaces the whole settings (values clamped) without running any rule.
    void replaceAll(const ModuleSettings &s);
    // What a parsed listing is applied onto: the settings held, or the defaults
    // (not announced with defaultsApplied, so a read keeps its log).
    enum class ListingBase { Current, Defaults };
    // A parsed listing or file line applied as one program update. A refused listing
    // leaves the defaults, announced. Returns the radio signature held just before the
    // listing's own was set (nullopt when refused).
    std::optional<int> applyListing(const ParsedListing &parsed, ListingBase base = ListingBase::Current);

    // --- user actions ----------------------------------------------------------
    // A drop-down choice made by the user (SerialBaudRate runs serialBaudRateChosen; the
    // others change nothing else). Choice groups and check boxes use set().
    void userChose(Field f, int index);
    // The user clicked the "PLC Mode" box. The view's box has toggled already, so the box's final
    // state is always announced, also when the answer puts it back.
    void userClickedPlcMode();
    // The user left a numeric field (or its mirror control) after it clamped its
    // value: stores the value and runs the field's leave rule. When the model keeps
    // a value other than the one handed in (clamped), it announces the kept one so
    // the control shows it.
    void leaveField(Field f, int value);

    // --- named rules -----------------------------------------------------------
    // Low Power Mode follows a DTR choice read from a module (a parsed listing).
    void applyDtrRule();
    // PLC mode and its box to `on` without the box's click rule.
    void setPlcModeSilently(bool on);
    // Asks, then switches PLC mode on (thresholds computed) or off (cleared).
    void enableThresholds(bool on);
    // S18 and S19 computed, or both 0.
    void adjustThresholds(bool compute);
    // In PLC mode, asks whether to recompute S18 and S19.
    void offerThresholdAdjust();
    int savedDtrChoice() const { return m_savedDtrChoice; }
    bool plcMode() const { return m_settings.flag(Field::PlcMode); }

    // While a ProgramUpdate is alive (applyDefaults, applying a listing or a file), the
    // changes the program makes do not ask the S18/S19 question: whatever is applied
    // afterwards overwrites the thresholds anyway.
    class ProgramUpdate {
    public:
        explicit ProgramUpdate(SettingsModel &m) : m_model(m) { ++m_model.m_programUpdates; }
        ~ProgramUpdate() { --m_model.m_programUpdates; }
        ProgramUpdate(const ProgramUpdate &) = delete;
        ProgramUpdate &operator=(const ProgramUpdate &) = delete;
    private:
        SettingsModel &m_model;
    };

    // Pure S18/S19 computation (B = module baud, R = radio rate, P = packet size, K seconds).
    static int thresholdS18(double B, double R, double P, double K);
    static int thresholdS19(double B);

    // The choices of a drop-down list or choice group for a radio class; empty for
    // fields that are not choices.
    static QStringList choiceList(Field f, RadioClass radioClass);
    // The radio data rate of a RadioDataRate choice; nullopt beyond the list.
    static std::optional<int> radioDataRate(RadioClass radioClass, int index);
    // K of the S18 formula for the current class and Fast Operation state.
    double thresholdK() const;
    bool programUpdateActive() const { return m_programUpdates > 0; }

    // Message texts as displayed.
    static const QString kAskEnableThresholds;   // PLC mode switched on
    static const QString kAskClearThresholds;    // PLC mode switched off
    static const QString kAskAdjustThresholds;   // an input of the computation changed
    static const QString kUnsupportedBaudText;   // SerialBaudRate 31250, 76800, 93750

Q_SIGNALS:
    void fieldChanged(Field f, int value);
    void modeChanged(OperatingMode m);
    void maximumChanged(Field f, int maximum);
    // applyDefaults empties the status line and the log pane of the window.
    void defaultsApplied();

private:
    // Stores a value (already valid) and announces it when it really changed;
    // returns whether it did.
    bool store(Field f, int value);
    void setDefaultValues();  // applyDefaults without its announcement
    int clampValue(Field f, int value) const;
    void runChangeRule(Field f);
    void runModeRule(OperatingMode m);
    void fastOperationChanged();
    void lowPowerModeChanged();
    void serialBaudRateChosen();
    void setPlcMode(bool on);

    ProductVariant m_variant;
    MessageSink &m_messages;
    ModuleSettings m_settings;
    int m_savedDtrChoice = 0;
    bool m_plcGuard = false;
    int m_unitAddMax = 127;
    int m_programUpdates = 0;
    bool m_keepDtrOnLowPowOff = false;  // the DTR rule switches the box off without restoring
};
