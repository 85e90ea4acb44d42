#pragma once

class QLabel;

namespace jaserelle::client {

// The mail indicator of the main window: the count as text beside an envelope, yellow with a
// hand pointer while mails wait, grey with the default pointer otherwise.
void showMailCount(QLabel &lblMailsNumber, QLabel &pctbMail, int count);

// Whether the envelope currently says that mails wait.
bool mailsWaiting(const QLabel &pctbMail);

} // namespace jaserelle::client
