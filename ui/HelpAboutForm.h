#pragma once

#include "settings/Types.h"
#include "ui/VersionInfo.h"

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

// About box, branded for the product variant. Created anew each time it is shown.
class TForm_HelpAbout : public QDialog {
    Q_OBJECT
public:
    explicit TForm_HelpAbout(QWidget *parent = nullptr);

    // Shows the brand's logo and title, lines the title panel up beside the logo with its
    // right edge where it was, and fills in the version label.
    void SetUp(Brand brand, RadioClass radioClass,
               const VersionResource &version = programVersionResource());

    QLabel *Image_KorvelEgg = nullptr;
    QLabel *Image_Brisca = nullptr;
    QLabel *Image_Tolvane = nullptr;
    QFrame *Panel_Align = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Version = nullptr;
    QLabel *Label_Notice = nullptr;
    QPushButton *OK_Button = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void dockNoticeToBottom();

    QGroupBox *m_group = nullptr;
};
