#include "client/contacts/presencehandler.h"

#include "client/contacts/mailcount.h"
#include "client/contacts/mailindicator.h"
#include "client/contacts/presenceapply.h"
#include "client/contacts/refreshreply.h"
#include "client/server/protocolwords.h"
#include "client/shell/clientstate.h"

namespace jaserelle::client {

void handlePresenceReply(QString &reply, const PresenceTargets &targets, const ClientState &state,
                         SoundPlayer &player, const contactface::Faces &faces)
{
    if (reply.contains(latin1(protocol::refreshOk))) {
        RefreshReply refresh = parseRefreshReply(reply);
        // A broken reply still brings what it held before the break: those rows are current.
        if (targets.lvFavoris && targets.lvListeNoire)
            applyRefreshReply(*targets.lvFavoris, *targets.lvListeNoire, refresh,
                              {state.soundEnabled, state.firstRefresh}, player, faces);
        reply = std::move(refresh.rest);
    }
    if (reply.contains(utf16<protocol::mailCount, protocol::fieldSeparator>())) {
        if (const std::optional<int> count = parseMailCount(reply);
            count && targets.lblMailsNumber && targets.pctbMail)
            showMailCount(*targets.lblMailsNumber, *targets.pctbMail, *count);
        removeMailCountMarkers(reply);
    }
}

} // namespace jaserelle::client
