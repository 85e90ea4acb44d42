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
#include <QTreeWidget>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

MemberDirectory::MemberDirectory(RequestPort &engine, Notifier &notifier, FrmMain &main, QObject *parent)
    : QObject(parent), engine_(engine), notifier_(notifier), main_(main),
      faces_(std::make_unique<const contactface::Faces>())
{
}

MemberDirectory::~MemberDirectory() = default;

ProfileRow MemberDirectory::rowOf(const QTreeWidgetItem *row) const
{
    if (!row)
        return {};
    return {row->text(contactrow::Pseudo), row->text(contactrow::Age), row->text(contactrow::Departement),
            row->text(contactrow::Sexe)};
}

void MemberDirectory::refreshTimerOn()
{
    engine_.resumeRefresh();
}

void MemberDirectory::showProfil(QTreeWidgetItem *row)
{
    const ProfileRow asked = rowOf(row);
    if (asked.pseudo.isEmpty())
        return;
    asked_ = asked;
    engine_.start(RequestKind::Profil);
}

void MemberDirectory::onProfil(QString &reply)
{
    const ProfileReply profile = parseProfileReply(reply);
    // An answer nobody asked for here still names a member: the row the user last chose.
    shown_ = asked_.pseudo.isEmpty() ? rowOf(main_.selectedItem()) : asked_;
    profileview::showTexts(main_, profileTexts(profile, shown_));
    // The fields are used up: a member's own words never reach the handlers after this one.
    reply = profile.rest;

    auto *box = main_.control<QLabel>(u"pctBoxProfil"_s);
    if (profile.hasPhoto() && !shown_.pseudo.isEmpty()) {
        if (box)
            profileview::showPlaceholder(*box, profileview::Loading);
        engine_.start(RequestKind::Photo); // the refresh timer stays off until the photo is in
        return;
    }
    if (box)
        profileview::showPlaceholder(*box, profileview::NoPhoto);
    refreshTimerOn();
}

void MemberDirectory::onPhoto(const QString &reply)
{
    if (auto *box = main_.control<QLabel>(u"pctBoxProfil"_s)) {
        // A broken picture is as good as none: the member is shown without one.
        if (!profileview::showPhoto(*box, photoBytes(reply)))
            profileview::showPlaceholder(*box, profileview::NoPhoto);
    }
    refreshTimerOn();
}

void MemberDirectory::onRequestEnded(RequestKind kind)
{
    if (kind != RequestKind::Photo)
        return;
    // Answered without a picture, or not answered at all: the member is shown without one rather
    // than loading for ever.
    auto *box = main_.control<QLabel>(u"pctBoxProfil"_s);
    if (box && profileview::shown(*box) == profileview::Loading)
        profileview::showPlaceholder(*box, profileview::NoPhoto);
}

void MemberDirectory::searchPseudo()
{
    auto *box = main_.control<QLineEdit>(u"txtSearchPseudo"_s);
    if (!box)
        return;
    QString pseudo = box->text();
    pseudo.remove(u' ');
    box->setText(pseudo);
    if (!isAlphanumeric(pseudo)) {
        const Notice notice = searchPseudoNotAlphanumericNotice();
        notifier_.notify(notice.title, notice.text);
        box->clear();
        return;
    }
    if (pseudo.isEmpty())
        return;
    pseudo = pseudo.toLower();
    box->setText(pseudo);
    // The request goes out with the pseudo as checked here: whatever is typed into the box while
    // the connection is being made never reaches the request line unchecked.
    searched_ = pseudo;
    engine_.start(RequestKind::SearchPseudo);
}

void MemberDirectory::searchCriteres()
{
    engine_.start(RequestKind::SearchCriteres);
}

SearchCriteria MemberDirectory::searchCriteria() const
{
    auto text = [this](const QString &name) {
        const auto *list = main_.control<QComboBox>(name);
        return list ? list->currentText() : QString();
    };
    const auto *photo = main_.control<QCheckBox>(u"chkbAvecPhoto"_s);
    return {text(u"cmbSexe"_s),   text(u"cmbAge"_s),   text(u"cmbRegion"_s),
            text(u"cmbTaille"_s), text(u"cmbPoids"_s), photo && photo->isChecked()};
}

void MemberDirectory::onNoSearchResult()
{
    if (QTreeWidget *list = main_.lvRecherche())
        list->clear();
    const Notice notice = noSearchResultNotice();
    notifier_.notify(notice.title, notice.text);
    refreshTimerOn();
}

void MemberDirectory::onSearchOk(QString &reply)
{
    SearchReply search = parseSearchReply(reply);
    // A broken answer still brings the members listed before the break.
    if (QTreeWidget *list = main_.lvRecherche())
        showSearchResults(*list, search.records, *faces_);
    reply = std::move(search.rest);
    refreshTimerOn();
}

void MemberDirectory::onMaxResultReached(const QString &reply)
{
    if (const std::optional<QString> count = parseMaxResult(reply)) {
        const Notice notice = maxResultReachedNotice(*count);
        notifier_.notify(notice.title, notice.text);
    }
}

} // namespace jaserelle::client
