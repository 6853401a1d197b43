/*
** TLabelEffect: a label that draws its caption with a highlight and a
** shadow offset in chosen directions and depths (raised, sunken, shadowed,
** flying and extruded lettering), optionally with a colour gradient across
** the letters, rotated by whole degrees, and optionally acting as a push
** button that sinks while the left button is held on it.
**
** EffectStyle and ColourScheme are presets: changing one direction, depth
** or colour afterwards turns the preset into esCustom or csCustom and keeps
** the values.  The face colour is the palette's WindowText, the background
** colour (used when Transparent is off) the palette's Window.
*/
#ifndef QUILLON_WIDGETS_LBLEFFCT_H
#define QUILLON_WIDGETS_LBLEFFCT_H

#include "widgets/lbleffctgeometry.h"

#include <QLabel>
#include <array>

class TLabelEffect : public QLabel {
    Q_OBJECT
    Q_PROPERTY(int DepthHighlight READ depthHighlight WRITE setDepthHighlight)
    Q_PROPERTY(int DepthShadow READ depthShadow WRITE setDepthShadow)
    Q_PROPERTY(TEffectDirection DirectionHighlight READ directionHighlight WRITE setDirectionHighlight)
    Q_PROPERTY(TEffectDirection DirectionShadow READ directionShadow WRITE setDirectionShadow)
    Q_PROPERTY(QColor ColourHighlight READ colourHighlight WRITE setColourHighlight)
    Q_PROPERTY(QColor ColourShadow READ colourShadow WRITE setColourShadow)
    Q_PROPERTY(TGraduateOption GraduateFace READ graduateFace WRITE setGraduateFace)
    Q_PROPERTY(QColor GraduateFrom READ graduateFrom WRITE setGraduateFrom)
    Q_PROPERTY(TEffectOption StyleHighlight READ styleHighlight WRITE setStyleHighlight)
    Q_PROPERTY(TEffectOption StyleShadow READ styleShadow WRITE setStyleShadow)
    Q_PROPERTY(TEffectStyle EffectStyle READ effectStyle WRITE setEffectStyle)
    Q_PROPERTY(TColourScheme ColourScheme READ colourScheme WRITE setColourScheme)
    Q_PROPERTY(bool AsButton READ asButton WRITE setAsButton)
    Q_PROPERTY(int Angle READ angle WRITE setAngle)
    Q_PROPERTY(bool KeepLettersVertical READ keepLettersVertical WRITE setKeepLettersVertical)
    Q_PROPERTY(QString Caption READ text WRITE setText)
    Q_PROPERTY(TAlignment Alignment READ textAlignment WRITE setTextAlignment)
    Q_PROPERTY(bool Transparent READ transparent WRITE setTransparent)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QColor FontColor READ fontColour WRITE setFontColour)
    Q_PROPERTY(bool ShowAccelChar READ showAccelChar WRITE setShowAccelChar)

public:
    enum TEffectDirection { edNone, edUp, edUpRight, edRight, edDownRight, edDown, edDownLeft, edLeft, edUpLeft };
    Q_ENUM(TEffectDirection)
    enum TGraduateOption { goNone, goVertical, goHorizontal };
    Q_ENUM(TGraduateOption)
    enum TEffectOption { eoNormal, eoReal, eoExtrude, eoGraduated };
    Q_ENUM(TEffectOption)
    enum TEffectStyle { esNone, esCustom, esRaised, esSunken, esShadow, esFlying };
    Q_ENUM(TEffectStyle)
    enum TColourScheme { csCustom, csText, csWindows, csEmbossed, csGold, csSteel };
    Q_ENUM(TColourScheme)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    static constexpr int MaxDepth = 10; /* TEffectDepth is 0 .. 10 */
    static constexpr int MaxAngle = 360; /* TAngleRange is 0 .. 360 */
    static constexpr const char *Version = "2.1";

    explicit TLabelEffect(QWidget *parent = nullptr);

    int depthHighlight() const { return m_depthHighlight; }
    void setDepthHighlight(int depth);
    int depthShadow() const { return m_depthShadow; }
    void setDepthShadow(int depth);
    TEffectDirection directionHighlight() const { return m_directionHighlight; }
    void setDirectionHighlight(TEffectDirection d);
    TEffectDirection directionShadow() const { return m_directionShadow; }
    void setDirectionShadow(TEffectDirection d);
    QColor colourHighlight() const { return m_colourHighlight; }
    void setColourHighlight(const QColor &c);
    QColor colourShadow() const { return m_colourShadow; }
    void setColourShadow(const QColor &c);
    TGraduateOption graduateFace() const { return m_graduateFace; }
    void setGraduateFace(TGraduateOption g);
    QColor graduateFrom() const { return m_graduateFrom; }
    void setGraduateFrom(const QColor &c);
    TEffectOption styleHighlight() const { return m_styleHighlight; }
    void setStyleHighlight(TEffectOption s);
    TEffectOption styleShadow() const { return m_styleShadow; }
    void setStyleShadow(TEffectOption s);
    TEffectStyle effectStyle() const { return m_effectStyle; }
    void setEffectStyle(TEffectStyle s);
    TColourScheme colourScheme() const { return m_colourScheme; }
    void setColourScheme(TColourScheme s);
    bool asButton() const { return m_asButton; }
    void setAsButton(bool on);
    int angle() const { return m_angle; }
    void setAngle(int degrees);
    bool keepLettersVertical() const { return m_keepLettersVertical; }
    void setKeepLettersVertical(bool on);
    TAlignment textAlignment() const { return m_alignment; }
    void setTextAlignment(TAlignment a);
    bool transparent() const { return m_transparent; }
    void setTransparent(bool on);
    QColor color() const { return palette().color(QPalette::Window); }
    void setColor(const QColor &c);
    QColor fontColour() const { return palette().color(QPalette::WindowText); }
    void setFontColour(const QColor &c);
    bool showAccelChar() const { return m_showAccelChar; }
    void setShowAccelChar(bool on);

    /* The label's own row of the colour schemes. */
    lbleffct::SchemeColours customScheme() const { return m_custom; }

    /* The finished picture of the label over what lies under it. */
    QImage renderEffect() const;

    QSize sizeHint() const override { return QSize(142, 33); }
    QSize minimumSizeHint() const override { return QSize(0, 0); }

signals:
    void clicked(); /* OnClick: left button pressed and released on the label */

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    lbleffct::SchemeColours schemeRow(TColourScheme s) const;
    void changeColour(QColor &field, QColor &customField, const QColor &c);

    int m_depthHighlight = 1;
    int m_depthShadow = 1;
    TEffectDirection m_directionHighlight = edUpLeft;
    TEffectDirection m_directionShadow = edDownRight;
    QColor m_colourHighlight;
    QColor m_colourShadow;
    TGraduateOption m_graduateFace = goNone;
    QColor m_graduateFrom;
    TEffectOption m_styleHighlight = eoNormal;
    TEffectOption m_styleShadow = eoNormal;
    TEffectStyle m_effectStyle = esRaised;
    TColourScheme m_colourScheme = csWindows;
    bool m_asButton = false;
    int m_angle = 0;
    bool m_keepLettersVertical = false;
    TAlignment m_alignment = taLeftJustify;
    bool m_transparent = true;
    bool m_showAccelChar = true;

    lbleffct::Trig m_trig;           /* of m_angle, kept up to date by setAngle */
    lbleffct::SchemeColours m_custom; /* the csCustom row */
    bool m_applyingStyle = false;
    bool m_applyingScheme = false;
    bool m_leftDown = false;          /* a left press began on the label */
};

#endif
