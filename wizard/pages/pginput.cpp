#include "wizard/pages/pginput.h"

#include "platform/asciicase.h"
#include "project/identifier.h"
#include "wizard/controltext.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QToolButton>

namespace quillon::wizard {

PgInput::PgInput(WizardContext &context, QWidget *parent)
    : WizardPage("pgInput", context, parent)
{
    edValue = lineEdit("edValue", QRect(12, 48, 250, 22));
    label("Label23", QStringLiteral("Enter here the input values to your ISAPI Extension:"), QRect(12, 12, 305, 32));
    sbAdd = speedButton("sbAdd", QStringLiteral("+"), QString(), QRect(268, 48, 24, 22));
    lbValues = listBox("lbValues", QRect(12, 78, 250, 150));
    // The hints name the list's own keys for the same commands.
    sbUp = speedButton("sbUp", QString(), QStringLiteral("Move value up in the list (Ctrl+Up)"),
                       QRect(268, 78, 24, 24));
    sbDel = speedButton("sbDel", QString(), QStringLiteral("Delete value from list (Delete)"),
                        QRect(268, 140, 24, 24));
    sbDown = speedButton("sbDown", QString(), QStringLiteral("Move value down in the list (Ctrl+Down)"),
                         QRect(268, 204, 24, 24));
    sbUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    sbDel->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
    sbDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    lbValues->installEventFilter(this);

    connect(sbAdd, &QToolButton::clicked, this, &PgInput::sbAddClick);
    // Enter in the name field adds the value and goes no further: the
    // window's default button (Next) does not see it, unless the field is
    // empty, when Enter is Next as on any other page.
    edValue->installEventFilter(this);
    connect(sbDel, &QToolButton::clicked, this, &PgInput::sbDelClick);
    connect(sbUp, &QToolButton::clicked, this, [this] { moveSelected(-1); });
    connect(sbDown, &QToolButton::clicked, this, [this] { moveSelected(+1); });
}

StringList PgInput::values() const
{
    return listEntries(lbValues);
}

void PgInput::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage == LoadStage::Files)
        setListEntries(lbValues, p.Input);
}

void PgInput::saveSettings(WizardProject &p) const
{
    p.Input = values();
}

void PgInput::initializePage(const WizardProject &)
{
    focusEntry();
}

void PgInput::focusEntry()
{
    edValue->setFocus();
}

void PgInput::sbAddClick()
{
    const std::string name = controlBytes(edValue);
    // Besides the identifier rule, "+" refuses what the generated source
    // could not compile: a reserved word, a name the source declares
    // itself, or a name already in the list (Pascal ignores letter case).
    const auto already = [&] {
        for (const std::string &entry : listEntries(lbValues)) {
            if (platform::equalsNoCase(entry, name))
                return true;
        }
        return false;
    };
    QString refusal;
    if (!isUsableName(name))
        refusal = edValue->text() + QStringLiteral(" is not a valid identifier. A name is made of letters, digits "
                                                   "and underscores, does not start with a digit and has at most "
                                                   "127 characters.");
    else if (already())
        refusal = edValue->text() + QStringLiteral(" is already an input value.");
    if (!refusal.isEmpty()) {
        // What was typed stays, selected, to be mended or typed over.
        m_ctx.error(refusal);
        edValue->setFocus();
        edValue->selectAll();
        return;
    }
    appendEntry(lbValues, name);
    edValue->setFocus();
    edValue->clear();
    selectOnly(lbValues, lbValues->count() - 1);
}

void PgInput::sbDelClick()
{
    const int row = lbValues->currentRow();
    if (row < 0 || !lbValues->item(row)->isSelected())
        return;
    delete lbValues->takeItem(row);
    m_ctx.dbChanged = true;
    selectOnly(lbValues, -1);
}

void PgInput::moveSelected(int by)
{
    const int row = lbValues->currentRow();
    if (row < 0 || !lbValues->item(row)->isSelected())
        return;
    const int to = row + by;
    if (to < 0 || to >= lbValues->count())
        return;
    QListWidgetItem *item = lbValues->takeItem(row);
    lbValues->insertItem(to, item);
    selectOnly(lbValues, to);
}

/*
** The list is a keyboard list of its own: the arrows move the choice,
** Delete removes the chosen value, Ctrl+Up and Ctrl+Down move it, as the
** buttons beside it do.
*/
bool PgInput::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return WizardPage::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == edValue) {
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !edValue->text().isEmpty()) {
            sbAddClick();
            return true;
        }
    } else if (watched == lbValues) {
        const bool ctrl = key->modifiers() == Qt::ControlModifier;
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            sbDelClick();
            return true;
        }
        if (ctrl && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            moveSelected(key->key() == Qt::Key_Up ? -1 : +1);
            return true;
        }
    }
    return WizardPage::eventFilter(watched, event);
}

} // namespace quillon::wizard
