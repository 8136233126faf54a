// Executes one command line of the module's AT language against its settings.
#pragma once

#include "Settings.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace modemsim {

struct Identity
{
    std::string model = "740R-B";
    std::string firmware = "1.90";
};

struct LineOutcome
{
    std::string info;           // text replies (listing, identification ...), before the result code
    bool error = false;         // result code ERROR instead of OK
    bool stored = false;        // "&W" ran: the stored profile changed
    bool reset = false;         // "Z": after the reply, back to the stored profile and power-up state
    bool online = false;        // "O": after the reply, back to data mode
    std::optional<int> test;    // "&Tn" started test n
};

class Interpreter
{
public:
    Interpreter(Identity identity, std::vector<std::string> rejectPrefixes, std::set<std::string> omitKeys);

    // `line` is the text before the terminating carriage return. Commands before an error
    // stay applied, those after it are not run; "Z" ends the line.
    LineOutcome execute(const std::string &line, Settings &current, Settings &stored) const;

    // The result code as the settings format it (empty in quiet mode).
    static std::string resultCode(const Settings &s, bool error);

private:
    bool rejected(const std::string &token) const;

    Identity m_identity;
    std::vector<std::string> m_reject;
    std::set<std::string> m_omit;
};

} // namespace modemsim
