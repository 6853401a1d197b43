/*
** TLabelEffect.  Two guards keep the presets honest: while an effect style
** is applied its own setter calls do not turn it into esCustom, and while
** a colour scheme (or a style, which sets the highlight colour) is applied
** the colour setters do not turn the scheme into csCustom.
*/
#include "widgets/LblEffct.h"

#include "widgets/lbleffctpaint.h"

#include <QMouseEvent>
#include <QPainter>

using namespace lbleffct;

TLabelEffect::TLabelEffect(QWidget *parent)
    : QLabel(parent)
{
    const SchemeColours windows = schemeColours(Scheme::Windows);
    m_colourHighlight = windows.highlight;
    m_colourShadow = windows.shadow;
    m_custom = schemeColours(Scheme::Custom);
    m_graduateFrom = fontColour();
    setAutoFillBackground(false);
    resize(142, 33);
    setFontColour(windows.face);
    QFont f(QStringLiteral("Times New Roman"));
    f.setPointSize(20);
    setFont(f);
}

lbleffct::SchemeColours TLabelEffect::schemeRow(TColourScheme s) const
{
    return s == csCustom ? m_custom : schemeColours(static_cast<Scheme>(s));
}

/* Depths and directions: a change of one makes the style custom. */
template <typename T>
static bool changeGeometry(T &field, T value, bool applyingStyle, TLabelEffect::TEffectStyle &style)
{
    if (field == value)
        return false;
    field = value;
    if (!applyingStyle)
        style = TLabelEffect::esCustom;
    return true;
}

void TLabelEffect::setDepthHighlight(int depth)
{
    if (changeGeometry(m_depthHighlight, std::clamp(depth, 0, MaxDepth), m_applyingStyle, m_effectStyle))
        update();
}

void TLabelEffect::setDepthShadow(int depth)
{
    if (changeGeometry(m_depthShadow, std::clamp(depth, 0, MaxDepth), m_applyingStyle, m_effectStyle))
        update();
}

void TLabelEffect::setDirectionHighlight(TEffectDirection d)
{
    if (changeGeometry(m_directionHighlight, d, m_applyingStyle, m_effectStyle))
        update();
}

void TLabelEffect::setDirectionShadow(TEffectDirection d)
{
    if (changeGeometry(m_directionShadow, d, m_applyingStyle, m_effectStyle))
        update();
}

/* Highlight and shadow colours: stored also in the custom row, and a change
** of one makes the scheme custom.  The colour an effect style puts in (the
** flying style's highlight) stays out of the custom row, so that leaving
** that style brings the label's own highlight back. */
void TLabelEffect::changeColour(QColor &field, QColor &customField, const QColor &c)
{
    if (c == field)
        return;
    field = c;
    if (!m_applyingStyle)
        customField = c;
    if (!m_applyingScheme)
        m_colourScheme = csCustom;
    update();
}

void TLabelEffect::setColourHighlight(const QColor &c)
{
    changeColour(m_colourHighlight, m_custom.highlight, c);
}

void TLabelEffect::setColourShadow(const QColor &c)
{
    changeColour(m_colourShadow, m_custom.shadow, c);
}

void TLabelEffect::setEffectStyle(TEffectStyle s)
{
    if (s == m_effectStyle)
        return;
    m_applyingStyle = m_applyingScheme = true;
    m_effectStyle = s;
    setColourHighlight(schemeRow(m_colourScheme).highlight);
    const StylePreset p = stylePreset(static_cast<Style>(s));
    if (p.setsGeometry) {
        setDirectionHighlight(static_cast<TEffectDirection>(p.highlight));
        setDirectionShadow(static_cast<TEffectDirection>(p.shadow));
        setDepthHighlight(p.highlightDepth);
        setDepthShadow(p.shadowDepth);
    }
    if (p.highlightFromShadow)
        setColourHighlight(schemeRow(m_colourScheme).shadow);
    if (p.clearsAsButton)
        setAsButton(false);
    m_applyingStyle = m_applyingScheme = false;
    update();
}

void TLabelEffect::setColourScheme(TColourScheme s)
{
    if (s == m_colourScheme)
        return;
    m_applyingScheme = true;
    m_colourScheme = s;
    const SchemeColours row = schemeRow(s);
    setColourHighlight(row.highlight);
    setFontColour(row.face);
    setColourShadow(row.shadow);
    if (s != csCustom)
        m_custom = row;
    m_applyingScheme = false;
    update();
}

