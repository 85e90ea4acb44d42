#include "client/shell/sessionoptions.h"

#include "client/platform/platform.h"
#include "client/shell/autostart.h"
#include "client/shell/frmmain.h"

#include <QAction>
#include <QMenu>
#include <QSignalBlocker>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

QAction *installStartWithSessionOption(FrmMain &main, Notifier &notifier, const QString &executable)
{
    auto *action = new QAction(u"Démarrer avec la &session"_s, &main);
    action->setObjectName(u"MNU_StartWithSession"_s);
    action->setCheckable(true);
    // Read when the menu opens too: the user may have removed the entry with the desktop's tools.
    action->setChecked(startsWithSession());
    QObject::connect(main.optionsMenu(), &QMenu::aboutToShow, action, [action] {
        const QSignalBlocker quiet(action);
        action->setChecked(startsWithSession());
    });
    main.optionsMenu()->addAction(action);
    QObject::connect(action, &QAction::toggled, action, [action, &notifier, executable](bool on) {
        if (setStartWithSession(on, executable))
            return;
        {
            const QSignalBlocker quiet(action);
            action->setChecked(startsWithSession());
        }
        notifier.notify(autostartNotChangedNotice(autostartPath()));
    });
    return action;
}

Notice autostartNotChangedNotice(const QString &path)
{
    return {u"Jaserelle"_s,
            u"Le démarrage avec la session n'a pas pu être changé : le fichier "_s + path +
                u" ne peut pas être écrit ou supprimé."_s,
            Notice::Icon::Warning};
}

} // namespace jaserelle::client
