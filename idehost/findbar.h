#pragma once

/*
** The editor's find and replace bar, shown above the editor by Search >
** Find (the search field only) and Search > Replace (with the replacement
** field). Enter in the search field finds the next match, wrapping at the
** end; Escape hides the bar. What it did, or that nothing matched, is
** said in the bar's own status label.
*/

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QsciScintilla;

namespace quillon::idehost {

class FindBar : public QWidget
{
    Q_OBJECT
public:
    FindBar(QsciScintilla &editor, QWidget *parent = nullptr);

    // Shows the bar with the selection (or the last text) to search for.
    void start(bool replace);
    // The next match of the search text after the caret; false when none.
    bool findNext();
    // Replaces the match selected by the last find and finds the next one.
    bool replaceNext();
    // Replaces every match; returns how many.
    int replaceAll();

    QLineEdit *edFind;
    QLineEdit *edReplace;
    QLabel *findStatus;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QsciScintilla &m_editor;
    QWidget *m_replaceRow;
    bool m_matched = false; // the selection is the match found last
};

} // namespace quillon::idehost
