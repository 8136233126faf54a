#pragma once

#include "comm/NetworkSerialPort.h"
#include "comm/PortAddress.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs_public.h>
#include <gensio/sergensio.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// One connection of a NetworkSerialPort to its device server: the gensio stack, the
// event loop that serves it, and what its events leave behind (received bytes, the
// modem state, the server's answers). Everything runs on the thread that calls it;
// the layer's interrupt flag is looked at between slices of the loop.
struct NetworkSerialPort::Connection {
    using Clock = std::chrono::steady_clock;
    using milliseconds = std::chrono::milliseconds;
    static constexpr Clock::time_point kNever = Clock::time_point::max();
    // Longest single wait on the event loop: how late an interrupt from another
    // thread may be seen.
    static constexpr milliseconds kSlice{10};
    // How long the server may take to acknowledge a setting, report the modem
    // state or answer a purge.
    static constexpr milliseconds kServerAnswer{2000};
    static constexpr milliseconds kFirstModemState{1000};
    static constexpr milliseconds kPurgeAnswer{500};
    static constexpr milliseconds kCloseWait{1000};
    // Between connections the server turned away at once.
    static constexpr milliseconds kBusyRetry{50};

    enum Setting { Baud, DataSize, Parity, StopBits, FlowControl, SettingCount };
    struct Answer {
        Connection *owner = nullptr;
        bool pending = false;
        int error = 0;
        unsigned value = 0;
    };

    SerialPortLayer &layer;
    gensio_os_funcs *os = nullptr;
    gensio_waiter *waiter = nullptr;
    gensio *io = nullptr;
    sergensio *sio = nullptr;
    PortAddress address;
    std::string failure;

    std::vector<std::uint8_t> input;
    bool remoteClosed = false;
    bool writeReady = false;
    bool opening = false;
    int openError = 0;
    bool closing = false;
    bool modemStateKnown = false;
    unsigned modemState = 0;
    unsigned purgesSent = 0;
    unsigned purgesAnswered = 0;
    bool purgesAreAnswered = true;   // until a server leaves one unanswered
    std::array<Answer, SettingCount> answers;

    LineState line;
    Timeouts timeouts;

    explicit Connection(SerialPortLayer &owner);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void wake() { gensio_os_funcs_wake(os, waiter); }

    // Runs the event loop until `done` holds, `deadline` passes or (with
    // `interruptible`) the layer is interrupted. Returns whether `done` holds.
    template <typename Done>
    bool waitUntil(Done done, Clock::time_point deadline, bool interruptible = true)
    {
        for (;;) {
            if (done())
                return true;
            if (interruptible && layer.interruptRequested())
                return false;
            auto slice = kSlice;
            if (deadline != kNever) {
                const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
                if (left <= milliseconds(0))
                    return done();
                slice = std::min(slice, left + milliseconds(1));
            }
            gensio_time timeout{0, int(std::chrono::nanoseconds(slice).count())};
            gensio_os_funcs_wait(os, waiter, 1, &timeout);
        }
    }

    // Takes whatever events are waiting, without blocking.
    void serviceEvents();

    // The stack's callbacks; the user data is the connection (onAnswer: the Answer).
    static int onEvent(gensio *io, void *userData, int event, int err, unsigned char *buf, gensiods *len,
                       const char *const *auxdata);
    static void onOpened(gensio *io, int err, void *data);
    static void onClosed(gensio *io, void *data);
    static void onAnswer(sergensio *sio, int err, unsigned value, void *data);

    // Asks the server for a setting (0 asks only for its value); the answer lands in answers[which].
    bool request(Setting which, unsigned value);

    // Asks the server to purge (SERGENSIO_FLUSH_*); its answer counts in purgesAnswered.
    bool sendPurge(unsigned which);

    bool answersIn()
    {
        return std::none_of(answers.begin(), answers.end(), [](const Answer &a) { return a.pending; });
    }

    // Sends the line settings (or with all zero, asks for them) and waits for the
    // server's answers; the acknowledged values become the line state.
    bool exchangeSettings(const std::array<unsigned, SettingCount> &values);

    // Words for a connection that failed with gensio error `err`.
    std::string connectFailure(int err) const;

    enum class Attempt { Connected, Busy, Failed };

    // Connects to the parsed address, retrying while the server turns the
    // connection away at once: a server that is still closing the port's previous
    // session (its device is being released) does so for a moment.
    bool connect(const std::string &name);

    // One connection and, over RFC 2217, the first exchange of settings.
    Attempt tryConnect(Clock::time_point giveUp);
    // Closes and frees the stack; nothing when not connected.
    void disconnect();
};
