#include "client/directory/memberdirectory.h"

#include "client/contacts/contactface.h"
#include "client/directory/directorynotices.h"
#include "client/directory/photoreply.h"
#include "client/directory/profileview.h"
#include "client/directory/searchresults.h"
#include "client/platform/platform.h"
#include "client/server/requestport.h"
#include "client/shell/contactrow.h"
#include "client/shell/frmmain.h"
#include "client/shell/logininput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTreeWidget>

namespace jaserelle::client {

MemberDirectory::MemberDirectory(RequestPort &engine, Notifier &notifier, FrmMain &main,
                                 const contactface::Faces &faces, QObject *parent)
    : QObject(parent), engine_(engine), notifier_(notifier), main_(main), faces_(faces)
{
}

ProfileRow MemberDirectory::rowOf(const QTreeWidgetItem *row) const
{
    if (!row)
        return {};
    return {row->text(contactrow::Pseudo), row->text(contactrow::Age), row->text(contactrow::Departement),
            row->text(contactrow::Sexe)};
}

void MemberDirectory::showProfil(QTreeWidgetItem *row)
{
    const ProfileRow asked = rowOf(row);
    if (asked.pseudo.isEmpty())
        return;
    asked_ = asked;
    engine_.start({RequestKind::Profil, asked.pseudo});
}

void MemberDirectory::onProfil(QString &reply)
{
    const ProfileReply profile = parseProfileReply(reply);
    // An answer nobody asked for here still names a member: the row the user last chose.
    shown_ = asked_.pseudo.isEmpty() ? rowOf(main_.selectedItem()) : asked_;
    const ProfilePane pane = main_.profilePane();
    profileview::showTexts(pane, profileTexts(profile, shown_));
    // The fields are used up: a member's own words never reach the handlers after this one.
    reply = profile.rest;

    if (profile.hasPhoto() && !shown_.pseudo.isEmpty()) {
        profileview::showPlaceholder(*pane.photo, profileview::Loading);
        engine_.start({RequestKind::Photo, shown_.pseudo}); // the refresh stays off until it is in
        return;
    }
    profileview::showPlaceholder(*pane.photo, profileview::NoPhoto);
    engine_.resumeRefresh();
}

void MemberDirectory::onPhoto(const QString &reply)
{
    QLabel &box = *main_.profilePane().photo;
    // A broken picture is as good as none: the member is shown without one.
    if (!profileview::showPhoto(box, photoBytes(reply)))
        profileview::showPlaceholder(box, profileview::NoPhoto);
    engine_.resumeRefresh();
}

void MemberDirectory::onRequestEnded(RequestKind kind)
{
    if (kind != RequestKind::Photo)
        return;
    // Answered without a picture, or not answered at all: the member is shown without one rather
    // than loading for ever.
    QLabel &box = *main_.profilePane().photo;
    if (profileview::shown(box) == profileview::Loading)
        profileview::showPlaceholder(box, profileview::NoPhoto);
}

void MemberDirectory::searchPseudo()
{
    QLineEdit *box = main_.searchPane().pseudo;
    QString pseudo = box->text();
    pseudo.remove(u' ');
    box->setText(pseudo);
    if (!isAlphanumeric(pseudo)) {
        // Emptied once the user has read why.
        notifier_.notify(searchPseudoNotAlphanumericNotice(), [typed = QPointer<QLineEdit>(box)] {
            if (typed)
                typed->clear();
        });
        return;
    }
    if (pseudo.isEmpty())
        return;
    pseudo = pseudo.toLower();
    box->setText(pseudo);
    // The request goes out with the pseudo as checked here: whatever is typed into the box while
    // the connection is being made never reaches the request line unchecked.
    engine_.start({.kind = RequestKind::SearchPseudo, .searchPseudo = pseudo});
}

void MemberDirectory::searchCriteres()
{
    const SearchPane pane = main_.searchPane();
    engine_.start(
        {.kind = RequestKind::SearchCriteres,
         .criteria = {pane.sexe->currentText(), pane.age->currentText(), pane.region->currentText(),
                      pane.taille->currentText(), pane.poids->currentText(), pane.withPhoto->isChecked()}});
}

void MemberDirectory::onNoSearchResult()
{
    if (QTreeWidget *list = main_.lvRecherche())
        list->clear();
    notifier_.notify(noSearchResultNotice());
    engine_.resumeRefresh();
}

void MemberDirectory::onSearchOk(QString &reply)
{
    SearchReply search = parseSearchReply(reply);
    // A broken answer still brings the members listed before the break.
    if (QTreeWidget *list = main_.lvRecherche())
        showSearchResults(*list, search.records, faces_);
    reply = std::move(search.rest);
    engine_.resumeRefresh();
}

void MemberDirectory::onMaxResultReached(const QString &reply)
{
    if (const std::optional<QString> count = parseMaxResult(reply)) {
        notifier_.notify(maxResultReachedNotice(*count));
    }
}

} // namespace jaserelle::client
