#pragma once

#include "client/server/requestengine.h"
#include "client/shell/client.h"
#include "client/shell/configfile.h"
#include "client/shell/frmlogin.h"
#include "client/shell/frmmain.h"
#include "tests/support/recordingplatform.h"
#include "tests/support/scriptedserver.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// One whole client, as the user starts it: jaserelle.ini in its own directory naming a loopback
// server, the desktop replaced by recorders.
struct ClientFixture
{
    explicit ClientFixture(const QString &serverHost = {})
    {
        const QString host = serverHost.isEmpty() ? server.hostWithPort() : serverHost;
        QFile ini(dir.filePath(QStringLiteral("jaserelle.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(formatConfig(host, true));
        ini.close();
        ClientState state;
        state.appDir = dir.path();
        client = std::make_unique<Client>(state, desktop.platform());
    }

    // Types the pseudo and password into the login window and presses "&Connection".
    void submitLogin(const QString &pseudo, const QString &password)
    {
        FrmLogin &login = client->frmLogin();
        login.findChild<QLineEdit *>(QStringLiteral("txtLogin"))->setText(pseudo);
        login.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
        login.findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
    }

    // Starts the client and logs in with an answer that carries no message: the main window is up
    // and the first refresh has been asked for.
    bool logIn(const QString &pseudo = QStringLiteral("demo"),
               const QString &password = QStringLiteral("secret"))
    {
        server.queue(QByteArray("YOURLOGINISOK||"));
        if (!client->start())
            return false;
        submitLogin(pseudo, password);
        return server.waitForRequests(2) && QTest::qWaitFor([&] { return client->frmMain().isVisible(); });
    }

    QTemporaryDir dir;
    RecordingPlatform desktop;
    ScriptedServer server;
    std::unique_ptr<Client> client;
};
