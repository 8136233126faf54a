#pragma once

#include "settings/ModuleSettings.h"

#include <QByteArray>

#include <array>

// The 40 commands that configure a module completely, in the order they are sent.
inline constexpr int kCommandCount = 40;
using CommandList = std::array<QByteArray, kCommandCount>;

// Command prefixes, one per CommandList entry, made of the fields' module keys
// ("ATS14=", "AT&U", ...); every build starts from a copy of it.
const std::array<QByteArray, kCommandCount> &commandTemplate();

// The command that sets a field's module key, without its value: "AT" + key, with
// "=" after an S register or a route ("ATS14=", "AT&Z1=", "AT&K", "ATC").
QByteArray commandPrefix(Field f);

// An entry never grows beyond this many characters.
inline constexpr int kMaxCommandLength = 255;

// Builds the CommandList from the settings. Each entry starts as its template prefix
// and gets exactly one value appended. Reads nothing but the ModuleSettings it is given.
class CommandBuilder {
public:
    CommandBuilder(const ModuleSettings &settings, CommandList &list);

    // Appends value to entry index (0..39), cutting the result to 255 characters.
    void append(int index, const QByteArray &value);
    // Entries 0..9, 11, 14..32 and 38: the values every mode sends the same way.
    void addCommonSettings();
    // The four stored-destination routes (entries 36, 33, 34, 35).
    void addRoutes();
    // Whole list for OperatingMode::Transparent / OperatingMode::TransparentRepeater.
    void buildTransparent();
    // Whole list for the controlled modes.
    void buildControlled();

private:
    void copyTemplate();
    void add(int index, int value);
    int v(Field f) const { return m_s[f]; }

    const ModuleSettings &m_s;
    CommandList &m_list;
};

// Builds by mode: controlled modes through buildControlled, everything else through
// buildTransparent. Callers refuse OperatingMode::None before building.
CommandList buildCommandList(const ModuleSettings &settings);

// Route text of stored destination n (0..3): repeaters up to the first zero, each
// followed by a comma, then the destination; empty when the destination is 0 and no
// repeater stands before it.
QByteArray routeText(const ModuleSettings &settings, int n);

// "AT&B" character-format code and "AT&K" flow-control code.
int characterFormatCode(const ModuleSettings &settings);
int flowControlCode(int serialFlowIndex);

// One space in front of every entry, entries 0..39 in order.
QByteArray joinCommandList(const CommandList &list);
