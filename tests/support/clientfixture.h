#pragma once

#include "client/app/client.h"
#include "client/server/requestengine.h"
#include "client/shell/configfile.h"
#include "client/shell/frmlogin.h"
#include "client/shell/frmmain.h"
#include "client/shell/frmquitter.h"
#include "client/shell/quitflow.h"
#include "client/shell/rowselection.h"
#include "tests/support/recordingplatform.h"
#include "tests/support/scriptedserver.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

// A named control of a window; a renamed one fails the test instead of crashing it.
template <typename W = QWidget> W *child(const QObject *parent, const QString &name)
{
    if (W *found = parent->findChild<W *>(name))
        return found;
    qFatal("no control named %s", qPrintable(name));
}

// The whole file; empty when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void trigger(const QObject *window, const QString &name)
{
    child<QAction>(window, name)->trigger();
}

// The first column of every row of a member list, in the order shown, separated by spaces.
inline QString pseudos(const QTreeWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts.append(list->topLevelItem(i)->text(0));
    return texts.join(u' ');
}

// One whole client as installed (jaserelle.ini, sound on, naming `serverHost`), desktop recorded.
struct ClientDesk
{
    explicit ClientDesk(const QString &serverHost,
                        const QHostAddress &localAddress = QHostAddress(QHostAddress::LocalHost))
    {
        writeIni(formatConfig(serverHost, true));
        ClientState state;
        state.appDir = dir.path();
        state.dataDir = dir.filePath(QStringLiteral("data"));
        state.localAddress = localAddress;
        client = std::make_unique<Client>(state, desktop.platform());
    }

    QString iniPath() const { return dir.filePath(QStringLiteral("jaserelle.ini")); }
    void writeIni(const QByteArray &bytes)
    {
        if (QFile ini(iniPath()); ini.open(QIODevice::WriteOnly))
            ini.write(bytes);
    }

    FrmMain &main() { return client->frmMain(); }
    // A right click on the row, then the context-menu entry.
    void command(QTreeWidgetItem *row, const QString &entry)
    {
        main().rowSelection().setSelectedItem(row);
        trigger(&main(), entry);
    }
    RequestEngine &engine() { return client->engine(); }
    bool waitIdle(int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return engine().state() == RequestEngine::State::Idle; }, timeoutMs);
    }

    // Against the real server: the first refresh after the login has been handled.
    bool refreshedAfterLogin()
    {
        return QTest::qWaitFor(
                   [&] { return main().isVisible() && engine().requestKind() == RequestKind::Refresh; },
                   10000) &&
               waitIdle(10000);
    }
    void submitLogin(const QString &pseudo, const QString &password)
    {
        FrmLogin &login = client->frmLogin();
        child<QLineEdit>(&login, QStringLiteral("txtLogin"))->setText(pseudo);
        child<QLineEdit>(&login, QStringLiteral("txtPassword"))->setText(password);
        child<QPushButton>(&login, QStringLiteral("cmdOk"))->click();
    }

    QTemporaryDir dir;
    RecordingPlatform desktop;
    std::unique_ptr<Client> client;
};

struct ScriptedServerFirst
{
    ScriptedServer server; // made before the client that names it, gone after it
};

struct ClientFixture : ScriptedServerFirst, ClientDesk
{
    explicit ClientFixture(const QString &serverHost = {})
        : ClientDesk(serverHost.isEmpty() ? server.hostWithPort() : serverHost)
    {
    }

    // Logged in with an answer without a message: the main window is up, the first refresh asked.
    bool logIn(const QString &pseudo = QStringLiteral("demo"),
               const QString &password = QStringLiteral("secret"))
    {
        server.queue(QByteArray("YOURLOGINISOK||"));
        return client->start() && (submitLogin(pseudo, password), server.waitForRequests(2)) &&
               QTest::qWaitFor([&] { return main().isVisible(); });
    }
    // As if logged in as `pseudo`, without a word sent: the requests carry these credentials.
    void presetSession(const QString &pseudo = QStringLiteral("moi"))
    {
        client->state().serverHost = server.hostWithPort();
        client->state().userLogin = pseudo;
        client->state().userPassword = QStringLiteral("secret");
    }
    void answerHeld(const QByteArray &body)
    {
        server.lastSocket->write(ScriptedServer::httpOk(body));
        server.lastSocket->disconnectFromHost();
    }
    QByteArray requestLine(int i) const { return server.requests.value(i).split('\r').first(); }
};

// Acts as the user once the quit confirmation is up, whenever the command that asks comes.
inline void whenQuitAsked(QuitFlow &quit, std::function<void(FrmQuitter &)> act)
{
    auto *poll = new QTimer(&quit);
    QObject::connect(poll, &QTimer::timeout, &quit, [poll, &quit, act] {
        if (!quit.frmQuitter().isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(quit.frmQuitter());
    });
    poll->start(5);
}

inline void answerQuit(QuitFlow &quit, const QString &button)
{
    whenQuitAsked(quit, [button](FrmQuitter &window) { child<QPushButton>(&window, button)->click(); });
}
