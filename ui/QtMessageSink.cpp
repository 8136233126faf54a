#include "ui/QtMessageSink.h"

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
    }
    QWidget *parent = m_parent ? m_parent : QApplication::activeWindow();
    // The box's own title is the application title.
    QMessageBox box(boxIcon, QCoreApplication::applicationName(), text, set, parent);
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(escape);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Save: return Answer::Save;
    case QMessageBox::Discard: return Answer::Discard;
    default: break;
    }
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::SaveDiscardCancel: break;
    }
    return Answer::Cancel;
}
