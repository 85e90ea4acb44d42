#include "client/conversation/conversation.h"
#include "tests/client/conversation/desk.h"

#include <QComboBox>
#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QToolButton>
#include <cmath>

namespace {

// Contrast of relative luminances, as readability guidelines measure it (4.5 and up reads well).
double contrast(const QColor &a, const QColor &b)
{
    auto lum = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    auto l = [&](const QColor &c) {
        return 0.2126 * lum(c.redF()) + 0.7152 * lum(c.greenF()) + 0.0722 * lum(c.blueF());
    };
    return (std::max(l(a), l(b)) + 0.05) / (std::min(l(a), l(b)) + 0.05);
}

// The format of `word` where the box shows it.
QTextCharFormat at(const QTextEdit *box, const QString &word)
{
    return box->document()->find(word).charFormat();
}

// The font a box gives the words at its caret, or at `word`.
QFont typed(const QTextEdit *box, const QString &word = {})
{
    const QTextCharFormat format = word.isEmpty() ? box->currentCharFormat() : at(box, word);
    return format.font().resolve(box->document()->defaultFont());
}

// One side of a font: what a tool of the send box sets.
using Aspect = QVariant (*)(const QFont &);

} // namespace

Q_DECLARE_METATYPE(Aspect)

// The conversations and their windows, on links without sockets.
class TestConversationWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<Desk> alice;

    // Alice talks with bob in window 1 and with carol in window 2; what she sends bob, carol
    // receives, as a peer would.
    void talkToTwo()
    {
        alice->talk(u"bob"_s);
        alice->talk(u"carol"_s);
        alice->window(1)->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(alice->window(1)));
    }
    QTextEdit *deliver()
    {
        alice->links[1]->say(alice->links[0]->sent.last());
        return alice->window(2)->conversationBox();
    }

