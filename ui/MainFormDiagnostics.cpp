// Radio diagnostics started from "Ad&vanced" / "&Diagnostics". The tests themselves
// live in diagnostics/; the window lends them its port settings, its message boxes,
// its channel slot, its log and the transmit test's menu caption.
#include "ui/MainForm.h"

#include "comm/ModuleChannel.h"
#include "diagnostics/ReceiveTest.h"
#include "diagnostics/TransmitTest.h"

#include <QAction>

void TMainForm::Diag_TxBerClick() { TxBertest(); }
void TMainForm::Diag_RxBerClick() { RxBerTest(1); }
void TMainForm::Diag_TxRxBerClick() { RxBerTest(2); }
void TMainForm::Diag_RSSIClick() { RxBerTest(3); }

void TMainForm::RxBerTest(int TestKind)
{
    ReceiveTest test(m_portSettings, m_messages, m_diagChannel, this);
    test.run(TestKind);
}

void TMainForm::TxBertest()
{
    QAction *item = menuAction(MainCommand::TxBerTest);
    // The module's replies show in the log pane; this runs on the GUI thread.
    TransmitTest test(m_portSettings, m_variant.modelName, m_messages, m_diagChannel,
                    [this](const QByteArray &text, quint16 length) { receiveData(text, length); },
                    {[item] { return item->text(); }, [item](const QString &caption) { item->setText(caption); }});
    test.toggle();
}
