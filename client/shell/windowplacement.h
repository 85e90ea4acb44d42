#pragma once

class QMainWindow;
class QWidget;

namespace jaserelle::client {

// Puts a window in the middle of its screen, frame included. A window larger than the screen
// keeps its top-left corner (title bar, menus) on it.
void centreOnScreen(QWidget &window);

// A fixed-size main window taller or wider than its screen (a small screen, or a scale factor of
// 2 on a laptop) shrinks to the screen and lets its content scroll, so nothing is out of reach.
// Its content keeps the size it was laid out for.
void fitOnScreen(QMainWindow &window);

// A window laid out by its layouts, larger than its screen: it shrinks to the screen, no smaller
// than its layouts allow, and is centred.
void keepOnScreen(QWidget &window);

} // namespace jaserelle::client
