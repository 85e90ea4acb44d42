#include "client/platform/qtplatform.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

QList<QMessageBox *> boxes()
{
    QList<QMessageBox *> out;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            out.append(box);
    }
    return out;
}

void pressOk(QMessageBox *box)
{
    box->button(QMessageBox::Ok)->click();
}

} // namespace

// The desktop's own boxes: opened without an event loop of their own, what follows them run once
// they close, never two of the same.
class TestQtNotifier : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QMessageBox *box : boxes())
            box->done(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void aBoxReturnsAtOnceAndWhatFollowsRunsOnOk()
    {
        QtNotifier notifier;
        int after = 0;
        notifier.notify(Notice{u"Attention!"_s, u"Le serveur est défaillant."_s}, [&] { ++after; });
        // Back here with the box up: nothing ran the event loop meanwhile.
        QCOMPARE(after, 0);
        QCOMPARE(boxes().size(), 1);
        QCOMPARE(boxes().first()->windowTitle(), u"Attention!"_s);
        QCOMPARE(boxes().first()->text(), u"Le serveur est défaillant."_s);
        QCOMPARE(boxes().first()->icon(), QMessageBox::Information);
        pressOk(boxes().first());
        QCOMPARE(after, 1);
    }

    void identicalNoticesAreNotStackedAndAWithdrawnOneGoes()
    {
        QtNotifier notifier;
        const Notice outage{u"Attention!"_s, u"absent"_s};
        const Notice other{u"Attention!"_s, u"autre"_s, Notice::Icon::Warning};
        QStringList ran;
        notifier.notify(outage, [&] { ran << u"first"_s; });
        notifier.notify(outage, [&] { ran << u"second"_s; });
        notifier.notify(other);
        QCOMPARE(boxes().size(), 2);
        notifier.withdraw(outage);
        QCOMPARE(ran, (QStringList{u"first"_s, u"second"_s}));
        QCOMPARE(boxes().size(), 1);
        QCOMPARE(boxes().first()->text(), u"autre"_s);
        notifier.withdraw(outage); // not up: nothing
        // The same notice once the first has gone is a new box.
        notifier.notify(outage);
        QCOMPARE(boxes().size(), 2);
    }

    // With the main window up a box holds only that window: the others still take the user's
    // clicks (an incoming call).
    void aBoxHoldsUpOnlyItsOwnerOnceItIsShown()
    {
        QtNotifier notifier;
        QMainWindow main;
        notifier.setOwner(&main);
        notifier.notify(Notice{u"avant"_s, u"avant"_s});
        QCOMPARE(boxes().first()->windowModality(), Qt::ApplicationModal);
        main.show();
        notifier.notify(Notice{u"après"_s, u"après"_s});
        QMessageBox *owned = nullptr;
        for (QMessageBox *box : boxes())
            if (box->text() == u"après"_s)
                owned = box;
        QVERIFY(owned);
        QCOMPARE(owned->windowModality(), Qt::WindowModal);
        QCOMPARE(owned->parentWidget(), &main);
    }
};

QTEST_MAIN(TestQtNotifier)
#include "test_qtnotifier.moc"
