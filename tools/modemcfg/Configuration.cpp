#include "Configuration.h"

#include "settings/ConfigFile.h"
#include "settings/FileLineCheck.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsComparison.h"
#include "settings/SettingsRecord.h"

#include <QFile>

#include <cstdio>

namespace {
// The window's text for the same failure.
const QString kNoModeText = QStringLiteral("An operating mode must be selected!");

// Every problem on a line of its own, after a count.
QString problemList(const std::vector<FileLineProblem> &problems)
{
    QStringList lines{problems.size() == 1 ? QStringLiteral("1 value is not taken as written (--lenient reads "
                                                            "it as the window does):")
                                           : QStringLiteral("%1 values are not taken as written (--lenient reads "
                                                            "them as the window does):")
                                                 .arg(problems.size())};
    for (const FileLineProblem &p : problems)
        lines << QStringLiteral("  ") + p.text();
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

QStringList productNames()
{
    return {QStringLiteral("740R-B"), QStringLiteral("620R"), QStringLiteral("KMA-410D-900"),
            QStringLiteral("KMA-410D-868"), QStringLiteral("JT-LNK-9-D")};
}

std::optional<ProductVariant> productNamed(const QString &name)
{
    return selectProductVariant(name);
}

std::optional<Configuration> loadConfiguration(const QString &path, const ProductVariant &variant, QString *error,
                                               bool lenient)
{
    const auto fail = [&](const QString &why) {
        *error = path + QStringLiteral(": ") + why;
        return std::nullopt;
    };
    QByteArray line;
    try {
        if (path == QStringLiteral("-")) {
            QFile input;
            if (!input.open(stdin, QIODevice::ReadOnly))
                return fail(QStringLiteral("standard input cannot be read."));
            line = ConfigFile::readFirstLine(input, QStringLiteral("standard input"));
        } else {
            line = ConfigFile().readLine(path);
        }
    } catch (const FileError &e) {
        *error = e.message();
        return std::nullopt;
    }
    const std::vector<FileLineProblem> problems = checkFileLine(line);
    if (!lenient && !problems.empty())
        return fail(problemList(problems));
    const QByteArray original = line;  // the parse consumes the text
    Configuration c;
    try {
        SettingsRecord record = settingsRecordFromText(line, true, variant);
        c.settings = record.settings;
        c.notices = record.notices;
    } catch (const Exception &e) {
        return fail(e.message());
    }
    c.commands = buildCommandList(c.settings);
    std::vector<FileLineProblem> changed;
    try {
        changed = changesOnReading(original, fileLineFromJoined(joinCommandList(c.commands)));
    } catch (const Exception &e) {
        return fail(e.message());
    }
    if (!lenient && !changed.empty())
        return fail(problemList(changed));
    // Lenient: one notice per value changed or ignored, each token once.
    for (const FileLineProblem &p : lenientReadingProblems(original, fileLineFromJoined(joinCommandList(c.commands))))
        c.notices << p.text();
    return c;
}

Configuration configurationFrom(const ModuleSettings &settings)
{
    return {settings, buildCommandList(settings), {}};
}

QString saveConfiguration(const Configuration &configuration, const QString &path)
{
    if (configuration.settings.mode == OperatingMode::None)
        return kNoModeText;
    try {
        if (path == QStringLiteral("-")) {
            QFile output;
            if (!output.open(stdout, QIODevice::WriteOnly) ||
                output.write(fileLineFromJoined(joinCommandList(configuration.commands)) + "\r\n") < 0)
                return QStringLiteral("standard output cannot be written.");
        } else {
            saveToFile(joinCommandList(configuration.commands), path);
        }
    } catch (const Exception &e) {
        return e.message();
    }
    return {};
}
