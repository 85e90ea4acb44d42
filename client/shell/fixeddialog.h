#pragma once

class QWidget;

namespace jaserelle::client {

// A small dialog of the client: the window icon, a title bar with only the close button, and the
// size it was laid out with, which the user cannot change.
void makeFixedDialog(QWidget &dialog);

} // namespace jaserelle::client
