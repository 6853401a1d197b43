/*
** TFloatBarParent: the hidden child of a form that owns its floating bars.
**
** One per form.  It also keeps the ring of all the form's bars (so every
** caption can be repainted together) and watches the form while it holds
** any bar: the floating bars hide and show with the form, and their
** captions are drawn active while the form is the active window.
*/
#ifndef QUILLON_WIDGETS_FLOATBARPARENT_H
#define QUILLON_WIDGETS_FLOATBARPARENT_H

#include <QList>
#include <QWidget>

class TDockableBar;

class TFloatBarParent : public QWidget {
    Q_OBJECT

public:
    /* The form's float parent, created on first use. */
    static TFloatBarParent *forForm(QWidget *form);
    ~TFloatBarParent() override;

    void addBar(TDockableBar *bar);
    void removeBar(TDockableBar *bar);
    const QList<TDockableBar *> &bars() const { return m_bars; }
    /* Whether the form is being watched (while it holds at least one bar). */
    bool watchesForm() const { return m_watching; }
    /* Whether the captions of the form's bars are drawn active. */
    bool captionsActive() const { return m_active; }
    /* Recomputes the active flag; repaints every caption when it changed. */
    void updateActive();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TFloatBarParent(QWidget *form);

    QWidget *m_form;
    QList<TDockableBar *> m_bars; /* the ring of the form's bars */
    bool m_watching = false;
    bool m_active = false;
};

#endif
