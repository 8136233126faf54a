#include "ui/VersionInfo.h"

#ifndef CFG_VERSION_STRING
#error "CFG_VERSION_STRING must be defined by the build"
#endif

const char *const kVersionCompanyName = "Korvel Radio Systems";
const char *const kVersionFileDescription = "Radio Modem Configuration Utility";

namespace {
// UK English, Windows Latin-1: the pair the string table below is filed under.
constexpr std::uint16_t kLanguage = 0x0809;
constexpr std::uint16_t kCodePage = 0x04E4;

QString hex4(std::uint16_t v)
{
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper();
}
} // namespace

void VersionResource::addTranslation(std::uint16_t language, std::uint16_t codePage)
{
    m_translations.append({language, codePage});
}

void VersionResource::setValue(const QString &path, const QString &value)
{
    m_values.insert(path, value);
}

std::optional<QString> VersionResource::value(const QString &path) const
{
    const auto it = m_values.constFind(path);
    if (it == m_values.cend())
        return std::nullopt;
    return *it;
}

QString versionStringPath(const VersionResource::Translation &t, const QString &key)
{
    return QStringLiteral("\\StringFileInfo\\") + hex4(t.language) + hex4(t.codePage)
        + QLatin1Char('\\') + key;
}

QString fileVersionOf(const VersionResource &resource)
{
    if (resource.translations().isEmpty())
        return {};
    const VersionResource::Translation first = resource.translations().first();
    QString fileVersion;
    for (const char *key : {"CompanyName", "FileDescription", "FileVersion"}) {
        const std::optional<QString> v = resource.value(versionStringPath(first, QLatin1String(key)));
        if (!v)
            return {};
        fileVersion = *v;   // the last key read is "FileVersion"
    }
    return fileVersion;
}

QString shortVersion(const QString &fileVersion)
{
    // A version without any dot keeps its whole text as the major part.
    const qsizetype firstDot = fileVersion.indexOf(QLatin1Char('.'));
    if (firstDot < 0)
        return fileVersion + QLatin1Char('.');
    const QString major = fileVersion.left(firstDot);
    const qsizetype secondDot = fileVersion.indexOf(QLatin1Char('.'), firstDot + 1);
    const QString minor = secondDot < 0 ? QString() : fileVersion.mid(firstDot + 1, secondDot - firstDot - 1);
    return major + QLatin1Char('.') + minor;
}

QString versionLabelText(const VersionResource &resource)
{
    return QStringLiteral("Version ") + shortVersion(fileVersionOf(resource));
}

const VersionResource &programVersionResource()
{
    static const VersionResource resource = [] {
        VersionResource r;
        r.addTranslation(kLanguage, kCodePage);
        const VersionResource::Translation t{kLanguage, kCodePage};
        r.setValue(versionStringPath(t, QStringLiteral("CompanyName")), QLatin1String(kVersionCompanyName));
        r.setValue(versionStringPath(t, QStringLiteral("FileDescription")), QLatin1String(kVersionFileDescription));
        r.setValue(versionStringPath(t, QStringLiteral("FileVersion")), QStringLiteral(CFG_VERSION_STRING));
        return r;
    }();
    return resource;
}
