#pragma once

#include <QTabWidget>

class QLabel;
class TFieldBinder;
class TSpinField;

// The "S Reg" page: inner pages "S0 - S5", "S6 - S11", "S12 - S17" and "S18 - S21".
// Each register field has its two-line label on the left and its name on the right.
class TSRegPages : public QTabWidget {
    Q_OBJECT
public:
    TSRegPages(TFieldBinder &binder, QWidget *parent = nullptr);

    // Show_SS_Options: S21 with its labels, and the caption of the fourth page.
    void Show_SS_Options(bool show);

private:
    QWidget *page(TFieldBinder &b, const char *name, int first, int last);

    QWidget *m_s18Page = nullptr;
    TSpinField *m_s21 = nullptr;
    QLabel *m_s21Label = nullptr;
    QLabel *m_s21Name = nullptr;
};
