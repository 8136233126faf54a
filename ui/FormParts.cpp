#include "ui/FormParts.h"

#include "settings/SettingsModel.h"
#include "ui/ChoiceGroup.h"
#include "ui/FieldBinder.h"
#include "ui/SpinField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QApplication>
#include <QProxyStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QPointer>
#include <QVBoxLayout>

namespace FormParts {

QGroupBox *boldGroup(const QString &caption, QWidget *parent, QWidget **body)
{
    auto *group = new QGroupBox(caption, parent);
    QFont bold = group->font();
    bold.setBold(true);
    group->setFont(bold);
    auto *inner = new QWidget(group);
    QFont normal = bold;
    normal.setBold(false);
    inner->setFont(normal);
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->addWidget(inner);
    *body = inner;
    return group;
}

QLabel *label(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLabel *label(const QString &line1, const QString &line2, QWidget *parent)
{
    return label(line2.isEmpty() ? line1 : line1 + QLatin1Char('\n') + line2, parent);
}

QString joined(const QString &line1, const QString &line2)
{
    return line2.isEmpty() ? line1.trimmed() : line1.trimmed() + QLatin1Char(' ') + line2.trimmed();
}

SpinField *number(FieldBinder &b, Field f, const char *name, const QString &accessibleName,
                   QWidget *parent)
{
    auto *field = new SpinField(b.model().minimum(f), b.model().maximum(f), parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setAccessibleName(accessibleName);
    b.bindNumber(f, field);
    return field;
}

QCheckBox *flag(FieldBinder &b, Field f, const char *name, const QString &caption, QWidget *parent)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    if (f == Field::PlcMode)
        b.bindPlcBox(f, box);
    else
        b.bindFlag(f, box);
    return box;
}

ChoiceGroup *choice(FieldBinder &b, Field f, const char *name, const QString &caption,
                     QWidget *parent)
{
    auto *group = new ChoiceGroup(caption, b.model().choiceItems(f), parent);
    group->setObjectName(QString::fromLatin1(name));
    b.bindChoice(f, group);
    return group;
}

QComboBox *dropDown(FieldBinder &b, Field f, const char *name, const QString &accessibleName,
                    QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(false);
    box->addItems(b.model().choiceItems(f));
    box->setAccessibleName(accessibleName);
    b.bindDropDown(f, box);
    return box;
}

namespace {

class CompactTabStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_TabBarTabHSpace)
            return 10;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

void compactTabs(QTabWidget *tabs)
{
    // One style object for every tab bar; it lives as long as the application.
    static QPointer<CompactTabStyle> style;
    if (!style) {
        style = new CompactTabStyle(QApplication::style()->name());
        style->setParent(qApp);
    }
    tabs->tabBar()->setStyle(style);
}

SpinField *numberRow(QGridLayout *grid, int row, FieldBinder &b, Field f, const char *name,
                      const QString &line1, const QString &line2)
{
    QWidget *parent = grid->parentWidget();
    QLabel *text = label(line1, line2, parent);
    grid->addWidget(text, row, 0);
    SpinField *field = number(b, f, name, joined(line1, line2), parent);
    text->setBuddy(field);
    grid->addWidget(field, row, 1);
    return field;
}

}  // namespace FormParts
