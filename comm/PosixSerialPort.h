#pragma once

#include "comm/SerialPortLayer.h"

#include <atomic>

// The port layer on POSIX terminals. "COMn" is the device comDevicePath() names.
// Reads and writes run on a non-blocking descriptor with ppoll and monotonic
// deadlines, which gives the interval and total time-outs of the layer contract.
// Every wait also watches an eventfd, so interrupt() ends it at once.
class PosixSerialPort final : public SerialPortLayer {
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort &) = delete;
    PosixSerialPort &operator=(const PosixSerialPort &) = delete;

    bool open(const std::string &deviceName) override;
    bool isCommDevice() const override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }

    bool getLineState(LineState &state) const override;
    bool setLineState(const LineState &state) override;
    bool getTimeouts(Timeouts &timeouts) const override;
    bool setTimeouts(const Timeouts &timeouts) override;

    bool read(std::vector<std::uint8_t> &data, int maxBytes) override;
    bool write(std::span<const std::uint8_t> data) override;
    void purgeOutput() override;
    void purgeInput() override;
    bool ctsOn() const override;
    bool wakesBlockedReads() const override { return m_wakeFd >= 0; }

protected:
    void onInterruptChanged(bool interrupted) override;

private:
    int m_fd = -1;
    std::atomic<int> m_wakeFd{-1};   // an eventfd, readable while interrupted
    Timeouts m_timeouts;
};
