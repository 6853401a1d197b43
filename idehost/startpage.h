#pragma once

/*
** What the IDE shows while no project is open: a new web application, a
** wizard project to load, and the projects opened recently (a double
** click or Enter on one opens it).
*/

#include <QWidget>

class QListWidget;
class QPushButton;

namespace quillon::idehost {

class StartPage : public QWidget
{
    Q_OBJECT
public:
    explicit StartPage(QWidget *parent = nullptr);

    void setRecent(const QStringList &paths);
    // Load Project is offered only once an expert gave it.
    void setLoadEnabled(bool enabled);

signals:
    void newClicked();
    void loadClicked();
    void recentChosen(const QString &path);

private:
    QPushButton *btnStartNew;
    QPushButton *btnStartLoad;
    QListWidget *lbRecent;
};

} // namespace quillon::idehost
