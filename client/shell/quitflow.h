#pragma once

#include <QObject>
#include <memory>

namespace jaserelle::client {

struct ClientState;
class ConversationList;
class FrmQuitter;
class RequestPort;

// The quit command: the confirmation, then every conversation closed and the logoff sent. The
// application ends on the logoff's answer, its failure or its time-out, not here.
class QuitFlow : public QObject
{
    Q_OBJECT

public:
    QuitFlow(ClientState &state, RequestPort &engine, ConversationList &conversations);
    ~QuitFlow() override;

    // Asks, and returns at once; the answer, when it comes, closes the conversations and sends
    // the logoff. While the question is up every event keeps flowing: server replies, timers,
    // conversations, and further quit commands, which bring the same window up again.
    void run();

    // Created on first use.
    FrmQuitter &frmQuitter();
    // The logoff has been sent: the application is on its way out.
    bool leaving() const { return leaving_; }

private:
    void answered();

    ClientState &state_;
    RequestPort &engine_;
    ConversationList &conversations_;
    std::unique_ptr<FrmQuitter> quitter_;
    bool leaving_ = false;
};

} // namespace jaserelle::client
