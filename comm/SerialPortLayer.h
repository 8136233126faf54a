#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// The few operating-system serial operations the port object needs. One
// implementation per system (PosixSerialPort, Win32SerialPort); tests substitute an
// in-memory double through setPortLayerFactory(). Every call reports failure by its
// result; none of them throws. Standard types only: the layers need no Qt, so they
// build with any C++20 compiler (the Windows one is cross-compiled and run under Wine).
class SerialPortLayer {
public:
    // Baud rate in bit/s, byte size 4..8, parity 0 none / 1 odd / 2 even,
    // stop bits 0 one / 1 one and a half / 2 two.
    struct LineState {
        int baudRate = 0;
        int byteSize = 8;
        int parity = 0;
        int stopBits = 0;
        bool operator==(const LineState &) const = default;
    };

    // All in ms. A read of N bytes ends when N bytes arrived, when the gap after a
    // received byte exceeds readInterval (0: no interval limit), or when
    // readTotalMultiplier x N + readTotalConstant elapsed (both 0: no total limit).
    // A write may take writeTotalMultiplier x length + writeTotalConstant.
    struct Timeouts {
        unsigned readInterval = 0;
        unsigned readTotalMultiplier = 0;
        unsigned readTotalConstant = 0;
        unsigned writeTotalMultiplier = 0;
        unsigned writeTotalConstant = 0;
        bool operator==(const Timeouts &) const = default;
    };

    virtual ~SerialPortLayer() = default;

    // Opens "COM1".."COM8" for reading and writing, exclusively.
    virtual bool open(const std::string &deviceName) = 0;
    // Why the last open() failed, in words for the user, where the layer knows more
    // than a look at the device would tell (a network port: refused, timed out);
    // empty otherwise.
    virtual std::string openFailureReason() const { return {}; }
    // Whether the open device is a serial port at all.
    virtual bool isCommDevice() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual bool getLineState(LineState &state) const = 0;
    virtual bool setLineState(const LineState &state) = 0;
    virtual bool getTimeouts(Timeouts &timeouts) const = 0;
    virtual bool setTimeouts(const Timeouts &timeouts) = 0;

    // Reads up to maxBytes into `data` (replaced) under the read time-outs. A read
    // that times out succeeds, possibly with nothing.
    virtual bool read(std::vector<std::uint8_t> &data, int maxBytes) = 0;
    // Writes all of `data` and waits until it has left, within the write time-out.
    virtual bool write(std::span<const std::uint8_t> data) = 0;
    virtual void purgeOutput() = 0;
    virtual void purgeInput() = 0;
    // State of the CTS line; a device without modem lines counts as CTS present.
    virtual bool ctsOn() const = 0;

    // Thread-safe, from any thread. Makes a read, write or pause under way return
    // early (a read with what it has so far) and every later one return at once,
    // until clearInterrupt(). Layers that cannot wake a blocked read see it between
    // reads, so their reads must keep a total time-out (see wakesBlockedReads()).
    void interrupt();
    void clearInterrupt();
    bool interruptRequested() const { return m_interrupt.load(); }
    // Whether interrupt() ends a read under way; if not, a read with no total
    // time-out could block for ever.
    virtual bool wakesBlockedReads() const { return false; }
    // Waits `duration`, less when interrupted. False when interrupted. Tests replace
    // it to keep time out of them.
    virtual bool pause(std::chrono::milliseconds duration);
    // The clock the read and pause time-outs run on; tests with a virtual clock
    // replace it, so deadlines follow their time rather than the wall's.
    virtual std::chrono::steady_clock::time_point now() const { return std::chrono::steady_clock::now(); }

protected:
    // Runs after the interrupt flag was set or cleared; wakes whatever blocks.
    virtual void onInterruptChanged(bool /*interrupted*/) {}

private:
    std::atomic<bool> m_interrupt{false};
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseWake;
};

using PortLayerFactory = std::function<std::unique_ptr<SerialPortLayer>()>;

// The layer of this operating system, defined beside it (PosixSerialPort.cpp,
// Win32SerialPort.cpp).
std::unique_ptr<SerialPortLayer> makeSystemPortLayer();
// What new port objects use: unless replaced, a PortLayerChoice, which opens a
// network address on the network layer and anything else on the system layer.
std::unique_ptr<SerialPortLayer> makePortLayer();
// Replaces the factory (an empty one restores the system layer); returns the one
// it replaced. Meant for tests, called before any port is created.
PortLayerFactory setPortLayerFactory(PortLayerFactory factory);
