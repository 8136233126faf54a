#include "settings/SettingsComparison.h"

#include "settings/CommandBuilder.h"
#include "settings/ListingParser.h"
#include "settings/MessageSink.h"
#include "settings/SettingsModel.h"

#include <QStringList>

namespace {

QString flagText(int value) { return value != 0 ? QStringLiteral("On") : QStringLiteral("Off"); }

QString userValue(Field f, int value, RadioClass radioClass) {
    switch (fieldInfo(f).kind) {
    case FieldKind::Flag:
        return flagText(value);
    case FieldKind::Choice: {
        const QStringList items = SettingsModel::choiceList(f, radioClass);
        // A listing may hand over an index beyond the list: show the number then.
        return value >= 0 && value < items.size() ? items.at(value) : QString::number(value);
    }
    case FieldKind::Number:
        break;
    }
    return QString::number(value);
}

}  // namespace

QString fieldValueText(Field f, int value, RadioClass radioClass) { return userValue(f, value, radioClass); }

QString fieldLabel(Field f) {
    for (int n = 0; n < 4; ++n) {
        if (f == routeDestination(n))
            return QStringLiteral("Dest Add %1").arg(n + 1);
        for (int k = 1; k <= 5; ++k)
            if (f == routeRepeater(n, k))
                return QStringLiteral("Dest %1 Rpt %2").arg(n + 1).arg(k);
    }
    switch (f) {
    case Field::SystemAddress: return QStringLiteral("System Address");
    case Field::GroupAddress1: return QStringLiteral("Group Address 1");
    case Field::GroupAddress2: return QStringLiteral("Group Address 2");
    case Field::OnLineAtStartup: return QStringLiteral("Go On-Line On Startup");
    case Field::UnitAddress: return QStringLiteral("Unit Address");
    case Field::FastOperation: return QStringLiteral("Fast Operation");
    case Field::LowPowerMode: return QStringLiteral("Low Power Mode");
    case Field::ConnectAttempts: return QStringLiteral("Connection Attempts");
    case Field::DisconnectDelay: return QStringLiteral("Disconnect Delay (sec)");
    case Field::LinkCheckInterval: return QStringLiteral("Link Check Time (sec)");
    case Field::InactivityTimeout: return QStringLiteral("Inactivity Timeout (sec)");
    case Field::RadioDataRate: return QStringLiteral("Data Rate");
    case Field::CrcChecking: return QStringLiteral("CRC Error Checking");
    case Field::PacketSize: return QStringLiteral("Packet Size (bytes)");
    case Field::TxHoldOff: return QStringLiteral("Tx Hold-Off (millisec)");
    case Field::RxHoldOff: return QStringLiteral("Rx Hold-Off (millisec)");
    case Field::SerialBaudRate: return QStringLiteral("Baud Rate");
    case Field::SerialDataBits: return QStringLiteral("Data Bits");
    case Field::SerialStopBits: return QStringLiteral("Stop Bits");
    case Field::SerialParity: return QStringLiteral("Parity");
    case Field::FlowControl: return QStringLiteral("Flow Control");
    case Field::DtrControl: return QStringLiteral("Data Terminal Ready (DTR) Control");
    case Field::DcdControl: return QStringLiteral("Data Carrier Detect (DCD) Control");
    case Field::PlcMode: return QStringLiteral("PLC Mode");
    case Field::EchoOff: return QStringLiteral("Disable Local Echo");
    case Field::ResponseCodesOff: return QStringLiteral("Disable Response Codes");
    case Field::NumericResponses: return QStringLiteral("Numeric Response Codes");
    case Field::AbortModeOff: return QStringLiteral("Disable Abort Connection Mode");
    case Field::ResponseLevel: return QStringLiteral("Response Codes");
    case Field::AnswerAttempts: return QStringLiteral("Connection Attempts before Answer");
    case Field::EscapeGuardTime: return QStringLiteral("Esc Sequence Guard Time (millisec)");
    case Field::EscapeCharacterCode: return QStringLiteral("Esc Sequence Character");
    case Field::CarriageReturnCode: return QStringLiteral("Carriage Return Character");
    case Field::LineFeedCode: return QStringLiteral("Line Feed Character");
    case Field::BackspaceCode: return QStringLiteral("Back Space Character");
    case Field::TestTimer: return QStringLiteral("Test Timer (sec)");
    case Field::ReceiveLevel: return QStringLiteral("Module Receive Level (-dBm)");
    case Field::DtrLossTime: return QStringLiteral("DTR Loss Detection Time (millisec)");
    case Field::CommandModeDiagnostic: return QStringLiteral("Command Mode Diagnostic");
    case Field::CountryCode: return QStringLiteral("Country Code");
    case Field::RxBufferThreshold: return QStringLiteral("Serial Rx Buffer Threshold");
    case Field::RxBufferTimeout: return QStringLiteral("Serial Rx Buffer Timeout (millisec)");
    case Field::DefaultSystemAddress: return QStringLiteral("Default System Address");
    case Field::RadioSignature: return QStringLiteral("Radio Message Signature");
    default: break;
    }
    return QString::fromLatin1(fieldInfo(f).name);
}

std::vector<SettingDifference> compareSettings(const ModuleSettings &first, const ModuleSettings &second,
                                               RadioClass radioClass) {
    const CommandList a = buildCommandList(first);
    const CommandList b = buildCommandList(second);
    std::vector<SettingDifference> differences;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i])
            continue;
        const QByteArray &prefix = commandTemplate()[i];
        QByteArray key = prefix.mid(2);
        if (key.endsWith('='))
            key.chop(1);
        SettingDifference d{QString(), QString::fromLatin1(key), QString(), QString()};
        if (key.startsWith("&Z")) {
            // A route is one setting: its repeaters and destination as the module takes them.
            const int n = key.at(2) - '0';
            d.label = QStringLiteral("Destination Address %1").arg(n + 1);
            d.first = QString::fromLatin1(routeText(first, n));
            d.second = QString::fromLatin1(routeText(second, n));
            // Only the mode decides whether the route goes out; the mode's own line says so.
            if (d.first == d.second)
                continue;
        } else {
            QStringList labels, firstValues, secondValues;
            for (int f = 0; f < kFieldCount; ++f) {
                const auto field = static_cast<Field>(f);
                if (moduleKey(field) != key || first[field] == second[field])
                    continue;
                labels << fieldLabel(field);
                firstValues << userValue(field, first[field], radioClass);
                secondValues << userValue(field, second[field], radioClass);
            }
            if (labels.isEmpty()) {
                // The command follows something other than its own fields (the mode code).
                d.label = key == "&M" ? QStringLiteral("Operating Mode") : d.key;
                d.first = QString::fromLatin1(a[i].mid(prefix.size()));
                d.second = QString::fromLatin1(b[i].mid(prefix.size()));
            } else {
                d.label = labels.join(QStringLiteral(", "));
                d.first = firstValues.join(QStringLiteral(", "));
                d.second = secondValues.join(QStringLiteral(", "));
            }
        }
        differences.push_back(std::move(d));
    }
    return differences;
}

ModuleSettings settingsFromListing(const ParsedListing &parsed, const ProductVariant &variant) {
    // A program update asks nothing; the sink only stands in for the window's boxes.
    class Silent : public MessageSink {
    public:
        Answer show(Icon, Buttons, const QString &) override { return Answer::Ok; }
    } silent;
    SettingsModel scratch(variant, silent);
    scratch.applyListing(parsed, SettingsModel::ListingBase::Defaults);
    return scratch.settings();
}
