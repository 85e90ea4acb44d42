#pragma once

#include <QProcess>

// A helper process the test started: asked to stop, then killed if it will not.
inline void stopChild(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(5000))
        p.kill();
    p.waitForFinished(2000);
}
