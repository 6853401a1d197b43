/*
** TExplorerButton: a flat tool button as in file-explorer tool bars.  At
** rest it shows its glyph (or a shaded or alternative one) and caption on
** the parent's background; under the pointer it gets a one-pixel raised
** frame and the colour glyph; pressed or latched down the frame is sunken
** and the content moves one pixel.  Buttons of one parent with the same
** GroupIndex latch like radio buttons; a DropDownMenu replaces the click.
**
** The button keeps its own Enabled flag: a disabled button still sees the
** mouse and ignores it.  Its colours come from the palette: Button is the
** button face, Light the button highlight, Dark the button shadow, and
** WindowText the font colour.  It never takes the keyboard focus.
*/
#ifndef QUILLON_WIDGETS_EXPLBTN_H
#define QUILLON_WIDGETS_EXPLBTN_H

#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>

class TExplorerButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(bool AllowAllUp READ allowAllUp WRITE setAllowAllUp)
    Q_PROPERTY(TBevelStyle BevelStyle READ bevelStyle WRITE setBevelStyle)
    Q_PROPERTY(QImage NoFocusBitmap READ noFocusBitmap WRITE setNoFocusBitmap)
    Q_PROPERTY(QImage Bitmap READ bitmap WRITE setBitmap)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(int GroupIndex READ groupIndex WRITE setGroupIndex)
    Q_PROPERTY(QImage DisabledBitmap READ disabledBitmap WRITE setDisabledBitmap)
    Q_PROPERTY(bool Down READ isDown WRITE setDown)
    Q_PROPERTY(QMenu *DropDownMenu READ dropDownMenu WRITE setDropDownMenu)
    Q_PROPERTY(bool Enabled READ isButtonEnabled WRITE setButtonEnabled)
    Q_PROPERTY(TButtonLayout Layout READ buttonLayout WRITE setButtonLayout)
    Q_PROPERTY(TButtonOptions Options READ options WRITE setOptions)
    Q_PROPERTY(TShadingType ShadingType READ shadingType WRITE setShadingType)
    Q_PROPERTY(bool ShowDownPattern READ showDownPattern WRITE setShowDownPattern)
    Q_PROPERTY(QColor UnselectedFontColor READ unselectedFontColor WRITE setUnselectedFontColor)
    Q_PROPERTY(bool WordWrap READ wordWrap WRITE setWordWrap)
    Q_PROPERTY(QString Hint READ hint WRITE setHint)
    Q_PROPERTY(bool ShowHint READ showHint WRITE setShowHint)
    Q_PROPERTY(QMenu *PopupMenu READ popupMenu WRITE setPopupMenu)
    Q_PROPERTY(QColor FontColor READ fontColour WRITE setFontColour)

public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum TBevelStyle { bsLowered, bsRaised };
    Q_ENUM(TBevelStyle)
    enum TButtonLayout { blBitmapTop, blBitmapBottom, blBitmapLeft, blBitmapRight };
    Q_ENUM(TButtonLayout)
    enum TButtonOption { boMonoDisplay = 0x1, boIconOnly = 0x2, boPopupMark = 0x4 };
    Q_DECLARE_FLAGS(TButtonOptions, TButtonOption)
    Q_FLAG(TButtonOptions)
    enum TShadingType { stLight, stMedium, stDark };
    Q_ENUM(TShadingType)

    /* Shows a menu with its top-left at a screen point and returns when it
    ** has closed.  The default runs QMenu::exec; tests put their own. */
    using MenuRunner = std::function<void(QMenu *, const QPoint &)>;

    explicit TExplorerButton(QWidget *parent = nullptr);
    ~TExplorerButton() override;

    TAlignment alignment() const { return m_alignment; }
    void setAlignment(TAlignment a);
    bool allowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool on);
    TBevelStyle bevelStyle() const { return m_bevelStyle; }
    void setBevelStyle(TBevelStyle s);
    QImage noFocusBitmap() const { return m_noFocusBitmap; }
    void setNoFocusBitmap(const QImage &img);
    QImage bitmap() const { return m_bitmap; }
    void setBitmap(const QImage &img);
    QString caption() const { return m_caption; }
    void setCaption(const QString &text);
    int groupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index);
    QImage disabledBitmap() const { return m_disabledBitmap; }
    void setDisabledBitmap(const QImage &img);
    bool isDown() const { return m_down; }
    void setDown(bool down);
    QMenu *dropDownMenu() const { return m_dropDownMenu; }
    void setDropDownMenu(QMenu *menu);
    bool isButtonEnabled() const { return m_enabled; }
    void setButtonEnabled(bool on);
    TButtonLayout buttonLayout() const { return m_layout; }
    void setButtonLayout(TButtonLayout l);
    TButtonOptions options() const { return m_options; }
    void setOptions(TButtonOptions o);
    TShadingType shadingType() const { return m_shadingType; }
    void setShadingType(TShadingType t);
    bool showDownPattern() const { return m_showDownPattern; }
    void setShowDownPattern(bool on);
    QColor unselectedFontColor() const;
    void setUnselectedFontColor(const QColor &c);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on);
    QString hint() const { return toolTip(); }
    void setHint(const QString &text) { setToolTip(text); }
    bool showHint() const { return m_showHint; }
    void setShowHint(bool on) { m_showHint = on; }
    QMenu *popupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu *menu) { m_popupMenu = menu; }

    /* The caption colour under the pointer and while pressed. */
    QColor fontColour() const { return palette().color(QPalette::WindowText); }
    void setFontColour(const QColor &c);

    bool isHot() const { return m_hot; }
    bool isPressed() const { return m_pressed; }
    QImage shadedGlyph() const { return m_shadedGlyph; }
    void setMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }

    /* After a stored form has been read: brings the shaded glyph up to date. */
    void loaded();

    QSize sizeHint() const override { return QSize(50, 40); }

signals:
    void clicked(); /* OnClick */

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    bool effectivelyEnabled() const { return m_enabled && QWidget::isEnabled(); }
    QList<TExplorerButton *> groupMates() const;
    void setHot(bool hot);
    void trackPointer(QPoint pos);
    void pressLeft();
    void releaseLeft();
    void afterMenu();
    void runAccelerator();
    void updateShadedGlyph();
    void updateShortcut();
    void repaintNow();
    void paintFrame(QPainter &p, bool pressedFrame);
    void paintCaption(QPainter &p, QRect r, const QColor &colour);

    TAlignment m_alignment = taCenter;
    bool m_allowAllUp = false;
    TBevelStyle m_bevelStyle = bsRaised;
    QImage m_noFocusBitmap;
    QImage m_bitmap;
    QString m_caption;
    int m_groupIndex = 0;
    QImage m_disabledBitmap;
    bool m_down = false;
    QPointer<QMenu> m_dropDownMenu; /* cleared when the menu goes */
    QPointer<QMenu> m_popupMenu;
    bool m_enabled = true;
    TButtonLayout m_layout = blBitmapTop;
    TButtonOptions m_options = TButtonOptions(boMonoDisplay | boPopupMark);
    TShadingType m_shadingType = stMedium;
    bool m_showDownPattern = true;
    QColor m_unselectedFontColor; /* invalid: the system's window text */
    bool m_wordWrap = false;
    bool m_showHint = false;

    bool m_hot = false;
    bool m_pressed = false;
    QImage m_shadedGlyph;
    int m_shortcutId = 0;
    MenuRunner m_menuRunner;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TExplorerButton::TButtonOptions)

#endif
