#pragma once

#include "comm/Exception.h"
#include "settings/MessageSink.h"
#include "settings/ModuleSettings.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

// A value of a configuration listing that is empty or not a whole number, or a key
// that the listing lacks.
class ConversionError : public Exception {
public:
    using Exception::Exception;
};

// A message a parse has for the user (always with an OK button).
struct ListingNotice {
    MessageSink::Icon icon;
    QString text;

    bool operator==(const ListingNotice &) const = default;
};

// What a listing or file line says, in the order it was read. The steps are the
// changes the settings model makes when it applies them (SettingsModel::applyListing),
// so the model's rules see the values in the order they always have.
struct ParsedListing {
    enum class Action {
        Set,               // field := value
        SelectMode,        // the mode button `value` (an OperatingMode)
        FollowDtr,         // Low Power Mode follows the DTR choice just set
        FollowThresholds,  // PLC mode on when S18 or S19 is not 0, without a question
    };
    struct Step {
        Action action;
        Field field;
        int value;
    };

    std::vector<Step> steps;
    // A Fast Operation listing on a 620-class product: the settings become the defaults.
    bool refused = false;
    std::vector<ListingNotice> notices;

    // The last value the steps give a field; nullopt when they do not set it.
    std::optional<int> value(Field f) const;
    std::optional<OperatingMode> mode() const;
};

// Shows the notices of a parse, in order.
void showNotices(MessageSink &messages, const std::vector<ListingNotice> &notices);

// Reads a module's configuration listing (its reply to "AT&V") or a configuration
// file's line into a ParsedListing, touching no settings and asking nothing. Keys are
// found as their first occurrence in what is left of the text; the text is consumed
// from the front at fixed points, so after a parse only a tail of it remains.
class ListingParser {
public:
    ListingParser(QByteArray &listingText, RadioClass radioClass);

    // Parses the whole listing; fromFile skips S9, S12 and S13 (files do not hold them).
    // Throws ConversionError when a value does not convert (the notices found until
    // then stay readable through notices()); a Fast Operation listing on a 620-class
    // product is refused with a notice, without an error.
    ParsedListing parse(bool fromFile);
    const std::vector<ListingNotice> &notices() const { return m_result.notices; }

    // The number after the key (optionally signed decimal, kept as its low 16 bits).
    std::uint16_t value(const QByteArray &key) const;
    // As value, but 0 when the key does not occur.
    std::uint16_t valueOrZero(const QByteArray &key) const;
    // Keeps the text from position p (counted from 1); p below 1 keeps it whole.
    void keepFrom(qsizetype p);
    // The four stored destinations "&Z0" .. "&Z3".
    void readRoutes();

private:
    qsizetype valueStart(const QByteArray &key) const;  // 0-based, throws when the key is missing
    int digit(const QByteArray &key) const;
    int shortNumber(const QByteArray &key) const;
    void flushBefore(const QByteArray &key);
    void readFlowControl();
    bool readMode();  // false: the listing was refused and the parse ends
    void readUnitAddress();
    void set(Field f, int value);
    void add(ParsedListing::Action action, int value = 0);
    void notify(MessageSink::Icon icon, const QString &text);

    QByteArray &m_text;
    RadioClass m_radioClass;
    ParsedListing m_result;
};

// The conversion rules of the listing, exposed for the parser's tests and the fuzzers.
namespace listing {
// Decimal whole number from 0 up to the largest int, optionally after "+"; anything
// else (a minus sign included) throws ConversionError.
int toInt(const QByteArray &text);
// toInt kept as its low 16 bits.
std::uint16_t toUInt16(const QByteArray &text);
}  // namespace listing
