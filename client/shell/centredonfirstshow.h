#pragma once

#include "client/shell/windowplacement.h"

#include <QShowEvent>

namespace jaserelle::client {

// A window that comes up in the middle of its screen the first time it is shown, and where the
// user left it after that.
template <typename Base> class CentredOnFirstShow : public Base
{
public:
    using Base::Base;

protected:
    void showEvent(QShowEvent *event) override
    {
        Base::showEvent(event);
        if (centred_)
            return;
        centred_ = true;
        centreOnScreen(*this);
    }

private:
    bool centred_ = false;
};

} // namespace jaserelle::client
