#pragma once

/*
** The base of the wizard's pages: a fixed-size page of the notebook whose
** controls stand where the page places them, with small helpers that make a
** named control at a given place.
**
** Each page owns its controls and handlers, and its part of the record: the
** record still lives in the controls, but only the page knows which control
** holds which field. The window, the project-file binding and the other
** pages go through this interface (and a few named questions a page
** answers), never through a page's controls:
**
**   loadSettings()    shows the page's fields of the record at one stage of
**                     a project-file load;
**   saveSettings()    stores them back into a record;
**   addFacts()        adds to the navigation facts what only the controls
**                     know (whether an entry of a list is chosen); the rest
**                     of the facts come from the record;
**   validatePage()    completes the page's entries before the checks of
**                     "Next >", which are plain rules over the facts;
**   initializePage()  arrival by "Next >": refills what depends on the
**                     earlier pages;
**   focusEntry()      puts the focus where the user types on this page.
*/

#include "project/wizardproject.h"
#include "wizard/navigation.h"
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

// The steps of a project-file load, in the order the file is read: a page
// shows at each step the fields that the file has given by then.
enum class LoadStage {
    Files,    // the header and footer files, the input values, database wanted
    Database, // browse or insert, the login
    Insert,   // the insert page's field lists
    Browse,   // the browse source and the returned-field lists
    Trailer,  // the trailer lines and the output file
};

class WizardPage : public QWidget
{
    Q_OBJECT
public:
    WizardPage(const char *name, WizardContext &context, QWidget *parent);

    virtual void loadSettings(const WizardProject &record, LoadStage stage);
    virtual void saveSettings(WizardProject &record) const;
    virtual void addFacts(NavigationFacts &facts) const;
    virtual void validatePage();
    virtual void initializePage(const WizardProject &record);
    virtual void focusEntry();

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

// Shows the two choices of a radio group; a file may leave both clear.
void showChoices(QRadioButton *a, bool aOn, QRadioButton *b, bool bOn);

} // namespace quillon::wizard
