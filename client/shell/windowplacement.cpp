#include "client/shell/windowplacement.h"

#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>

namespace jaserelle::client {

namespace {

// What the window manager adds around the client area. Before the window is first mapped the
// frame is not known yet: a title bar is assumed.
QSize frameExtra(const QWidget &window)
{
    const QSize extra = window.frameGeometry().size() - window.size();
    if (!extra.isEmpty())
        return extra;
    const int border = window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &window);
    return {2 * border,
            window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window) + 2 * border};
}

} // namespace

void centreOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    QPoint topLeft = available.center() - QPoint(frame.width() / 2, frame.height() / 2);
    topLeft.setX(qMax(available.left(), topLeft.x()));
    topLeft.setY(qMax(available.top(), topLeft.y()));
    window.move(topLeft + (window.pos() - frame.topLeft()));
}

void fitOnScreen(QMainWindow &window)
{
    const QScreen *screen = window.screen();
    if (!screen || qobject_cast<QScrollArea *>(window.centralWidget()))
        return;
    const QSize room = screen->availableGeometry().size() - frameExtra(window);
    const QSize wanted = window.size();
    if (wanted.width() <= room.width() && wanted.height() <= room.height())
        return;
    QWidget *content = window.centralWidget();
    content->setFixedSize(content->size());
    const QSize around = wanted - content->size(); // menu bar and status bar
    window.takeCentralWidget();
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("scrollClient"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    window.setCentralWidget(scroll);
    // Room for the scroll bar that the other direction then needs.
    const int bar = window.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    const QSize fitted(qMin(wanted.width() + (wanted.height() > room.height() ? bar : 0), room.width()),
                       qMin(wanted.height() + (wanted.width() > room.width() ? bar : 0), room.height()));
    window.setFixedSize(fitted.expandedTo(around + QSize(bar * 2, bar * 2)));
}

void keepOnScreen(QWidget &window)
{
    if (const QScreen *screen = window.screen()) {
        const QSize room = screen->availableGeometry().size() - frameExtra(window);
        window.resize(window.size().boundedTo(room).expandedTo(window.minimumSizeHint()));
    }
    centreOnScreen(window);
}

} // namespace jaserelle::client
