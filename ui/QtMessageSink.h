#pragma once

#include "settings/MessageSink.h"

class QWidget;

// Shows each message as a modal message box over the parent (or the active window).
class QtMessageSink : public MessageSink {
public:
    explicit QtMessageSink(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    Answer show(Icon icon, Buttons buttons, const QString &text) override;

private:
    QWidget *m_parent;
};
