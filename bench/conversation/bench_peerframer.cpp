// Cutting a conversation stream back into packets: a message carrying a picture (a few MiB of RTF)
// as TCP delivers it, in pieces of one segment; the time per byte must not grow with the message.
#include "client/conversation/peerframer.h"
#include "client/conversation/peerpackets.h"

#include <benchmark/benchmark.h>

using namespace jaserelle::client;

namespace {

void reassembleMessage(benchmark::State &state)
{
    const qsizetype size = state.range(0);
    const qsizetype piece = 1460;
    const QByteArray wire = messagePacket(QString(size, u'a'));
    for (auto _ : state) {
        PacketReassembler reassembler;
        qsizetype packets = 0;
        for (qsizetype at = 0; at < wire.size(); at += piece)
            packets += reassembler.feed(QByteArrayView(wire).sliced(at, std::min(piece, wire.size() - at)))
                           .packets.size();
        benchmark::DoNotOptimize(packets);
    }
    state.SetBytesProcessed(state.iterations() * wire.size());
}

// A stream of short messages, many to a piece.
void reassembleChatter(benchmark::State &state)
{
    QByteArray wire;
    for (int i = 0; i < 1000; ++i)
        wire += messagePacket(QStringLiteral("{\\rtf1 salut %1\\par }").arg(i));
    for (auto _ : state) {
        PacketReassembler reassembler;
        benchmark::DoNotOptimize(reassembler.feed(wire).packets.size());
    }
    state.SetBytesProcessed(state.iterations() * wire.size());
}

} // namespace

BENCHMARK(reassembleMessage)->Arg(64 * 1024)->Arg(1024 * 1024)->Arg(8 * 1024 * 1024);
BENCHMARK(reassembleChatter);
BENCHMARK_MAIN();
