#include "client/platform/qtplatform.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMessageBox>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>

namespace jaserelle::client {

struct QtNotifier::Open
{
    Notice notice;
    QPointer<QMessageBox> box;
    std::vector<AfterClose> then;
};

QtNotifier::QtNotifier() = default;

QtNotifier::~QtNotifier()
{
    for (const auto &open : open_) {
        if (open->box) {
            open->box->disconnect();
            delete open->box.data();
        }
    }
}

void QtNotifier::setOwner(QWidget *owner)
{
    owner_ = owner;
}

void QtNotifier::notify(const Notice &notice, AfterClose then)
{
    for (const auto &open : open_) {
        if (open->notice == notice && open->box) {
            if (then)
                open->then.push_back(std::move(then));
            return;
        }
    }
    using Icon = Notice::Icon;
    const bool ownerShown = owner_ && owner_->isVisible();
    auto *box = new QMessageBox(ownerShown ? owner_.data() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(notice.title);
    box->setText(notice.text);
    switch (notice.icon) {
    case Icon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box->setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box->setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box->setIcon(QMessageBox::Critical);
        break;
    case Icon::None:
        box->setIcon(QMessageBox::NoIcon);
        break;
    }
    box->setStandardButtons(QMessageBox::Ok);
    auto open = std::make_unique<Open>();
    open->notice = notice;
    open->box = box;
    if (then)
        open->then.push_back(std::move(then));
    open_.push_back(std::move(open));
    QObject::connect(box, &QDialog::finished, box, [this, box] { closed(box); });
    if (ownerShown) {
        box->open(); // modal for its owner only
    } else {
        // Nothing to hang it on yet (the login window's time): modal for the whole client, and
        // shown all the same without an event loop of its own.
        box->setWindowModality(Qt::ApplicationModal);
        box->show();
    }
}

void QtNotifier::withdraw(const Notice &notice)
{
    for (const auto &open : open_) {
        if (open->notice == notice && open->box) {
            open->box->done(QMessageBox::Ok); // finished() runs what follows the box
            return;
        }
    }
}

void QtNotifier::closed(QObject *box)
{
    const auto it = std::find_if(open_.begin(), open_.end(), [box](const auto &o) { return o->box == box; });
    if (it == open_.end())
        return;
    // Taken out first: what follows may show the same notice again, and that is a new box.
    const std::vector<AfterClose> then = std::move((*it)->then);
    open_.erase(it);
    for (const AfterClose &next : then)
        next();
}

QtSoundPlayer::QtSoundPlayer(QString baseDir) : baseDir_(std::move(baseDir)) {}

QtSoundPlayer::~QtSoundPlayer() = default;

bool QtSoundPlayer::hasDevice() const
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

void QtSoundPlayer::play(const QString &relativePath)
{
    const QString path = QDir(baseDir_).filePath(relativePath);
    if (!QFileInfo::exists(path))
        return;
    // One effect at a time: a sound asked for while another plays is dropped, like a busy device.
    if (effect_ && effect_->isPlaying())
        return;
    effect_ = std::make_unique<QSoundEffect>();
    effect_->setSource(QUrl::fromLocalFile(path));
    effect_->play();
}

void QtBrowser::open(const QString &address)
{
    QUrl url = QUrl::fromUserInput(address);
    QDesktopServices::openUrl(url);
}

bool QtInstanceGuard::claim()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    lock_ = std::make_unique<QLockFile>(QDir(dir).filePath(QStringLiteral("jaserelle.lock")));
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

void QtAppLifetime::endApplication()
{
    // Leaves every event loop, nested ones (a modal box) included; the windows go with the
    // client when main() returns. Closing them here would ask the main window to quit again.
    QCoreApplication::exit(0);
}

QtPlatform::QtPlatform(const QString &appDir) : sound(appDir) {}

} // namespace jaserelle::client
