/*
** TDragFrame: the dotted frame that follows the pointer while a tool bar
** is dragged or sized.
**
** A window that takes no input and no activation and paints only its
** dotted outline: one line while over a dock, three nested lines for a
** floating window.
*/
#ifndef QUILLON_WIDGETS_DRAGFRAME_H
#define QUILLON_WIDGETS_DRAGFRAME_H

#include <QWidget>

class TDragFrame : public QWidget {
    Q_OBJECT

public:
    TDragFrame();

    /* Shows the frame at rect (screen coordinates) with 1 or 3 lines. */
    void track(const QRect &rect, int lines);
    int lines() const { return m_lines; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_lines = 1;
};

#endif
