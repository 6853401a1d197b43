/*
** The help window.  The engine builds its contents and index models in a
** worker thread after the file is registered; the panes fill themselves
** when that ends, and the topic shown is then selected in the contents.
*/
#include "wizard/helpwindow.h"

#include "wizard/artwork.h"
#include "wizard/helpfile.h"

#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

namespace quillon::wizard {

HelpBrowser::HelpBrowser(QHelpEngine *engine, QWidget *parent) : QTextBrowser(parent), m_engine(engine)
{
    setObjectName(QStringLiteral("HelpBrowser"));
    setOpenExternalLinks(true);
}

QVariant HelpBrowser::loadResource(int type, const QUrl &name)
{
    if (name.scheme() == QLatin1String("qthelp"))
        return m_engine->fileData(name);
    return QTextBrowser::loadResource(type, name);
}

HelpWindow::HelpWindow(std::unique_ptr<HelpFile> file, QWidget *parent)
    : QWidget(parent, Qt::Window), m_file(std::move(file))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Quillon Help"));
    setWindowIcon(QIcon(artwork::programIcon()));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QHelpEngine *engine = m_file->engine();

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_panes = new QTabWidget(m_splitter);
    m_panes->setObjectName(QStringLiteral("HelpPanes"));

    QHelpContentWidget *contents = engine->contentWidget();
    contents->setObjectName(QStringLiteral("HelpContents"));
    m_panes->addTab(contents, QStringLiteral("&Contents"));

    auto *indexPage = new QWidget;
    auto *indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    auto *lookFor = new QLabel(QStringLiteral("&Look for:"), indexPage);
    m_indexFilter = new QLineEdit(indexPage);
    m_indexFilter->setObjectName(QStringLiteral("HelpIndexFilter"));
    m_indexFilter->setClearButtonEnabled(true);
    lookFor->setBuddy(m_indexFilter);
    QHelpIndexWidget *index = engine->indexWidget();
    index->setObjectName(QStringLiteral("HelpIndex"));
    indexLayout->addWidget(lookFor);
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(index);
    m_panes->addTab(indexPage, QStringLiteral("&Index"));

    m_browser = new HelpBrowser(engine, m_splitter);
    m_splitter->addWidget(m_panes);
    m_splitter->addWidget(m_browser);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({230, 490});

    /* Back and Forward through the topics read, as in a web browser. */
    auto *tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("HelpTools"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction *back = tools->addAction(QStringLiteral("< &Back"), m_browser, &QTextBrowser::backward);
    back->setObjectName(QStringLiteral("HelpBack"));
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction *forward = tools->addAction(QStringLiteral("&Forward >"), m_browser, &QTextBrowser::forward);
    forward->setObjectName(QStringLiteral("HelpForward"));
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_splitter);
    resize(720, 500);

    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showTopic);
    connect(engine->contentModel(), &QHelpContentModel::contentsCreated, this,
            [this] { selectInContents(m_browser->source()); });
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink &document, const QString &) { showTopic(document.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink> &documents, const QString &) {
                if (!documents.isEmpty())
                    showTopic(documents.first().url);
            });
    connect(m_indexFilter, &QLineEdit::textChanged, index,
            [index](const QString &text) { index->filterIndices(text); });
    connect(m_indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::selectInContents);
}

HelpWindow::~HelpWindow()
{
    /* The panes show models of the engine: they go before it does. */
    delete m_splitter;
}

QString HelpWindow::helpFile() const
{
    return m_file->path();
}

void HelpWindow::showContext(int context)
{
    showTopic(m_file->topic(context).url);
}

void HelpWindow::showTopic(const QUrl &url)
{
    if (m_browser->source() == url)
        m_browser->reload();
    else
        m_browser->setSource(url);
}

void HelpWindow::selectInContents(const QUrl &url)
{
    QHelpContentWidget *contents = m_file->engine()->contentWidget();
    const QModelIndex at = contents->indexOf(url);
    if (at.isValid())
        contents->setCurrentIndex(at);
}

} // namespace quillon::wizard
