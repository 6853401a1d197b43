/*
** TUrlLabel: a text label that behaves like a hyperlink.
**
** It is drawn blue and underlined with a pointing-hand cursor, shows its
** ActiveColor while the left button is held on it, opens its target when
** clicked, and offers a context menu whose one item "Copy" puts the
** caption on the clipboard.
**
** The target is URL when that is not blank, else the caption; a blank
** target opens nothing.  Opening goes through a replaceable opener so that
** tests (and hosts without a desktop) need not start a browser.
*/
#ifndef QUILLON_WIDGETS_URLLABEL_H
#define QUILLON_WIDGETS_URLLABEL_H

#include <QColor>
#include <QLabel>

#include <functional>

class QMenu;

class TUrlLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString URL READ url WRITE setUrl)
    Q_PROPERTY(QColor ActiveColor READ activeColor WRITE setActiveColor)
    Q_PROPERTY(QString Caption READ text WRITE setText)

public:
    /* Opens a target as given; its result is ignored, as the shell's was. */
    using Opener = std::function<void(const QString &target)>;

    explicit TUrlLabel(QWidget *parent = nullptr);

    QString url() const { return m_url; }
    void setUrl(const QString &url) { m_url = url; }
    QColor activeColor() const { return m_activeColor; }
    void setActiveColor(const QColor &color) { m_activeColor = color; }

    /* The font colour: the palette's window-text colour. */
    QColor fontColor() const;
    void setFontColor(const QColor &color);

    /* The label's own context menu, holding "Copy". */
    QMenu *popupMenu() const { return m_popup; }

    /* The target a click opens now: empty when nothing would be opened. */
    QString target() const;

    /* Replaces the program-wide opener; returns the one in force before. */
    static Opener setOpener(Opener opener);

    /* Puts the caption on the clipboard. */
    void copyCaption();

signals:
    void clicked(); /* OnClick */

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void click();

    QString m_url;
    QColor m_activeColor{128, 0, 128};
    QColor m_savedColor;      /* font colour in force when the left button went down */
    bool m_pressed = false;
    QMenu *m_popup = nullptr;
};

#endif
