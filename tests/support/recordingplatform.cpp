#include "tests/support/recordingplatform.h"

void RecordingNotifier::notify(const Notice &notice)
{
    shown.append(notice);
    if (whileShown)
        whileShown(shown.last());
}

QStringList RecordingNotifier::titles() const
{
    QStringList out;
    for (const Notice &s : shown)
        out.append(s.title);
    return out;
}
