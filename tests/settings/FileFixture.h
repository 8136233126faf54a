#pragma once

#include "ParserFixture.h"
#include "settings/CommandBuilder.h"
#include "ui/ConfigFileCommands.h"
#include "ui/FileDialogs.h"

namespace codectest {

class FakeDialogs : public FileDialogs {
public:
    QString getSaveFileName(const QString &dir, const QString &filter, const QString &suffix) override {
        return record(dir, filter, suffix);
    }
    QString getOpenFileName(const QString &dir, const QString &filter, const QString &suffix,
                            const QString &) override {
        return record(dir, filter, suffix);
    }
    QString answer;  // empty: cancelled
    int calls = 0;
    QString directory, filter, suffix;

private:
    QString record(const QString &d, const QString &f, const QString &s) {
        ++calls;
        directory = d;
        filter = f;
        suffix = s;
        return answer;
    }
};

// The file commands with the window's program-wide state around them.
struct FileRig : ParserRig {
    explicit FileRig(RadioClass rc = RadioClass::Class740)
        : ParserRig(rc), files(model, dialogs, {commandList, listingText, line, priorS21}) {}
    void apply(const ModuleSettings &s) {
        model.replaceAll(s);
        model.selectMode(s.mode);
    }
    QString base() const { return model.variant().baseCaption; }

    FakeDialogs dialogs;
    CommandList commandList;
    QByteArray listingText;
    LineSettings line;
    ConfigFileCommands files;
};

}  // namespace codectest
