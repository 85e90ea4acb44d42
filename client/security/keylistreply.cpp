#include "client/security/keylistreply.h"

#include "client/server/protocolwords.h"

#include <QStringList>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {
const QStringView openTag = utf16<protocol::keyListStart, protocol::recordEnd>();
const QStringView closeTag = utf16<protocol::keyListEnd, protocol::recordEnd>();
// Pseudos are letters and digits, and short: a longer one is no member's.
constexpr qsizetype maxPseudo = 64;

bool isPseudo(QStringView text)
{
    if (text.isEmpty() || text.size() > maxPseudo)
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')))
            return false;
    }
    return true;
}

// The opening tag that is not the tail of the closing one.
qsizetype findOpen(QStringView reply)
{
    for (qsizetype at = reply.indexOf(openTag); at >= 0; at = reply.indexOf(openTag, at + 1)) {
        if (at < 3 || reply.mid(at - 3, 3) != u"END")
            return at;
    }
    return -1;
}

bool isNotFound(QStringView reply)
{
    // "HTTP/1.1 404 Not Found": the status line only, never a 404 quoted further down.
    const qsizetype lineEnd = reply.indexOf(u'\n');
    const QStringView line = reply.left(lineEnd < 0 ? std::min<qsizetype>(reply.size(), 64) : lineEnd);
    return line.startsWith(u"HTTP/") && line.indexOf(u" 404") > 0 && line.indexOf(u" 404") < 12;
}
} // namespace

bool isFingerprint(QByteArrayView text)
{
    if (text.size() != 64)
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

KeyListReply parseKeyListReply(QStringView reply)
{
    KeyListReply out;
    const qsizetype open = findOpen(reply);
    if (open < 0) {
        if (isNotFound(reply))
            out.status = KeyListReply::Status::NoDirectory;
        return out;
    }
    const qsizetype close = reply.indexOf(closeTag, open + openTag.size());
    if (close < 0)
        return out; // cut short: what came may be a part of the list, so none of it is used
    const QStringView list = reply.mid(open + openTag.size(), close - open - openTag.size());
    qsizetype start = 0;
    while (start < list.size() && out.keys.size() < KeyListReply::maxKeys) {
        qsizetype bar = list.indexOf(u'|', start);
        if (bar < 0)
            bar = list.size();
        const QStringView entry = list.mid(start, bar - start);
        start = bar + 1;
        const qsizetype comma = entry.indexOf(u',');
        if (comma < 0)
            continue;
        const QStringView pseudo = entry.left(comma);
        const QStringView fingerprint = entry.mid(comma + 1);
        if (!isPseudo(pseudo) || fingerprint.size() != 64)
            continue;
        const QByteArray bytes = fingerprint.toLatin1();
        if (isFingerprint(bytes))
            out.keys.push_back({pseudo.toString().toLower(), bytes});
    }
    out.status = KeyListReply::Status::Listed;
    return out;
}

bool isKeyPublished(QStringView reply)
{
    return reply.contains(latin1(protocol::keyPublished));
}

QString publishKeyPath(const QString &login, const QString &password, const QByteArray &fingerprint)
{
    return resource(protocol::publishKeyPath) + u"?login="_s + login + u"&password="_s + password +
           u"&fingerprint="_s + QString::fromLatin1(isFingerprint(fingerprint) ? fingerprint : QByteArray());
}

QString lookupKeysPath(const QString &login, const QString &password, const QStringList &members)
{
    QStringList names;
    for (const QString &member : members) {
        if (isPseudo(member) && !names.contains(member))
            names.append(member);
    }
    return resource(protocol::lookupKeysPath) + u"?login="_s + login + u"&password="_s + password +
           u"&members="_s + names.join(u',');
}

} // namespace jaserelle::client
