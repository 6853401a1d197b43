/*
** TExplorerButton.  Hot tracking follows the pointer with enter, leave and
** move events (inside means 0 <= x <= width and 0 <= y <= height, edges
** included); while the left button is held Qt's implicit grab keeps the
** moves coming, so dragging out shows the button at rest and dragging back
** shows it pressed again.  A release fires the click only when the button
** is still hot, that is when the pointer is over it.
*/
#include "widgets/explbtn.h"

#include "widgets/explbtnlayout.h"

#include <QApplication>
#include <QCursor>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QShortcutEvent>

using namespace explbtn;

/* The checker pattern of latched buttons, shared by all buttons.  It is made
** on first need and dropped whenever a button goes; the next paint that
** wants it makes it again. */
static QImage s_downPattern;

TExplorerButton::TExplorerButton(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    resize(50, 40);
    m_menuRunner = [](QMenu *menu, const QPoint &at) { menu->exec(at); };
}

TExplorerButton::~TExplorerButton()
{
    s_downPattern = QImage();
}

void TExplorerButton::repaintNow()
{
    if (isVisible())
        repaint();
}

void TExplorerButton::setAlignment(TAlignment a)
{
    m_alignment = a;
    repaintNow();
}

void TExplorerButton::setAllowAllUp(bool on)
{
    m_allowAllUp = on;
    if (m_groupIndex != 0)
        for (TExplorerButton *mate : groupMates())
            mate->m_allowAllUp = on;
}

void TExplorerButton::setBevelStyle(TBevelStyle s)
{
    m_bevelStyle = s;
    repaintNow();
}

void TExplorerButton::updateShadedGlyph()
{
    if (!m_bitmap.isNull() && m_noFocusBitmap.isNull())
        m_shadedGlyph = shadeGlyph(m_bitmap, static_cast<Shading>(m_shadingType),
                                   palette().color(QPalette::Light), palette().color(QPalette::Dark));
}

void TExplorerButton::setNoFocusBitmap(const QImage &img)
{
    m_noFocusBitmap = img;
    updateShadedGlyph();
    repaintNow();
}

void TExplorerButton::setBitmap(const QImage &img)
{
    m_bitmap = img;
    updateShadedGlyph();
    repaintNow();
}

void TExplorerButton::loaded()
{
    updateShadedGlyph();
}

void TExplorerButton::updateShortcut()
{
    if (m_shortcutId != 0)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (!key.isEmpty())
        m_shortcutId = grabShortcut(key);
}

void TExplorerButton::setCaption(const QString &text)
{
    m_caption = text;
    updateShortcut();
    if (m_options & boIconOnly)
        setHint(stripAccelerators(text));
    else
        repaintNow();
}

void TExplorerButton::setGroupIndex(int index)
{
    if (index == m_groupIndex)
        return;
    m_groupIndex = index;
    if (index == 0 && m_down) {
        m_down = false;
        repaintNow();
    }
}

void TExplorerButton::setDisabledBitmap(const QImage &img)
{
    m_disabledBitmap = img;
    if (!effectivelyEnabled())
        repaintNow();
}

QList<TExplorerButton *> TExplorerButton::groupMates() const
{
    QList<TExplorerButton *> out;
    if (!parentWidget())
        return out;
    for (TExplorerButton *b : parentWidget()->findChildren<TExplorerButton *>(QString(), Qt::FindDirectChildrenOnly))
        if (b != this && b->m_groupIndex == m_groupIndex)
            out.append(b);
    return out;
}

void TExplorerButton::setDown(bool down)
{
    if (down == m_down || m_groupIndex == 0)
        return;
    m_down = down;
    repaintNow();
    if (down)
        for (TExplorerButton *mate : groupMates())
            if (mate->m_down)
                mate->setDown(false);
}

void TExplorerButton::setDropDownMenu(QMenu *menu)
{
    m_dropDownMenu = menu;
    if (m_options & boPopupMark)
        repaintNow();
}

void TExplorerButton::setButtonEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (m_groupIndex == 0)
        m_down = false;
    m_hot = m_pressed = false;
    repaintNow();
}

void TExplorerButton::setButtonLayout(TButtonLayout l)
{
    if (l == m_layout)
        return;
    m_layout = l;
    repaintNow();
}

/* An icon-only button shows its caption as the hint.  Leaving icon-only
** takes that hint away again; staying icon-only keeps it, so setting the
** options twice does not lose the hint. */
void TExplorerButton::setOptions(TButtonOptions o)
{
    m_options = o;
    const QString plain = stripAccelerators(m_caption);
    if (o & boIconOnly) {
        if (hint().isEmpty()) {
            setHint(plain);
            m_showHint = true;
        }
    } else if (hint() == plain) {
        setHint(QString());
        m_showHint = false;
    }
    repaintNow();
}

