#pragma once

#include <QList>
#include <QString>
#include <functional>

class QPixmap;
class QSize;
class QToolButton;
class QWidget;

namespace jaserelle::client {

// What a pad button says of itself, its picture being its only label: the tooltip, and for
// assistive technology a name (what it is) and a description (what it does).
struct PadCellLabels
{
    QString name;
    QString description;
    QString toolTip;
};

// The smiley and sound pads: `count` picture buttons named `name` + index, two columns by nine
// rows, element i in row i / 2, left column when i is even.
QList<QToolButton *> buildPad(QWidget &tab, const QString &name, int count,
                              const std::function<QPixmap(int index, QSize size, qreal dpr)> &picture,
                              const std::function<PadCellLabels(int index)> &labels);

} // namespace jaserelle::client
