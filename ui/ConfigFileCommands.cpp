#include "ui/ConfigFileCommands.h"

#include "settings/CommandBuilder.h"
#include "settings/ConfigFile.h"
#include "settings/FileLineCheck.h"
#include "settings/ListingParser.h"
#include "settings/SerialParams.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsModel.h"
#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kNoModeText = QStringLiteral("An operating mode must be selected!");
const QString kNewText = QStringLiteral("Open new configuration?");
const QString kLoadFailedText = QStringLiteral("Unable to load file. The file may be corrupt, or incorrect.");
const QString kNotConfigText = QStringLiteral(" is not a valid configuration file.");

// The load failure names the file and what was wrong with it.
QString loadFailedText(const QString &path, const std::exception &e)
{
    const auto *own = dynamic_cast<const Exception *>(&e);
    const QString reason = own ? own->message() : QString::fromLocal8Bit(e.what());
    return kLoadFailedText + QStringLiteral("\r\n\r\n") + QDir::toNativeSeparators(path) +
           QStringLiteral("\r\n") + reason;
}
}  // namespace

ConfigFileCommands::ConfigFileCommands(SettingsModel &model, FileDialogs &dialogs, State state, QObject *parent)
    : QObject(parent), m_model(model), m_dialogs(dialogs), m_state(state) {}

QString ConfigFileCommands::caption() const {
    const QString &base = m_model.variant().baseCaption;
    return m_currentFileName.isEmpty() ? base : base + QStringLiteral(": ") + m_currentFileName;
}

void ConfigFileCommands::setCurrentFile(const QString &path) {
    m_currentFileName = path;
    Q_EMIT captionChanged(caption());
}

bool ConfigFileCommands::writeFile(const QString &path) {
    try {
        saveToFile(joinCommandList(m_state.commandList), path);
        return true;
    } catch (const Exception &e) {
        // The file is replaced only by a complete new one, so the old one is still there.
        m_model.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        return false;
    }
}

bool ConfigFileCommands::saveAs(bool prompt) {
    if (m_model.mode() == OperatingMode::None) {
        m_model.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok, kNoModeText);
        return false;
    }
    m_state.commandList = buildCommandList(m_model.settings());

    QString path = m_currentFileName;
    if (prompt) {
        path = m_dialogs.getSaveFileName(QDir::currentPath(), kFilter, kDefaultSuffix);
        if (path.isEmpty())
            return false;
    }
    if (!writeFile(path))
        return false;
    setCurrentFile(path);
    Q_EMIT fileSaved(path);
    return true;
}

bool ConfigFileCommands::save() { return saveAs(m_currentFileName.isEmpty()); }

bool ConfigFileCommands::newConfiguration() {
    if (m_model.messages().show(MessageSink::Icon::Question, MessageSink::Buttons::OkCancel, kNewText) !=
        MessageSink::Answer::Ok)
        return false;
    m_model.applyDefaults();
    setCurrentFile(QString());
    return true;
}

bool ConfigFileCommands::openFile() {
    const QString path = m_dialogs.getOpenFileName(QDir::currentPath(), kFilter, kDefaultSuffix);
    return !path.isEmpty() && loadFile(path);
}

ParsedListing ConfigFileCommands::parseFileLine(QByteArray &line) {
    ListingParser parser(line, m_model.variant().radioClass);
    try {
        return parser.parse(true);
    } catch (const ConversionError &) {
        // What the parser noticed before it failed is still worth telling.
        showNotices(m_model.messages(), parser.notices());
        throw;
    }
}

bool ConfigFileCommands::loadFile(const QString &path) {
    // The file is read and parsed whole before the window changes: a file that fails
    // leaves the settings, the file name and ListingText as they were.
    QByteArray line;
    QByteArray original;
    ParsedListing parsed;
    try {
        line = ConfigFile().readLine(path);
        original = line;  // the parse consumes the text
        parsed = parseFileLine(line);
        settingsFromListing(parsed, m_model.variant());
    } catch (const std::exception &e) {
        m_model.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, loadFailedText(path, e));
        return false;
    }
    const ModuleSettings before = m_model.settings();
    try {
        m_model.applyDefaults();
        if (const std::optional<int> prior = m_model.applyListing(parsed))
            m_state.priorS21 = *prior;
    } catch (const std::exception &e) {
        m_model.replaceAll(before);
        m_model.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, loadFailedText(path, e));
        return false;
    }
    m_state.listingText = line;
    showNotices(m_model.messages(), parsed.notices);
    // Files people have keep opening; what the reading changed is listed in one
    // notice, beyond what the parse told of itself (a refused file, the flow control).
    QStringList explained;
    for (const ListingNotice &n : parsed.notices)
        if (n.text.contains(QStringLiteral("&K")))
            explained << QStringLiteral("&K");
    const QString changed =
        parsed.refused
            ? QString()
            : lenientReadingNotice(original, fileLineFromJoined(joinCommandList(buildCommandList(m_model.settings()))),
                                   explained);
    if (!changed.isEmpty())
        m_model.messages().show(MessageSink::Icon::Information, MessageSink::Buttons::Ok, changed);
    Q_EMIT repaintRequested();
    setCurrentFile(path);
    m_state.lineSettings = pcLineFor(m_model.settings(), m_state.lineSettings);
    Q_EMIT lineSettingsChanged();
    Q_EMIT fileLoaded(path);
    return true;
}

bool ConfigFileCommands::openCommandLineFile(const QString &argument) {
    const QFileInfo info(argument);
    if (argument.isEmpty() || !info.exists() || info.isDir())
        return false;
    // The extension is the text from the last dot of the file name, letter case counted.
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || name.mid(dot) != kExtension) {
        m_model.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, argument + kNotConfigText);
        return false;
    }
    return loadFile(argument);
}

std::optional<ModuleSettings> ConfigFileCommands::chooseSettingsFile(QString *chosenPath) {
    const QString path = m_dialogs.getOpenFileName(QDir::currentPath(), kFilter, kDefaultSuffix, kCompareTitle);
    if (path.isEmpty())
        return std::nullopt;
    if (chosenPath)
        *chosenPath = path;
    try {
        QByteArray line = ConfigFile().readLine(path);
        const ParsedListing parsed = parseFileLine(line);
        showNotices(m_model.messages(), parsed.notices);
        return settingsFromListing(parsed, m_model.variant());
    } catch (const std::exception &e) {
        m_model.messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, loadFailedText(path, e));
        return std::nullopt;
    }
}