void TExplorerButton::setShadingType(TShadingType t)
{
    if (t == m_shadingType)
        return;
    m_shadingType = t;
    if (!m_bitmap.isNull() && m_noFocusBitmap.isNull()) {
        updateShadedGlyph();
        repaintNow();
    }
}

void TExplorerButton::setShowDownPattern(bool on)
{
    if (on == m_showDownPattern)
        return;
    m_showDownPattern = on;
    repaintNow();
}

QColor TExplorerButton::unselectedFontColor() const
{
    return m_unselectedFontColor.isValid() ? m_unselectedFontColor
                                           : QGuiApplication::palette().color(QPalette::WindowText);
}

void TExplorerButton::setUnselectedFontColor(const QColor &c)
{
    if (c == m_unselectedFontColor)
        return;
    m_unselectedFontColor = c;
    repaintNow();
}

void TExplorerButton::setFontColour(const QColor &c)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, c);
    setPalette(pal);
}

void TExplorerButton::setWordWrap(bool on)
{
    if (on == m_wordWrap)
        return;
    m_wordWrap = on;
    repaintNow();
}

/* ---- pointer and keyboard ------------------------------------------------ */

void TExplorerButton::setHot(bool hot)
{
    if (hot == m_hot)
        return;
    m_hot = hot;
    if (!m_down && effectivelyEnabled())
        repaintNow();
}

void TExplorerButton::trackPointer(QPoint pos)
{
    const bool inside = pos.x() >= 0 && pos.y() >= 0 && pos.x() <= width() && pos.y() <= height();
    setHot(inside);
}

void TExplorerButton::enterEvent(QEnterEvent *e)
{
    trackPointer(e->position().toPoint());
}

void TExplorerButton::leaveEvent(QEvent *)
{
    if (!m_pressed)
        setHot(false);
}

void TExplorerButton::mouseMoveEvent(QMouseEvent *e)
{
    trackPointer(e->position().toPoint());
}

void TExplorerButton::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        pressLeft();
    else
        QWidget::mousePressEvent(e);
}

void TExplorerButton::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        if (m_pressed)
            trackPointer(e->position().toPoint()); /* where the release happened counts */
        releaseLeft();
    } else if (e->button() == Qt::RightButton && m_popupMenu) {
        m_menuRunner(m_popupMenu, e->globalPosition().toPoint());
        afterMenu();
    } else {
        QWidget::mouseReleaseEvent(e);
    }
}

void TExplorerButton::pressLeft()
{
    if (!window()->isActiveWindow()) {
        window()->raise();
        window()->activateWindow();
    }
    if (!effectivelyEnabled() || !isVisible())
        return;
    m_pressed = m_hot = true;
    repaintNow();
    if (m_dropDownMenu) {
        m_menuRunner(m_dropDownMenu, mapToGlobal(QPoint(0, height())));
        afterMenu();
    }
}

/* After a menu has closed: nothing holds the mouse any more, and the button
** stays hot only when the pointer is strictly inside it. */
void TExplorerButton::afterMenu()
{
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (!(p.x() > 0 && p.y() > 0 && p.x() < width() && p.y() < height()))
        m_hot = false;
    m_pressed = false;
    repaintNow();
}

void TExplorerButton::releaseLeft()
{
    if (!effectivelyEnabled() || !isVisible() || !m_pressed)
        return;
    m_pressed = false;
    if (m_hot && m_groupIndex != 0) {
        if (!m_down) {
            for (TExplorerButton *mate : groupMates())
                if (mate->m_down)
                    mate->setDown(false);
            m_down = true;
        } else if (m_allowAllUp) {
            m_down = false;
        }
    }
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    if (m_hot) {
        m_hot = false;
        update();
        if (!m_dropDownMenu)
            emit clicked();
    }
}

void TExplorerButton::runAccelerator()
{
    m_hot = true;
    m_pressed = false;
    repaintNow();
    QCoreApplication::processEvents();
    pressLeft();
    QCoreApplication::processEvents();
    releaseLeft();
    QCoreApplication::processEvents();
    if (!rect().contains(mapFromGlobal(QCursor::pos())) && m_hot) {
        m_hot = false;
        repaintNow();
    }
}

bool TExplorerButton::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::Shortcut:
        if (static_cast<QShortcutEvent *>(e)->shortcutId() == m_shortcutId && effectivelyEnabled() && isVisible()) {
            runAccelerator();
            return true;
        }
        break;
    case QEvent::ToolTip:
        if (!m_showHint)
            return true; /* hints switched off: show nothing */
        break;
    case QEvent::ContextMenu:
        if (m_popupMenu)
            return true; /* the popup menu opens on the release */
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void TExplorerButton::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::PaletteChange || e->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(e);
}

/* ---- painting ------------------------------------------------------------ */

