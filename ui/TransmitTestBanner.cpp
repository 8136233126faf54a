#include "ui/TransmitTestBanner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TransmitTestBanner::TransmitTestBanner(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("TransmitTestBanner"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // The palette's highlight: a strip the eye finds without reading it.
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Highlight));
    p.setColor(QPalette::WindowText, p.color(QPalette::HighlightedText));
    setPalette(p);

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("TransmitTestBannerText"));
    QFont bold = m_text->font();
    bold.setBold(true);
    m_text->setFont(bold);
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_stop->setObjectName(QStringLiteral("TransmitTestBannerStop"));
    m_stop->setAccessibleName(QStringLiteral("Stop Tx BER Test"));
    connect(m_stop, &QPushButton::clicked, this, &TransmitTestBanner::stopRequested);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 3, 8, 3);
    row->addWidget(m_text, 1);
    row->addWidget(m_stop);
    setAccessibleName(QStringLiteral("Tx BER Test"));
    hide();
}

void TransmitTestBanner::showRunning(bool running, const QString &portName)
{
    m_text->setText(running ? QStringLiteral("Tx BER test running on %1: the module transmits until it is stopped.")
                                  .arg(portName)
                            : QString());
    setVisible(running);
}

QString TransmitTestBanner::text() const { return m_text->text(); }
