#pragma once

#include <QString>

class QWidget;

namespace jaserelle::client {

// Tells assistive technology (a screen reader) of something that happened away from the focus: a
// call, a message. The widget's accessible description becomes `text` and an alert is raised on
// it, which screen readers speak without the user moving there.
void announceToAssistiveTechnology(QWidget &widget, const QString &text);

} // namespace jaserelle::client
