#include "client/shell/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// One argument of an Exec line: quoted, with the characters the quoting reserves escaped, then
// the escapes every string value of a desktop entry takes (a backslash doubled, a percent sign
// doubled since it starts a field code).
QString execArgument(const QString &argument)
{
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    QString value;
    for (const QChar c : quoted) {
        if (c == u'\\')
            value += u"\\\\"_s;
        else if (c == u'%')
            value += u"%%"_s;
        else if (c == u'\n')
            value += u"\\n"_s;
        else if (c == u'\r')
            value += u"\\r"_s;
        else
            value += c;
    }
    return u'"' + value + u'"';
}

} // namespace

QByteArray autostartEntry(const QString &executable)
{
    const QString text =
        u"[Desktop Entry]\n"
        u"Type=Application\n"
        u"Name=Jaserelle\n"
        u"Comment=Retrouvez les membres connectés, leurs profils, vos mails et vos conversations\n"
        u"Exec="_s +
        execArgument(executable) +
        u"\n"
        u"Icon=org.jaserelle.Jaserelle\n"
        u"Terminal=false\n"
        u"X-GNOME-Autostart-enabled=true\n"_s;
    return text.toUtf8();
}

QString autostartPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // XDG_CONFIG_HOME: a relative path is not valid, and ~/.config stands in its place.
    if (config.isEmpty() || QFileInfo(config).isRelative())
        config = QDir::homePath() + u"/.config"_s;
    return config + u"/autostart/jaserelle.desktop"_s;
}

bool startsWithSession()
{
    return QFileInfo::exists(autostartPath());
}

bool setStartWithSession(bool on, const QString &executable)
{
    const QString path = autostartPath();
    if (!on)
        return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(autostartEntry(executable));
    return file.commit();
}

} // namespace jaserelle::client
