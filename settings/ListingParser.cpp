#include "settings/ListingParser.h"

#include <algorithm>

#include <array>
#include <limits>

namespace {
ConversionError conversionError(const QByteArray &text) {
    return ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(text)));
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
// A field's key as the listing shows it: S registers as "Sn:", the rest as the key alone.
QByteArray listed(Field f) { return isSRegister(f) ? moduleKey(f) + ':' : moduleKey(f); }

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

std::optional<int> ParsedListing::value(Field f) const {
    const auto last = std::find_if(steps.rbegin(), steps.rend(),
                                   [f](const Step &s) { return s.action == Action::Set && s.field == f; });
    return last == steps.rend() ? std::nullopt : std::optional<int>(last->value);
}

std::optional<OperatingMode> ParsedListing::mode() const {
    const auto last = std::find_if(steps.rbegin(), steps.rend(),
                                   [](const Step &s) { return s.action == Action::SelectMode; });
    return last == steps.rend() ? std::nullopt : std::optional(static_cast<OperatingMode>(last->value));
}

void showNotices(MessageSink &messages, const std::vector<ListingNotice> &notices) {
    for (const ListingNotice &n : notices)
        messages.show(n.icon, MessageSink::Buttons::Ok, n.text);
}

ListingParser::ListingParser(QByteArray &listingText, RadioClass radioClass)
    : m_text(listingText), m_radioClass(radioClass) {}

qsizetype ListingParser::valueStart(const QByteArray &key) const {
    const qsizetype at = m_text.indexOf(key);
    if (at < 0)
        throw conversionError(QByteArray());  // a key the listing lacks has no value to convert
    return at + key.size();
}

std::uint16_t ListingParser::value(const QByteArray &key) const {
    const qsizetype q = valueStart(key);
    qsizetype end = m_text.indexOf(' ', q);
    if (end < 0)
        end = m_text.size();
    return listing::toUInt16(m_text.mid(q, end - q));
}

std::uint16_t ListingParser::valueOrZero(const QByteArray &key) const {
    return m_text.contains(key) ? value(key) : 0;
}

int ListingParser::digit(const QByteArray &key) const {
    return listing::toInt(m_text.mid(valueStart(key), 1));
}

int ListingParser::shortNumber(const QByteArray &key) const {
    const qsizetype q = valueStart(key);
    const bool single = q + 1 >= m_text.size() || m_text[q + 1] == ' ';
    return listing::toInt(m_text.mid(q, single ? 1 : 2));
}

void ListingParser::keepFrom(qsizetype p) {
    if (p >= 1)
        m_text.remove(0, std::min(p - 1, m_text.size()));
}

void ListingParser::flushBefore(const QByteArray &key) {
    // Positions count from 1 and a missing key is position 0: the flush then keeps all.
    keepFrom(m_text.indexOf(key) + 1 - 1);
}

void ListingParser::set(Field f, int value) { m_result.steps.push_back({ParsedListing::Action::Set, f, value}); }

void ListingParser::add(ParsedListing::Action action, int value) {
    m_result.steps.push_back({action, Field::Count, value});
}

void ListingParser::notify(MessageSink::Icon icon, const QString &text) { m_result.notices.push_back({icon, text}); }

void ListingParser::readFlowControl() {
    int k = digit(listed(Field::FlowControl));
    if (k == 1 || k == 2) {
        notify(MessageSink::Icon::Error, kFlowText.arg(k));
        k = 1;
    }
    switch (k) {
    case 3: k = 1; break;
    case 4: k = 2; break;
    case 5: k = 3; break;
    default: break;  // 0 and the corrected 1 are indices already; 6..9 are handed over as read
    }
    set(Field::FlowControl, k);
}

bool ListingParser::readMode() {
    const int l = digit(listed(Field::OnLineAtStartup));
    const int m = digit(listed(Field::FastOperation));
    if (m < 2) {
        add(ParsedListing::Action::SelectMode,
            static_cast<int>(m == 0 ? OperatingMode::Transparent : OperatingMode::TransparentRepeater));
        if (l == 0 || l == 1)
            set(Field::OnLineAtStartup, l);
        else
            notify(MessageSink::Icon::Error, kInvalidModeText);
        return true;
    }
    add(ParsedListing::Action::SelectMode, static_cast<int>(l <= 1   ? OperatingMode::SingleConnect
                                                           : l == 2 ? OperatingMode::AutoConnectMaster
                                                                    : OperatingMode::AutoConnectSlave));
    if (m == 3) {
        if (m_radioClass == RadioClass::Class620) {
            notify(MessageSink::Icon::Error, kFast620Text);
            m_result.refused = true;
            return false;
        }
        set(Field::FastOperation, 1);
    }
    return true;
}

