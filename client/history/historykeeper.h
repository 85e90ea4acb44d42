#pragma once

#include "client/history/historyentry.h"
#include "client/history/historystore.h"

#include <QObject>
#include <QString>
#include <QThread>

namespace jaserelle::client {

class Notifier;
class HistoryWriter;

// Keeps every conversation on disk, in `folder` (the user's data folder), unless the user said not
// to. Writing goes to a worker thread that commits what came in one transaction at a time, so a
// slow or full disk never holds a conversation window up; reading (a window's last lines, the
// history window) uses a connection of its own. A file that cannot be opened or written is told
// once per run, and conversations go on without history.
class HistoryKeeper : public QObject
{
    Q_OBJECT

public:
    HistoryKeeper(const QString &folder, Notifier &notifier, QObject *parent = nullptr);
    // Whatever was recorded is on disk when this returns.
    ~HistoryKeeper() override;

    bool isEnabled() const { return enabled_; }
    // Remembered in the folder: the next run keeps (or not) as this one does.
    void setEnabled(bool enabled);

    // Nothing happens while keeping is off.
    void record(HistoryEntry entry);
    // Waits until every entry recorded so far is on disk (for the history window, and tests).
    void flush();
    // Every entry goes; true when the file is empty afterwards.
    bool clearAll();

    // Reading; empty when the file cannot be read.
    HistoryStore &reader();
    QString file() const { return file_; }

signals:
    void entriesWritten();

private:
    void tellOnce(const QString &why);

    QString folder_;
    QString file_;
    Notifier &notifier_;
    bool enabled_ = true;
    bool told_ = false;
    QThread thread_;
    HistoryWriter *writer_ = nullptr; // lives on thread_
    HistoryStore reader_;
};

} // namespace jaserelle::client
