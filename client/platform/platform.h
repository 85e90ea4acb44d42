#pragma once

#include "client/platform/notice.h"

#include <QDate>
#include <QTime>
#include <functional>

namespace jaserelle::client {

// The seams between the client and the desktop. Each has one Qt implementation (qtplatform.h);
// tests pass recorders.

class Notifier
{
public:
    using AfterClose = std::function<void()>;

    virtual ~Notifier() = default;
    // A message box with one OK button, modal for the user but never for the code: it returns at
    // once, and what has to follow the box goes in `then`, which runs once the box is closed.
    // Sockets and timers keep running while the box is up. A notice identical to one still up is
    // not shown a second time: its `then` waits for the box already there.
    virtual void notify(const Notice &notice, AfterClose then = {}) = 0;
    // Takes a box down as if the user had pressed OK (its `then` runs); nothing when none is up.
    virtual void withdraw(const Notice &notice) = 0;
};

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Whether the machine has at least one audio output.
    virtual bool hasDevice() const = 0;
    // Plays a WAV file below the executable's directory ("sons/comein.wav") asynchronously;
    // a missing file or a busy device is silently dropped.
    virtual void play(const QString &relativePath) = 0;
};

class Browser
{
public:
    virtual ~Browser() = default;
    virtual void open(const QString &address) = 0;
};

class InstanceGuard
{
public:
    virtual ~InstanceGuard() = default;
    // True when this is the only running client of the user session; the claim holds until exit.
    virtual bool claim() = 0;
};

class AppLifetime
{
public:
    virtual ~AppLifetime() = default;
    // Ends the application: every window goes, the event loop returns.
    virtual void endApplication() = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QTime currentTime() const = 0;
    // The day, for what is kept beyond one run (the conversation history).
    virtual QDate currentDate() const { return QDate::currentDate(); }
};

// What the composition root hands to whoever needs the desktop.
struct Platform
{
    Notifier &notifier;
    SoundPlayer &sound;
    Browser &browser;
    InstanceGuard &instance;
    AppLifetime &lifetime;
    Clock &clock;
};

} // namespace jaserelle::client
