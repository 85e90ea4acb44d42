#include "client/history/historykeeper.h"

#include "client/history/historynotices.h"
#include "client/platform/platform.h"

#include <QDir>
#include <QSettings>
#include <QTimer>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

// The writing side, on the keeper's worker thread: entries that arrive while it works are
// committed together in the next transaction.
class HistoryWriter : public QObject
{
    Q_OBJECT

public:
    // The timer is a child, so it moves to the worker thread with the writer.
    explicit HistoryWriter(QString file) : file_(std::move(file)), commitTimer_(new QTimer(this))
    {
        commitTimer_->setSingleShot(true);
        commitTimer_->setInterval(0);
        connect(commitTimer_, &QTimer::timeout, this, &HistoryWriter::commit);
    }

    void add(const HistoryEntry &entry)
    {
        pending_.append(entry);
        // A flood (a peer sending fast) stays one transaction per turn of this thread's loop.
        if (!commitTimer_->isActive())
            commitTimer_->start();
    }

    void commit()
    {
        commitTimer_->stop();
        if (pending_.isEmpty())
            return;
        if (!store_.isOpen() && !store_.open(file_)) {
            pending_.clear();
            emit failed(store_.error());
            return;
        }
        if (!store_.append(pending_))
            emit failed(store_.error());
        pending_.clear();
        emit written();
    }

    void finish()
    {
        commit();
        store_.close();
    }

signals:
    void failed(const QString &why);
    void written();

private:
    QString file_;
    HistoryStore store_;
    QList<HistoryEntry> pending_;
    QTimer *commitTimer_;
};

namespace {

QString settingsFile(const QString &folder)
{
    return QDir(folder).filePath(u"historique.ini"_s);
}

} // namespace

HistoryKeeper::HistoryKeeper(const QString &folder, Notifier &notifier, QObject *parent)
    : QObject(parent), folder_(folder), file_(QDir(folder).filePath(u"historique.sqlite"_s)),
      notifier_(notifier)
{
    enabled_ = QSettings(settingsFile(folder_), QSettings::IniFormat).value(u"keep"_s, true).toBool();
    writer_ = new HistoryWriter(file_);
    writer_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, writer_, &QObject::deleteLater);
    connect(writer_, &HistoryWriter::failed, this, &HistoryKeeper::tellOnce);
    connect(writer_, &HistoryWriter::written, this, &HistoryKeeper::entriesWritten);
    thread_.setObjectName(u"historique"_s);
    thread_.start(QThread::LowPriority);
}

HistoryKeeper::~HistoryKeeper()
{
    QMetaObject::invokeMethod(writer_, &HistoryWriter::finish, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void HistoryKeeper::setEnabled(bool enabled)
{
    enabled_ = enabled;
    QDir().mkpath(folder_);
    QSettings settings(settingsFile(folder_), QSettings::IniFormat);
    settings.setValue(u"keep"_s, enabled);
}

void HistoryKeeper::record(HistoryEntry entry)
{
    if (!enabled_)
        return;
    if (!QDir(folder_).exists() && !QDir().mkpath(folder_)) {
        tellOnce(u"le dossier %1 ne peut pas être créé"_s.arg(QDir::toNativeSeparators(folder_)));
        return;
    }
    QMetaObject::invokeMethod(writer_, [writer = writer_, entry = std::move(entry)] { writer->add(entry); });
}

void HistoryKeeper::flush()
{
    QMetaObject::invokeMethod(writer_, &HistoryWriter::commit, Qt::BlockingQueuedConnection);
}

bool HistoryKeeper::clearAll()
{
    flush();
    if (!QFile::exists(file_))
        return true;
    HistoryStore &store = reader();
    if (store.isOpen() && store.clear())
        return true;
    // Asked for by the user: told every time, not once.
    notifier_.notify(historyFailureNotice(store.error()));
    return false;
}

HistoryStore &HistoryKeeper::reader()
{
    if (!reader_.isOpen() && QFile::exists(file_) && !reader_.open(file_))
        tellOnce(reader_.error());
    return reader_;
}

void HistoryKeeper::tellOnce(const QString &why)
{
    if (told_)
        return;
    told_ = true;
    notifier_.notify(historyFailureNotice(why));
}

} // namespace jaserelle::client

#include "historykeeper.moc"
