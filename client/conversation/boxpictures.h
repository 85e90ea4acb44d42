#pragma once

#include <QColor>
#include <QImage>

class QTextCursor;
class QTextDocument;
class QTextEdit;

namespace jaserelle::client {

// What the two boxes of a conversation do with what goes into them.
namespace boxpictures {

// A picture at the cursor. The document keeps it whole (it leaves with the message as it is) but
// shows it no wider than `maxWidth`, keeping its shape. It is kept as a pixmap: the box paints it
// on every keystroke, and a large image would be converted again at each paint.
void insert(QTextCursor &cursor, const QImage &image, int maxWidth);

// Settles the span [from, to) of an entry just added to the conversation box: pictures wider than
// `maxWidth` are shown scaled to fit, from a copy of the displayed size (a received picture is
// never sent again, the full one need not stay); black text, the colour peers give text nobody
// coloured, is shown in the box's own text colour, so it reads on a dark theme too; any other
// colour is shown as `readable` makes it on `base`; emoji are shown in the colour emoji font.
void settle(QTextDocument &document, int from, int to, int maxWidth, qreal dpr, QColor base = Qt::white,
            QColor text = Qt::black);

// The width a picture may take in `box`: its text width, less a margin for the frame and the caret.
int room(const QTextEdit &box);

// A colour as it is shown on `base`: unchanged when it stands out from it (a contrast ratio of 3
// at least), otherwise moved towards `text` until it does.
QColor readable(QColor colour, QColor base, QColor text);

} // namespace boxpictures

} // namespace jaserelle::client
