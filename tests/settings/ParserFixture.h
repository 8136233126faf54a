#pragma once

#include "settings/ListingParser.h"
#include "settings/SettingsModel.h"
#include "tests/support/FakeMessages.h"

#include <QByteArray>

namespace codectest {

inline ProductVariant variantOf(RadioClass rc) {
    ProductVariant v;
    v.radioClass = rc;
    v.baseCaption = QStringLiteral("Radio Modem Configuration");
    v.modelName = rc == RadioClass::Class740 ? QStringLiteral("740") : QStringLiteral("620");
    return v;
}

// A model with its defaults applied and a recording message sink, ready for a parse.
struct ParserRig {
    explicit ParserRig(RadioClass rc = RadioClass::Class740) : model(variantOf(rc), messages) {
        model.applyDefaults();
        messages.clear();
    }
    void parse(const QByteArray &listing, bool fromFile = false) {
        text = listing;
        ListingParser parser(text, model.variant().radioClass);
        ParsedListing parsed;
        try {
            parsed = parser.parse(fromFile);
        } catch (const ConversionError &) {
            showNotices(messages, parser.notices());
            throw;
        }
        if (const std::optional<int> prior = model.applyListing(parsed))
            priorS21 = *prior;
        showNotices(messages, parsed.notices);
    }
    int get(Field f) const { return model.get(f); }

    FakeMessages messages;
    SettingsModel model;
    QByteArray text;
    int priorS21 = -1;
};

// A module's reply to "AT&V" as the module prints it: echo, key and value pairs each
// followed by a space, line breaks, the closing "OK".
inline QByteArray moduleListing() {
    return QByteArrayLiteral(
        "AT&V\r\n"
        "B1 C9 E0 Q1 V0 X2 &B6 &C2 &D1 &E1 &G7 &K5 &L2 &M2 &N0 &S33 &U12 \\T9 \r\n"
        "S0:3 S1:60 S2:42 S3:14 S4:11 S5:9 S6:6 S7:4 S8:8 S9:87 S10:20 \r\n"
        "S11:5 S12:3 S13:2 S14:100 S16:16 S17:17 S18:40 S19:7 S20:99 S21:2 \r\n"
        "&Z0=4,9 &Z1=11 &Z2= &Z3=1,2,3,4,5,6 \r\n"
        "OK\r\n");
}

// The listing with one "key+value " item replaced (or removed with an empty replacement).
inline QByteArray withItem(QByteArray listing, const QByteArray &item, const QByteArray &replacement) {
    const qsizetype at = listing.indexOf(item);
    if (at >= 0)
        listing.replace(at, item.size(), replacement);
    return listing;
}

}  // namespace codectest
