#pragma once

#include "settings/ModuleSettings.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <utility>

namespace codectest {

inline QByteArray readData(const QString &relative) {
    QFile f(QStringLiteral(CFG_TEST_DATA_DIR "/") + relative);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// The values both examples share: a fresh program's registers and addresses.
inline ModuleSettings exampleBase(OperatingMode mode) {
    ModuleSettings s;
    s.OperatingMode = mode;
    s[Field::ed_CM_UnitAdd] = 1;
    s[Field::ed_TM_GrpAdd2] = 1;
    s[Field::Serial_Data] = 1;
    for (const auto &[f, v] : {std::pair{Field::sreg_0, 1}, {Field::sreg_1, 1000}, {Field::sreg_2, 43},
                               {Field::sreg_3, 13}, {Field::sreg_4, 10}, {Field::sreg_5, 8}, {Field::sreg_7, 5},
                               {Field::sreg_10, 10}, {Field::sreg_14, 530}, {Field::sreg_21, 1}})
        s[f] = v;
    return s;
}

// The settings of the Auto-Connect Master example: every field named, the rest as a
// fresh program has them.
inline ModuleSettings masterExample() {
    ModuleSettings s = exampleBase(OperatingMode::OpAutoConnectMaster);
    s[Field::ed_TM_SysAdd] = 17;
    s[Field::ed_TM_GrpAdd1] = 1;
    s[Field::TM_Auto_OnLine] = 1;
    s[Field::Z0_Dest] = 2;
    s[Field::Z0_Rpt1] = 5;
    s[Field::Serial_Baud] = 4;
    s[Field::Serial_Flow] = 2;
    s[Field::Serial_DCD] = 1;
    s[Field::sreg_18] = 120;
    s[Field::sreg_19] = 5;
    s[Field::sreg_20] = 100;
    return s;
}

// The Transparent Mode example whose file line is kept in golden/transparent_example.40B.
inline ModuleSettings transparentExample() {
    ModuleSettings s = exampleBase(OperatingMode::OpTransparent);
    s[Field::Serial_Baud] = 6;
    s[Field::Radio_Crc] = 1;
    return s;
}

}  // namespace codectest
