#pragma once

#include "client/platform/platform.h"

#include <QLockFile>
#include <QPointer>
#include <QString>
#include <memory>

class QSoundEffect;
class QWidget;

namespace jaserelle::client {

class QtNotifier : public Notifier
{
public:
    void notify(const Notice &notice) override;
};

class QtSoundPlayer : public SoundPlayer
{
public:
    explicit QtSoundPlayer(QString baseDir);
    ~QtSoundPlayer() override;
    bool hasDevice() const override;
    void play(const QString &relativePath) override;

private:
    QString baseDir_;
    std::unique_ptr<QSoundEffect> effect_;
};

class QtBrowser : public Browser
{
public:
    void open(const QString &address) override;
};

// One client per user session: a lock file in the user's runtime directory.
class QtInstanceGuard : public InstanceGuard
{
public:
    bool claim() override;

private:
    std::unique_ptr<QLockFile> lock_;
};

class QtAppLifetime : public AppLifetime
{
public:
    void endApplication() override;
};

class QtClock : public Clock
{
public:
    QTime currentTime() const override { return QTime::currentTime(); }
};

// The Qt implementations together, as the real application uses them.
struct QtPlatform
{
    explicit QtPlatform(const QString &appDir);
    QtNotifier notifier;
    QtSoundPlayer sound;
    QtBrowser browser;
    QtInstanceGuard instance;
    QtAppLifetime lifetime;
    QtClock clock;
    Platform platform() { return {notifier, sound, browser, instance, lifetime, clock}; }
};

} // namespace jaserelle::client
