#include "client/tray/trayhost.h"

#include <QSystemTrayIcon>

namespace jaserelle::client {

namespace {

class QtTrayHost : public TrayHost
{
public:
    QtTrayHost()
    {
        QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason why) {
            if ((why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) && activated)
                activated();
        });
    }
    bool available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void show(const QIcon &icon, const QString &toolTip, QMenu *menu) override
    {
        icon_.setIcon(icon);
        icon_.setToolTip(toolTip);
        if (icon_.contextMenu() != menu)
            icon_.setContextMenu(menu);
        icon_.show();
    }
    void hide() override { icon_.hide(); }

private:
    QSystemTrayIcon icon_;
};

} // namespace

std::unique_ptr<TrayHost> makeQtTrayHost()
{
    return std::make_unique<QtTrayHost>();
}

} // namespace jaserelle::client
