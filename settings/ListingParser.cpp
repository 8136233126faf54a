#include "settings/ListingParser.h"

#include "settings/SettingsModel.h"

#include <array>
#include <limits>

namespace {
EConvertError conversionError(const QByteArray &text) {
    return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(text)));
}
}  // namespace

namespace listing {

int toInt(const QByteArray &text) {
    const auto fail = [&text]() { return conversionError(text); };
    qsizetype i = 0;
    // No value of a listing or file is negative: "-1" would wrap into a valid choice.
    if (i < text.size() && text[i] == '+')
        ++i;
    if (i == text.size())
        throw fail();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            throw fail();
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max())
            throw fail();
    }
    return static_cast<int>(value);
}

std::uint16_t toUInt16(const QByteArray &text) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(toInt(text)) & 0xFFFFu);
}

}  // namespace listing

namespace {
const QString kFlowText = QStringLiteral(
    "The saved configuration or module has a value of &K%1 for flow control.\r\n"
    "This value is not yet supported and has been changed to &K3 (CTS/RTS).\r\n"
    "The module MUST be reprogrammed for the change to take effect.");
const QString kInvalidModeText = QStringLiteral(
    "An invalid operating mode was read from the module!\r\n"
    "Both transparent and controlled mode options were selected together.\r\n"
    "Please reconfigure the module.");
const QString kFast620Text = QStringLiteral(
    "Fast Controlled Mode operation has been detected. This mode is not\r\n"
    "supported by the 620. Ensure use of the correct module AND configuration software");
const QString kUnitAddressText = QStringLiteral(
    "Error: Unit address of %1 is out of range. Reprogram module with a valid address.");
}  // namespace

ListingParser::ListingParser(QByteArray &listingText, SettingsModel &model, int &priorS21)
    : m_text(listingText), m_model(model), m_priorS21(priorS21) {}

qsizetype ListingParser::valueStart(const QByteArray &key) const {
    const qsizetype at = m_text.indexOf(key);
    if (at < 0)
        throw conversionError(QByteArray());  // a key the listing lacks has no value to convert
    return at + key.size();
}

std::uint16_t ListingParser::GetConfigValue(const QByteArray &key) const {
    const qsizetype q = valueStart(key);
    qsizetype end = m_text.indexOf(' ', q);
    if (end < 0)
        end = m_text.size();
    return listing::toUInt16(m_text.mid(q, end - q));
}

std::uint16_t ListingParser::TryGetConfigValue(const QByteArray &key) const {
    return m_text.contains(key) ? GetConfigValue(key) : 0;
}

int ListingParser::digit(const QByteArray &key) const {
    return listing::toInt(m_text.mid(valueStart(key), 1));
}

int ListingParser::shortNumber(const QByteArray &key) const {
    const qsizetype q = valueStart(key);
    const bool single = q + 1 >= m_text.size() || m_text[q + 1] == ' ';
    return listing::toInt(m_text.mid(q, single ? 1 : 2));
}

void ListingParser::FlushBufferUpTo(qsizetype p) {
    if (p >= 1)
        m_text.remove(0, std::min(p - 1, m_text.size()));
}

void ListingParser::flushBefore(const QByteArray &key) {
    // Positions count from 1 and a missing key is position 0: the flush then keeps all.
    FlushBufferUpTo(m_text.indexOf(key) + 1 - 1);
}

void ListingParser::set(Field f, int value) { m_model.set(f, value); }

void ListingParser::readFlowControl() {
    int k = digit("&K");
    if (k == 1 || k == 2) {
        m_model.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, kFlowText.arg(k));
        k = 1;
    }
    switch (k) {
    case 3: k = 1; break;
    case 4: k = 2; break;
    case 5: k = 3; break;
    default: break;  // 0 and the corrected 1 are indices already; 6..9 are handed over as read
    }
    set(Field::Serial_Flow, k);
}

bool ListingParser::readMode() {
    const int l = digit("&L");
    const int m = digit("&M");
    if (m < 2) {
        m_model.selectMode(m == 0 ? OperatingMode::OpTransparent : OperatingMode::OpTransparentRepeater);
        if (l == 0 || l == 1)
            set(Field::TM_Auto_OnLine, l);
        else
            m_model.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, kInvalidModeText);
        return true;
    }
    m_model.selectMode(l <= 1   ? OperatingMode::OpSingleConnect
                       : l == 2 ? OperatingMode::OpAutoConnectMaster
                                : OperatingMode::OpAutoConnectSlave);
    if (m == 3) {
        if (m_model.variant().radioClass == RadioClass::Class620) {
            m_model.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, kFast620Text);
            m_model.SetDefaults();
            return false;
        }
        set(Field::chk_CM_Fast, 1);
    }
    return true;
}

void ListingParser::readUnitAddress() {
    int unit = GetConfigValue("&U");
    const int limit = m_model.get(Field::chk_CM_Fast) != 0 ? 15 : 127;
    if (isControlledMode(m_model.mode()) && unit > limit) {
        m_model.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok,
                                kUnitAddressText.arg(unit));
        unit = limit;
    }
    set(Field::ed_TM_GrpAdd2, unit);
    set(Field::ed_CM_UnitAdd, unit);
}

