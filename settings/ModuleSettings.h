#pragma once

#include "settings/Types.h"

#include <array>

// Every setting of one module as the main window edits it. Each field is named after
// the control that shows it; a second control showing the same value (ed_CM_SysAdd,
// Radio_PackSize, ...) is a view of the field listed here.
//
// X(name, kind, min, max): kind is Number (whole number in min..max), Choice (0-based
// index into a fixed list; a listing may hand over an index beyond the list, which is
// kept as read) or Flag (0 off, 1 on).
#define MODULE_SETTINGS_FIELDS(X)              \
    X(ed_TM_SysAdd, Number, 0, 255)            \
    X(ed_TM_GrpAdd1, Number, 0, 255)           \
    X(ed_TM_GrpAdd2, Number, 1, 255)           \
    X(TM_Auto_OnLine, Flag, 0, 1)              \
    X(ed_CM_UnitAdd, Number, 1, 127)           \
    X(chk_CM_Fast, Flag, 0, 1)                 \
    X(chk_CM_LowPow, Flag, 0, 1)               \
    X(sreg_7, Number, 1, 255)                  \
    X(sreg_11, Number, 0, 255)                 \
    X(sreg_6, Number, 0, 255)                  \
    X(ed_CM_LinkRst, Number, 0, 255)           \
    X(Z0_Dest, Number, 0, 255)                 \
    X(Z1_Dest, Number, 0, 255)                 \
    X(Z2_Dest, Number, 0, 255)                 \
    X(Z3_Dest, Number, 0, 255)                 \
    X(Z0_Rpt1, Number, 0, 127)                 \
    X(Z0_Rpt2, Number, 0, 127)                 \
    X(Z0_Rpt3, Number, 0, 127)                 \
    X(Z0_Rpt4, Number, 0, 127)                 \
    X(Z0_Rpt5, Number, 0, 127)                 \
    X(Z1_Rpt1, Number, 0, 127)                 \
    X(Z1_Rpt2, Number, 0, 127)                 \
    X(Z1_Rpt3, Number, 0, 127)                 \
    X(Z1_Rpt4, Number, 0, 127)                 \
    X(Z1_Rpt5, Number, 0, 127)                 \
    X(Z2_Rpt1, Number, 0, 127)                 \
    X(Z2_Rpt2, Number, 0, 127)                 \
    X(Z2_Rpt3, Number, 0, 127)                 \
    X(Z2_Rpt4, Number, 0, 127)                 \
    X(Z2_Rpt5, Number, 0, 127)                 \
    X(Z3_Rpt1, Number, 0, 127)                 \
    X(Z3_Rpt2, Number, 0, 127)                 \
    X(Z3_Rpt3, Number, 0, 127)                 \
    X(Z3_Rpt4, Number, 0, 127)                 \
    X(Z3_Rpt5, Number, 0, 127)                 \
    X(Radio_DataRate, Choice, 0, 2)            \
    X(Radio_Crc, Choice, 0, 1)                 \
    X(sreg_14, Number, 20, 530)                \
    X(sreg_16, Number, 0, 255)                 \
    X(sreg_17, Number, 0, 255)                 \
    X(Serial_Baud, Choice, 0, 13)              \
    X(Serial_Data, Choice, 0, 1)               \
    X(Serial_Stop, Choice, 0, 1)               \
    X(Serial_Parity, Choice, 0, 3)             \
    X(Serial_Flow, Choice, 0, 3)               \
    X(Serial_DTR, Choice, 0, 3)                \
    X(Serial_DCD, Choice, 0, 2)                \
    X(Modbus_CheckBox, Flag, 0, 1)             \
    X(Adv_Echo, Flag, 0, 1)                    \
    X(Adv_Resp, Flag, 0, 1)                    \
    X(Adv_Numeric, Flag, 0, 1)                 \
    X(Adv_Abort, Flag, 0, 1)                   \
    X(Adv_Response, Choice, 0, 3)              \
    X(sreg_0, Number, 0, 255)                  \
    X(sreg_1, Number, 60, 5100)                \
    X(sreg_2, Number, 1, 255)                  \
    X(sreg_3, Number, 0, 127)                  \
    X(sreg_4, Number, 0, 127)                  \
    X(sreg_5, Number, 0, 127)                  \
    X(sreg_8, Number, 0, 255)                  \
    X(sreg_9, Number, 0, 255)                  \
    X(sreg_10, Number, 0, 2550)                \
    X(sreg_12, Number, 0, 255)                 \
    X(sreg_13, Number, 0, 10)                  \
    X(sreg_18, Number, 0, 255)                 \
    X(sreg_19, Number, 0, 255)                 \
    X(sreg_20, Number, 0, 255)                 \
    X(sreg_21, Number, 0, 3)

enum class Field : int {
#define CFG_FIELD_ENUM(name, kind, min, max) name,
    MODULE_SETTINGS_FIELDS(CFG_FIELD_ENUM)
#undef CFG_FIELD_ENUM
    Count
};

inline constexpr int kFieldCount = static_cast<int>(Field::Count);

enum class FieldKind { Number, Choice, Flag };

struct FieldInfo {
    const char *name;  // "sreg_14", "Serial_Baud", ...
    FieldKind kind;
    int min;
    int max;  // for ed_CM_UnitAdd the static maximum 127; the model lowers it to 15 with Fast Operation
};

const FieldInfo &fieldInfo(Field f);

// The destination field (n = 0..3) and repeater field (k = 1..5) of a stored destination.
Field destField(int n);
Field repeaterField(int n, int k);

struct ModuleSettings {
    ::OperatingMode OperatingMode = ::OperatingMode::OpNone;
    std::array<int, kFieldCount> values{};  // indexed by Field; flags are 0 or 1

    int operator[](Field f) const { return values[static_cast<int>(f)]; }
    int &operator[](Field f) { return values[static_cast<int>(f)]; }
    bool flag(Field f) const { return (*this)[f] != 0; }

    bool operator==(const ModuleSettings &) const = default;
};
