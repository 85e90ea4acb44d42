#include "client/contacts/mailindicator.h"

#include "client/assets/artwork.h"
#include "client/shell/imagelists.h"

#include <QLabel>

namespace jaserelle::client {

namespace {

constexpr const char *waitingProperty = "mailsWaiting";

} // namespace

void showMailCount(QLabel &lblMailsNumber, QLabel &pctbMail, int count)
{
    const bool waiting = count > 0;
    lblMailsNumber.setText(QString::number(count));
    pctbMail.setProperty(waitingProperty, waiting);
    const qreal dpr = pctbMail.devicePixelRatioF();
    pctbMail.setPixmap(artwork::pixmap(imagelists::imglMails(waiting ? 1 : 2), dpr));
    // The picture is the envelope's only label: a screen reader reads what it shows from here.
    pctbMail.setAccessibleDescription(
        waiting ? (count == 1
                       ? QStringLiteral("Enveloppe : 1 mail en attente, un clic ouvre la boîte aux lettres")
                       : QStringLiteral("Enveloppe : %1 mails en attente, un clic ouvre la boîte aux lettres")
                             .arg(count))
                : QStringLiteral("Enveloppe : aucun mail en attente"));
    if (waiting)
        pctbMail.setCursor(artwork::handCursor(dpr));
    else
        pctbMail.unsetCursor();
}

bool mailsWaiting(const QLabel &pctbMail)
{
    return pctbMail.property(waitingProperty).toBool();
}

} // namespace jaserelle::client
