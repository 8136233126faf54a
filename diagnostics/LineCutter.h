#pragma once

#include <QByteArray>

#include <functional>

// Cuts the module's continuous test output into lines. The pieces a read delivers
// do not follow line boundaries, so the unfinished line is kept between pieces.
// A carriage return ends a line and is not kept; the line feed of a CR LF pair is
// dropped, also when the pair is split across two pieces. Any other character,
// a lone line feed included, belongs to the line.
class LineCutter {
public:
    using LineHandler = std::function<void(const QByteArray &line)>;

    // A module report is far shorter; longer runs without a carriage return are
    // line noise and are dropped up to the next carriage return.
    static constexpr qsizetype kMaxLine = 1024;

    // Takes one delivered piece; calls onLine for every line it completes, in order.
    void feed(const QByteArray &piece, const LineHandler &onLine);
    // The characters received since the last line end.
    const QByteArray &pendingLine() const { return m_line; }
    void clear();

private:
    QByteArray m_line;
    bool m_afterCr = false;    // the last character seen was a carriage return
    bool m_overflow = false;   // dropping an overlong line until its end
};
