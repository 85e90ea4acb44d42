#include "client/server/replypipeline.h"

namespace jaserelle::client {

namespace {

constexpr std::size_t indexOf(ReplySlot slot)
{
    return static_cast<std::size_t>(slot);
}

// The table is indexed by the enum: keep them in step.
constexpr bool tableFollowsEnum()
{
    for (std::size_t i = 0; i < replyHandlerOrder.size(); ++i) {
        if (indexOf(replyHandlerOrder[i].slot) != i)
            return false;
    }
    return true;
}
static_assert(tableFollowsEnum());

} // namespace

void ReplyPipeline::setHandler(ReplySlot slot, ReplyHandler handler)
{
    handlers_[indexOf(slot)] = std::move(handler);
}

void ReplyPipeline::run(QString &reply) const
{
    for (const ReplySlotInfo &info : replyHandlerOrder) {
        const ReplyHandler &handler = handlers_[indexOf(info.slot)];
        if (!handler)
            continue;
        const bool wanted = reply.contains(QStringView(info.keyword)) ||
                            (info.alsoKeyword && reply.contains(QStringView(info.alsoKeyword)));
        if (!wanted)
            continue;
        if (handler(reply) == HandlerResult::StopPipeline)
            return;
    }
}

} // namespace jaserelle::client
