#pragma once

#include "settings/MessageSink.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

// Test double of the message boxes: records every message and answers from a queue
// of scripted answers; when the queue is empty it gives the default answer of the
// button set (configurable).
class FakeMessages : public MessageSink {
public:
    struct Message {
        Icon icon;
        Buttons buttons;
        QString text;
        Answer answer;  // what was answered
    };

    Answer show(Icon icon, Buttons buttons, const QString &text) override {
        Answer a = defaultAnswer(buttons);
        if (!m_script.empty()) {
            a = m_script.front();
            m_script.pop_front();
        }
        m_messages.push_back({icon, buttons, text, a});
        return a;
    }

    // Queues answers for the next messages, in order.
    void answer(Answer a) { m_script.push_back(a); }
    void answer(std::initializer_list<Answer> as) { m_script.insert(m_script.end(), as.begin(), as.end()); }
    // Default answers once the script is used up.
    void setDefault(Buttons buttons, Answer a) { defaultRef(buttons) = a; }
    int pendingAnswers() const { return static_cast<int>(m_script.size()); }

    const std::vector<Message> &messages() const { return m_messages; }
    int count() const { return static_cast<int>(m_messages.size()); }
    bool empty() const { return m_messages.empty(); }
    const Message &last() const { return m_messages.back(); }
    const Message &at(int i) const { return m_messages.at(static_cast<std::size_t>(i)); }
    QStringList texts() const {
        QStringList out;
        for (const Message &m : m_messages)
            out << m.text;
        return out;
    }
    int countOf(const QString &text) const {
        int n = 0;
        for (const Message &m : m_messages)
            n += m.text == text ? 1 : 0;
        return n;
    }
    // Forgets the recorded messages and any answers still queued.
    void clear() {
        m_messages.clear();
        m_script.clear();
    }

private:
    Answer defaultAnswer(Buttons b) const {
        switch (b) {
        case Buttons::Ok:
        case Buttons::NextSteps: return m_okDefault;
        case Buttons::YesNo:
        case Buttons::YesNoDefaultNo: return m_yesNoDefault;
        case Buttons::OkCancel: return m_okCancelDefault;
        case Buttons::SaveDiscardCancel: return m_saveDiscardDefault;
        }
        return Answer::Ok;
    }
    Answer &defaultRef(Buttons b) {
        switch (b) {
        case Buttons::YesNo:
        case Buttons::YesNoDefaultNo: return m_yesNoDefault;
        case Buttons::OkCancel: return m_okCancelDefault;
        case Buttons::SaveDiscardCancel: return m_saveDiscardDefault;
        case Buttons::Ok:
        case Buttons::NextSteps: break;
        }
        return m_okDefault;
    }

    std::vector<Message> m_messages;
    std::deque<Answer> m_script;
    Answer m_okDefault = Answer::Ok;
    Answer m_yesNoDefault = Answer::Yes;
    Answer m_okCancelDefault = Answer::Ok;
    Answer m_saveDiscardDefault = Answer::Discard;
};
