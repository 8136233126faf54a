#pragma once

#include "comm/LineSettings.h"
#include "settings/CommandBuilder.h"
#include "settings/ListingParser.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QObject>

#include <optional>
#include <QString>

class FileDialogs;
class SettingsModel;

// The file commands of the main window: save, save as, new, open and the file named
// on the command line. Works on the program-wide state it is given (the CommandList,
// ListingText, PC line and PriorS21 held by the main window) and tells the window
// through signals what to show.
class ConfigFileCommands : public QObject {
    Q_OBJECT
public:
    static inline const QString kFilter = QStringLiteral("*.40B");
    static inline const QString kDefaultSuffix = QStringLiteral("40B");
    static inline const QString kExtension = QStringLiteral(".40B");
    static inline const QString kCompareTitle = QStringLiteral("Compare File with Window");

    struct State {
        CommandList &commandList;
        QByteArray &listingText;
        LineSettings &lineSettings;
        int &priorS21;
    };

    ConfigFileCommands(SettingsModel &model, FileDialogs &dialogs, State state, QObject *parent = nullptr);

    const QString &currentFileName() const { return m_currentFileName; }
    // Makes path the current file (empty: none) and announces the new caption.
    void setCurrentFileName(const QString &path) { setCurrentFile(path); }
    // baseCaption alone, or baseCaption + ": " + CurrentFileName while a file is current.
    QString caption() const;

    // Each returns whether it did its job (false: refused, cancelled or failed; the
    // user has been told where there is something to tell).
    bool saveAs(bool prompt);
    bool save();
    bool newConfiguration();
    bool openFile();
    bool loadFile(const QString &path);
    // The first command-line argument: loads an existing ".40B" file, reports any other
    // extension, ignores an empty argument and a missing file.
    bool openCommandLineFile(const QString &argument);
    // Asks for a configuration file and reads it into a record of its own, leaving the
    // window's settings and ListingText alone; nullopt when cancelled or unreadable
    // (the user has been told). chosenPath, when given, receives the file's name.
    std::optional<ModuleSettings> chooseSettingsFile(QString *chosenPath = nullptr);

Q_SIGNALS:
    void captionChanged(const QString &caption);
    // A file was written whole (save, save as) or applied whole (open).
    void fileSaved(const QString &path);
    void fileLoaded(const QString &path);
    // The PC line was rewritten from the loaded module format; the status row follows.
    void lineSettingsChanged();
    // A file was applied: the main window repaints.
    void repaintRequested();

private:
    // Parses a file's line; a line that does not convert shows the notices gathered so
    // far and raises ConversionError.
    ParsedListing parseFileLine(QByteArray &line);
    void setCurrentFile(const QString &path);
    bool writeFile(const QString &path);

    SettingsModel &m_model;
    FileDialogs &m_dialogs;
    State m_state;
    QString m_currentFileName;
};
