#pragma once

#include <QTabWidget>

class QLabel;
class FieldBinder;
class SpinField;

// The "S Reg" page: inner pages "S0 - S5", "S6 - S11", "S12 - S17" and "S18 - S21".
// Each register field has its two-line label on the left and its name on the right.
class RegisterPages : public QTabWidget {
    Q_OBJECT
public:
    RegisterPages(FieldBinder &binder, QWidget *parent = nullptr);

    // showS21: S21 with its labels, and the caption of the fourth page.
    void showS21(bool show);

private:
    QWidget *page(FieldBinder &b, const char *name, int first, int last);

    QWidget *m_s18Page = nullptr;
    SpinField *m_s21 = nullptr;
    QLabel *m_s21Label = nullptr;
    QLabel *m_s21Name = nullptr;
};
