#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <cstdint>
#include <optional>

// The program's version information, laid out like a Windows version resource: a list of
// language / code page pairs and a string table addressed by
// "\StringFileInfo\<lang><codepage>\<key>". Linux executables carry no such resource, so the
// program builds its own at compile time (programVersionResource); tests build any other.
class VersionResource {
public:
    struct Translation {
        std::uint16_t language = 0;
        std::uint16_t codePage = 0;
    };

    void addTranslation(std::uint16_t language, std::uint16_t codePage);
    void setValue(const QString &path, const QString &value);

    const QList<Translation> &translations() const { return m_translations; }
    std::optional<QString> value(const QString &path) const;

private:
    QList<Translation> m_translations;
    QMap<QString, QString> m_values;
};

// Values baked into this build.
extern const char *const kVersionCompanyName;
extern const char *const kVersionFileDescription;

// Path of a string-table key for a translation, e.g. "\StringFileInfo\080904E4\FileVersion".
QString versionStringPath(const VersionResource::Translation &t, const QString &key);

// The "FileVersion" of the first listed translation. Queries "CompanyName", "FileDescription"
// and "FileVersion" in that order and gives up (empty text) at the first key that is missing,
// or when no translation is listed.
QString fileVersionOf(const VersionResource &resource);

// Major and minor part of a dotted version: "1.61.0.24" -> "1.61", "1.61" -> "1.", "" -> ".".
QString shortVersion(const QString &fileVersion);

// "Version " followed by the short version of the resource's "FileVersion".
QString versionLabelText(const VersionResource &resource);

// The version resource of this program, from the build's project version.
const VersionResource &programVersionResource();