void ListingParser::ProcessReadConfig(bool FromFile) {
    SettingsModel::ProgramUpdate quiet(m_model);

    set(Field::Radio_DataRate, digit("B"));
    set(Field::Serial_Baud, shortNumber("C"));
    set(Field::Adv_Echo, digit("E") == 0);
    set(Field::Adv_Resp, digit("Q") != 0);
    flushBefore("Q");  // an echoed "AT&V" in front must not give the "V"
    set(Field::Adv_Numeric, digit("V") == 0);
    set(Field::Adv_Response, digit("X"));
    flushBefore("X");

    const int format = shortNumber("&B") & 0xF;
    set(Field::Serial_Stop, format & 1);
    set(Field::Serial_Data, (format >> 1) & 1);
    set(Field::Serial_Parity, (format >> 2) & 3);
    set(Field::Serial_DCD, digit("&C"));
    set(Field::Serial_DTR, digit("&D"));
    m_model.Serial_DTRClick();
    set(Field::Radio_Crc, digit("&E"));
    set(Field::ed_TM_GrpAdd1, GetConfigValue("&G"));
    readFlowControl();
    if (!readMode())
        return;
    set(Field::Adv_Abort, digit("&N") == 0);
    set(Field::ed_TM_SysAdd, GetConfigValue("&S"));
    readUnitAddress();
    set(Field::ed_CM_LinkRst, GetConfigValue("\\T"));
    flushBefore("\\T");

    set(Field::sreg_0, GetConfigValue("S0:"));
    set(Field::sreg_1, GetConfigValue("S1:") * 20);
    set(Field::sreg_2, GetConfigValue("S2:"));
    set(Field::sreg_3, GetConfigValue("S3:"));
    set(Field::sreg_4, GetConfigValue("S4:"));
    set(Field::sreg_5, GetConfigValue("S5:"));
    set(Field::sreg_6, GetConfigValue("S6:"));
    set(Field::sreg_7, GetConfigValue("S7:"));
    set(Field::sreg_8, GetConfigValue("S8:"));
    flushBefore("S8");
    if (!FromFile)
        set(Field::sreg_9, GetConfigValue("S9:"));
    set(Field::sreg_10, GetConfigValue("S10:") * 10);
    set(Field::sreg_11, GetConfigValue("S11:"));
    if (!FromFile) {
        set(Field::sreg_12, GetConfigValue("S12:"));
        set(Field::sreg_13, GetConfigValue("S13:"));
    }
    set(Field::sreg_14, GetConfigValue("S14:") * 2 + 20);
    set(Field::sreg_16, GetConfigValue("S16:"));
    set(Field::sreg_17, GetConfigValue("S17:"));
    set(Field::sreg_18, TryGetConfigValue("S18:"));
    set(Field::sreg_19, TryGetConfigValue("S19:"));
    // PLC mode follows the thresholds as stored, without a question.
    m_model.Modbus_CheckBoxCheck(m_model.get(Field::sreg_18) != 0 || m_model.get(Field::sreg_19) != 0);

    int s20 = 100;
    try {
        s20 = GetConfigValue("S20:");
    } catch (const EConvertError &) {
    }
    set(Field::sreg_20, s20);

    m_priorS21 = m_model.get(Field::sreg_21);
    int s21 = 0;
    try {
        s21 = GetConfigValue("S21:");
    } catch (const EConvertError &) {
        try {
            s21 = GetConfigValue("S21=");
        } catch (const EConvertError &) {
        }
    }
    set(Field::sreg_21, s21);

    flushBefore("S17");
    ReadStoredProfiles();
}

void ListingParser::ReadStoredProfiles() {
    for (int n = 0; n < 4; ++n) {
        const QByteArray key = "&Z" + QByteArray::number(n);
        // The one character after the key (the "=") is skipped unseen.
        const qsizetype start = std::min(valueStart(key) + 1, m_text.size());
        qsizetype end = m_text.indexOf(' ', start);
        if (end < 0)
            end = m_text.size();
        const QByteArray route = m_text.mid(start, end - start);

        std::array<int, 6> slotValues{};
        qsizetype pos = 0;
        for (int count = 0; count < 6 && pos < route.size(); ++count) {
            const qsizetype comma = route.indexOf(',', pos);
            const qsizetype itemEnd = comma < 0 ? route.size() : comma;
            slotValues[static_cast<std::size_t>(count)] = listing::toUInt16(route.mid(pos, itemEnd - pos));
            if (comma < 0)
                break;
            pos = comma + 1;  // a comma at the very end ends the list
        }

        // The last item before the first 0 (or the sixth) is the destination; the
        // items in front of it are the repeaters in order.
        for (int i = 0; i < 6; ++i) {
            if (i == 5 || slotValues[static_cast<std::size_t>(i) + 1] == 0) {
                set(destField(n), slotValues[static_cast<std::size_t>(i)]);
                break;
            }
            set(repeaterField(n, i + 1), slotValues[static_cast<std::size_t>(i)]);
        }
    }
}
