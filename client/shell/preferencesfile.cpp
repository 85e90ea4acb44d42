#include "client/shell/preferencesfile.h"

#include "client/shell/configfile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 maxConfigBytes = 1024 * 1024;

QString iniPath(const QString &appDir)
{
    return QDir(appDir).filePath(u"jaserelle.ini"_s);
}

bool readIni(const QString &appDir, QByteArray &bytes)
{
    QFile file(iniPath(appDir));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.read(maxConfigBytes);
    return file.error() == QFileDevice::NoError;
}

} // namespace

Preferences loadPreferences(const QString &appDir)
{
    QByteArray bytes;
    if (!readIni(appDir, bytes))
        return {};
    return parsePreferences(bytes);
}

bool savePreferences(const QString &appDir, const Preferences &preferences)
{
    QByteArray bytes;
    if (!readIni(appDir, bytes))
        return false;
    const ConfigValues values = parseConfig(bytes);
    const QByteArray written =
        formatConfig(values.serverHost, values.soundEnabled()) + formatPreferences(preferences);
    QSaveFile file(iniPath(appDir));
    return file.open(QIODevice::WriteOnly) && file.write(written) == written.size() && file.commit();
}

} // namespace jaserelle::client
