#include "client/shell/configfile.h"

#include "client/server/wiretext.h"

#include <QStringList>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// Lines ended by CR LF; a lone LF or CR also ends a line, as text editors may leave them.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(current);
            current.clear();
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        lines.append(current);
    return lines;
}

// Reads lines from `pos` until `value` is set or the lines run out; a section line hands its
// following line to `value`. A section line that is the last line yields an empty value.
void readSection(const QStringList &lines, qsizetype &pos, QStringView section, QString &value)
{
    while (pos < lines.size() && value.isEmpty()) {
        const QString &line = lines.at(pos++);
        if (line == section) {
            value = pos < lines.size() ? lines.at(pos) : QString();
            if (pos < lines.size())
                ++pos;
        }
    }
}

} // namespace

ConfigValues parseConfig(const QByteArray &fileBytes)
{
    const QStringList lines = splitLines(wiretext::fromWire(fileBytes));
    ConfigValues values;
    qsizetype pos = 0;
    readSection(lines, pos, u"[server]", values.serverHost);
    readSection(lines, pos, u"[sound]", values.soundValue);
    return values;
}

QByteArray formatConfig(const QString &serverHost, bool soundEnabled)
{
    const QString text = QStringLiteral("[server]\r\n") + serverHost + u"\r\n\r\n[sound]\r\n"_s +
                         (soundEnabled ? QStringLiteral("enable") : QStringLiteral("disable")) + u"\r\n"_s;
    return wiretext::toWire(text);
}

} // namespace jaserelle::client
