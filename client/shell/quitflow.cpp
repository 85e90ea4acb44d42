#include "client/shell/quitflow.h"

#include "client/server/requestport.h"
#include "client/shell/clientstate.h"
#include "client/shell/conversationlist.h"
#include "client/shell/frmquitter.h"

namespace jaserelle::client {

QuitFlow::QuitFlow(ClientState &state, RequestPort &engine, ConversationList &conversations)
    : state_(state), engine_(engine), conversations_(conversations)
{
}

QuitFlow::~QuitFlow() = default;

FrmQuitter &QuitFlow::frmQuitter()
{
    if (!quitter_) {
        quitter_ = std::make_unique<FrmQuitter>();
        connect(quitter_.get(), &FrmQuitter::quitChosen, this, [this] { state_.quitConfirmed = true; });
        // The answer decides, whenever it comes: the question never holds the event loop.
        connect(quitter_.get(), &FrmQuitter::hidden, this, &QuitFlow::answered);
    }
    return *quitter_;
}

void QuitFlow::run()
{
    // Once the logoff is on its way the answer is already given: asking again could only offer
    // an "Annuler" that cancels nothing.
    if (leaving_)
        return;

    // A second quit command while the question is up brings the same window to the front.
    FrmQuitter &quitter = frmQuitter();
    quitter.show();
    quitter.raise();
    quitter.activateWindow();
    if (!quitter.isVisible())
        answered();
}

void QuitFlow::answered()
{
    if (!state_.quitConfirmed || leaving_)
        return;
    leaving_ = true;
    conversations_.closeEveryConversation();
    engine_.start({RequestKind::Logoff});
}

} // namespace jaserelle::client
