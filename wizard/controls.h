#pragma once

/*
** Two small controls the pages need beyond Qt's own: a drop-down list that
** says when it is about to open (the wizard refills aliases and tables
** then), and a label that can be clicked.
*/

#include <QComboBox>
#include <QLabel>

namespace quillon::wizard {

class DropDownList : public QComboBox
{
    Q_OBJECT
public:
    explicit DropDownList(QWidget *parent = nullptr);

    // What opening the list does before it shows: the refill.
    void openList() { emit listOpening(); }
    void showPopup() override;

signals:
    void listOpening();
};

class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    void click() { emit clicked(); }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace quillon::wizard
