#pragma once

#include "client/directory/profilereply.h"
#include "client/server/request.h"

#include <QObject>

class QTreeWidgetItem;

namespace jaserelle::client {

class FrmMain;
class Notifier;
class RequestPort;

namespace contactface {
class Faces;
}

// The member directory of the main window: a member's profile and photo on the "Profil" tab, and
// the search by pseudo or by criteria on the "Recherche" tab, with the server's answers to them.
class MemberDirectory : public QObject
{
    Q_OBJECT

public:
    // The faces are the client's own, shared with the contact lists.
    MemberDirectory(RequestPort &engine, Notifier &notifier, FrmMain &main, const contactface::Faces &faces,
                    QObject *parent = nullptr);

    // "Voir son profil" on a row of any of the three lists.
    void showProfil(QTreeWidgetItem *row);
    // The two "Go !" buttons of the search tab.
    void searchPseudo();
    void searchCriteres();

    // The server's answers, each run when its keyword is in the reply.
    void onProfil(QString &reply);
    void onPhoto(const QString &reply);
    // Any end of a request, answered or failed, once its handlers have run.
    void onRequestEnded(RequestKind kind);
    void onNoSearchResult();
    void onSearchOk(QString &reply);
    void onMaxResultReached(const QString &reply);

private:
    ProfileRow rowOf(const QTreeWidgetItem *row) const;

    RequestPort &engine_;
    Notifier &notifier_;
    FrmMain &main_;
    const contactface::Faces &faces_;
    // The row a profile was asked from, taken at the click: the answer is labelled with it even if
    // the user has right-clicked another row meanwhile, or that row has left its list.
    ProfileRow asked_;
    ProfileRow shown_; // the member whose profile the tab shows: the photo asked for is his
};

} // namespace jaserelle::client
