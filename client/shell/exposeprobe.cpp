#include "client/shell/exposeprobe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <ctime>

namespace jaserelle::client {

namespace {

class ExposeProbe : public QObject
{
public:
    explicit ExposeProbe(QString path) : QObject(QCoreApplication::instance()), path_(std::move(path)) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Expose)
            return false;
        const auto *window = qobject_cast<QWindow *>(watched);
        if (!window || !window->isExposed())
            return false;
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        QFile out(path_);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(QByteArray::number(qint64(std::chrono::nanoseconds(now).count())) + '\n' +
                      QByteArray::number(qint64(cpu.tv_sec) * 1000000000 + cpu.tv_nsec) + '\n' +
                      window->title().toUtf8() + '\n');
        out.close();
        std::_Exit(0); // the measure is taken: tearing the program down would only add noise
    }

private:
    QString path_;
};

} // namespace

void installExposeProbe()
{
    const QString path = qEnvironmentVariable("JASERELLE_EXPOSE_PROBE");
    if (!path.isEmpty())
        QCoreApplication::instance()->installEventFilter(new ExposeProbe(path));
}

} // namespace jaserelle::client
