#pragma once

#include "client/directory/searchreply.h"
#include "client/server/serverhost.h"

#include <QObject>
#include <QTimer>
#include <functional>

using namespace jaserelle::client;

class QTcpSocket;

// The demo peers' view of the community, through the real server and its ordinary requests:
// first who is shown connected and at which address (a search with no criteria), then, acting as
// the watcher, a member who has the user among its favourites, a refresh now and then that says
// whether the user is connected and at which address others call him.
class CommunityWatch : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString serverHost; // host:port, as in jaserelle.ini
        QString user;       // the member whose client the demo calls
        QString watcher;    // one of the user's demo contacts, with the user among its favourites
        QString password;   // the watcher's
        int refreshMs = 10000;
    };
    explicit CommunityWatch(Options options, QObject *parent = nullptr);

    void start();

signals:
    // The members shown connected (the user left out), once.
    void membersFound(const QList<SearchRecord> &members);
    // The user's address while he is connected; an empty text once he is not.
    void userAddressChanged(const QString &address);
    void problem(const QString &text);

private:
    void get(const QString &path, std::function<void(const QString &)> done);
    void discover();
    void logIn();
    void refresh();

    Options options_;
    ServerAddress server_;
    QString watcherAddress_;
    QString userAddress_;
    QTimer refresh_;
    QTcpSocket *socket_ = nullptr;
};
