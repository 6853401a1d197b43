#include "wizard/pages/wizardpage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace quillon::wizard {

WizardPage::WizardPage(const char *name, WizardContext &context, QWidget *parent)
    : QWidget(parent)
    , m_ctx(context)
{
    setObjectName(QString::fromLatin1(name));
}

// A page without fields of the record, facts, entries or refills.
void WizardPage::loadSettings(const WizardProject &, LoadStage) {}
void WizardPage::saveSettings(WizardProject &) const {}
void WizardPage::addFacts(NavigationFacts &) const {}
void WizardPage::validatePage() {}
void WizardPage::initializePage(const WizardProject &) {}
void WizardPage::focusEntry() {}

void showChoices(QRadioButton *a, bool aOn, QRadioButton *b, bool bOn)
{
    if (aOn)
        a->setChecked(true);
    else if (bOn)
        b->setChecked(true);
    if (!aOn && !bOn) {
        a->setAutoExclusive(false);
        b->setAutoExclusive(false);
        a->setChecked(false);
        b->setChecked(false);
        a->setAutoExclusive(true);
        b->setAutoExclusive(true);
    }
}

QLabel *WizardPage::label(const char *name, const QString &text, QRect where, QWidget *buddy)
{
    auto *l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(where);
    l->setWordWrap(where.height() > 2 * fontMetrics().height());
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QLabel *WizardPage::heading(const char *name, const QString &text, QRect where)
{
    QLabel *l = label(name, text, where);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QCheckBox *WizardPage::checkBox(const char *name, const QString &text, QRect where, bool checked)
{
    auto *c = new QCheckBox(text, this);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(where);
    c->setChecked(checked);
    return c;
}

QRadioButton *WizardPage::radioButton(const char *name, const QString &text, QRect where, bool checked)
{
    auto *r = new QRadioButton(text, this);
    r->setObjectName(QString::fromLatin1(name));
    r->setGeometry(where);
    r->setChecked(checked);
    return r;
}

QLineEdit *WizardPage::lineEdit(const char *name, QRect where)
{
    auto *e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(where);
    return e;
}

QPlainTextEdit *WizardPage::memo(const char *name, QRect where)
{
    auto *m = new QPlainTextEdit(this);
    m->setObjectName(QString::fromLatin1(name));
    m->setGeometry(where);
    m->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m->setTabChangesFocus(true);
    return m;
}

QListWidget *WizardPage::listBox(const char *name, QRect where)
{
    auto *l = new QListWidget(this);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(where);
    // The style draws no focus frame around a list: the keyboard user sees where the focus is.
    l->setStyleSheet(QStringLiteral("QListWidget:focus { border: 2px solid palette(highlight); }"));
    return l;
}

QToolButton *WizardPage::speedButton(const char *name, const QString &caption, const QString &hint, QRect where)
{
    auto *b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setGeometry(where);
    b->setAutoRaise(false);
    // Reached by Tab like every control, pressed by Space, framed while it has the focus.
    b->setFocusPolicy(Qt::TabFocus);
    b->setStyleSheet(QStringLiteral("QToolButton:focus { border: 2px solid palette(highlight); border-radius: 3px; }"));
    return b;
}

QPushButton *WizardPage::button(const char *name, const QString &caption, QRect where)
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(where);
    b->setAutoDefault(false);
    return b;
}

void selectOnly(QListWidget *list, int row)
{
    list->clearSelection();
    if (row < 0 || row >= list->count()) {
        list->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
        return;
    }
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

} // namespace quillon::wizard