static int alignFlag(TExplorerButton::TAlignment a)
{
    switch (a) {
    case TExplorerButton::taLeftJustify:
        return Qt::AlignLeft;
    case TExplorerButton::taRightJustify:
        return Qt::AlignRight;
    case TExplorerButton::taCenter:
        break;
    }
    return Qt::AlignHCenter;
}

void TExplorerButton::paintFrame(QPainter &p, bool pressedFrame)
{
    const bool light = frameStartsLight(pressedFrame, static_cast<Bevel>(m_bevelStyle));
    const QColor first = palette().color(light ? QPalette::Light : QPalette::Dark);
    const QColor second = palette().color(light ? QPalette::Dark : QPalette::Light);
    const FrameEdges edges = frameEdges(width(), height());
    for (const QRect &r : edges.first)
        p.fillRect(r, first);
    for (const QRect &r : edges.second)
        p.fillRect(r, second);
}

/* Text that does not fit on its line ends in an ellipsis. */
void TExplorerButton::paintCaption(QPainter &p, QRect r, const QColor &colour)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    QString text = m_caption.left(255);
    int flags = alignFlag(m_alignment) | Qt::AlignTop | Qt::TextShowMnemonic;
    if (m_wordWrap)
        flags |= Qt::TextWordWrap;
    else
        text = p.fontMetrics().elidedText(text, Qt::ElideRight, r.width(), Qt::TextShowMnemonic);
    p.setPen(colour);
    p.drawText(r, flags, text);
}

static void paintMark(QPainter &p, QPoint at, const QColor &colour)
{
    for (const QPoint &px : dropDownMarkPixels(at))
        p.fillRect(QRect(px, QSize(1, 1)), colour);
}

void TExplorerButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    if (m_down && m_showDownPattern) {
        if (s_downPattern.isNull())
            s_downPattern = makeDownPattern(pal.color(QPalette::Button), pal.color(QPalette::Light));
        p.fillRect(rect(), QBrush(s_downPattern));
    }
    p.setFont(font());

    LayoutInput in;
    in.width = width();
    in.height = height();
    const bool drawCaption = !(m_options & boIconOnly) && !m_caption.isEmpty();
    if (drawCaption) {
        int flags = alignFlag(m_alignment) | Qt::TextShowMnemonic;
        QString text = m_caption.left(255);
        if (m_wordWrap) {
            flags |= Qt::TextWordWrap;
            text += u' ';
        }
        const QRect br = p.fontMetrics().boundingRect(QRect(0, 0, width() - 4, 0), flags, text);
        in.hasCaption = true;
        in.textWidth = br.width();
        in.textHeight = br.height();
    }
    const bool glyph = !m_bitmap.isNull();
    in.glyphWidth = m_bitmap.width();
    in.glyphHeight = m_bitmap.height();
    in.popupMark = (m_options & boPopupMark) && m_dropDownMenu;
    in.layout = static_cast<GlyphLayout>(m_layout);
    in.alignment = static_cast<Align>(m_alignment);
    in.wordWrap = m_wordWrap;
    const Layout at = placeContent(in);
    QRect textRect = at.textRect();

    if (!effectivelyEnabled()) {
        if (m_down)
            paintFrame(p, true);
        if (!m_disabledBitmap.isNull())
            p.drawImage(at.bx, at.by, keyedGlyph(m_disabledBitmap));
        else if (glyph)
            p.drawImage(at.bx, at.by, engraveGlyph(m_bitmap, pal.color(QPalette::Light), pal.color(QPalette::Dark)));
        if (drawCaption) {
            paintCaption(p, textRect.translated(1, 1), pal.color(QPalette::Light));
            paintCaption(p, textRect, pal.color(QPalette::Dark));
        }
        return;
    }

    QColor colour = fontColour();
    if ((m_pressed && m_hot) || m_down) {
        paintFrame(p, true);
        if (m_bevelStyle == bsRaised)
            textRect.translate(1, 1);
        if (drawCaption)
            paintCaption(p, textRect, colour);
        if (glyph)
            p.drawImage(at.bx + 1, at.by + 1, keyedGlyph(m_bitmap));
        if (in.popupMark)
            paintMark(p, at.pressedMark, colour);
        return;
    }
    if (m_hot)
        paintFrame(p, false);
    else
        colour = unselectedFontColor();
    if (m_bevelStyle == bsLowered)
        textRect.translate(1, 1);
    if (drawCaption)
        paintCaption(p, textRect, colour);
    if (glyph) {
        const QImage &shown = (m_hot || !(m_options & boMonoDisplay)) ? m_bitmap
                              : !m_noFocusBitmap.isNull()               ? m_noFocusBitmap
                                                                        : m_shadedGlyph;
        p.drawImage(at.bx, at.by, keyedGlyph(shown));
    }
    if (in.popupMark)
        paintMark(p, at.restMark, colour);
    // A button in the Tab order shows when the keyboard is on it.
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}