void ListingParser::readUnitAddress() {
    int unit = value(listed(Field::UnitAddress));
    // Applied onto the defaults, Fast Operation is on only when this listing turns it on.
    const int limit = m_result.value(Field::FastOperation).value_or(0) != 0 ? 15 : 127;
    if (isControlledMode(m_result.mode().value_or(OperatingMode::None)) && unit > limit) {
        notify(MessageSink::Icon::Warning, kUnitAddressText.arg(unit));
        unit = limit;
    }
    set(Field::GroupAddress2, unit);
    set(Field::UnitAddress, unit);
}

ParsedListing ListingParser::parse(bool fromFile) {
    m_result = {};

    set(Field::RadioDataRate, digit(listed(Field::RadioDataRate)));
    set(Field::SerialBaudRate, shortNumber(listed(Field::SerialBaudRate)));
    set(Field::EchoOff, digit(listed(Field::EchoOff)) == 0);
    set(Field::ResponseCodesOff, digit(listed(Field::ResponseCodesOff)) != 0);
    flushBefore(listed(Field::ResponseCodesOff));  // an echoed "AT&V" in front must not give the "V"
    set(Field::NumericResponses, digit(listed(Field::NumericResponses)) == 0);
    set(Field::ResponseLevel, digit(listed(Field::ResponseLevel)));
    flushBefore(listed(Field::ResponseLevel));

    const int format = shortNumber(listed(Field::SerialDataBits)) & 0xF;
    set(Field::SerialStopBits, format & 1);
    set(Field::SerialDataBits, (format >> 1) & 1);
    set(Field::SerialParity, (format >> 2) & 3);
    set(Field::DcdControl, digit(listed(Field::DcdControl)));
    set(Field::DtrControl, digit(listed(Field::DtrControl)));
    add(ParsedListing::Action::FollowDtr);
    set(Field::CrcChecking, digit(listed(Field::CrcChecking)));
    set(Field::GroupAddress1, value(listed(Field::GroupAddress1)));
    readFlowControl();
    if (!readMode())
        return m_result;
    set(Field::AbortModeOff, digit(listed(Field::AbortModeOff)) == 0);
    set(Field::SystemAddress, value(listed(Field::SystemAddress)));
    readUnitAddress();
    set(Field::InactivityTimeout, value(listed(Field::InactivityTimeout)));
    flushBefore(listed(Field::InactivityTimeout));

    set(Field::AnswerAttempts, value(listed(Field::AnswerAttempts)));
    set(Field::EscapeGuardTime, value(listed(Field::EscapeGuardTime)) * 20);
    set(Field::EscapeCharacterCode, value(listed(Field::EscapeCharacterCode)));
    set(Field::CarriageReturnCode, value(listed(Field::CarriageReturnCode)));
    set(Field::LineFeedCode, value(listed(Field::LineFeedCode)));
    set(Field::BackspaceCode, value(listed(Field::BackspaceCode)));
    set(Field::LinkCheckInterval, value(listed(Field::LinkCheckInterval)));
    set(Field::ConnectAttempts, value(listed(Field::ConnectAttempts)));
    set(Field::TestTimer, value(listed(Field::TestTimer)));
    flushBefore(moduleKey(Field::TestTimer));
    if (!fromFile)
        set(Field::ReceiveLevel, value(listed(Field::ReceiveLevel)));
    set(Field::DtrLossTime, value(listed(Field::DtrLossTime)) * 10);
    set(Field::DisconnectDelay, value(listed(Field::DisconnectDelay)));
    if (!fromFile) {
        set(Field::CommandModeDiagnostic, value(listed(Field::CommandModeDiagnostic)));
        set(Field::CountryCode, value(listed(Field::CountryCode)));
    }
    set(Field::PacketSize, value(listed(Field::PacketSize)) * 2 + 20);
    set(Field::TxHoldOff, value(listed(Field::TxHoldOff)));
    set(Field::RxHoldOff, value(listed(Field::RxHoldOff)));
    set(Field::RxBufferThreshold, valueOrZero(listed(Field::RxBufferThreshold)));
    set(Field::RxBufferTimeout, valueOrZero(listed(Field::RxBufferTimeout)));
    // PLC mode follows the thresholds as stored, without a question.
    add(ParsedListing::Action::FollowThresholds);

    int s20 = 100;
    try {
        s20 = value(listed(Field::DefaultSystemAddress));
    } catch (const ConversionError &) {
    }
    set(Field::DefaultSystemAddress, s20);

    int s21 = 0;
    try {
        s21 = value(listed(Field::RadioSignature));
    } catch (const ConversionError &) {
        try {
            s21 = value(moduleKey(Field::RadioSignature) + '=');
        } catch (const ConversionError &) {
        }
    }
    set(Field::RadioSignature, s21);

    flushBefore(moduleKey(Field::RxHoldOff));
    readRoutes();
    return m_result;
}

void ListingParser::readRoutes() {
    for (int n = 0; n < 4; ++n) {
        const QByteArray key = moduleKey(routeDestination(n));
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
                set(routeDestination(n), slotValues[static_cast<std::size_t>(i)]);
                break;
            }
            set(routeRepeater(n, i + 1), slotValues[static_cast<std::size_t>(i)]);
        }
    }
}
