#pragma once

#include "client/platform/platform.h"

#include <QLockFile>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class QSoundEffect;
class QWidget;

namespace jaserelle::client {

// Boxes opened with QDialog::open(): the event loop that runs them is the application's own.
// While the owner (the main window) is on the screen a box holds up only that window, so an
// incoming call or a conversation can still be answered; before it is, a box holds up the client.
class QtNotifier : public Notifier
{
public:
    QtNotifier();
    ~QtNotifier() override;
    void notify(const Notice &notice, AfterClose then = {}) override;
    void withdraw(const Notice &notice) override;
    void setOwner(QWidget *owner);

private:
    struct Open;
    void closed(QObject *box);

    QPointer<QWidget> owner_;
    std::vector<std::unique_ptr<Open>> open_;
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
