#include "client/mail/replysubject.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

QString replySubject(const QString &subject)
{
    if (subject.startsWith(u"Re: "_s, Qt::CaseInsensitive) ||
        subject.compare(u"Re:"_s, Qt::CaseInsensitive) == 0)
        return subject;
    return u"Re: "_s + subject;
}

} // namespace jaserelle::client
