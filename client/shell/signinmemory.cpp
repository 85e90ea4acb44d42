#include "client/shell/signinmemory.h"

#include "client/platform/platform.h"
#include "client/security/passwordstore.h"
#include "client/shell/clientstate.h"
#include "client/shell/frmlogin.h"
#include "client/shell/preferencesfile.h"

#include <QPointer>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

SignInMemory::SignInMemory(ClientState &state, Notifier &notifier, PasswordStore &store)
    : state_(state), notifier_(notifier), store_(store)
{
}

// The same pseudo may be another member on another server.
QString SignInMemory::account(const QString &pseudo) const
{
    return pseudo + u'@' + state_.serverHost;
}

void SignInMemory::offer(FrmLogin &login, const QString &lastPseudo, std::function<void()> signIn)
{
    const bool remember = loadPreferences(state_.appDir).rememberPassword;
    login.setRememberPassword(remember);
    if (!remember || lastPseudo.isEmpty())
        return;
    store_.read(account(lastPseudo), [window = QPointer<FrmLogin>(&login), lastPseudo,
                                      signIn = std::move(signIn)](std::optional<QString> password) {
        if (!password || password->isEmpty() || !window || !window->isVisible())
            return;
        if (window->pseudoText() != lastPseudo || !window->passwordText().isEmpty())
            return;
        window->setTexts(lastPseudo, *password);
        signIn();
    });
}

void SignInMemory::accepted(bool remember)
{
    Preferences preferences = loadPreferences(state_.appDir);
    const bool wasRemembered = preferences.rememberPassword;
    if (!remember) {
        if (wasRemembered) {
            store_.remove(account(state_.userLogin));
            preferences.rememberPassword = false;
            savePreferences(state_.appDir, preferences);
        }
        return;
    }
    store_.write(account(state_.userLogin), state_.userPassword, [this, wasRemembered](bool kept) {
        if (!kept)
            notifier_.notify(passwordNotKeptNotice());
        if (kept == wasRemembered)
            return;
        Preferences now = loadPreferences(state_.appDir);
        now.rememberPassword = kept;
        savePreferences(state_.appDir, now);
    });
}

Notice passwordNotKeptNotice()
{
    return {u"Jaserelle"_s,
            u"Le mot de passe n'a pas pu être gardé dans le trousseau du bureau : il faudra le taper au "
            u"prochain démarrage."_s,
            Notice::Icon::Warning};
}

} // namespace jaserelle::client
