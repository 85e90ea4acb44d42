#pragma once

#include <QIcon>
#include <QString>
#include <functional>
#include <memory>

class QMenu;

namespace jaserelle::client {

// The desktop's notification area, as far as the client uses it. One Qt implementation; tests
// pass a recorder, as an offscreen session has no tray.
class TrayHost
{
public:
    virtual ~TrayHost() = default;
    // Whether the desktop shows tray icons at all (a StatusNotifierItem host or a system tray).
    virtual bool available() const = 0;
    virtual void show(const QIcon &icon, const QString &toolTip, QMenu *menu) = 0;
    virtual void hide() = 0;
    // The icon itself was clicked (not its menu).
    std::function<void()> activated;
};

// QSystemTrayIcon: a StatusNotifierItem where the desktop offers one, the X11 tray otherwise.
std::unique_ptr<TrayHost> makeQtTrayHost();

} // namespace jaserelle::client
