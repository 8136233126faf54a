#pragma once

#include "settings/ModuleSettings.h"

#include <QString>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QTabWidget;
class QWidget;
class ChoiceGroup;
class FieldBinder;
class SpinField;

// Small factories for the controls of the main window's pages. Each control gets
// its control name as object name and, where its caption is not its own, the text
// of the label next to it as accessible name.
namespace FormParts {

// A top-level group box: bold caption, normal font inside (put children in body).
QGroupBox *boldGroup(const QString &caption, QWidget *parent, QWidget **body);

QLabel *label(const QString &text, QWidget *parent);
// A label of one or two lines ("Esc Sequence ", "Guard Time (millisec)").
QLabel *label(const QString &line1, const QString &line2, QWidget *parent);
// The label's lines joined with one space, for the accessible name of its field.
QString joined(const QString &line1, const QString &line2 = {});

SpinField *number(FieldBinder &b, Field f, const char *name, const QString &accessibleName,
                   QWidget *parent);
QCheckBox *flag(FieldBinder &b, Field f, const char *name, const QString &caption, QWidget *parent);
ChoiceGroup *choice(FieldBinder &b, Field f, const char *name, const QString &caption,
                     QWidget *parent);
QComboBox *dropDown(FieldBinder &b, Field f, const char *name, const QString &accessibleName,
                    QWidget *parent);

// Narrower tab padding, so the tab captions fit the window's small columns.
void compactTabs(QTabWidget *tabs);

// A row of a form grid: label (one or two lines) on the left, the numeric field on
// the right; returns the field.
SpinField *numberRow(QGridLayout *grid, int row, FieldBinder &b, Field f, const char *name,
                      const QString &line1, const QString &line2 = {});

}  // namespace FormParts
