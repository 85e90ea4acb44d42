#pragma once

#include <QList>
#include <QString>
#include <QTime>

namespace jaserelle::client {

// Calls that rang out with nobody to answer them, newest first. Kept for the user to see who
// called; only the last few are worth keeping, however many come in.
class MissedCalls
{
public:
    static constexpr qsizetype kept = 20;
    // Named in the one-line summary; the rest wait in the full list.
    static constexpr qsizetype named = 3;

    struct Call
    {
        QString pseudo;
        QTime time;
    };

    void add(const QString &pseudo, const QTime &time);
    void clear() { calls_.clear(); }
    bool isEmpty() const { return calls_.isEmpty(); }
    const QList<Call> &calls() const { return calls_; }

    // "Appel manqué : toto à 09h05", or "Appels manqués : titi à 09h07, toto à 09h05"; "" when
    // there is none.
    QString summary() const;
    // One call a line, newest first.
    QString fullList() const;

private:
    QList<Call> calls_;
};

} // namespace jaserelle::client
