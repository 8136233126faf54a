#include "settings/ModuleSettings.h"

namespace {
constexpr FieldInfo kFields[] = {
#define CFG_FIELD_INFO(name, kind, min, max, key) {#name, FieldKind::kind, min, max, key},
    MODULE_SETTINGS_FIELDS(CFG_FIELD_INFO)
#undef CFG_FIELD_INFO
};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == kFieldCount);
}  // namespace

const FieldInfo &fieldInfo(Field f) { return kFields[static_cast<int>(f)]; }

Field routeDestination(int n) { return static_cast<Field>(static_cast<int>(Field::Route0Destination) + n); }

Field routeRepeater(int n, int k) {
    return static_cast<Field>(static_cast<int>(Field::Route0Repeater1) + 5 * n + (k - 1));
}

QByteArray moduleKey(Field f)
{
    const char *key = fieldInfo(f).key;
    return key ? QByteArray(key) : QByteArray();
}

bool isSRegister(Field f)
{
    const char *key = fieldInfo(f).key;
    return key && key[0] == 'S';
}

QString modeCaption(OperatingMode mode)
{
    switch (mode) {
    case OperatingMode::Transparent: return QStringLiteral("Transparent Mode");
    case OperatingMode::TransparentRepeater: return QStringLiteral("Transparent Repeater");
    case OperatingMode::AutoConnectMaster: return QStringLiteral("Auto-Connect Master");
    case OperatingMode::AutoConnectSlave: return QStringLiteral("Auto-Connect Slave");
    case OperatingMode::SingleConnect: return QStringLiteral("Single-Connect");
    case OperatingMode::None: break;
    }
    return QStringLiteral("No Mode");
}
