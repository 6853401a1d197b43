/*
** The gallery's form and the states it shows.
**
** Pointer states (hot, pressed) are shown by sending the widgets the
** events a real pointer would, so what is seen is the widgets' own
** painting of those states, not an imitation of it.
*/
#include "GalleryWindow.h"

#include "Glyphs.h"

#include "widgets/Docks.h"
#include "widgets/LblEffct.h"
#include "widgets/UrlLabel.h"
#include "widgets/XToolBar.h"
#include "widgets/explbtn.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

QLabel *note(const QString &text)
{
    auto *label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QFont effectFont()
{
    QFont f(QStringLiteral("Sans"));
    f.setPixelSize(22);
    f.setBold(true);
    return f;
}

} // namespace

GalleryWindow::GalleryWindow()
{
    setObjectName(QStringLiteral("frmGallery"));
    setWindowTitle(QStringLiteral("Quillon widget gallery"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto *dock = new TDocks(this, TDocks::dpTop);
    dock->setObjectName(QStringLiteral("Docks1"));
    dock->setBoundLines(TDocks::upTop | TDocks::upBottom);
    outer->addWidget(dock);

    auto *content = new QWidget(this);
    auto *grid = new QGridLayout(content);
    grid->addWidget(buttonSection(), 0, 0);
    grid->addWidget(urlSection(), 1, 0);
    grid->addWidget(effectSection(), 0, 1, 2, 1);
    outer->addWidget(content, 1);

    TXToolBar *standard = makeBar(QStringLiteral("Standard"),
                                  {"new", "open", "save", "cut", "copy", "paste", "find"}, {3, 6});
    standard->setDockedTo(dock);
    TXToolBar *format = makeBar(QStringLiteral("Format"), {"bold", "italic", "under"}, {});
    format->setDockPos(220);
    format->setDockedTo(dock);
    m_floating = makeBar(QStringLiteral("Floating"), {"find", "copy", "paste"}, {1});
    resize(760, 560);
}

TXToolBar *GalleryWindow::makeBar(const QString &name, const QStringList &glyphs, const QList<int> &groupBreaks)
{
    auto *bar = new TXToolBar(this, name);
    int x = 0;
    for (int i = 0; i < glyphs.size(); ++i) {
        if (groupBreaks.contains(i))
            x += 4;
        auto *button = new TExplorerButton(bar);
        button->setObjectName(QStringLiteral("ebtn") + glyphs[i]);
        button->setBitmap(galleryGlyph(glyphs[i]));
        button->setOptions(TExplorerButton::boIconOnly);
        button->setCaption(glyphs[i]);
        button->setGeometry(x, 4, 23, 22);
        x += 23;
    }
    bar->loaded();
    return bar;
}

QWidget *GalleryWindow::buttonSection()
{
    auto *box = new QGroupBox(QStringLiteral("Explorer buttons"));
    auto *grid = new QGridLayout(box);
    const QStringList states{"rest", "hot", "pressed", "down", "disabled"};
    grid->addWidget(note(QStringLiteral("glyph")), 0, 1);
    grid->addWidget(note(QStringLiteral("caption")), 0, 2);
    grid->addWidget(note(QStringLiteral("menu")), 0, 3);
    auto *menu = new QMenu(box);
    menu->addAction(QStringLiteral("Item"));
    for (int row = 0; row < states.size(); ++row) {
        grid->addWidget(new QLabel(states[row]), row + 1, 0);
        for (int col = 0; col < 3; ++col) {
            auto *button = new TExplorerButton;
            button->setBitmap(galleryGlyph(col == 1 ? QStringLiteral("save") : QStringLiteral("open")));
            if (col == 0) {
                button->setFixedSize(23, 22);
            } else {
                button->setCaption(col == 1 ? QStringLiteral("&Save") : QStringLiteral("Open"));
                button->setButtonLayout(TExplorerButton::blBitmapLeft);
                button->setFixedSize(76, 26);
            }
            if (col == 2)
                button->setDropDownMenu(menu);
            if (states[row] == QLatin1String("hot"))
                m_hot.append(button);
            /* Pressing a button with a drop-down menu would open the menu. */
            if (states[row] == QLatin1String("pressed") && col != 2)
                m_pressed.append(button);
            if (states[row] == QLatin1String("down")) {
                button->setGroupIndex(row * 10 + col + 1);
                button->setDown(true);
            }
            if (states[row] == QLatin1String("disabled"))
                button->setButtonEnabled(false);
            grid->addWidget(button, row + 1, col + 1, Qt::AlignCenter);
        }
    }
    return box;
}

QWidget *GalleryWindow::effectSection()
{
    auto *box = new QGroupBox(QStringLiteral("Effect labels"));
    auto *grid = new QGridLayout(box);
    const QList<QPair<QString, TLabelEffect::TEffectStyle>> styles{
        {"None", TLabelEffect::esNone},     {"Raised", TLabelEffect::esRaised}, {"Sunken", TLabelEffect::esSunken},
        {"Shadow", TLabelEffect::esShadow}, {"Flying", TLabelEffect::esFlying}};
    const QList<QPair<QString, TLabelEffect::TColourScheme>> schemes{
        {"Text", TLabelEffect::csText},         {"Windows", TLabelEffect::csWindows}, {"Embossed", TLabelEffect::csEmbossed},
        {"Gold", TLabelEffect::csGold},         {"Steel", TLabelEffect::csSteel}};
    auto makeLabel = [](const QString &text) {
        auto *label = new TLabelEffect;
        label->setFont(effectFont());
        label->setText(text);
        label->setMinimumSize(130, 38);
        return label;
    };
    for (int i = 0; i < styles.size(); ++i) {
        auto *label = makeLabel(styles[i].first);
        label->setEffectStyle(styles[i].second);
        grid->addWidget(label, i, 0);
    }
    for (int i = 0; i < schemes.size(); ++i) {
        auto *label = makeLabel(schemes[i].first);
        label->setColourScheme(schemes[i].second);
        grid->addWidget(label, i, 1);
    }
    auto *rotated = makeLabel(QStringLiteral("Rotated"));
    rotated->setEffectStyle(TLabelEffect::esRaised);
    rotated->setAngle(30);
    rotated->setMinimumSize(130, 90);
    grid->addWidget(rotated, int(styles.size()), 0);
    auto *asButton = makeLabel(QStringLiteral("Button"));
    asButton->setEffectStyle(TLabelEffect::esRaised);
    asButton->setAsButton(true);
    m_pressed.append(asButton);
    grid->addWidget(asButton, int(styles.size()), 1);
    grid->addWidget(note(QStringLiteral("a label acting as a button, held down")), int(styles.size()) + 1, 1);
    return box;
}

QWidget *GalleryWindow::urlSection()
{
    auto *box = new QGroupBox(QStringLiteral("URL labels"));
    auto *grid = new QGridLayout(box);
    auto *rest = new TUrlLabel;
    rest->setText(QStringLiteral("www.example.com"));
    auto *held = new TUrlLabel;
    held->setText(QStringLiteral("www.example.com"));
    m_pressed.append(held);
    grid->addWidget(new QLabel(QStringLiteral("rest")), 0, 0);
    grid->addWidget(rest, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("pressed")), 1, 0);
    grid->addWidget(held, 1, 1);
    return box;
}

void GalleryWindow::showStates()
{
    for (QWidget *w : m_hot) {
        const QPointF local(w->width() / 2.0, w->height() / 2.0);
        QEnterEvent enter(local, local, w->mapToGlobal(local));
        QCoreApplication::sendEvent(w, &enter);
    }
    for (QWidget *w : m_pressed) {
        const QPointF local(w->width() / 2.0, w->height() / 2.0);
        QEnterEvent enter(local, local, w->mapToGlobal(local));
        QCoreApplication::sendEvent(w, &enter);
        QMouseEvent press(QEvent::MouseButtonPress, local, w->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    }
    /* The floating bar over the empty middle of the URL labels' box. */
    m_floating->setFloatingPos(mapToGlobal(QPoint(160, height() - 150)));
}

QImage GalleryWindow::snapshot()
{
    const QImage form = grab().toImage();
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    QRect canvas(QPoint(0, 0), form.size());
    QRect floatRect;
    if (m_floating->isVisible()) {
        floatRect = QRect(m_floating->mapToGlobal(QPoint(0, 0)) - origin, m_floating->size());
        canvas = canvas.united(floatRect);
    }
    QImage out(canvas.size(), QImage::Format_ARGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(-canvas.topLeft(), form);
    if (floatRect.isValid())
        p.drawImage(floatRect.topLeft() - canvas.topLeft(), m_floating->grab().toImage());
    return out;
}
