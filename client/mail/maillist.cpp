#include "client/mail/maillist.h"

#include "client/server/protocolwords.h"

#include <algorithm>
#include <array>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

const QStringView keyword = utf16<protocol::mailListStart>();
constexpr int fieldCount = 5;
// More digits than this is no count of mails but a broken caption.
constexpr qsizetype maxCountDigits = 9;
// A mail box view no person reads to the end; past this the answer is taken as broken.
constexpr int maxMails = 5000;

} // namespace

QString mailWhenText(QStringView date, QStringView time)
{
    QString text;
    text.reserve(18);
    text.append(date.right(2)).append(u'/').append(date.mid(5, 2)).append(u'/').append(date.left(4));
    text.append(u" à ").append(time.left(2)).append(u'h').append(time.mid(3, 2));
    return text;
}

QString mailSubjectText(QStringView subject)
{
    return subject == latin1(protocol::noText) ? u"pas de sujet"_s : subject.toString();
}

QList<MailEntry> parseMailList(QStringView reply, int count)
{
    QList<MailEntry> mails;
    const qsizetype at = reply.indexOf(keyword);
    if (at < 0 || count < 1)
        return mails;
    QStringView rest = reply.sliced(at + keyword.size());
    while (mails.size() < std::min(count, maxMails)) {
        std::array<QStringView, fieldCount> fields;
        for (QStringView &field : fields) {
            const qsizetype end = rest.indexOf(u'~');
            if (end < 0)
                return mails; // a cut reply: what came whole is shown
            field = rest.first(end);
            rest = rest.sliced(end + 1);
        }
        mails.append({fields[0].toString(), mailWhenText(fields[1], fields[2]), mailSubjectText(fields[3]),
                      fields[4].toString()});
    }
    return mails;
}

int mailCountOf(QStringView caption)
{
    const QStringView text = caption.trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && digits < maxCountDigits && text[digits].unicode() >= u'0' &&
           text[digits].unicode() <= u'9')
        ++digits;
    return digits == 0 ? 0 : text.first(digits).toInt();
}

} // namespace jaserelle::client
