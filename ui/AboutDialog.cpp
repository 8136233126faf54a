#include "ui/AboutDialog.h"

#include "ui/Logos.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int kDialogWidth = 330;
constexpr int kDialogHeight = 196;
constexpr QRect kGroupRect{8, 6, 314, 148};
constexpr QPoint kLogoPos{10, 18};   // top left of every logo inside the group
constexpr QRect kPanelRect{84, 18, 222, 74};      // before set-up; right edge 306
constexpr QRect kNoticeRect{10, 120, 296, 17};
constexpr QSize kTolvaneBox{53, 61};

QLabel *makeLogo(QWidget *parent, const QString &name, const QPixmap &picture, QSize box)
{
    auto *image = new QLabel(parent);
    image->setObjectName(name);
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(picture.size() == box ? picture
                                           : picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    image->setGeometry(QRect(kLogoPos, box));
    image->hide();
    return image;
}
} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_HelpAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(kDialogWidth, kDialogHeight);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    m_group = new QGroupBox(this);
    m_group->setGeometry(kGroupRect);

    m_korvelLogo = makeLogo(m_group, QStringLiteral("Image_KorvelEgg"), korvelEggLogo(), kKorvelEggLogoSize);
    m_briscaLogo = makeLogo(m_group, QStringLiteral("Image_Brisca"), briscaLogo(), kBriscaLogoSize);
    m_tolvaneLogo = makeLogo(m_group, QStringLiteral("Image_Tolvane"), tolvaneLogo(), kTolvaneBox);

    m_titlePanel = new QFrame(m_group);
    m_titlePanel->setObjectName(QStringLiteral("Panel_Align"));
    m_titlePanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_titlePanel->setGeometry(kPanelRect);
    auto *panelLayout = new QVBoxLayout(m_titlePanel);
    panelLayout->setContentsMargins(6, 4, 6, 4);

    m_titleLabel = new QLabel(m_titlePanel);
    m_titleLabel->setObjectName(QStringLiteral("TitleLabel"));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setWordWrap(true);
    QFont titleFont = m_titleLabel->font();
    titleFont.setBold(true);
    // The program's font is sized in pixels, a desktop's in points.
    if (titleFont.pixelSize() > 0)
        titleFont.setPixelSize(qRound(titleFont.pixelSize() * 1.15));
    else
        titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    m_titleLabel->setFont(titleFont);

    m_versionLabel = new QLabel(m_titlePanel);
    m_versionLabel->setObjectName(QStringLiteral("Version"));
    m_versionLabel->setAlignment(Qt::AlignCenter);
    panelLayout->addWidget(m_titleLabel);
    panelLayout->addWidget(m_versionLabel);

    m_noticeLabel = new QLabel(QStringLiteral("Copyright \u00A9 Korvel Radio Systems"), m_group);
    m_noticeLabel->setObjectName(QStringLiteral("Label_Notice"));
    m_noticeLabel->setGeometry(kNoticeRect);
    m_noticeLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setDefault(true);
    m_okButton->setGeometry((kDialogWidth - 75) / 2, kGroupRect.bottom() + 10, 75, 25);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDialog::dockNoticeToBottom()
{
    // Bottom docking: full inner width of the group, along its bottom edge, twice as tall.
    const QRect inner = m_group->contentsRect();
    const int height = m_noticeLabel->height() * 2;
    m_noticeLabel->setGeometry(inner.left(), inner.bottom() + 1 - height, inner.width(), height);
    m_noticeLabel->setAlignment(Qt::AlignCenter);
}

void AboutDialog::setUp(Brand brand, RadioClass radioClass, const VersionResource &version)
{
    const int rightEdge = m_titlePanel->x() + m_titlePanel->width();
    const bool is740 = radioClass == RadioClass::Class740;
    int left = m_titlePanel->x();

    switch (brand) {
    case Brand::Brisca:
        m_briscaLogo->show();
        // Named as the window's caption names the product.
        m_titleLabel->setText(is740 ? QStringLiteral("KMA 410D Configuration")
                              : QStringLiteral("KMA 410D Configuration (868 MHz)"));
        left = m_briscaLogo->x() + m_briscaLogo->width();
        dockNoticeToBottom();
        break;
    case Brand::Tolvane:
        m_tolvaneLogo->show();
        m_titleLabel->setText(QStringLiteral("JT Modem Configuration Utility"));
        dockNoticeToBottom();
        break;
    default:
        m_korvelLogo->show();
        m_titleLabel->setText(is740 ? QStringLiteral("KORVEL 740R-B Configuration")
                              : QStringLiteral("KORVEL 620R Configuration"));
        left = m_korvelLogo->x() + m_korvelLogo->width();
        break;
    }

    m_titlePanel->setFrameStyle(QFrame::NoFrame);
    m_titlePanel->setGeometry(left, m_titlePanel->y(), rightEdge - left, m_titlePanel->height());
    m_versionLabel->setText(versionLabelText(version));
}

void AboutDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}
