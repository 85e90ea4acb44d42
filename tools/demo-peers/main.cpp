// jaserelle-demo-peers: the demo members shown connected answer calls, as real peers on their own
// loopback addresses, beside the demo server and the user's client. See docs/server.md.
#include "tools/demo-peers/communitywatch.h"
#include "tools/demo-peers/demopeers.h"

#include <QCommandLineParser>
#include <QDebug>
#include <QGuiApplication>
#include <algorithm>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

int milliseconds(const QCommandLineParser &parser, const QString &name)
{
    return static_cast<int>(parser.value(name).toDouble() * 1000);
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts and pictures for the messages, no window: the program runs where no display is.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"The demo members shown connected answer calls."_s);
    parser.addHelpOption();
    const QList<QCommandLineOption> options{
        {u"server"_s, u"The demo server, host:port."_s, u"host:port"_s, u"127.0.0.1:8080"_s},
        {u"user"_s, u"The member whose client the demo calls."_s, u"pseudo"_s, u"demo"_s},
        {u"watcher"_s, u"A demo member with the user among its favourites."_s, u"pseudo"_s, u"marie75"_s},
        {u"call-after"_s, u"Seconds from the user's login to the demo's call."_s, u"s"_s, u"60"_s},
        {u"hang-up-after"_s, u"Seconds into a conversation before the member who hangs up does."_s, u"s"_s,
         u"60"_s},
        {u"answer-after"_s, u"Seconds a call rings before a member answers."_s, u"s"_s, u"1.5"_s},
        {u"reply-after"_s, u"Seconds a member takes to write each message."_s, u"s"_s, u"1.2"_s},
        {u"refresh"_s, u"Seconds between the watcher's refreshes."_s, u"s"_s, u"10"_s},
    };
    parser.addOptions(options);
    parser.process(app);

    Timing timing;
    timing.answerMs = milliseconds(parser, u"answer-after"_s);
    timing.replyMs = milliseconds(parser, u"reply-after"_s);
    timing.hangUpMs = milliseconds(parser, u"hang-up-after"_s);
    const QString user = parser.value(u"user"_s);
    DemoPeers peers(timing, milliseconds(parser, u"call-after"_s), user);

    CommunityWatch watch({parser.value(u"server"_s), user, parser.value(u"watcher"_s), u"demo"_s,
                          std::max(milliseconds(parser, u"refresh"_s), 100)});
    QObject::connect(&watch, &CommunityWatch::problem,
                     [](const QString &text) { qWarning().noquote() << "jaserelle-demo-peers:" << text; });
    QObject::connect(&watch, &CommunityWatch::membersFound, [&](const QList<SearchRecord> &online) {
        const int listening = peers.listen(online);
        qInfo().noquote() << "jaserelle-demo-peers: ready," << listening << "members answer calls";
    });
    QObject::connect(&watch, &CommunityWatch::userAddressChanged, &peers, &DemoPeers::setUserAddress);
    watch.start();
    // Stopped by a signal, the program's links close with it: the user's client sees them cut.
    return app.exec();
}
