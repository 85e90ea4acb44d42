#include "client/shell/preferences.h"

#include "client/server/wiretext.h"

#include <QStringList>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// The pseudo is typed by the user; a line of the file is not where a runaway value belongs.
constexpr qsizetype maxValueLength = 256;

QStringList lines(const QByteArray &fileBytes)
{
    QString text = wiretext::fromWire(fileBytes);
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text.split(u'\n');
}

bool flag(const QString &value)
{
    return value == u"1";
}

} // namespace

Preferences parsePreferences(const QByteArray &fileBytes)
{
    Preferences preferences;
    const QStringList all = lines(fileBytes);
    const qsizetype start = all.indexOf(preferencesSectionLine.toString());
    if (start < 0)
        return preferences;
    for (qsizetype i = start + 1; i < all.size(); ++i) {
        const QString &line = all.at(i);
        if (line.startsWith(u'['))
            break;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || line.size() - equals - 1 > maxValueLength)
            continue;
        const QString name = line.first(equals);
        const QString value = line.sliced(equals + 1);
        if (name == u"closeToTray")
            preferences.closeToTray = flag(value);
        else if (name == u"connectedFirst")
            preferences.connectedFirst = flag(value);
        else if (name == u"lastPseudo")
            preferences.lastPseudo = value;
        else if (name == u"rememberPassword")
            preferences.rememberPassword = flag(value);
    }
    return preferences;
}

QByteArray formatPreferences(const Preferences &preferences)
{
    auto flagText = [](bool on) { return on ? u"1"_s : u"0"_s; };
    const QString text = u"\r\n"_s + preferencesSectionLine.toString() + u"\r\ncloseToTray="_s +
                         flagText(preferences.closeToTray) + u"\r\nconnectedFirst="_s +
                         flagText(preferences.connectedFirst) + u"\r\nlastPseudo="_s +
                         preferences.lastPseudo.left(maxValueLength) + u"\r\nrememberPassword="_s +
                         flagText(preferences.rememberPassword) + u"\r\n"_s;
    return wiretext::toWire(text);
}

QByteArray preferencesTail(const QByteArray &fileBytes)
{
    const QByteArray section = wiretext::toWire(preferencesSectionLine.toString());
    qsizetype at = 0;
    for (;;) {
        at = fileBytes.indexOf(section, at);
        if (at < 0)
            return {};
        // Only a whole line counts: the section line at the start of the file or after a line end.
        const bool lineStart = at == 0 || fileBytes.at(at - 1) == '\n' || fileBytes.at(at - 1) == '\r';
        const qsizetype after = at + section.size();
        const bool lineEnd =
            after == fileBytes.size() || fileBytes.at(after) == '\r' || fileBytes.at(after) == '\n';
        if (lineStart && lineEnd)
            break;
        at = after;
    }
    // The empty line written before the section travels with it.
    qsizetype from = at;
    if (from >= 2 && fileBytes.sliced(from - 2, 2) == "\r\n")
        from -= 2;
    return fileBytes.sliced(from);
}

Notice preferencesNotSavedNotice()
{
    return {u"Jaserelle"_s,
            u"Ce choix vaut pour cette session, mais il n'a pas pu être enregistré dans jaserelle.ini."_s,
            Notice::Icon::Warning};
}

} // namespace jaserelle::client
