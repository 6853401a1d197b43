#include "idehost/buildpanel.h"

#include "idehost/projectbuild.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace quillon::idehost {

namespace {

enum Role { FileRole = Qt::UserRole, LineRole, ColumnRole };

QString messageText(const BuildMessage &m)
{
    if (m.kind.isEmpty())
        return m.text;
    QString where = m.file;
    if (m.line > 0)
        where += QStringLiteral("(%1,%2)").arg(m.line).arg(m.column);
    return (where.isEmpty() ? QString() : where + QLatin1Char(' ')) + m.kind + QStringLiteral(": ") + m.text;
}

} // namespace

BuildPanel::BuildPanel(ProjectBuild &build, QWidget *parent)
    : QWidget(parent)
    , m_build(build)
{
    setObjectName(QStringLiteral("buildPanel"));
    buildMessages = new QListWidget(this);
    buildMessages->setObjectName(QStringLiteral("buildMessages"));
    edRequest = new QLineEdit(this);
    edRequest->setObjectName(QStringLiteral("edRequest"));
    edRequest->setPlaceholderText(QStringLiteral("City=Lyon&MinOrders=1"));
    edRequest->setToolTip(QStringLiteral("The request parameters Run > Run sends, as a query string (Enter runs)"));
    connect(edRequest, &QLineEdit::returnPressed, this, &BuildPanel::runRequested);
    runStatus = new QLabel(this);
    runStatus->setObjectName(QStringLiteral("runStatus"));
    runStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resultTabs = new QTabWidget(this);
    resultTabs->setObjectName(QStringLiteral("resultTabs"));
    pageView = new QTextBrowser(resultTabs);
    pageView->setObjectName(QStringLiteral("pageView"));
    pageView->setOpenLinks(false);
    pageSource = new QPlainTextEdit(resultTabs);
    pageSource->setObjectName(QStringLiteral("pageSource"));
    pageSource->setReadOnly(true);
    pageSource->setLineWrapMode(QPlainTextEdit::NoWrap);
    pageSource->setFont(QFont(QStringLiteral("Liberation Mono"), 9));
    resultTabs->addTab(pageView, QStringLiteral("Page"));
    resultTabs->addTab(pageSource, QStringLiteral("Source"));

    auto *right = new QWidget(this);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Request:"), edRequest);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addLayout(form);
    rightLayout->addWidget(runStatus);
    rightLayout->addWidget(resultTabs);
    auto *split = new QSplitter(this);
    split->addWidget(buildMessages);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    connect(&build, &ProjectBuild::messageAdded, this, [this](const BuildMessage &m) {
        auto *row = new QListWidgetItem(messageText(m), buildMessages);
        if (m.isError())
            row->setForeground(QColor(0xb0, 0, 0));
        row->setData(FileRole, m.file);
        row->setData(LineRole, m.line);
        row->setData(ColumnRole, m.column);
    });
    connect(buildMessages, &QListWidget::itemActivated, this, [this](QListWidgetItem *row) {
        if (row->data(LineRole).toInt() > 0)
            emit gotoLine(row->data(FileRole).toString(), row->data(LineRole).toInt(), row->data(ColumnRole).toInt());
    });
    connect(&build, &ProjectBuild::stepStarted, this, &BuildPanel::stepStarted);
    connect(&build, &ProjectBuild::stepFinished, this, &BuildPanel::stepFinished);
}

void BuildPanel::clear()
{
    buildMessages->clear();
    pageView->clear();
    pageSource->clear();
    runStatus->clear();
}

QString BuildPanel::request() const
{
    return edRequest->text();
}

void BuildPanel::forgetRequest()
{
    edRequest->clear();
}

void BuildPanel::showRunResult(bool ok)
{
    if (!ok) {
        runStatus->setText(QStringLiteral("Run failed"));
        pageView->setPlainText(m_build.failure());
        pageSource->clear();
        return;
    }
    runStatus->setText(m_build.statusLine());
    pageView->setHtml(m_build.body());
    pageSource->setPlainText(m_build.headers() + QStringLiteral("\n\n") + m_build.body());
    resultTabs->setCurrentWidget(pageView);
}

void BuildPanel::stepStarted(const QString &what)
{
    stepFinished();
    // A busy indicator: the step's length is not known. It shows itself
    // after the minimum duration, so quick steps flash nothing.
    m_progress = new QProgressDialog(what + QStringLiteral("..."), QStringLiteral("Cancel"), 0, 0, window());
    m_progress->setObjectName(QStringLiteral("buildProgress"));
    m_progress->setWindowTitle(QStringLiteral("Quillon IDE"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(300);
    connect(m_progress, &QProgressDialog::canceled, &m_build, &ProjectBuild::cancel);
}

void BuildPanel::stepFinished()
{
    // Later: this may run inside the dialog's own Cancel signal.
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
}

} // namespace quillon::idehost
