/*
** HelpWindow: the window that shows the wizard's help.  A text browser
** shows one topic, reading pages, pictures and the stylesheet from the help
** engine; beside it a tabbed pane offers the table of contents and the
** index, whose filter box narrows the keywords as the user types, and a
** tool bar goes back and forward through the topics read.
*/
#ifndef QUILLON_WIZARD_HELPWINDOW_H
#define QUILLON_WIZARD_HELPWINDOW_H

#include <QTextBrowser>
#include <QWidget>

#include <memory>

class QHelpEngine;
class QLineEdit;
class QSplitter;
class QTabWidget;

namespace quillon::wizard {

class HelpFile;

/* A text browser that resolves qthelp:// addresses through the engine. */
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    HelpBrowser(QHelpEngine *engine, QWidget *parent);
    QVariant loadResource(int type, const QUrl &name) override;

private:
    QHelpEngine *m_engine;
};

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    /* Takes the opened file; a parent makes it a window of the parent's,
    ** usable while the parent runs modally. */
    explicit HelpWindow(std::unique_ptr<HelpFile> file, QWidget *parent = nullptr);
    ~HelpWindow() override;

    /* The absolute path of the help file shown. */
    QString helpFile() const;

    /* Shows the topic of a context number; throws HelpError when the file
    ** has none, leaving the topic shown before. */
    void showContext(int context);

    /* Shows the page at a qthelp:// address and selects it in the contents. */
    void showTopic(const QUrl &url);

    HelpBrowser *browser() const { return m_browser; }

private:
    void selectInContents(const QUrl &url);

    std::unique_ptr<HelpFile> m_file;
    QSplitter *m_splitter = nullptr;
    QTabWidget *m_panes = nullptr;
    QLineEdit *m_indexFilter = nullptr;
    HelpBrowser *m_browser = nullptr;
};

} // namespace quillon::wizard

#endif
