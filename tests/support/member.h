#pragma once

#include "client/contacts/contacteditor.h"
#include "client/conversation/conversationwindows.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QLabel>
#include <QTreeWidget>

// A demo member with his own client on his own loopback address, against the real community server.
struct Member : ClientDesk
{
    Member(const QString &host, const QString &address) : ClientDesk(host, QHostAddress(address)) {}

    bool logIn(const QString &pseudo)
    {
        return client->start() && (submitLogin(pseudo, QStringLiteral("demo")), refreshedAfterLogin());
    }
    QTreeWidgetItem *row(QTreeWidget *list, const QString &pseudo)
    {
        const QList<QTreeWidgetItem *> found = list->findItems(pseudo, Qt::MatchExactly, contactrow::Pseudo);
        return found.isEmpty() ? nullptr : found.last();
    }
    bool refreshed() { return engine().startRefresh(), waitIdle(10000); } // the refresh of a tick
    int mailsAfterRefresh() { return refreshed() ? main().lblMailsNumber()->text().toInt() : -1; }
    // Through "Ajouter un favori" and its dialog, until the row is shown and the requests answered.
    bool addFavori(const QString &pseudo)
    {
        trigger(&main(), QStringLiteral("MNU_AjoutFavoris"));
        auto *box = child<QLineEdit>(client->contactEditor().dialog(FrmAjoutMembre::Variant::Favori),
                                     QStringLiteral("txtLogin"));
        box->setText(pseudo);
        QTest::keyClick(box, Qt::Key_Return);
        return QTest::qWaitFor([&] { return row(main().lvFavoris(), pseudo) != nullptr; }, 10000) &&
               waitIdle(10000);
    }
    FrmConversation *conversation(int index) { return client->conversations().conversation(index); }
};
