#pragma once

#include "client/platform/platform.h"
#include "client/server/replypipeline.h"
#include "client/shell/clientstate.h"

#include <QObject>

#include <memory>

class RequestEngine;
class FrmLogin;
class FrmMain;
class FrmTryToConnect;

// The composition root of one running client: owns the shared state, the request engine, the
// reply pipeline and the windows, and wires them together. Nothing here is global, so tests can
// run two clients side by side.
class Client : public QObject
{
    Q_OBJECT

public:
    Client(ClientState initial, Platform platform, QObject *parent = nullptr);
    ~Client() override;

    // The login window's load: returns false when the application has to end at once.
    bool start();

    ClientState &state() { return state_; }
    Platform &platform() { return platform_; }
    ReplyPipeline &pipeline() { return pipeline_; }
    RequestEngine &engine() { return *engine_; }
    FrmLogin &frmLogin();
    FrmMain &frmMain(); // created, hidden, on first use
    FrmTryToConnect &frmTryToConnect();
    bool hasFrmTryToConnect() const { return tryToConnect_ != nullptr; }

private:
    void submitLogin();
    void newMember();
    void loginCouldNotStart();

    ClientState state_;
    Platform platform_;
    ReplyPipeline pipeline_;
    std::unique_ptr<RequestEngine> engine_;
    std::unique_ptr<FrmMain> main_;
    std::unique_ptr<FrmLogin> login_;
    std::unique_ptr<FrmTryToConnect> tryToConnect_;
};
