/*
** The hyperlink label.
**
** A click is a left press and release inside the label, as for a push
** button; the colour returns on release wherever the pointer is, because
** the label keeps the mouse from the press until the release.
*/
#include "widgets/UrlLabel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QUrl>

namespace {

void openWithDesktop(const QString &target)
{
    /* Accepts "www.example.com" and file paths as the shell did. */
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

TUrlLabel::Opener &currentOpener()
{
    static TUrlLabel::Opener opener = openWithDesktop;
    return opener;
}

} // namespace

TUrlLabel::TUrlLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setFontColor(QColor(0, 0, 255));
    QFont f = font();
    f.setUnderline(true);
    f.setBold(false);
    f.setItalic(false);
    f.setStrikeOut(false);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("popupMenu"));
    m_popup->addAction(QStringLiteral("Copy"), this, &TUrlLabel::copyCaption);
}

QColor TUrlLabel::fontColor() const
{
    return palette().color(QPalette::WindowText);
}

void TUrlLabel::setFontColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

QString TUrlLabel::target() const
{
    const QString t = m_url.trimmed().isEmpty() ? text() : m_url;
    return t.trimmed().isEmpty() ? QString() : t;
}

TUrlLabel::Opener TUrlLabel::setOpener(Opener opener)
{
    Opener previous = currentOpener();
    currentOpener() = opener ? std::move(opener) : Opener(openWithDesktop);
    return previous;
}

void TUrlLabel::copyCaption()
{
    QGuiApplication::clipboard()->setText(text());
}

void TUrlLabel::click()
{
    QPointer<TUrlLabel> self(this);
    emit clicked();
    if (!self)
        return; /* the click handler closed the window holding the label */
    const QString t = target();
    if (!t.isEmpty())
        currentOpener()(t);
}

void TUrlLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_pressed) {
        m_pressed = true;
        m_savedColor = fontColor();
        setFontColor(m_activeColor);
    }
    QLabel::mousePressEvent(event);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        setFontColor(m_savedColor);
        QLabel::mouseReleaseEvent(event);
        if (rect().contains(event->position().toPoint()))
            click();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void TUrlLabel::contextMenuEvent(QContextMenuEvent *event)
{
    m_popup->popup(event->globalPos());
    event->accept();
}
