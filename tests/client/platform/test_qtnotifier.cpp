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

    // A box returns at once and what follows it runs on OK; an identical notice is not stacked, a
    // withdrawn one goes with what followed it, and the same notice once gone is a new box.
    void boxesReturnAtOnceAndAreNotStackedAndHoldOnlyTheirOwner()
    {
        QtNotifier notifier;
        const Notice outage{u"Attention!"_s, u"Le serveur est défaillant."_s};
        const Notice other{u"Attention!"_s, u"autre"_s, Notice::Icon::Warning};
        QStringList ran;
        notifier.notify(outage, [&] { ran << u"first"_s; });
        QVERIFY(ran.isEmpty()); // back here with the box up: nothing ran the event loop meanwhile
        QCOMPARE(boxes().size(), 1);
        QMessageBox *box = boxes().first();
        QVERIFY(box->windowTitle() == outage.title && box->text() == outage.text &&
                box->icon() == QMessageBox::Information);
        box->button(QMessageBox::Ok)->click();
        QCOMPARE(ran, QStringList{u"first"_s});

        notifier.notify(outage, [&] { ran << u"second"_s; });
        notifier.notify(outage, [&] { ran << u"third"_s; });
        notifier.notify(other);
        QCOMPARE(boxes().size(), 2);
        notifier.withdraw(outage);
        QCOMPARE(ran, (QStringList{u"first"_s, u"second"_s, u"third"_s}));
        QVERIFY(boxes().size() == 1 && boxes().first()->text() == u"autre"_s);
        notifier.withdraw(outage); // not up: nothing
        notifier.notify(outage);
        QCOMPARE(boxes().size(), 2);

        // With the main window up a box holds only that window: the others still take the user's
        // clicks (an incoming call).
        QMainWindow main;
        notifier.setOwner(&main);
        notifier.notify(Notice{u"avant"_s, u"avant"_s});
        main.show();
        notifier.notify(Notice{u"après"_s, u"après"_s});
        QMap<QString, QMessageBox *> up;
        for (QMessageBox *shown : boxes())
            up.insert(shown->text(), shown);
        QVERIFY(up.value(u"avant"_s) && up.value(u"avant"_s)->windowModality() == Qt::ApplicationModal);
        QVERIFY(up.value(u"après"_s) && up.value(u"après"_s)->windowModality() == Qt::WindowModal &&
                up.value(u"après"_s)->parentWidget() == &main);
    }
};

QTEST_MAIN(TestQtNotifier)
#include "test_qtnotifier.moc"
