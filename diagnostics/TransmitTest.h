#pragma once

#include "comm/SerialLine.h"
#include "diagnostics/DiagnosticsChannel.h"

#include <QString>

#include <functional>

class MessageSink;

inline const QString kStartTxBerCaption = QStringLiteral("Start Tx BER Test");
inline const QString kStopTxBerCaption = QStringLiteral("Stop Tx BER Test");

// The transmit bit-error-rate test, started and stopped from the Diagnostics menu.
// The menu item's caption is its only state; between start and stop no port is
// open and the module transmits on its own.
class TransmitTest {
public:
    struct MenuCaption {
        std::function<QString()> get;
        std::function<void(const QString &)> set;
    };

    // receiveData: the main window's receiveData, so replies show in its log.
    TransmitTest(const PortSettings &portSettings, const QString &modelName, MessageSink &messages,
               ChannelSlot &channelSlot, ReceiveHandler receiveData, MenuCaption caption,
               ChannelFactory makeChannel = {});

    // Starts the test when the caption contains "Start", stops it otherwise.
    void toggle();

private:
    void start(ModuleChannel &channel);
    void stop(ModuleChannel &channel);

    const PortSettings &m_portSettings;
    const QString m_modelName;
    MessageSink &m_messages;
    ChannelSlot &m_slot;
    ReceiveHandler m_receiveData;
    MenuCaption m_caption;
    ChannelFactory m_makeChannel;
};
