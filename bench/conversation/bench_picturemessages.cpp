// A picture message of about 10 MB, the size of a pasted screenshot: built from the send box,
// cut from the stream, turned into text and read into a conversation document. Each stage must
// stay well under what a user notices, and the whole receive path linear in the bytes.
#include "client/conversation/peerframer.h"
#include "client/conversation/peerpackets.h"
#include "client/conversation/rtfreader.h"
#include "client/conversation/rtfwriter.h"
#include "client/server/wiretext.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>
#include <benchmark/benchmark.h>

using namespace jaserelle::client;

namespace {

// Noise does not compress: the packet is as large as the bitmap says.
QImage noisePicture()
{
    QImage image(1290, 1290, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = random.generate() | 0xFF000000u;
    }
    return image;
}

void sendBox(QTextDocument &document)
{
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("Regarde ma photo "));
    cursor.insertImage(noisePicture());
}

const QString &pictureMessage()
{
    static const QString rtf = [] {
        QTextDocument document;
        sendBox(document);
        return rtfwriter::fromDocument(document);
    }();
    return rtf;
}

void buildPicturePacket(benchmark::State &state)
{
    QTextDocument document;
    sendBox(document);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray packet = messagePacket(rtfwriter::fromDocument(document));
        bytes = packet.size();
        benchmark::DoNotOptimize(packet.data());
    }
    state.counters["packet_MB"] = double(bytes) / 1e6;
}
BENCHMARK(buildPicturePacket)->Unit(benchmark::kMillisecond);

void readPictureIntoDocument(benchmark::State &state)
{
    const QString &rtf = pictureMessage();
    for (auto _ : state) {
        QTextDocument document;
        QTextCursor cursor(&document);
        rtfreader::insert(cursor, rtf);
        benchmark::DoNotOptimize(document.documentLayout()->documentSize());
    }
    state.counters["message_MB"] = double(rtf.size()) / 1e6;
}
BENCHMARK(readPictureIntoDocument)->Unit(benchmark::kMillisecond);

// Framing, Windows-1252 to text and the packet parse for N picture messages in a row, as the
// socket hands them over in 64 KiB reads.
void receivePictureMessages(benchmark::State &state)
{
    QByteArray wire;
    for (int i = 0; i < state.range(0); ++i)
        wire += messagePacket(pictureMessage());
    constexpr qsizetype read = 64 * 1024;
    for (auto _ : state) {
        PacketReassembler reassembler;
        qsizetype shown = 0;
        for (qsizetype at = 0; at < wire.size(); at += read) {
            const auto cut =
                reassembler.feed(QByteArrayView(wire).sliced(at, std::min(read, wire.size() - at)));
            for (const QByteArray &payload : cut.packets)
                shown += parsePacket(wiretext::fromWire(payload), LinkSide::Callee).content.size();
        }
        benchmark::DoNotOptimize(shown);
    }
    state.SetBytesProcessed(state.iterations() * wire.size());
}
BENCHMARK(receivePictureMessages)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