void TLabelEffect::setGraduateFace(TGraduateOption g)
{
    if (g == m_graduateFace)
        return;
    m_graduateFace = g;
    update();
}

void TLabelEffect::setGraduateFrom(const QColor &c)
{
    if (c == m_graduateFrom)
        return;
    m_graduateFrom = c;
    if (m_graduateFace != goNone)
        update();
}

void TLabelEffect::setStyleHighlight(TEffectOption s)
{
    if (s == m_styleHighlight)
        return;
    m_styleHighlight = s;
    update();
}

void TLabelEffect::setStyleShadow(TEffectOption s)
{
    if (s == m_styleShadow)
        return;
    m_styleShadow = s;
    update();
}

void TLabelEffect::setAsButton(bool on)
{
    if (on == m_asButton)
        return;
    m_asButton = on;
    if (on)
        setEffectStyle(esRaised);
}

void TLabelEffect::setAngle(int degrees)
{
    degrees = std::clamp(degrees, 0, MaxAngle);
    if (degrees == m_angle)
        return;
    m_angle = degrees;
    m_trig = angleTrig(degrees);
    if (degrees != 0)
        m_alignment = taLeftJustify;
    update();
}

void TLabelEffect::setKeepLettersVertical(bool on)
{
    if (on == m_keepLettersVertical)
        return;
    m_keepLettersVertical = on;
    if (m_angle != 0)
        update();
}

void TLabelEffect::setTextAlignment(TAlignment a)
{
    m_alignment = a;
    update();
}

void TLabelEffect::setTransparent(bool on)
{
    m_transparent = on;
    update();
}

void TLabelEffect::setColor(const QColor &c)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
}

void TLabelEffect::setFontColour(const QColor &c)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, c);
    setPalette(pal);
}

void TLabelEffect::setShowAccelChar(bool on)
{
    m_showAccelChar = on;
    update();
}

QImage TLabelEffect::renderEffect() const
{
    LabelLook look;
    look.size = size();
    look.caption = text();
    look.font = font();
    look.fontColour = fontColour();
    look.background = color();
    look.transparent = m_transparent;
    look.showAccelChar = m_showAccelChar;
    look.align = static_cast<HAlign>(m_alignment);
    look.highlightDir = static_cast<Direction>(m_directionHighlight);
    look.shadowDir = static_cast<Direction>(m_directionShadow);
    look.highlightDepth = m_depthHighlight;
    look.shadowDepth = m_depthShadow;
    look.highlight = m_colourHighlight;
    look.shadow = m_colourShadow;
    look.highlightStyle = static_cast<LayerStyle>(m_styleHighlight);
    look.shadowStyle = static_cast<LayerStyle>(m_styleShadow);
    look.graduate = m_graduateFace;
    look.graduateFrom = m_graduateFrom;
    look.angle = m_angle;
    look.keepLettersVertical = m_keepLettersVertical;
    look.trig = m_trig;

    /* "Real" layers darken or lighten what lies beneath: the parent's own
    ** drawing under the label.  Otherwise the picture starts transparent
    ** and the parent shows through where nothing is drawn. */
    QImage under;
    if ((m_styleHighlight == eoReal || m_styleShadow == eoReal) && parentWidget()) {
        under = QImage(size(), QImage::Format_ARGB32);
        under.fill(Qt::transparent);
        parentWidget()->render(&under, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    }
    return renderLabel(look, under);
}

void TLabelEffect::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, renderEffect());
}

static bool insideClient(const QWidget *w, QPoint pos)
{
    return pos.x() >= 0 && pos.y() >= 0 && pos.x() <= w->width() && pos.y() <= w->height();
}

void TLabelEffect::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        m_leftDown = true;
    if (!m_asButton) {
        QLabel::mousePressEvent(e);
        return;
    }
    if (e->button() == Qt::LeftButton && m_effectStyle != esSunken && isEnabled())
        setEffectStyle(esSunken);
}

void TLabelEffect::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_asButton) {
        QLabel::mouseMoveEvent(e);
        return;
    }
    if (e->buttons() == Qt::LeftButton)
        setEffectStyle(insideClient(this, e->position().toPoint()) ? esSunken : esRaised);
}

void TLabelEffect::mouseReleaseEvent(QMouseEvent *e)
{
    const bool inside = insideClient(this, e->position().toPoint());
    const bool click = e->button() == Qt::LeftButton && m_leftDown && rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        m_leftDown = false;
    if (!m_asButton)
        QLabel::mouseReleaseEvent(e);
    else if (inside)
        setEffectStyle(esRaised);
    if (click)
        emit clicked();
}
