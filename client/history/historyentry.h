#pragma once

#include <QDateTime>
#include <QString>

namespace jaserelle::client {

// One entry of a conversation as its box showed it.
struct HistoryEntry
{
    enum class Kind
    {
        Message, // `rtf` is the message's whole RTF document
        Sound,   // `rtf` is the sound notice
        Notice,  // what the link told the user (the peer hung up...): `text` only
    };
    qint64 id = 0;  // given by the store
    QString member; // the other side of the conversation
    QDateTime at;   // local time
    bool own = false;
    Kind kind = Kind::Message;
    QString rtf;
    QString text; // the words, for the search

    friend bool operator==(const HistoryEntry &, const HistoryEntry &) = default;
};

} // namespace jaserelle::client
