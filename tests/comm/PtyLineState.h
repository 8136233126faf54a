#pragma once

// What a terminal's termios2 settings say, read independently of the port layer.
struct PtyLineState {
    unsigned inputSpeed = 0;
    unsigned outputSpeed = 0;
    bool customRate = false;      // BOTHER: the rate is given as a number
    int byteSize = 0;
    bool parityOn = false;
    bool twoStopBits = false;
    bool rawInput = false;        // no canonical mode, echo or signals
    bool receiverOnLocalLine = false;   // CREAD and CLOCAL
    bool hardwareFlowControl = false;
    bool outputProcessing = false;
};

bool readPtyLineState(int fd, PtyLineState &state);
