#include "tools/demo-peers/democonversation.h"

#include "client/server/wiretext.h"
#include "tools/demo-peers/messages.h"

#include <QTcpSocket>
#include <QTimer>

using namespace jaserelle::client;

namespace {
constexpr int silentCallerMs = 30000;
} // namespace

DemoConversation::DemoConversation(const CastMember &member, const Timing &timing, QTcpSocket *socket,
                                   QObject *parent)
    : QObject(parent), member_(member), timing_(timing), socket_(socket), side_(LinkSide::Callee)
{
    socket_->setParent(this);
    attach();
    // A connection that never says who calls would hold the line (and the demo's own call) for
    // ever: it is closed after a while, as the client does.
    QTimer::singleShot(silentCallerMs, this, [this] {
        if (!answered_)
            hangUp();
    });
}

DemoConversation::DemoConversation(const CastMember &member, const Timing &timing, const QHostAddress &from,
                                   const QString &userAddress, const QString &user, QObject *parent)
    : QObject(parent), member_(member), timing_(timing), socket_(new QTcpSocket(this)),
      side_(LinkSide::Caller), peer_(user)
{
    attach();
    connect(socket_, &QTcpSocket::connected, this, [this] { send(callRequestPacket(member_.pseudo)); });
    // From the member's own address, as a client would: the user's client sees who calls.
    socket_->bind(from, 0);
    socket_->connectToHost(userAddress, peerPort);
}

void DemoConversation::attach()
{
    connect(socket_, &QTcpSocket::readyRead, this, &DemoConversation::onReadyRead);
    connect(socket_, &QTcpSocket::disconnected, this, &DemoConversation::hangUp);
    connect(socket_, &QTcpSocket::errorOccurred, this, &DemoConversation::hangUp);
}

void DemoConversation::onReadyRead()
{
    const PacketReassembler::Result result = reassembler_.feed(socket_->readAll());
    for (const QByteArray &payload : result.packets)
        handle(parsePacket(wiretext::fromWire(payload), side_));
}

void DemoConversation::handle(const PeerPacket &packet)
{
    switch (packet.kind) {
    case PacketKind::CallRequest:
        if (answered_)
            return;
        answered_ = true;
        peer_ = packet.pseudo;
        if (member_.role == Role::Refuses) {
            QTimer::singleShot(timing_.answerMs, this, [this] {
                send(refusalPacket());
                socket_->disconnectFromHost(); // once the refusal has left
            });
        } else {
            QTimer::singleShot(timing_.answerMs, this, [this] {
                send(acceptPacket());
                startTalking();
            });
        }
        return;
    case PacketKind::Accept:
        if (!answered_) {
            answered_ = true;
            startTalking();
        }
        return;
    case PacketKind::Refusal:
        socket_->disconnectFromHost();
        return;
    case PacketKind::Malformed:
        return;
    case PacketKind::Entry:
        break;
    }
    if (!talking_)
        return;
    if (packet.sound >= 0) {
        later(timing_.replyMs, soundPacket(answeringSound(packet.sound)));
        return;
    }
    // Now and then a sound before the answer, as people do.
    ++turn_;
    if (turn_ % 3 == 0)
        later(timing_.replyMs, soundPacket(spontaneousSound(turn_ / 3)));
    const QString text = replies().at((turn_ - 1) % replies().size());
    later(timing_.replyMs, messagePacket(messages::reply(member_, text)));
}

void DemoConversation::startTalking()
{
    talking_ = true;
    later(timing_.replyMs, messagePacket(messages::greeting(member_, peer_)));
    if (member_.role == Role::HangsUp)
        QTimer::singleShot(timing_.hangUpMs, this, [this] { socket_->disconnectFromHost(); });
}

void DemoConversation::later(int ms, const QByteArray &packet)
{
    QTimer::singleShot(ms, this, [this, packet] { send(packet); });
}

void DemoConversation::send(const QByteArray &packet)
{
    if (socket_->state() == QAbstractSocket::ConnectedState)
        socket_->write(packet);
}

void DemoConversation::hangUp()
{
    if (over_)
        return;
    over_ = true;
    disconnect(socket_, nullptr, this, nullptr);
    socket_->abort();
    emit ended();
    deleteLater();
}
