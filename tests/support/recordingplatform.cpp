#include "tests/support/recordingplatform.h"

void RecordingNotifier::notify(const Notice &notice, AfterClose then)
{
    for (Open &open : open_) {
        if (open.notice == notice) {
            if (then)
                open.then.append(std::move(then));
            return;
        }
    }
    shown.append(notice);
    if (whileShown)
        whileShown(shown.last());
    if (attended) {
        if (then)
            then();
        return;
    }
    open_.append(Open{notice, {}});
    if (then)
        open_.last().then.append(std::move(then));
}

void RecordingNotifier::withdraw(const Notice &notice)
{
    for (qsizetype i = 0; i < open_.size(); ++i) {
        if (open_[i].notice == notice) {
            const Open open = open_.takeAt(i);
            withdrawn.append(open.notice);
            for (const AfterClose &next : open.then)
                next();
            return;
        }
    }
}

QList<Notice> RecordingNotifier::openBoxes() const
{
    QList<Notice> out;
    for (const Open &open : open_)
        out.append(open.notice);
    return out;
}

bool RecordingNotifier::pressOk()
{
    if (open_.isEmpty())
        return false;
    const Open open = open_.takeFirst();
    for (const AfterClose &next : open.then)
        next();
    return true;
}

QStringList RecordingNotifier::titles() const
{
    QStringList out;
    for (const Notice &s : shown)
        out.append(s.title);
    return out;
}
