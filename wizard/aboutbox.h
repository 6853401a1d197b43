/*
** TAboutBox: the product's name, version and web address, with one OK
** button; a fixed-size dialog centred on the screen.
*/
#ifndef QUILLON_WIZARD_ABOUTBOX_H
#define QUILLON_WIZARD_ABOUTBOX_H

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class TUrlLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

private:
    QFrame *Panel1;
    QLabel *ProgramIcon;
    QLabel *ProductName;
    QLabel *Version;
    TUrlLabel *UrlLabel1;
    QPushButton *OKButton;
};

#endif
