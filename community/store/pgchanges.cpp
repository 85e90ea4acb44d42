#include "community/store/pgchanges.h"

#include "community/store/pgconnection.h"
#include "community/store/pgstore.h"

#include <chrono>
#include <libpq-fe.h>
#include <memory>
#include <poll.h>

namespace jaserelle::community {

PgChangeListener::PgChangeListener(std::string url, Changed changed)
    : url_(std::move(url)), changed_(std::move(changed)), thread_([this] { run(); })
{
    for (int i = 0; i < 50 && !listening_; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

PgChangeListener::~PgChangeListener()
{
    stop_ = true;
    thread_.join();
}

void PgChangeListener::run()
{
    using namespace std::chrono_literals;
    while (!stop_) {
        std::unique_ptr<PgConnection> c;
        try {
            c = std::make_unique<PgConnection>(url_);
            c->exec((std::string("LISTEN ") + PgStore::changesChannel).c_str());
        } catch (const StoreError &) {
            listening_ = false;
            for (int i = 0; i < 10 && !stop_; ++i)
                std::this_thread::sleep_for(100ms);
            continue;
        }
        changed_(""); // whatever was announced while nobody listened
        listening_ = true;
        // Woken four times a second at most, to see `stop_`.
        while (!stop_) {
            pollfd p{c->socket(), POLLIN, 0};
            if (::poll(&p, 1, 250) < 0)
                continue;
            if (PQconsumeInput(c->raw()) == 0)
                break; // the connection is gone: connect again
            while (PGnotify *n = PQnotifies(c->raw())) {
                const std::string_view payload(n->extra);
                changed_(payload == "*" ? std::string_view() : payload);
                PQfreemem(n);
            }
        }
        listening_ = false;
    }
}

} // namespace jaserelle::community
