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
    s.mode = mode;
    s[Field::UnitAddress] = 1;
    s[Field::GroupAddress2] = 1;
    s[Field::SerialDataBits] = 1;
    for (const auto &[f, v] : {std::pair{Field::AnswerAttempts, 1}, {Field::EscapeGuardTime, 1000}, {Field::EscapeCharacterCode, 43},
                               {Field::CarriageReturnCode, 13}, {Field::LineFeedCode, 10}, {Field::BackspaceCode, 8}, {Field::ConnectAttempts, 5},
                               {Field::DtrLossTime, 10}, {Field::PacketSize, 530}, {Field::RadioSignature, 1}})
        s[f] = v;
    return s;
}

// The settings of the Auto-Connect Master example: every field named, the rest as a
// fresh program has them.
inline ModuleSettings masterExample() {
    ModuleSettings s = exampleBase(OperatingMode::AutoConnectMaster);
    s[Field::SystemAddress] = 17;
    s[Field::GroupAddress1] = 1;
    s[Field::OnLineAtStartup] = 1;
    s[Field::Route0Destination] = 2;
    s[Field::Route0Repeater1] = 5;
    s[Field::SerialBaudRate] = 4;
    s[Field::FlowControl] = 2;
    s[Field::DcdControl] = 1;
    s[Field::RxBufferThreshold] = 120;
    s[Field::RxBufferTimeout] = 5;
    s[Field::DefaultSystemAddress] = 100;
    return s;
}

// The Transparent Mode example whose file line is kept in golden/transparent_example.40B.
inline ModuleSettings transparentExample() {
    ModuleSettings s = exampleBase(OperatingMode::Transparent);
    s[Field::SerialBaudRate] = 6;
    s[Field::CrcChecking] = 1;
    return s;
}

}  // namespace codectest
