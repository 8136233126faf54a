#pragma once

// Shared pieces of the diagnostics tests: a module on a scripted line that answers
// every command (it can be silenced, lose CTS or stall), and the simulated module on
// a pty standing in for COM1.

#include "comm/ModuleChannel.h"
#include "diagnostics/DiagnosticsChannel.h"
#include "tests/support/ScriptedLine.h"
#include "tests/support/SimOnCom1.h"

#include <QByteArray>

#include <memory>

// Answers "AT&Tn\r" with "0n" and every other command with "OK" while `answers`
// holds; the escape, which ends in no carriage return, gets nothing.
inline std::shared_ptr<ScriptedLine> scriptedModule()
{
    auto line = std::make_shared<ScriptedLine>();
    line->module = [](const QByteArray &command) -> QByteArray {
        if (!command.endsWith('\r'))
            return {};
        if (command.startsWith("AT&T"))
            return "\r\n0" + command.mid(4, 1) + "\r\nOK\r\n";
        return "\r\nOK\r\n";
    };
    return line;
}

// Each channel on a port of its own over the one line.
inline ChannelFactory scriptedChannels(std::shared_ptr<ScriptedLine> line)
{
    return [line](const LineSettings &settings) { return std::make_unique<ModuleChannel>(settings, testPort(line)); };
}
