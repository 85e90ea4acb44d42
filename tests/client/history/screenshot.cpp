// Not a test: two clients in one process hold a conversation on loopback, with a past one in the
// history, emoji, several scripts and a misspelt draft, and stay on the screen for a while, for a
// screenshot under Xvfb:
//   xvfb-run -a -s "-screen 0 1100x600x24" sh -c 'build/tests/bin/history_screenshot & sleep 8;
//     import -window root shot.png; wait'
#include "client/conversation/boxpictures.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfwriter.h"
#include "client/history/frmhistory.h"
#include "client/history/historykeeper.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "client/spelling/spellchecker.h"
#include "tests/support/recordingplatform.h"

#include <QApplication>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

struct Desk
{
    Desk(const QString &pseudo, const QString &address, const QString &folder)
        : keeper(folder, desktop.notifier),
          spelling(SpellChecker::systemDictionary(), folder + u"/perso.txt"_s)
    {
        state.userLogin = pseudo;
        state.localAddress = QHostAddress(address);
        windows = std::make_unique<ConversationWindows>(state, platform);
        windows->setHistory(&keeper);
        windows->setSpelling(&spelling);
        windows->start();
    }
    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    HistoryKeeper keeper;
    SpellChecker spelling;
    QTreeWidget list;
    std::unique_ptr<ConversationWindows> windows;
};

void say(FrmConversation *window, const QString &text)
{
    window->sendBox()->insertPlainText(text);
    window->sendMessage();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Desk alice(u"alice"_s, u"127.0.7.2"_s, dir.filePath(u"a"_s));
    Desk bob(u"bob"_s, u"127.0.7.3"_s, dir.filePath(u"b"_s));
    const auto rtf = [](const QString &text) {
        return u"{\\rtf1\\ansi "_s + rtffragments::escapeText(text) + u"\\par }"_s;
    };
    alice.keeper.record({0, u"bob"_s, QDateTime(QDate(2026, 12, 6), QTime(21, 14)), false,
                         HistoryEntry::Kind::Message, rtf(u"À demain au cinéma ?"_s),
                         u"À demain au cinéma ?"_s});
    alice.keeper.record({0, u"bob"_s, QDateTime(QDate(2026, 12, 6), QTime(21, 15)), true,
                         HistoryEntry::Kind::Message, rtf(u"Oui, 20 h \U0001F3AC"_s),
                         u"Oui, 20 h \U0001F3AC"_s});
    // A photo wider than any box, as a peer may send one.
    QImage photo(900, 220, QImage::Format_RGB32);
    {
        QPainter painter(&photo);
        QLinearGradient sky(0, 0, 900, 220);
        sky.setColorAt(0, QColor(0x2a, 0x6f, 0xdb));
        sky.setColorAt(1, QColor(0xf5, 0xa6, 0x23));
        painter.fillRect(photo.rect(), sky);
        painter.setPen(Qt::white);
        painter.setFont(QFont(u"DejaVu Sans"_s, 40, QFont::Bold));
        painter.drawText(photo.rect(), Qt::AlignCenter, u"Coucher de soleil, 900 px"_s);
    }
    QTextDocument withPhoto;
    QTextCursor cursor(&withPhoto);
    cursor.insertText(u"Regarde la vue au cinéma en plein air :"_s);
    cursor.insertBlock();
    boxpictures::insert(cursor, photo, photo.width());
    alice.keeper.record({0, u"bob"_s, QDateTime(QDate(2026, 12, 6), QTime(21, 17)), false,
                         HistoryEntry::Kind::Message, rtfwriter::fromDocument(withPhoto),
                         u"Regarde la vue au cinéma en plein air :"_s});
    alice.keeper.record({0, u"chloé"_s, QDateTime(QDate(2026, 12, 5), QTime(18, 2)), false,
                         HistoryEntry::Kind::Message, rtf(u"On se fait un cinéma samedi ? 🍿"_s),
                         u"On se fait un cinéma samedi ? 🍿"_s});
    alice.keeper.flush();
    for (Desk *d : {&alice, &bob})
        d->desktop.clock.now = QTime(9, 41);

    FrmConversation *caller = alice.windows->spare();
    FrmConversation *callee = bob.windows->spare();
    auto *row = new QTreeWidgetItem(&alice.list, QStringList{u"bob"_s, {}, {}, {}, u"127.0.7.3"_s});
    contactrow::setOnline(row, true);
    alice.windows->callFromRow(CallSource::Favoris, row);
    (void)QTest::qWaitFor([&] { return callee->incomingForm().isVisible(); }, 5000);
    callee->incomingForm().findChild<QPushButton *>(u"cmdAcceptCall"_s)->click();
    (void)QTest::qWaitFor([&] { return caller->isVisible(); }, 5000);
    callee->move(560, 20);
    caller->move(20, 20);

    say(callee, u"Salut ! \U0001F600 Bien dormi ?"_s);
    QTest::qWait(300);
    for (Desk *d : {&alice, &bob})
        d->desktop.clock.now = QTime(9, 42);
    say(caller, u"Très bien \U0001F44D Привет, مرحبا, Erdős \U0001F389"_s);
    QTest::qWait(300);
    say(callee, u"\u2764\uFE0F\U0001F339 à tout à l'heure"_s);
    caller->sendBox()->insertPlainText(u"Une fote d'ortografe \U0001F60A"_s);
    // Bob's window shows the emoji pad.
    if (auto *pads = callee->findChild<QTabWidget *>(u"SSTab1"_s))
        pads->setCurrentIndex(pads->count() - 1);

    FrmHistory history(alice.keeper, u"alice"_s);
    if (app.arguments().contains(u"--history"_s)) {
        caller->hide();
        callee->hide();
        history.move(20, 20);
        history.refresh();
        history.show();
        history.findChild<QListWidget *>(u"lstMembres"_s)->setCurrentRow(0);
        history.findChild<QLineEdit *>(u"txtRecherche"_s)->setText(u"cinema"_s);
        history.search(u"cinema"_s);
    }
    QTimer::singleShot(20000, &app, &QApplication::quit);
    return app.exec();
}
