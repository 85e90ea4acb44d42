// One member of the network lab: a whole client bound to the address it is given, with the router
// forward and probe of the running application, driven line by line on its standard input. Each
// command answers "ok ..." or "fail ...": login PSEUDO | wait-door | wait-state STATE | wait-published
// | favori PSEUDO | call PSEUDO | wait-call | accept | wait-open | say TEXT | wait-text TEXT |
// say-big N | wait-chars N | hangup | counts | notices | door | quit
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/network/networkdoor.h"
#include "client/network/portmapping.h"
#include "client/network/reachability.h"
#include "client/network/relayservice.h"
#include "tests/support/member.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QMetaEnum>
#include <QPointer>
#include <QSocketNotifier>
#include <QTextEdit>
#include <iostream>
#include <unistd.h>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    constexpr int waitMs = 30000;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QCommandLineParser options;
    options.addOptions(
        {{u"server"_s, u"host:port"_s, u"server"_s}, {u"address"_s, u"address"_s, u"address"_s}});
    options.process(app);

    Member me(options.value(u"server"_s), options.value(u"address"_s));
    const auto door = openNetworkDoor(me.client->state(), me.client->reachability());
    int relayed = 0;
    QObject::connect(&me.client->relay(), &RelayService::incomingConnection, [&relayed] { ++relayed; });

    const auto verdict = [](bool ok, const QString &detail = {}) {
        std::cout << (ok ? "ok" : "fail") << (detail.isEmpty() ? "" : " ") << detail.toStdString()
                  << std::endl;
    };
    QPointer<FrmConversation> talk; // the conversation of the call placed or answered last
    const auto ringing = [&]() -> FrmConversation * {
        ConversationWindows &windows = me.client->conversations();
        for (int i = 1; i <= windows.conversationCount(); ++i)
            if (FrmConversation *c = windows.conversation(i); c && c != talk && c->incomingForm().isVisible())
                return c;
        return nullptr;
    };
    const auto shown = [&] { return talk ? talk->conversationBox()->toPlainText() : QString(); };

    // One command; false once told to quit.
    const auto handle = [&](const QString &line) -> bool {
        const QString word = line.section(u' ', 0, 0);
        const QString arg = line.section(u' ', 1);
        if ((word == u"accept" || word == u"say" || word == u"say-big") && !talk) {
            verdict(false, u"no call"_s);
        } else if (word == u"login") {
            // As the application does: the door watches the main window, so the probe follows the login.
            verdict(me.client->start() &&
                    (door->watch(&me.main()), me.submitLogin(arg, u"demo"_s), me.refreshedAfterLogin()));
        } else if (word == u"wait-door") {
            verdict(QTest::qWaitFor(
                [&] { return door->mapping().outcome().status != MappingOutcome::Status::Pending; }, waitMs));
        } else if (word == u"wait-state") {
            const auto state = [&] {
                const int value = int(me.client->reachability().state());
                return QString::fromLatin1(QMetaEnum::fromType<Reachability::State>().valueToKey(value));
            };
            verdict(QTest::qWaitFor([&] { return state() == arg; }, waitMs), state());
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
            talk = ok ? arrived : talk.data();
            verdict(ok, ok ? arrived->incomingForm().caller() : QString());
        } else if (word == u"accept") {
            child<QPushButton>(&talk->incomingForm(), u"cmdAcceptCall"_s)->click();
            verdict(true);
        } else if (word == u"wait-open") {
            verdict(QTest::qWaitFor([&] { return talk && talk->isVisible(); }, waitMs));
        } else if (word == u"say" || word == u"say-big") { // say-big: that many characters, in lines of 80
            const int size = arg.toInt();
            talk->sendBox()->setPlainText(
                word == u"say" ? arg : (QString(79, u'x') + u'\n').repeated(size / 80 + 1).left(size));
            child<QPushButton>(talk.data(), u"cmdSend"_s)->click();
            verdict(true);
        } else if (word == u"wait-text") {
            verdict(QTest::qWaitFor([&] { return shown().contains(arg); }, waitMs));
        } else if (word == u"wait-chars") { // the conversation shows at least that many characters
            verdict(QTest::qWaitFor([&] { return shown().size() >= arg.toInt(); }, 120000));
        } else if (word == u"hangup") {
            if (talk)
                talk->close(), talk = nullptr;
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
        } else if (word == u"quit") {
            door->close();
            verdict(true);
            return false;
        } else {
            verdict(false, u"unknown command"_s);
        }
        return true;
    };

    // From the event loop, which keeps turning between commands (a call goes on connecting); unbuffered,
    // a line at a time, so what follows it stays for the notifier's next turn.
    QFile in;
    in.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        input.setEnabled(false); // no command starts inside the waits of another
        const QByteArray line = in.readLine();
        if (line.isEmpty() || !handle(QString::fromUtf8(line).trimmed()))
            QCoreApplication::exit(0);
        else
            input.setEnabled(true);
    });
    return QApplication::exec();
}
