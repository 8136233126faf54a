#pragma once

#include "settings/ModuleSettings.h"

#include <QByteArray>

#include <array>

// The 40 commands that configure a module completely, in the order they are sent.
inline constexpr int kCommandCount = 40;
using CommandList = std::array<QByteArray, kCommandCount>;

// Command prefixes, one per CommandList entry; every build starts from a copy of it.
extern const std::array<const char *, kCommandCount> CommandTemplate;

// An entry never grows beyond this many characters.
inline constexpr int kMaxCommandLength = 255;

// Builds the CommandList from the settings. Each entry starts as its template prefix
// and gets exactly one value appended. Reads nothing but the ModuleSettings it is given.
class CommandBuilder {
public:
    CommandBuilder(const ModuleSettings &settings, CommandList &list);

    // Appends value to entry index (0..39), cutting the result to 255 characters.
    void AddToConfig(int index, const QByteArray &value);
    // Entries 0..9, 11, 14..32 and 38: the values every mode sends the same way.
    void SaveCommonSettings();
    // The four stored-destination routes (entries 36, 33, 34, 35).
    void SaveRepeaterConfig();
    // Whole list for OpTransparent / OpTransparentRepeater.
    void ConstTranspConfig();
    // Whole list for the controlled modes.
    void ConstControlledConfig();

private:
    void copyTemplate();
    void add(int index, int value);
    int v(Field f) const { return m_s[f]; }

    const ModuleSettings &m_s;
    CommandList &m_list;
};

// Builds by mode: controlled modes through ConstControlledConfig, everything else through
// ConstTranspConfig. Callers refuse OpNone before building.
CommandList BuildCommandList(const ModuleSettings &settings);

// Route text of stored destination n (0..3): repeaters up to the first zero, each
// followed by a comma, then the destination; empty when the destination is 0 and no
// repeater stands before it.
QByteArray RouteText(const ModuleSettings &settings, int n);

// "AT&B" character-format code and "AT&K" flow-control code.
int CharacterFormatCode(const ModuleSettings &settings);
int FlowControlCode(int serialFlowIndex);

// One space in front of every entry, entries 0..39 in order.
QByteArray JoinCommandList(const CommandList &list);
