#include "idehost/findbar.h"

#include <Qsci/qsciscintilla.h>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon::idehost {

FindBar::FindBar(QsciScintilla &editor, QWidget *parent)
    : QWidget(parent)
    , m_editor(editor)
{
    setObjectName(QStringLiteral("findBar"));
    edFind = new QLineEdit(this);
    edFind->setObjectName(QStringLiteral("edFind"));
    edFind->setPlaceholderText(QStringLiteral("Find"));
    auto *next = new QPushButton(QStringLiteral("Find &Next"), this);
    next->setObjectName(QStringLiteral("btnFindNext"));
    findStatus = new QLabel(this);
    findStatus->setObjectName(QStringLiteral("findStatus"));
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("btnFindClose"));

    m_replaceRow = new QWidget(this);
    edReplace = new QLineEdit(m_replaceRow);
    edReplace->setObjectName(QStringLiteral("edReplace"));
    edReplace->setPlaceholderText(QStringLiteral("Replace with"));
    auto *replace = new QPushButton(QStringLiteral("&Replace"), m_replaceRow);
    replace->setObjectName(QStringLiteral("btnReplace"));
    auto *all = new QPushButton(QStringLiteral("Replace &All"), m_replaceRow);
    all->setObjectName(QStringLiteral("btnReplaceAll"));

    auto *findRow = new QHBoxLayout;
    findRow->addWidget(edFind, 1);
    findRow->addWidget(next);
    findRow->addWidget(findStatus);
    findRow->addWidget(close);
    auto *replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->addWidget(edReplace, 1);
    replaceRow->addWidget(replace);
    replaceRow->addWidget(all);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addLayout(findRow);
    layout->addWidget(m_replaceRow);

    // Tab goes from what to find to what replaces it, then to the buttons.
    setTabOrder(edFind, edReplace);
    setTabOrder(edReplace, next);
    setTabOrder(next, replace);
    setTabOrder(replace, all);
    setTabOrder(all, close);

    connect(edFind, &QLineEdit::returnPressed, this, &FindBar::findNext);
    connect(edFind, &QLineEdit::textEdited, this, [this] { m_matched = false; });
    connect(next, &QPushButton::clicked, this, &FindBar::findNext);
    connect(replace, &QPushButton::clicked, this, &FindBar::replaceNext);
    connect(all, &QPushButton::clicked, this, &FindBar::replaceAll);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void FindBar::start(bool replace)
{
    if (m_editor.hasSelectedText() && !m_editor.selectedText().contains(QLatin1Char('\n')))
        edFind->setText(m_editor.selectedText());
    m_replaceRow->setVisible(replace);
    findStatus->clear();
    show();
    edFind->setFocus();
    edFind->selectAll();
}

bool FindBar::findNext()
{
    const QString text = edFind->text();
    if (text.isEmpty())
        return false;
    // Plain text, case-insensitive, wrapping, forward from the caret.
    m_matched = m_editor.findFirst(text, false, false, false, true, true);
    findStatus->setText(m_matched ? QString() : QStringLiteral("\"%1\" not found").arg(text));
    return m_matched;
}

bool FindBar::replaceNext()
{
    if (m_editor.isReadOnly())
        return false;
    if (m_matched && m_editor.selectedText().compare(edFind->text(), Qt::CaseInsensitive) == 0)
        m_editor.replace(edReplace->text());
    return findNext();
}

int FindBar::replaceAll()
{
    const QString text = edFind->text();
    if (text.isEmpty() || m_editor.isReadOnly())
        return 0;
    int count = 0;
    m_editor.beginUndoAction(); // one Undo takes them all back
    m_editor.setCursorPosition(0, 0);
    // Forward only, without wrapping, so a replacement that contains the
    // search text is not found again.
    for (bool found = m_editor.findFirst(text, false, false, false, false, true); found;
         found = m_editor.findNext()) {
        m_editor.replace(edReplace->text());
        ++count;
    }
    m_editor.endUndoAction();
    m_matched = false;
    findStatus->setText(QStringLiteral("%1 replaced").arg(count));
    return count;
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        m_editor.setFocus();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quillon::idehost
