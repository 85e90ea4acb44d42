#pragma once

#include "client/platform/platform.h"

#include <QList>
#include <QStringList>
#include <functional>

using namespace jaserelle::client;

// Stand-ins for the desktop that remember what the client asked of it. By default the "user" reads
// every box at once (whileShown runs, then OK). With `attended` false the boxes stay up (identical
// ones not stacked, as on the desktop) until a test closes them.
class RecordingNotifier : public Notifier
{
public:
    void notify(const Notice &notice, AfterClose then = {}) override;
    void withdraw(const Notice &notice) override;
    QList<Notice> shown; // every box that came up, in order
    // Runs while the "box" is up, as the user would act before pressing OK.
    std::function<void(const Notice &)> whileShown;
    QStringList titles() const;

    bool attended = true;
    QList<Notice> openBoxes() const;
    // OK on the oldest box still up; false when none is.
    bool pressOk();
    // Boxes taken down by the client itself.
    QList<Notice> withdrawn;

private:
    struct Open
    {
        Notice notice;
        QList<AfterClose> then;
    };
    QList<Open> open_;
};

struct RecordingSoundPlayer : SoundPlayer
{
    bool hasDevice() const override { return device; }
    void play(const QString &relativePath) override { played.append(relativePath); }
    bool device = true;
    QStringList played;
};

struct RecordingBrowser : Browser
{
    void open(const QString &address) override { opened.append(address); }
    QStringList opened;
};

struct FakeInstanceGuard : InstanceGuard
{
    bool claim() override { return !otherInstanceRunning; }
    bool otherInstanceRunning = false;
};

struct RecordingLifetime : AppLifetime
{
    void endApplication() override { ++endCount; }
    bool ended() const { return endCount > 0; }
    int endCount = 0;
};

struct FixedClock : Clock
{
    QTime currentTime() const override { return now; }
    QDate currentDate() const override { return today; }
    QTime now{12, 0, 0};
    QDate today{2026, 12, 7};
};

struct RecordingPlatform
{
    RecordingNotifier notifier;
    RecordingSoundPlayer sound;
    RecordingBrowser browser;
    FakeInstanceGuard instance;
    RecordingLifetime lifetime;
    FixedClock clock;
    Platform platform() { return {notifier, sound, browser, instance, lifetime, clock}; }
};
