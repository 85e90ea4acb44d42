#include "client/platform/assistiveannounce.h"

#include <QAccessible>
#include <QWidget>

namespace jaserelle::client {

void announceToAssistiveTechnology(QWidget &widget, const QString &text)
{
    widget.setAccessibleDescription(text); // raises DescriptionChanged itself
    QAccessibleEvent alert(&widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

} // namespace jaserelle::client
