#pragma once

#include <QTabBar>
#include <QTabWidget>

namespace jaserelle::client {

// A tab control whose tabs share their whole row: the room left once every caption fits is shared
// out evenly, rather than the tabs bunching up on the left.
class TabRow : public QTabWidget
{
    Q_OBJECT

public:
    explicit TabRow(QWidget *parent = nullptr);

    // Width of the row the tabs fill; 0 lets each tab fit its caption.
    void setRowWidth(int width);

private:
    class Bar : public QTabBar
    {
    public:
        int rowWidth = 0;

    protected:
        QSize tabSizeHint(int index) const override;
        QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    };

    Bar *bar_;
};

} // namespace jaserelle::client
