#pragma once

#include "client/server/replypipeline.h"
#include "client/server/requestengine.h"
#include "client/shell/clientstate.h"
#include "tests/support/recordingplatform.h"
#include "tests/support/scriptedserver.h"

#include <QTest>

using namespace jaserelle::client;

// The request engine and its pipeline against a scripted loopback server, without any window.
struct EngineFixture
{
    EngineFixture()
    {
        state.serverHost = server.hostWithPort();
        state.userLogin = QStringLiteral("jean");
        state.userPassword = QStringLiteral("secret1");
    }
    bool waitIdle()
    {
        return QTest::qWaitFor([&] { return engine.state() == RequestEngine::State::Idle; });
    }

    ScriptedServer server;
    RecordingPlatform desktop;
    ClientState state;
    ReplyPipeline pipeline;
    RequestEngine engine{state, desktop.notifier, desktop.lifetime, pipeline};
};
