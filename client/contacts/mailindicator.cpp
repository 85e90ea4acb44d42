#include "client/contacts/mailindicator.h"

#include <QLabel>

namespace {

constexpr const char *waitingProperty = "mailsWaiting";

} // namespace

void showMailCount(QLabel &lblMailsNumber, QLabel &pctbMail, int count)
{
    const bool waiting = count > 0;
    lblMailsNumber.setText(QString::number(count));
    pctbMail.setProperty(waitingProperty, waiting);
    if (waiting)
        pctbMail.setCursor(Qt::PointingHandCursor);
    else
        pctbMail.unsetCursor();
}

bool mailsWaiting(const QLabel &pctbMail)
{
    return pctbMail.property(waitingProperty).toBool();
}
