#include "client/conversation/installconversations.h"

#include "client/security/identity.h"
#include "client/security/keydirectoryclient.h"
#include "client/security/knownkeys.h"
#include "client/server/requestport.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "client/shell/frmmain.h"
#include "client/shell/services.h"

#include <QTreeWidget>

namespace jaserelle::client {

std::unique_ptr<ConversationWindows> installConversations(Services &services, FrmMain &main)
{
    auto windows = std::make_unique<ConversationWindows>(services.state, services.platform);
    // This client's key, and the keys it has seen, live beside jaserelle.ini in the user's folder.
    // The key is made (or read) at the first refresh after login: a client that never logs in
    // writes nothing but its configuration file. Without a key (a folder it cannot write) every
    // call stays plain, and until then callers in TLS are not answered.
    PeerSecurity &security = windows->security();
    security.known = KnownKeys(knownKeysFile(services.state.appDir));
    auto *directory = new KeyDirectoryClient(services.state, security, windows.get());
    QObject::connect(
        &services.requests, &RequestPort::replyHandled, directory,
        [directory, main = &main, &security, &state = services.state,
         tried = false](RequestKind kind) mutable {
            // Keys are looked up after a refresh only: a search answered in between
            // must not have a second connection racing the user's next request.
            if (kind != RequestKind::Refresh)
                return;
            if (!tried && !security.identity) {
                tried = true;
                security.identity = loadOrCreateIdentity(state.appDir);
            }
            QStringList members;
            for (const QTreeWidget *list : {main->lvFavoris(), main->lvListeNoire(), main->lvRecherche()})
                for (int i = 0; i < list->topLevelItemCount() && members.size() < 256; ++i) {
                    // Only a connected member can be called: the others' keys can wait.
                    const QTreeWidgetItem *row = list->topLevelItem(i);
                    if (contactrow::isOnline(row))
                        members.append(row->text(contactrow::Pseudo));
                }
            directory->refreshed(members);
        });
    windows->attach(main);
    return windows;
}

} // namespace jaserelle::client
