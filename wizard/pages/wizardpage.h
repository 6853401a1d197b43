#pragma once

/*
** The base of the wizard's pages: a fixed-size page of the notebook whose
** controls stand where the page places them, with small helpers that make a
** named control at a given place. Each page owns its controls and handlers;
** the record's fields are read and written through its public controls.
*/

#include "wizard/wizardcontext.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quillon::wizard {

class WizardPage : public QWidget
{
    Q_OBJECT
public:
    WizardPage(const char *name, WizardContext &context, QWidget *parent);

protected:
    QLabel *label(const char *name, const QString &text, QRect where, QWidget *buddy = nullptr);
    QLabel *heading(const char *name, const QString &text, QRect where);
    QCheckBox *checkBox(const char *name, const QString &text, QRect where, bool checked);
    QRadioButton *radioButton(const char *name, const QString &text, QRect where, bool checked);
    QLineEdit *lineEdit(const char *name, QRect where);
    QPlainTextEdit *memo(const char *name, QRect where);
    QListWidget *listBox(const char *name, QRect where);
    QToolButton *speedButton(const char *name, const QString &caption, const QString &hint, QRect where);
    QPushButton *button(const char *name, const QString &caption, QRect where);

    WizardContext &m_ctx;
};

// Selects row alone in list (no selection for -1).
void selectOnly(QListWidget *list, int row);

} // namespace quillon::wizard
