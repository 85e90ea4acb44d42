#include "tests/support/recordingplatform.h"

void RecordingNotifier::notify(const QString &title, const QString &text, Icon icon)
{
    shown.append({title, text, icon});
    if (whileShown)
        whileShown(shown.last());
}

QStringList RecordingNotifier::titles() const
{
    QStringList out;
    for (const Shown &s : shown)
        out.append(s.title);
    return out;
}
