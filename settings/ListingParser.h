#pragma once

#include "comm/Exception.h"
#include "settings/ModuleSettings.h"

#include <QByteArray>
#include <cstdint>

class SettingsModel;

// A value of a configuration listing that is empty or not a whole number, or a key
// that the listing lacks.
class ConversionError : public Exception {
public:
    using Exception::Exception;
};

// Reads a module's configuration listing (its reply to "AT&V") or a configuration
// file's line into the settings model. Keys are found as their first occurrence in
// what is left of the text; the text is consumed from the front at fixed points, so
// after a parse only a tail of it remains.
//
// Fields are set through the model, so its rules run as for any program change; no
// threshold question is asked during a parse. Messages go to the model's MessageSink.
class ListingParser {
public:
    ListingParser(QByteArray &listingText, SettingsModel &model, int &priorS21);

    // Parses the whole listing; FromFile skips S9, S12 and S13 (files do not hold them).
    // Throws ConversionError when a value does not convert; a Fast Operation listing on a
    // 620-class product is refused with a message and the defaults, without an error.
    void parse(bool FromFile);

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

    QByteArray &m_text;
    SettingsModel &m_model;
    int &m_priorS21;
};

// The conversion rules of the listing, exposed for the parser's tests and the fuzzers.
namespace listing {
// Decimal whole number from 0 up to the largest int, optionally after "+"; anything
// else (a minus sign included) throws ConversionError.
int toInt(const QByteArray &text);
// toInt kept as its low 16 bits.
std::uint16_t toUInt16(const QByteArray &text);
}  // namespace listing
