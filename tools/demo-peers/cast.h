#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

// What one demo member does when the user calls (or when he calls the user).
enum class Role
{
    Talks,   // accepts, greets, answers
    Refuses, // refuses every call
    HangsUp, // talks, then hangs up after a while
};

struct CastMember
{
    QString pseudo;
    Role role = Role::Talks;
    bool callsUser = false; // may call the user a while after he logs in
    // The greeting: the hello and the user's pseudo in bold, then the line, in the member's colour
    // and font, then a smiley.
    QString hello;
    QString line;
    QString font;
    QColor colour;
    int smiley = 0; // index on the client's smiley pad
};

// The member the program plays for a pseudo the server shows connected; members with no part of
// their own get a friendly default one.
CastMember castMember(const QString &pseudo);

// The short answers, in turn, to whatever the user writes.
const QStringList &replies();

// The effect that answers a sound the user sent: its partner on the pad (the cat is answered by
// the dog, the gun by the other gun).
int answeringSound(int received);
// The effects a member sends now and then of its own accord.
int spontaneousSound(int turn);
