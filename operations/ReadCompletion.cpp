#include "operations/ReadCompletion.h"

#include "comm/ModuleChannel.h"
#include "operations/GuiCall.h"
#include "operations/OperationHost.h"
#include "settings/ListingParser.h"
#include "settings/MessageSink.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsModel.h"

namespace {
// The newest firmware that keeps the radio message signature at 0.
constexpr double kLastFixedS21Firmware = 1.89;
}  // namespace

const QString ReadCompletion::kS21WarningText = QStringLiteral(
    "The connected module firmware version does not support \"Radio Message Signature\" adjustment.\n\r"
    "The Radio Message Signature in the connected module is fixed to 0.\n\r"
    "Ensure ALL 740R-B that communicate with the connected module MUST have S21 = 0.\n\r"
    "Consult the 740R-B user manual for further information");

QString ReadCompletion::badReplyText(const QString &modelName)
{
    return QStringLiteral("Error communicating with ") + modelName +
           QStringLiteral(". The module did not respond correctly.\r\n"
                          "Ensure COM port settings are correct, and module is Switched On.\r\n"
                          "(Hint: Set Switch 2 on module to restore factory defaults.)");
}

QString ReadCompletion::noCtsText(const QString &modelName)
{
    return QStringLiteral("Error communicating with ") + modelName +
           QStringLiteral(". The module CTS signal was not detected.\r\n"
                          "Ensure COM port connections are correct, and module is Switched On.");
}

ReadCompletion::ReadCompletion(OperationHost &host, ModuleChannel &channel, QObject *gui, ModuleSettings *target)
    : m_host(host), m_channel(channel), m_gui(gui), m_target(target)
{
}

bool ReadCompletion::applyListing()
{
    bool applied = false;
    try {
        // Parsed here, off the GUI thread; the window's settings change only when the
        // whole listing converts. The parser consumes the text from the front; what is
        // left stays as ListingText.
        QByteArray listing = m_host.listingText();
        ListingParser parser(listing, m_host.variant().radioClass);
        ParsedListing parsed;
        try {
            parsed = parser.parse(false);
        } catch (const ConversionError &) {
            callOnGui(m_gui, [&] {
                m_host.setListingText(listing);
                showNotices(m_host.messages(), parser.notices());
            });
            throw;
        }
        callOnGui(m_gui, [&] {
            m_host.setListingText(listing);
            if (m_target)
                *m_target = settingsFromListing(parsed, m_host.variant());
            else
                m_host.model().applyListing(parsed, SettingsModel::ListingBase::Defaults);  // PriorS21 is the value read() kept
            showNotices(m_host.messages(), parsed.notices);
        });
        applied = true;
        const QString identification = readIdentification();
        bool echoOn = true;
        callOnGui(m_gui, [&] {
            m_host.setStatusText(identification);
            checkFirmwareDependencies(identification);
            // The field is "Echo Off"; it is the module's own setting that counts.
            echoOn = !(m_target ? m_target->flag(Field::EchoOff) : m_host.model().settings().flag(Field::EchoOff));
        });
        try {
            m_channel.sendCommand("ATZ\r", "\r", 100);
        } catch (const ExchangeCancelled &) {
            throw;
        } catch (const Exception &) {
            // A module that does not echo may take the reset without a visible answer.
            if (echoOn)
                throw;
        }
    } catch (const ExchangeCancelled &) {
        // the user asked for it: nothing to report
    } catch (const ModuleReplyError &) {
        report(badReplyText(m_host.variant().modelName));
    } catch (const SerialLineError &) {
        report(noCtsText(m_host.variant().modelName));
    } catch (const Exception &e) {
        report(e.message());
    }
    callOnGui(m_gui, [this] { m_host.repaintWindow(); });
    return applied;
}

void ReadCompletion::report(const QString &text)
{
    callOnGui(m_gui, [&] { m_host.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, text); });
}

QString ReadCompletion::readIdentification()
{
    m_channel.sendCommand("ATI\r", "V", 100);
    return identificationLine(m_host.listingText());
}

QString ReadCompletion::identificationLine(const QByteArray &reply)
{
    qsizetype start = reply.indexOf("40R-B");
    if (start < 0) {
        // Another model: the line that holds the version's "V" (the reply has one).
        const qsizetype v = reply.indexOf('V');
        start = v < 0 ? 0 : reply.lastIndexOf('\n', v) + 1;
    } else if (start > 0) {
        --start;  // the character in front belongs to the model name
    }
    const qsizetype end = reply.indexOf("\r\n", start);
    if (end < 0)
        return QString();
    return QString::fromLatin1(reply.mid(start, end - start));
}

double ReadCompletion::firmwareVersion(const QString &identification, RadioClass radioClass)
{
    if (radioClass != RadioClass::Class740)
        return 0;
    const qsizetype v = identification.indexOf(QLatin1Char('V'));
    if (v < 0)
        return 0;
    QString number;
    for (qsizetype i = v + 1; i < identification.size(); ++i) {
        const QChar c = identification.at(i);
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.'))
            break;
        number += c;
    }
    bool ok = false;
    const double version = number.toDouble(&ok);  // always "." as the decimal point
    return ok ? version : 0;
}

void ReadCompletion::checkFirmwareDependencies(const QString &identification)
{
    const RadioClass radioClass = m_host.variant().radioClass;
    if (firmwareVersion(identification, radioClass) <= kLastFixedS21Firmware && m_host.priorS21() > 0 &&
        radioClass == RadioClass::Class740)
        m_host.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok, kS21WarningText);
}

void ReadCompletion::checkFirmware()
{
    callOnGui(m_gui, [this] { m_host.priorS21() = m_host.model().get(Field::RadioSignature); });
    const QString identification = readIdentification();
    callOnGui(m_gui, [&] { checkFirmwareDependencies(identification); });
}
