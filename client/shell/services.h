#pragma once

namespace jaserelle::client {

struct ClientState;
struct Platform;
class ReplyPipeline;
class RequestPort;

// What every subsystem is given when it is installed: the shared state, the desktop, the request
// engine as far as a subsystem may drive it, and the reply pipeline to register its handlers in.
// Only the composition root knows the whole client.
struct Services
{
    ClientState &state;
    Platform &platform;
    RequestPort &requests;
    ReplyPipeline &pipeline;
};

} // namespace jaserelle::client
