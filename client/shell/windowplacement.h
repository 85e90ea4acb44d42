#pragma once

class QWidget;

// Puts a window in the middle of its screen, frame included.
void centreOnScreen(QWidget &window);
