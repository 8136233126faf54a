#include "ui/HelpAboutForm.h"

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

TForm_HelpAbout::TForm_HelpAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_HelpAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(kDialogWidth, kDialogHeight);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    m_group = new QGroupBox(this);
    m_group->setGeometry(kGroupRect);

    Image_KorvelEgg = makeLogo(m_group, QStringLiteral("Image_KorvelEgg"), korvelEggLogo(), kKorvelEggLogoSize);
    Image_Brisca = makeLogo(m_group, QStringLiteral("Image_Brisca"), briscaLogo(), kBriscaLogoSize);
    Image_Tolvane = makeLogo(m_group, QStringLiteral("Image_Tolvane"), tolvaneLogo(), kTolvaneBox);

    Panel_Align = new QFrame(m_group);
    Panel_Align->setObjectName(QStringLiteral("Panel_Align"));
    Panel_Align->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel_Align->setGeometry(kPanelRect);
    auto *panelLayout = new QVBoxLayout(Panel_Align);
    panelLayout->setContentsMargins(6, 4, 6, 4);

    Label1 = new QLabel(Panel_Align);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    QFont titleFont = Label1->font();
    titleFont.setBold(true);
    // The program's font is sized in pixels, a desktop's in points.
    if (titleFont.pixelSize() > 0)
        titleFont.setPixelSize(qRound(titleFont.pixelSize() * 1.15));
    else
        titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    Label1->setFont(titleFont);

    Version = new QLabel(Panel_Align);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setAlignment(Qt::AlignCenter);
    panelLayout->addWidget(Label1);
    panelLayout->addWidget(Version);

    Label_Notice = new QLabel(QStringLiteral("Copyright \u00A9 Korvel Radio Systems"), m_group);
    Label_Notice->setObjectName(QStringLiteral("Label_Notice"));
    Label_Notice->setGeometry(kNoticeRect);
    Label_Notice->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    OK_Button = new QPushButton(QStringLiteral("OK"), this);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setDefault(true);
    OK_Button->setGeometry((kDialogWidth - 75) / 2, kGroupRect.bottom() + 10, 75, 25);
    connect(OK_Button, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm_HelpAbout::dockNoticeToBottom()
{
    // Bottom docking: full inner width of the group, along its bottom edge, twice as tall.
    const QRect inner = m_group->contentsRect();
    const int height = Label_Notice->height() * 2;
    Label_Notice->setGeometry(inner.left(), inner.bottom() + 1 - height, inner.width(), height);
    Label_Notice->setAlignment(Qt::AlignCenter);
}

void TForm_HelpAbout::SetUp(Brand brand, RadioClass radioClass, const VersionResource &version)
{
    const int rightEdge = Panel_Align->x() + Panel_Align->width();
    const bool is740 = radioClass == RadioClass::Class740;
    int left = Panel_Align->x();

    switch (brand) {
    case Brand::Brisca:
        Image_Brisca->show();
        Label1->setText(is740 ? QStringLiteral("KMA 410D (900MHz) Configuration")
                              : QStringLiteral("KMA 410D (868MHz) Configuration"));
        left = Image_Brisca->x() + Image_Brisca->width();
        dockNoticeToBottom();
        break;
    case Brand::Tolvane:
        Image_Tolvane->show();
        Label1->setText(QStringLiteral("JT Modem Configuration Utility"));
        dockNoticeToBottom();
        break;
    default:
        Image_KorvelEgg->show();
        Label1->setText(is740 ? QStringLiteral("KORVEL 740R-B Configuration")
                              : QStringLiteral("KORVEL 620R Configuration"));
        left = Image_KorvelEgg->x() + Image_KorvelEgg->width();
        break;
    }

    Panel_Align->setFrameStyle(QFrame::NoFrame);
    Panel_Align->setGeometry(left, Panel_Align->y(), rightEdge - left, Panel_Align->height());
    Version->setText(versionLabelText(version));
}

void TForm_HelpAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}
