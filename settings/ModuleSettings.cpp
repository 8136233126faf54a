#include "settings/ModuleSettings.h"

namespace {
constexpr FieldInfo kFields[] = {
#define CFG_FIELD_INFO(name, kind, min, max) {#name, FieldKind::kind, min, max},
    MODULE_SETTINGS_FIELDS(CFG_FIELD_INFO)
#undef CFG_FIELD_INFO
};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == kFieldCount);
}  // namespace

const FieldInfo &fieldInfo(Field f) { return kFields[static_cast<int>(f)]; }

Field destField(int n) { return static_cast<Field>(static_cast<int>(Field::Z0_Dest) + n); }

Field repeaterField(int n, int k) {
    return static_cast<Field>(static_cast<int>(Field::Z0_Rpt1) + 5 * n + (k - 1));
}
