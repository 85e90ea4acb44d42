#include "client/conversation/missedcalls.h"

#include <QStringList>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

QString describe(const MissedCalls::Call &call)
{
    return call.pseudo + u" à "_s + call.time.toString(u"HH'h'mm"_s);
}

} // namespace

void MissedCalls::add(const QString &pseudo, const QTime &time)
{
    calls_.prepend(Call{pseudo, time});
    if (calls_.size() > kept)
        calls_.resize(kept);
}

QString MissedCalls::summary() const
{
    if (calls_.isEmpty())
        return {};
    QStringList names;
    for (qsizetype i = 0; i < calls_.size() && i < named; ++i)
        names.append(describe(calls_[i]));
    QString text = (calls_.size() == 1 ? u"Appel manqué : "_s : u"Appels manqués : "_s) + names.join(u", "_s);
    if (calls_.size() > named)
        text += u"..."_s;
    return text;
}

QString MissedCalls::fullList() const
{
    QStringList lines;
    for (const Call &call : calls_)
        lines.append(describe(call));
    return lines.join(u'\n');
}

} // namespace jaserelle::client
