#include "client/shell/tabrow.h"

namespace jaserelle::client {

TabRow::TabRow(QWidget *parent) : QTabWidget(parent), bar_(new Bar)
{
    setTabBar(bar_);
}

void TabRow::setRowWidth(int width)
{
    bar_->rowWidth = width;
    // The tab bar caches its layout; setting its elide mode lays the tabs out again.
    bar_->setElideMode(bar_->elideMode());
    updateGeometry();
}

QSize TabRow::Bar::tabSizeHint(int index) const
{
    QSize size = QTabBar::tabSizeHint(index);
    const int tabs = count();
    if (rowWidth <= 0 || tabs == 0)
        return size;
    int captions = 0;
    for (int i = 0; i < tabs; ++i)
        captions += QTabBar::tabSizeHint(i).width();
    const int spare = rowWidth - captions;
    if (spare > 0)
        size.setWidth(size.width() + spare / tabs + (index == tabs - 1 ? spare % tabs : 0));
    return size;
}

} // namespace jaserelle::client
