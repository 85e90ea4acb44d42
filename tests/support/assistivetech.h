#pragma once

#include <QAccessible>
#include <QStringList>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

// Assistive technology as a recorder. Offscreen there is no screen reader, so Qt drops every
// accessibility event; switching the platform's accessibility on makes it deliver them here.
// Each alert is kept with the description its object had when it was raised, which is what a
// screen reader speaks.
namespace assistivetech {

inline QStringList &alerts()
{
    static QStringList recorded;
    return recorded;
}

inline void record(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::Alert && event->accessibleInterface())
        alerts().append(event->accessibleInterface()->text(QAccessible::Description));
}

// Once, after the application is made.
inline bool listen()
{
    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    if (!platform)
        return false;
    QAccessible::installUpdateHandler(record);
    platform->setActive(true);
    return QAccessible::isActive();
}

} // namespace assistivetech
