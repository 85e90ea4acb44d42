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

namespace jaserelle::client {

void QtNotifier::notify(const Notice &notice)
{
    using Icon = Notice::Icon;
    QMessageBox box;
    box.setWindowTitle(notice.title);
    box.setText(notice.text);
    switch (notice.icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
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
