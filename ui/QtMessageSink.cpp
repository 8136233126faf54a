#include "ui/QtMessageSink.h"

#include <QPushButton>
#include <QApplication>
#include <QMessageBox>

MessageSink::Answer QtMessageSink::show(Icon icon, Buttons buttons, const QString &text)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::Error: boxIcon = QMessageBox::Critical; break;
    case Icon::Warning: boxIcon = QMessageBox::Warning; break;
    case Icon::Information: boxIcon = QMessageBox::Information; break;
    case Icon::Question: boxIcon = QMessageBox::Question; break;
    }
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    switch (buttons) {
    case Buttons::Ok: break;
    case Buttons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
        break;
    case Buttons::YesNoDefaultNo:
        set = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
        defaultButton = QMessageBox::No;
        break;
    case Buttons::OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case Buttons::SaveDiscardCancel:
        set = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        defaultButton = QMessageBox::Save;
        break;
    case Buttons::NextSteps:
        set = QMessageBox::Retry | QMessageBox::Ok;
        defaultButton = QMessageBox::Ok;
        break;
    }
    QWidget *parent = m_parent ? m_parent : QApplication::activeWindow();
    // The box's own title is the application title.
    QMessageBox box(boxIcon, QCoreApplication::applicationName(), text, set, parent);
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(escape);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    QAbstractButton *findModule = nullptr;
    QAbstractButton *portSettings = nullptr;
    if (buttons == Buttons::NextSteps) {
        findModule = box.addButton(QStringLiteral("Find Module..."), QMessageBox::ActionRole);
        findModule->setObjectName(QStringLiteral("btnFindModule"));
        portSettings = box.addButton(QStringLiteral("Com Port Settings..."), QMessageBox::ActionRole);
        portSettings->setObjectName(QStringLiteral("btnComPortSettings"));
    }
    const int chosen = box.exec();
    if (box.clickedButton() && box.clickedButton() == findModule)
        return Answer::FindModule;
    if (box.clickedButton() && box.clickedButton() == portSettings)
        return Answer::PortSettings;
    switch (chosen) {
    case QMessageBox::Retry: return Answer::Retry;
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Save: return Answer::Save;
    case QMessageBox::Discard: return Answer::Discard;
    default: break;
    }
    switch (buttons) {
    case Buttons::Ok:
    case Buttons::NextSteps: return Answer::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::SaveDiscardCancel: break;
    }
    return Answer::Cancel;
}
