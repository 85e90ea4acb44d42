#include "client/security/passwordstore.h"

#include <QObject>
#include <qt6keychain/keychain.h>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// The keyring entries are named after the application, one per member and server.
const QString keyringService = u"Jaserelle"_s;

class KeyringPasswordStore : public PasswordStore
{
public:
    void read(const QString &account, std::function<void(std::optional<QString>)> done) override
    {
        auto *job = new QKeychain::ReadPasswordJob(keyringService);
        prepare(*job, account);
        QObject::connect(job, &QKeychain::Job::finished, &guard_, [job, done = std::move(done)] {
            if (job->error() == QKeychain::NoError)
                done(job->textData());
            else
                done(std::nullopt);
        });
        job->start();
    }

    void write(const QString &account, const QString &password, std::function<void(bool)> done) override
    {
        auto *job = new QKeychain::WritePasswordJob(keyringService);
        prepare(*job, account);
        job->setTextData(password);
        QObject::connect(job, &QKeychain::Job::finished, &guard_,
                         [job, done = std::move(done)] { done(job->error() == QKeychain::NoError); });
        job->start();
    }

    void remove(const QString &account) override
    {
        auto *job = new QKeychain::DeletePasswordJob(keyringService);
        prepare(*job, account);
        job->start();
    }

private:
    static void prepare(QKeychain::Job &job, const QString &account)
    {
        job.setAutoDelete(true);
        job.setKey(account);
        // A keyring or nothing: never a password in a file the user does not know of.
        job.setInsecureFallback(false);
    }

    QObject guard_; // the callbacks' context: none runs once the store is gone
};

} // namespace

std::unique_ptr<PasswordStore> makeKeyringPasswordStore()
{
    return std::make_unique<KeyringPasswordStore>();
}

} // namespace jaserelle::client
