#include "client/conversation/conversationpads.h"

#include <QGridLayout>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QToolButton>
#include <QWidget>

namespace jaserelle::client {

namespace {

constexpr int columns = 2;
constexpr int cell = 32;        // 480 twips
constexpr int pictureSide = 28; // inside the button's frame

} // namespace

QList<QToolButton *> buildPad(QWidget &tab, const QString &name, int count,
                              const std::function<QPixmap(int index, QSize size, qreal dpr)> &picture,
                              const std::function<PadCellLabels(int index)> &labels)
{
    auto *grid = new QGridLayout(&tab);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(0);
    grid->setHorizontalSpacing(cell / 2);
    const qreal dpr = tab.devicePixelRatioF();
    QList<QToolButton *> buttons;
    for (int i = 0; i < count; ++i) {
        auto *button = new QToolButton(&tab);
        button->setObjectName(name + QString::number(i));
        // One rendering at the screen's ratio: the pads are built when the window first shows, and
        // rendering every size an icon might be asked for is what made the client slow to start.
        button->setIcon(QIcon(picture(i, QSize(pictureSide, pictureSide), dpr)));
        button->setIconSize(QSize(pictureSide, pictureSide));
        // Rows give a little when the window has to be shorter than it was drawn (a small screen).
        button->setMinimumSize(cell * 3 / 4, cell * 3 / 4);
        button->setMaximumSize(cell, cell);
        button->setAutoRaise(true);
        const PadCellLabels label = labels(i);
        button->setToolTip(label.toolTip);
        button->setAccessibleName(label.name);
        button->setAccessibleDescription(label.description);
        grid->addWidget(button, i / columns, i % columns, Qt::AlignCenter);
        buttons.append(button);
    }
    return buttons;
}

} // namespace jaserelle::client
