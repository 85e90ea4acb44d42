#include "client/contacts/contactorderoption.h"

#include "client/contacts/contactitem.h"
#include "client/platform/platform.h"
#include "client/shell/frmmain.h"
#include "client/shell/preferencesfile.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidget>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

ContactOrderOption::ContactOrderOption(FrmMain &main, QString appDir, Notifier &notifier)
    : QObject(&main), main_(main), appDir_(std::move(appDir)), notifier_(notifier)
{
    action_ = new QAction(u"Contacts &connectés en premier"_s, &main);
    action_->setObjectName(u"MNU_ConnectesEnPremier"_s);
    action_->setCheckable(true);
    main.optionsMenu()->addSeparator();
    main.optionsMenu()->addAction(action_);
    const bool chosen = loadPreferences(appDir_).connectedFirst;
    action_->setChecked(chosen);
    if (chosen)
        apply(true);
    connect(action_, &QAction::toggled, this, [this](bool on) {
        apply(on);
        Preferences preferences = loadPreferences(appDir_);
        preferences.connectedFirst = on;
        if (!savePreferences(appDir_, preferences))
            notifier_.notify(preferencesNotSavedNotice());
    });
}

void ContactOrderOption::apply(bool on)
{
    for (QTreeWidget *list : {main_.lvFavoris(), main_.lvListeNoire()})
        contactorder::setConnectedFirst(*list, on);
}

} // namespace jaserelle::client
