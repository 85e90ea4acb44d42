#pragma once

namespace jaserelle::client {

struct ClientState;
struct Platform;
class ReplyPipeline;
class RequestPort;
struct RequestSources;

// What every subsystem is given when it is installed: the shared state, the desktop, the request
// engine as far as a subsystem may drive it, the reply pipeline to register its handlers in, and
// the request inputs it fills. Only the composition root knows the whole client.
struct Services
{
    ClientState &state;
    Platform &platform;
    RequestPort &requests;
    ReplyPipeline &pipeline;
    RequestSources &sources;
};

} // namespace jaserelle::client
