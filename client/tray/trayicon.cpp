#include "client/tray/trayicon.h"

#include "client/assets/artwork.h"
#include "client/tray/trayhost.h"

#include <QAction>
#include <QPainter>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// The window icon with a dot in its corner: something was said while the user looked elsewhere.
QIcon withBadge(const QColor &colour)
{
    QPixmap picture = artwork::pixmap(artwork::windowIcon, 1.0, {32, 32});
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(17, 1, 14, 14));
    painter.end();
    return QIcon(picture);
}

QIcon greyed(const QIcon &icon)
{
    return QIcon(icon.pixmap(QSize(32, 32), QIcon::Disabled));
}

} // namespace

QIcon trayPicture(TrayLook look)
{
    switch (look) {
    case TrayLook::Offline:
        return greyed(artwork::icon(artwork::windowIcon));
    case TrayLook::Online:
        return artwork::icon(artwork::windowIcon);
    case TrayLook::MailWaiting:
        return artwork::icon(artwork::envelopeYellow);
    case TrayLook::Unread:
        return withBadge(QColor(0xe0, 0x40, 0x20));
    case TrayLook::Ringing:
        return artwork::icon(artwork::incomingCall);
    }
    return {};
}

TrayIcon::TrayIcon(TrayHost &host, QObject *parent) : QObject(parent), host_(host)
{
    menu_.setObjectName(u"mnuTray"_s);
    open_ = menu_.addAction(u"&Ouvrir Jaserelle"_s);
    open_->setObjectName(u"MNU_TrayOpen"_s);
    sound_ = menu_.addAction(u"&Sons activés"_s);
    sound_->setObjectName(u"MNU_TraySound"_s);
    sound_->setCheckable(true);
    menu_.addSeparator();
    quit_ = menu_.addAction(u"&Quitter"_s);
    quit_->setObjectName(u"MNU_TrayQuit"_s);
    connect(open_, &QAction::triggered, this, &TrayIcon::openRequested);
    connect(sound_, &QAction::triggered, this, &TrayIcon::soundSwitchRequested);
    connect(quit_, &QAction::triggered, this, &TrayIcon::quitRequested);
    host_.activated = [this] { emit openRequested(); };
    update();
}

TrayIcon::~TrayIcon()
{
    host_.activated = nullptr;
    host_.hide();
}

void TrayIcon::setConnected(bool connected)
{
    status_.connected = connected;
    update();
}

void TrayIcon::setWaitingMails(int count)
{
    status_.waitingMails = std::max(0, count);
    update();
}

void TrayIcon::setRinging(bool ringing)
{
    status_.ringing = ringing;
    update();
}

void TrayIcon::setUnreadMessages(int count)
{
    status_.unreadMessages = std::max(0, count);
    update();
}

void TrayIcon::setSound(bool hasDevice, bool enabled)
{
    sound_->setEnabled(hasDevice);
    sound_->setChecked(hasDevice && enabled);
}

void TrayIcon::update()
{
    // Without a tray the client is exactly what it was: no icon, nothing hidden into it.
    if (!host_.available())
        return;
    host_.show(trayPicture(look()), trayToolTip(status_), &menu_);
}

} // namespace jaserelle::client
