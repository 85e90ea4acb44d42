#pragma once

#include <QObject>

class QAction;

namespace jaserelle::client {

class FrmMain;
class Notifier;

// "Contacts connectés en premier" in the Options menu: both contact lists follow it at once, and
// the choice is kept in jaserelle.ini for the next start.
class ContactOrderOption : public QObject
{
    Q_OBJECT

public:
    ContactOrderOption(FrmMain &main, QString appDir, Notifier &notifier);
    QAction *action() const { return action_; }

private:
    void apply(bool on);

    FrmMain &main_;
    QString appDir_;
    Notifier &notifier_;
    QAction *action_ = nullptr;
};

} // namespace jaserelle::client