private slots:
    void init()
    {
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.5.2"_s);
        QVERIFY(alice->windows->start());
    }

    // A call that may not go out is a notice instead, and takes no window.
    void callChecks_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("notice"); // its title; none when the call goes out
        QTest::newRow("case differs") << int(CallSource::Favoris) << u"Alice"_s << true << QString();
        QTest::newRow("offline") << int(CallSource::Recherche) << u"bob"_s << false << u"Attention"_s;
        QTest::newRow("self, favourites")
            << int(CallSource::Favoris) << u"alice"_s << true << u"Drole d'idée..."_s;
        QTest::newRow("self offline, black list")
            << int(CallSource::ListeNoire) << u"alice"_s << false << u"???"_s;
    }
    void callChecks()
    {
        QFETCH(int, source);
        QFETCH(QString, pseudo);
        QFETCH(bool, online);
        QFETCH(QString, notice);
        placeOnFakes(*alice->windows, alice->links);
        alice->windows->callFromRow(CallSource(source), alice->row(pseudo, u"127.0.5.3"_s, online));
        QCOMPARE(alice->desktop.notifier.titles(), notice.isEmpty() ? QStringList() : QStringList{notice});
        QCOMPARE(alice->windows->conversationCount(), notice.isEmpty() ? 2 : 1); // the call and a new spare
        QCOMPARE(alice->links.size(), size_t(notice.isEmpty()));
    }

    // Each call rings in its own window and each notification answers its own call; a call that
    // ends before it is answered goes with its notification, an open one stays to be read.
    void callsRingAndEndApart()
    {
        std::vector<FakeLink *> calls;
        for (const QString &caller : {u"bob"_s, u"carol"_s, u"dave"_s, u"alice"_s}) {
            calls.push_back(new FakeLink);
            alice->windows->takeLink(std::unique_ptr<FakeLink>(calls.back()), CallerMark::Unverified);
            calls.back()->ring(caller);
        }
        // Her own pseudo calling back: refused, nothing rings.
        QVERIFY(alice->window(4) == nullptr);
        QCOMPARE(calls[3]->sent, QStringList{u"refused"_s});
        FrmIncome &income = alice->window(1)->incomingForm();
        QCOMPARE(income.windowTitle(), u"Un appel !     à 09 heure 05 minute(s)."_s);
        QCOMPARE(child<QLabel>(&income, u"lblUnAppel"_s)->text(), u"bob (non vérifié)"_s);
        // It rings without taking the keyboard: the user's next Return, typed elsewhere, does not
        // answer it. (The offscreen platform activates whatever shows, so the request is checked.)
        QVERIFY(income.testAttribute(Qt::WA_ShowWithoutActivating));

        child<QPushButton>(&alice->window(2)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(alice->window(2)->isVisible() && income.isVisible());
        QCOMPARE(alice->window(2)->windowTitle(), u"carol (non vérifié)-Conversation"_s);
        child<QPushButton>(&income, u"cmdRefuseCall"_s)->click();
        QCOMPARE(calls[0]->sent, QStringList{u"refused"_s});
        QVERIFY(alice->window(1) == nullptr);
        QPointer<FrmIncome> dave = &alice->window(3)->incomingForm();
        calls[2]->end();
        QVERIFY(alice->window(3) == nullptr && (!dave || !dave->isVisible()));

        calls[1]->end();
        QVERIFY(alice->window(2)->hasEnded() && alice->window(2)->isVisible());
        alice->windows->closeEveryConversation();
        QCOMPARE(alice->alive(), 0);
    }

    // Who rang while nobody answered: a line in the main window's status bar, newest first, gone
    // once clicked.
    void missedCallsAreShownUntilSeen()
    {
        MissedCalls calls;
        QCOMPARE(calls.summary(), QString());
        calls.add(u"toto"_s, QTime(9, 5, 59));
        QCOMPARE(calls.summary(), u"Appel manqué : toto à 09h05"_s);
        calls.add(u"titi"_s, QTime(14, 7));
        QCOMPARE(calls.summary(), u"Appels manqués : titi à 14h07, toto à 09h05"_s);
        for (int i = 0; i < 30; ++i)
            calls.add(u"m"_s + QString::number(i), QTime(10, i));
        QCOMPARE(calls.calls().size(), MissedCalls::kept);
        QCOMPARE(calls.summary(), u"Appels manqués : m29 à 10h29, m28 à 10h28, m27 à 10h27..."_s);
        QCOMPARE(calls.fullList().count(u'\n'), MissedCalls::kept - 1);

        ClientFixture f;
        QVERIFY(f.client->start());
        ConversationWindows &windows = f.client->conversations();
        QLabel *line = windows.missedCallsLabel();
        QVERIFY(line && line->isHidden());
        f.main().show();
        auto *call = new FakeLink;
        windows.takeLink(std::unique_ptr<FakeLink>(call), CallerMark::Verified);
        call->ring(u"zoe"_s);
        emit call->callMissed(u"zoe"_s);
        call->end();
        QVERIFY(line->isVisible() && windows.conversation(1) == nullptr);
        QCOMPARE(line->text(), u"Appel manqué : zoe à 12h00"_s);
        QCOMPARE(f.main().statusText(), QString()); // the engine's own text is untouched
        QTest::mouseClick(line, Qt::LeftButton);
        QVERIFY(line->isHidden() && windows.missedCalls().isEmpty());
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    // The spare builds its pads only when it first shows, two columns of nine; the caption blinks
    // and the duration counts. What leaves for the peer: nothing for an empty box; a sound, with the words
    // the user was typing left in the box; characters beyond the code page as \uN, shown as themselves in the
    // sender's own box; a smiley inside the message. A file that is no picture is refused.
    void anOpenWindowAndWhatLeavesIt()
    {
        QVERIFY(!alice->window(1)->findChild<QToolButton *>(u"pctbSon0"_s));
        FakeLink *link = alice->talk(u"bob"_s);
        FrmConversation *window = alice->window(1);
        for (const QString &pad : {u"pctbSmiley"_s, u"pctbSon"_s}) {
            for (int i = 0; i < 18; ++i) {
                auto *button = child<QToolButton>(window, pad + QString::number(i));
                auto *grid = qobject_cast<QGridLayout *>(button->parentWidget()->layout());
                int row = -1, column = -1, rowSpan, columnSpan;
                grid->getItemPosition(grid->indexOf(button), &row, &column, &rowSpan, &columnSpan);
                QCOMPARE(QPoint(column, row), QPoint(i % 2, i / 2));
            }
        }
        for (int i = 0; i < 3727; ++i)
            window->tickDuration();
        QCOMPARE(window->durationText(), u"Durée : 1 h 2 min 7 sec."_s);
        window->tickBlink(); // offscreen, never the active window
        // Blank, yet not empty: the window manager would show the program's name for an empty one.
        QVERIFY(!window->windowTitle().isEmpty() && window->windowTitle().trimmed().isEmpty());
        window->tickBlink();
        QCOMPARE(window->windowTitle(), u"bob-Conversation"_s);
        child<QPushButton>(window, u"cmdSend"_s)->click();
        QVERIFY(link->sent.isEmpty());
        QTest::keyClicks(window->sendBox(), u"brouillon"_s);
        QTest::mouseDClick(child<QToolButton>(window, u"pctbSon3"_s), Qt::LeftButton);
        QCOMPARE(link->sent, QStringList{u"sound 3"_s});
        QCOMPARE(window->sendBox()->toPlainText(), u"brouillon"_s);
        QCOMPARE(window->conversationBox()->toPlainText(), u"09:05 alice : \na envoyé un son\n"_s);

        child<QToolButton>(window, u"pctbEmoji0"_s)->click(); // the emoji pad's first: U+1F600
        window->sendBox()->insertPlainText(u" Łódź"_s);       // beyond what key clicks can type
        child<QToolButton>(window, u"pctbSmiley7"_s)->click();
        window->sendMessage();
        QVERIFY2(link->sent.last().contains(uR"( brouillon\uc0\u-10179\uc1\u-8704? \u321?\'f3d\u378?)"_s),
                 qPrintable(link->sent.last()));
        QVERIFY(link->sent.last().contains(u"{\\pict"_s));
        QVERIFY(window->conversationBox()->toPlainText().contains(u"brouillon\U0001F600 Łódź"_s));
        QVERIFY(window->sendBox()->toPlainText().isEmpty());

        QSignalSpy read(window, &FrmConversation::pictureInserted);
        window->insertPicture(QStringLiteral(__FILE__));
        QVERIFY(read.wait(5000) && !read.first().first().toBool());
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Erreur"_s});
    }

    // Each tool, its button or its shortcut, marks the words typed next, and the peer sees them
    // so. A button's face shows what its next click gives; a list shows what the box uses, a face
    // this machine has. Pressed again, a shortcut takes its attribute away.
    void sendBoxTools_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<int>("key"); // 0: the tool itself
        QTest::addColumn<Aspect>("aspect");
        const auto row = [](const char *name, const QString &tool, int key, Aspect aspect) {
            QTest::newRow(name) << tool << key << aspect;
        };
        const Aspect bold = [](const QFont &f) { return QVariant(f.bold()); };
        const Aspect italic = [](const QFont &f) { return QVariant(f.italic()); };
        const Aspect underline = [](const QFont &f) { return QVariant(f.underline()); };
        row("bold", u"cmdGras"_s, 0, bold);
        row("Ctrl+B", u"cmdGras"_s, Qt::Key_B, bold);
        row("italic", u"cmdItalique"_s, 0, italic);
        row("Ctrl+I", u"cmdItalique"_s, Qt::Key_I, italic);
        row("underline", u"cmdSouligne"_s, 0, underline);
        row("Ctrl+U", u"cmdSouligne"_s, Qt::Key_U, underline);
        row("font", u"cmbFont"_s, 0, [](const QFont &f) { return QVariant(f.family()); });
        row("size", u"cmbFontSize"_s, 0, [](const QFont &f) { return QVariant(f.pointSize()); });
    }
    void sendBoxTools()
    {
        QFETCH(QString, tool);
        QFETCH(int, key);
        QFETCH(Aspect, aspect);
        talkToTwo();
        QTextEdit *box = alice->window(1)->sendBox();
        const QVariant before = aspect(typed(box));
        QCOMPARE(QFontInfo(typed(box)).family(), typed(box).family());
        if (auto *button = alice->window(1)->findChild<QPushButton *>(tool)) {
            const QString tip = button->toolTip();
            QVERIFY(aspect(button->font()) != before);
            if (key)
                QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier);
            else
                button->click();
            QVERIFY(aspect(button->font()) == before && button->toolTip() != tip);
        } else {
            auto *list = child<QComboBox>(alice->window(1), tool);
            QCOMPARE(list->currentText(), before.toString());
            QTest::keyClick(list, list->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
        }
        const QVariant after = aspect(typed(box));
        QVERIFY(after != before);
        // Shift+Return breaks the line, Return sends, and the box keeps the keyboard until Tab.
        QTest::keyClicks(box, u"un"_s);
        QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(box, u"deux"_s);
        if (key) {
            QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier);
            QTest::keyClicks(box, u"trois"_s);
            QCOMPARE(aspect(typed(box, u"trois"_s)), before);
        }
        QTest::keyClick(box, Qt::Key_Return);
        QTextEdit *received = deliver();
        QVERIFY(received->toPlainText().contains(u"un\ndeux"_s));
        QCOMPARE(aspect(typed(received, u"deux"_s)), after);
        QCOMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != box);
    }

    // Words and a picture wider than the box, on a light or a dark theme: both sides read the words
    // and see the whole picture. A colour that reads is left as sent; one that fades into the base
    // moves towards the text colour.
    void entriesRead_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QColor>("sent"); // invalid: none chosen
        QTest::addColumn<bool>("kept");
        QTest::newRow("uncoloured on dark") << true << QColor() << false;
        QTest::newRow("blue on white") << false << QColor(Qt::blue) << true;
        QTest::newRow("blue on dark") << true << QColor(Qt::blue) << false;
        QTest::newRow("yellow on white") << false << QColor(Qt::yellow) << false;
    }
    void entriesRead()
    {
        QFETCH(bool, dark);
        QFETCH(QColor, sent);
        QFETCH(bool, kept);
        QPalette theme;
        for (auto [role, grey] :
             {std::pair{QPalette::Base, dark ? 30 : 255}, {QPalette::Text, dark ? 230 : 0}})
            theme.setColor(role, QColor(grey, grey, grey));
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
        QApplication::setPalette(theme);
        talkToTwo();
        FrmConversation *window = alice->window(1);
        QTemporaryDir dir;
        QImage wide(1200, 600, QImage::Format_RGB32);
        wide.fill(Qt::darkGreen);
        QVERIFY(wide.save(dir.filePath(u"wide.png"_s)));
        QSignalSpy read(window, &FrmConversation::pictureInserted);
        window->insertPicture(dir.filePath(u"wide.png"_s));
        QVERIFY(read.wait(5000) && read.first().first().toBool());
        if (sent.isValid())
            window->sendBox()->setTextColor(sent);
        QTest::keyClicks(window->sendBox(), u"lisible"_s);
        window->sendMessage();
        for (QTextEdit *box : {window->conversationBox(), deliver()}) {
            const QBrush brush = at(box, u"lisible"_s).foreground();
            const QColor shown =
                brush.style() == Qt::NoBrush ? box->palette().color(QPalette::Text) : brush.color();
            QCOMPARE(shown == sent, kept);
            const double least = sent.isValid() ? 3 : 4.5;
            QVERIFY2(contrast(shown, box->palette().color(QPalette::Base)) >= least,
                     qPrintable(shown.name()));
            const QTextImageFormat picture =
                at(box, QString(QChar::ObjectReplacementCharacter)).toImageFormat();
            QVERIFY(picture.width() > 0 && picture.width() <= box->viewport()->width());
            QCOMPARE(qRound(picture.width() / picture.height()), 2);
        }
        QApplication::setPalette(QPalette());
    }
};

QTEST_MAIN(TestConversationWindows)
#include "test_conversationwindows.moc"
