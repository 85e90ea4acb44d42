#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace jaserelle::client {

// One mail of the mail box as its row shows it.
struct MailEntry
{
    QString sender;
    QString when;    // "DD/MM/YYYY à HHhMM"
    QString subject; // "pas de sujet" when the mail has none
    QString message;

    bool operator==(const MailEntry &) const = default;
};

// The mail list the server sends after "HERESTARTMAILLIST": five "~"-ended fields per mail (sender,
// YYYY-MM-DD, HH:MM:SS, subject or "NULL", text), no count and no end marker. At most `count` mails
// are read: the count shown to the user is the number of mails he was told about, and later ones
// wait for the next look. A mail cut short ends the list; the complete ones before it are kept.
// Never more than 5000 mails, whatever the count and the reply say.
QList<MailEntry> parseMailList(QStringView reply, int count);

// "2002-11-05" and "09:07:59" as the mail box shows them: "05/11/2002 à 09h07".
QString mailWhenText(QStringView date, QStringView time);

// The subject column: "pas de sujet" for the server's "NULL".
QString mailSubjectText(QStringView subject);

// The waiting-mail count as the main window shows it: the leading number of the text, 0 without one.
int mailCountOf(QStringView caption);

} // namespace jaserelle::client
