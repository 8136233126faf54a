#include "ui/UnsavedChanges.h"

#include "settings/SettingsModel.h"

UnsavedChanges::UnsavedChanges(SettingsModel &model, QObject *parent)
    : QObject(parent), m_model(model), m_kept(model.settings())
{
    connect(&m_model, &SettingsModel::fieldChanged, this, &UnsavedChanges::update);
    connect(&m_model, &SettingsModel::modeChanged, this, &UnsavedChanges::update);
}

void UnsavedChanges::markKept()
{
    m_kept = m_model.settings();
    update();
}

void UnsavedChanges::update()
{
    const bool modified = !(m_model.settings() == m_kept);
    if (modified == m_modified)
        return;
    m_modified = modified;
    Q_EMIT modifiedChanged(modified);
}
