#pragma once

#include <QAccessible>
#include <QStringList>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

// Assistive technology as a recorder: offscreen Qt drops accessibility events unless the platform's
// accessibility is on. Each alert keeps the description its object had when raised (what is spoken).
namespace assistivetech {

inline QStringList &alerts()
{
    static QStringList recorded;
    return recorded;
}

// Once, after the application is made.
inline bool listen()
{
    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    if (!platform)
        return false;
    QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
        if (event->type() == QAccessible::Alert && event->accessibleInterface())
            alerts().append(event->accessibleInterface()->text(QAccessible::Description));
    });
    platform->setActive(true);
    return QAccessible::isActive();
}

} // namespace assistivetech
