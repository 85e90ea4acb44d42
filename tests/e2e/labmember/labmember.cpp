// One member of the network lab: a whole client in real windows, bound to the address it is
// given, with the router forward and the reachability probe of the running application, driven
// line by line on its standard input so that a test can run it in a namespace of its own
// (homes-lab in DIR homeB labmember ...). Every command answers one line, "ok ..." or "fail ...".
//
//   login PSEUDO | wait-door | wait-state Reachable|Unreachable | wait-published
//   favori PSEUDO (answers the address in its row) | call PSEUDO | wait-call (answers the caller)
//   accept | wait-open | say TEXT | wait-text TEXT | say-big N | wait-chars N | hangup | counts | notices |
//   door | shot FILE (no .png) | quit
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/network/networkdoor.h"
#include "client/network/portmapping.h"
#include "client/network/reachability.h"
#include "client/network/relayservice.h"
#include "tests/support/member.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMetaEnum>
#include <QPointer>
#include <QSocketNotifier>
#include <QTextEdit>
#include <iostream>
#include <unistd.h>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

constexpr int waitMs = 30000;

QString stateName(Reachability::State s)
{
    return QString::fromLatin1(QMetaEnum::fromType<Reachability::State>().valueToKey(int(s)));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QCommandLineParser options;
    options.addOption({u"server"_s, u"host:port"_s, u"server"_s});
    options.addOption({u"address"_s, u"local address"_s, u"address"_s});
    options.process(app);

    Member me(options.value(u"server"_s), options.value(u"address"_s));
    const auto door = openNetworkDoor(me.client->state(), me.client->reachability());
    int relayed = 0;
    QObject::connect(&me.client->relay(), &RelayService::incomingConnection, [&relayed] { ++relayed; });

    const auto answer = [](const QString &line) { std::cout << line.toStdString() << std::endl; };
    const auto verdict = [&](bool ok, const QString &detail = {}) {
        answer((ok ? u"ok"_s : u"fail"_s) + (detail.isEmpty() ? QString() : u' ' + detail));
    };
    // The conversation of the call placed or answered last.
    QPointer<FrmConversation> talk;
    const auto conversation = [&] { return talk.data(); };
    const auto ringing = [&]() -> FrmConversation * {
        ConversationWindows &windows = me.client->conversations();
        for (int i = 1; i <= windows.conversationCount(); ++i)
            if (FrmConversation *c = windows.conversation(i); c && c != talk && c->incomingForm().isVisible())
                return c;
        return nullptr;
    };

    // One command; false once told to quit.
    const auto handle = [&](const QString &line) -> bool {
        const QString word = line.section(u' ', 0, 0);
        const QString arg = line.section(u' ', 1);
        if ((word == u"accept" || word == u"say" || word == u"say-big") && !conversation()) {
            verdict(false, u"no call"_s);
        } else if (word == u"login") {
            // As the application does: the door watches the main window from the start, so that
            // the server's probe is asked as soon as the member is logged in.
            bool ok = me.client->start();
            if (ok) {
                door->watch(&me.main());
                me.submitLogin(arg, u"demo"_s);
                ok = me.refreshedAfterLogin();
            }
            verdict(ok);
        } else if (word == u"wait-door") {
            verdict(QTest::qWaitFor(
                [&] { return door->mapping().outcome().status != MappingOutcome::Status::Pending; }, waitMs));
        } else if (word == u"wait-state") {
            const bool ok =
                QTest::qWaitFor([&] { return stateName(me.client->reachability().state()) == arg; }, waitMs);
            verdict(ok, stateName(me.client->reachability().state()));
        } else if (word == u"wait-published") {
            const bool ok =
                QTest::qWaitFor([&] { return me.client->relay().published().has_value(); }, waitMs);
            verdict(ok, ok ? me.client->relay().published()->ipText() : QString());
        } else if (word == u"favori") {
            const bool ok = me.addFavori(arg);
            QTreeWidgetItem *row = me.row(me.main().lvFavoris(), arg);
            verdict(ok && row, row ? row->text(contactrow::Adresse) : QString());
        } else if (word == u"call") {
            QTreeWidgetItem *row = me.row(me.main().lvFavoris(), arg);
            if (row) {
                talk = me.client->conversations().spare(); // a call placed goes from the spare
                me.command(row, u"MNU_CallFromFavoris"_s);
            }
            verdict(row != nullptr);
        } else if (word == u"wait-call") {
            FrmConversation *arrived = nullptr;
            const bool ok = QTest::qWaitFor([&] { return (arrived = ringing()) != nullptr; }, waitMs);
            if (ok)
                talk = arrived;
            verdict(ok, ok ? arrived->incomingForm().caller() : QString());
        } else if (word == u"accept") {
            child<QPushButton>(&conversation()->incomingForm(), u"cmdAcceptCall"_s)->click();
            verdict(true);
        } else if (word == u"wait-open") {
            verdict(QTest::qWaitFor([&] { return conversation() && conversation()->isVisible(); }, waitMs));
        } else if (word == u"say") {
            conversation()->sendBox()->setPlainText(arg);
            child<QPushButton>(conversation(), u"cmdSend"_s)->click();
            verdict(true);
        } else if (word == u"wait-text") {
            verdict(QTest::qWaitFor(
                [&] {
                    return conversation() && conversation()->conversationBox()->toPlainText().contains(arg);
                },
                waitMs));
        } else if (word == u"say-big") { // one message of that many characters, in lines of 80
            QString text = QString(79, u'x') + u'\n';
            text = text.repeated(arg.toInt() / 80 + 1).left(arg.toInt());
            conversation()->sendBox()->setPlainText(text);
            child<QPushButton>(conversation(), u"cmdSend"_s)->click();
            verdict(true);
        } else if (word == u"wait-chars") { // the conversation shows at least that many characters
            verdict(QTest::qWaitFor(
                [&] {
                    return conversation() &&
                           conversation()->conversationBox()->toPlainText().size() >= arg.toInt();
                },
                120000));
        } else if (word == u"hangup") {
            if (talk)
                talk->close();
            talk = nullptr;
            verdict(true);
        } else if (word == u"counts") {
            verdict(true, u"relayed=%1 notices=%2"_s.arg(relayed).arg(me.desktop.notifier.shown.size()));
        } else if (word == u"notices") { // every box shown so far, "title: text", separated by " | "
            QStringList texts;
            for (const Notice &n : me.desktop.notifier.shown)
                texts.append(n.title + u": "_s + n.text);
            verdict(true, texts.join(u" | "_s).replace(u'\n', u' '));
        } else if (word == u"door") {
            verdict(true, door->summary().replace(u'\n', u" / "_s));
        } else if (word == u"shot") { // each window shown, in FILE-1.png, FILE-2.png...
            int n = 0;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible() && !w->grab().save(u"%1-%2.png"_s.arg(arg).arg(++n)))
                    n = -1000;
            verdict(n > 0);
        } else if (word == u"quit") {
            door->close();
            verdict(true);
            return false;
        } else {
            verdict(false, u"unknown command"_s);
        }
        return true;
    };

    // The commands come from the event loop, which keeps turning between them: a call placed
    // goes on connecting while the test asks the other member something.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        input.setEnabled(false); // no command starts inside the waits of another
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::exit(0);
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (!handle(line)) {
                QCoreApplication::exit(0);
                return;
            }
        }
        input.setEnabled(true);
    });
    return QApplication::exec();
}
