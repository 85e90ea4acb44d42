#include "client/security/knownkeys.h"

#include "client/security/keylistreply.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace jaserelle::client {

namespace {
constexpr qint64 maxFileBytes = 2 * 1024 * 1024;
}

QString knownKeysFile(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("peerkeys"));
}

KnownKeys::KnownKeys(QString file) : file_(std::move(file))
{
    if (file_.isEmpty())
        return;
    QFile in(file_);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = in.read(maxFileBytes);
    for (const QByteArray &line : bytes.split('\n')) {
        if (keys_.size() >= maxMembers)
            break;
        const qsizetype space = line.indexOf(' ');
        if (space <= 0)
            continue;
        const QByteArray fingerprint = line.mid(space + 1).trimmed();
        const QString pseudo = QString::fromLatin1(line.left(space));
        if (isFingerprint(fingerprint))
            keys_.insert(pseudo, fingerprint);
    }
}

std::optional<QByteArray> KnownKeys::seen(const QString &pseudo) const
{
    const auto found = keys_.constFind(pseudo);
    if (found == keys_.constEnd())
        return std::nullopt;
    return *found;
}

bool KnownKeys::remember(const QString &pseudo, const QByteArray &fingerprint)
{
    if (!isFingerprint(fingerprint) || pseudo.isEmpty() || pseudo.contains(u' ') || pseudo.contains(u'\n'))
        return false;
    if (keys_.value(pseudo) == fingerprint)
        return true;
    if (!keys_.contains(pseudo) && keys_.size() >= maxMembers)
        return false;
    keys_.insert(pseudo, fingerprint);
    if (file_.isEmpty())
        return true;
    QSaveFile out(file_);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (auto it = keys_.constBegin(); it != keys_.constEnd(); ++it)
        out.write(it.key().toLatin1() + ' ' + it.value() + '\n');
    return out.commit();
}

} // namespace jaserelle::client
