#include "idehost/startpage.h"

#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon::idehost {

StartPage::StartPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("startPage"));
    auto *title = new QLabel(QStringLiteral("Quillon IDE"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    btnStartNew = new QPushButton(QStringLiteral("&New Web Application"), this);
    btnStartNew->setObjectName(QStringLiteral("btnStartNew"));
    btnStartLoad = new QPushButton(QStringLiteral("&Load Project"), this);
    btnStartLoad->setObjectName(QStringLiteral("btnStartLoad"));
    auto *recentLabel = new QLabel(QStringLiteral("&Recent projects:"), this);
    lbRecent = new QListWidget(this);
    lbRecent->setObjectName(QStringLiteral("lbRecent"));
    recentLabel->setBuddy(lbRecent);

    auto *column = new QVBoxLayout;
    column->addWidget(title);
    column->addSpacing(12);
    column->addWidget(btnStartNew);
    column->addWidget(btnStartLoad);
    column->addSpacing(12);
    column->addWidget(recentLabel);
    column->addWidget(lbRecent, 1);
    auto *outer = new QHBoxLayout(this);
    outer->addStretch(1);
    outer->addLayout(column, 2);
    outer->addStretch(1);

    connect(btnStartNew, &QPushButton::clicked, this, &StartPage::newClicked);
    connect(btnStartLoad, &QPushButton::clicked, this, &StartPage::loadClicked);
    connect(lbRecent, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { emit recentChosen(item->data(Qt::UserRole).toString()); });
}

void StartPage::setRecent(const QStringList &paths)
{
    lbRecent->clear();
    for (const QString &path : paths) {
        auto *row = new QListWidgetItem(QFileInfo(path).fileName() + QStringLiteral(" \u2014 ") + path, lbRecent);
        row->setData(Qt::UserRole, path);
        row->setToolTip(path);
    }
}

void StartPage::setLoadEnabled(bool enabled)
{
    btnStartLoad->setEnabled(enabled);
}

} // namespace quillon::idehost
