#pragma once

#include "settings/ModuleSettings.h"

#include <QObject>

class SettingsModel;

// Whether the window's settings differ from the last ones kept somewhere: a file
// opened or saved, a module read or configured, or the defaults. Editing a value back
// to what was kept makes the window unmodified again.
class UnsavedChanges : public QObject {
    Q_OBJECT
public:
    explicit UnsavedChanges(SettingsModel &model, QObject *parent = nullptr);

    bool isModified() const { return m_modified; }
    // The settings as they are now are kept (saved, loaded, read, written).
    void markKept();

Q_SIGNALS:
    void modifiedChanged(bool modified);

private:
    void update();

    SettingsModel &m_model;
    ModuleSettings m_kept;
    bool m_modified = false;
};
