#pragma once

#include <QHostAddress>

class QTcpServer;

// Listens on `address`:`port` beside the user's client, which listens on the same port on every
// address. Both sides set SO_REUSEPORT (and SO_REUSEADDR) before binding; Linux then hands a
// connection to the listener bound most specifically to its destination, so a call to this
// member's 127.0.0.x reaches it and every other call reaches the client, whichever started first.
// A program that holds the port without SO_REUSEPORT still makes the bind fail.
bool listenShared(QTcpServer &server, const QHostAddress &address, quint16 port);
