#pragma once

#include "tests/support/enginefixture.h"

#include <QFile>
#include <QTemporaryDir>

// A request engine against the real jaserelle-server: every reply handler only notes its keyword
// and the answer's body. The scripted server of the fixture stays unused: the requests go to the
// real one.
struct CommunitySession : EngineFixture
{
    QTemporaryDir folder;
    QStringList handled; // the keywords whose handlers ran
    QString body;        // of the last answer

    // A client of its own folder (its ini's, where the community CA it trusts and its key live).
    CommunitySession(const QString &host, const QString &pseudo,
                     const QString &password = QStringLiteral("demo"), const QString &caFile = {})
    {
        state.appDir = folder.path();
        if (!caFile.isEmpty())
            QFile::copy(caFile, folder.filePath(QStringLiteral("jaserelle-ca.pem")));
        state.serverHost = host;
        state.userLogin = pseudo;
        state.userPassword = password;
        for (const ReplySlotInfo &info : replyHandlerOrder) {
            const QString keyword = QString::fromUtf16(info.keyword);
            pipeline.setHandler(info.slot, [this, keyword](QString &reply) {
                handled.append(keyword);
                body = reply.mid(reply.indexOf(u"\r\n\r\n") + 4);
                engine.resumeRefresh(); // a handler completes its request
                return HandlerResult::Continue;
            });
        }
    }

    // Sends one request; returns the keywords whose handlers ran, or "(no answer)" when it failed.
    QStringList send(RequestKind kind) { return send(Request{kind}); }
    QStringList send(const Request &request)
    {
        handled.clear();
        body.clear();
        const int before = desktop.notifier.shown.size();
        engine.start(request);
        const bool done = QTest::qWaitFor(
            [&] {
                return engine.state() == RequestEngine::State::Idle &&
                       engine.statusText() == QStringLiteral("En attente");
            },
            20000);
        return done && desktop.notifier.shown.size() == before ? handled
                                                               : QStringList{QStringLiteral("(no answer)")};
    }
};
