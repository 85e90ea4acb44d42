#pragma once

class QWidget;

namespace jaserelle::client {

// The frame of the client's small dialogs: the window icon and a title bar with only the close
// button. A dialog laid out by its layouts (the mail windows) keeps its size free.
void makeDialogFrame(QWidget &dialog);

// The same frame, and the size the dialog was laid out with, which the user cannot change.
void makeFixedDialog(QWidget &dialog);

} // namespace jaserelle::client
