/*
** The gallery's form: explorer buttons in each state, effect labels in
** each style and colour scheme, a rotated label, URL labels at rest and
** pressed, a top dock with two bars and a floating bar.
*/
#ifndef QUILLON_GALLERY_GALLERYWINDOW_H
#define QUILLON_GALLERY_GALLERYWINDOW_H

#include <QImage>
#include <QWidget>

class TXToolBar;

class GalleryWindow : public QWidget {
    Q_OBJECT

public:
    GalleryWindow();

    /* Puts the widgets that show a pointer state into that state. */
    void showStates();
    /* The form with its floating bar drawn where it floats. */
    QImage snapshot();

private:
    QWidget *buttonSection();
    QWidget *effectSection();
    QWidget *urlSection();
    TXToolBar *makeBar(const QString &name, const QStringList &glyphs, const QList<int> &groupBreaks);

    TXToolBar *m_floating = nullptr;
    QList<QWidget *> m_hot;     /* shown with the pointer over them */
    QList<QWidget *> m_pressed; /* shown with the left button held on them */
};

#endif
