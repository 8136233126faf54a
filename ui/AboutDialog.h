#pragma once

#include "settings/Types.h"
#include "ui/VersionInfo.h"

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

// About box, branded for the product variant. Created anew each time it is shown.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);

    // Shows the brand's logo and title, lines the title panel up beside the logo with its
    // right edge where it was, and fills in the version label.
    void setUp(Brand brand, RadioClass radioClass,
               const VersionResource &version = programVersionResource());

    QLabel *korvelImage() const { return m_korvelLogo; }
    QLabel *briscaImage() const { return m_briscaLogo; }
    QLabel *tolvaneImage() const { return m_tolvaneLogo; }
    QFrame *titlePanel() const { return m_titlePanel; }
    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *versionLabel() const { return m_versionLabel; }
    QLabel *noticeLabel() const { return m_noticeLabel; }
    QPushButton *okButton() const { return m_okButton; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void dockNoticeToBottom();

    QGroupBox *m_group = nullptr;
    QLabel *m_korvelLogo = nullptr;
    QLabel *m_briscaLogo = nullptr;
    QLabel *m_tolvaneLogo = nullptr;
    QFrame *m_titlePanel = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_noticeLabel = nullptr;
    QPushButton *m_okButton = nullptr;
};
