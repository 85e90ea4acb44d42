// Calls between homes, in the network lab (tests/client/network/homes-lab): two home routers that
// masquerade their homes and drop what comes in unasked, the real server and relay in an "internet"
// of namespaces, and whole clients (lab-member), each in its home. Skipped where namespaces cannot be made.
#include "tests/support/homeslab.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Member = HomesLab::Member;

class TestHomesLab : public QObject
{
    Q_OBJECT

    HomesLab lab;

    // Placed, answered, a message each way, no notice until the caller hangs up (the callee's).
    static bool callAndTalk(Member &caller, const QString &callerPseudo, Member &callee,
                            const QString &calleePseudo)
    {
        return talk(caller, callerPseudo, callee, calleePseudo), !QTest::currentTestFailed();
    }
    static void talk(Member &caller, const QString &callerPseudo, Member &callee, const QString &calleePseudo)
    {
        QString detail;
        const QString callerTold = caller.ask(u"notices"_s), calleeTold = callee.ask(u"notices"_s);
        QVERIFY(caller.ok(u"call "_s + calleePseudo));
        QVERIFY2(callee.ok(u"wait-call"_s, &detail) && detail.startsWith(callerPseudo), qPrintable(detail));
        QVERIFY(callee.ok(u"accept"_s) && caller.ok(u"wait-open"_s));
        const QString hello = u"Bonjour "_s + calleePseudo + u", tu m'entends ?"_s;
        QVERIFY(caller.ok(u"say "_s + hello) && callee.ok(u"wait-text "_s + hello));
        const QString reply = u"Très bien, "_s + callerPseudo + u'.';
        QVERIFY(callee.ok(u"say "_s + reply) && caller.ok(u"wait-text "_s + reply));
        QCOMPARE(caller.ask(u"notices"_s), callerTold);
        QCOMPARE(callee.ask(u"notices"_s), calleeTold);
        QVERIFY(caller.ok(u"hangup"_s));
        const QString cut = u"Fin de conversation: La conversation a été coupée par "_s + callerPseudo + u'.';
        QTRY_VERIFY2(callee.ask(u"notices"_s).endsWith(cut), qPrintable(callee.ask(u"notices"_s)));
        QVERIFY(callee.ok(u"hangup"_s));
    }

    // Once its router has answered (or not), logged in, and found reachable or not.
    static bool logIn(Member &m, const QString &pseudo, const QString &state)
    {
        QString detail;
        const bool ok =
            m.ok(u"wait-door"_s) && m.ok(u"login "_s + pseudo) && m.ok(u"wait-state "_s + state, &detail);
        if (!ok)
            qWarning("%s: %s, %s", qPrintable(pseudo), qPrintable(detail), m.errors().constData());
        return ok;
    }

private slots:
    void initTestCase()
    {
        QString why;
        bool skipped = false;
        const bool up = lab.up(&why, &skipped);
        if (!up && skipped)
            QSKIP(qPrintable(why));
        QVERIFY2(up, qPrintable(why));
    }

    void init() { QVERIFY2(lab.restartServer(), lab.logs().constData()); }
    void cleanup() { lab.upnp(false); }

    // (a) Router B speaks UPnP: Louis's client opens its door and Chloé's call comes straight through.
    void directThroughTheForwardTheCalleeMade()
    {
        QVERIFY(lab.upnp(true));
        Member louis(lab, u"homeB"_s, u"192.168.2.10"_s);
        Member chloe(lab, u"homeA"_s, u"192.168.1.10"_s);
        QVERIFY(logIn(louis, u"louis"_s, u"Reachable"_s));
        QString door, address;
        QVERIFY(louis.ok(u"door"_s, &door));
        QCOMPARE(door, u"Port 13196 ouvert sur le routeur (UPnP), adresse externe 11.22.2.2 / "
                       "Joignable depuis Internet : oui"_s);
        QVERIFY(logIn(chloe, u"chloe"_s, u"Unreachable"_s));
        QVERIFY(chloe.ok(u"favori louis"_s, &address));
        QCOMPARE(address, QString::fromLatin1(HomesLab::routerB));
        QVERIFY(callAndTalk(chloe, u"chloe"_s, louis, u"louis"_s));
        QCOMPARE(louis.ask(u"counts"_s).section(u' ', 1, 1), u"relayed=0"_s);
        // His client gone, so is the forward it made.
        QVERIFY(louis.ok(u"quit"_s));
        QTRY_VERIFY(!lab.run(u"routerB"_s, {u"nft"_s, u"list"_s, u"chain"_s, u"inet"_s, u"filter"_s,
                                            u"prerouting_miniupnpd"_s})
                         .contains("13196"));
    }

    // (b) No router opens anything: both hold an allocation on the relay, publish it, and the
    // call goes through it; (c) but not between two members of the same home.
    void throughTheRelayWhenNoDoorOpens()
    {
        Member hugo(lab, u"homeB"_s, u"192.168.2.10"_s);
        Member emma(lab, u"homeA"_s, u"192.168.1.10"_s);
        QVERIFY(logIn(hugo, u"hugo"_s, u"Unreachable"_s));
        QVERIFY(logIn(emma, u"emma"_s, u"Unreachable"_s));
        QString address;
        QVERIFY(hugo.ok(u"wait-published"_s, &address));
        QCOMPARE(address, QString::fromLatin1(HomesLab::serverAddress));
        QVERIFY(emma.ok(u"wait-published"_s) && emma.ok(u"favori hugo"_s));
        // The second call: a relayed connection in TLS once stalled at the callee.
        QVERIFY(callAndTalk(emma, u"emma"_s, hugo, u"hugo"_s) &&
                callAndTalk(emma, u"emma"_s, hugo, u"hugo"_s));
        QCOMPARE(hugo.ask(u"counts"_s).section(u' ', 1, 1), u"relayed=2"_s);

        // (c) A member of Emma's home: told his LAN address, she calls him over the LAN.
        Member mathieu(lab, u"homeA"_s, u"192.168.1.11"_s);
        QVERIFY(logIn(mathieu, u"mathieu"_s, u"Unreachable"_s) && mathieu.ok(u"wait-published"_s));
        QVERIFY(emma.ok(u"favori mathieu"_s, &address));
        QCOMPARE(address, u"192.168.1.11"_s);
        QVERIFY(callAndTalk(emma, u"emma"_s, mathieu, u"mathieu"_s));
        QCOMPARE(mathieu.ask(u"counts"_s).section(u' ', 1, 1), u"relayed=0"_s);
    }
};

QTEST_GUILESS_MAIN(TestHomesLab)
#include "test_homes_lab.moc"
