#include "wavheader.h"

#include <QtEndian>

double WavHeader::seconds() const
{
    const int frameBytes = channels * (bitsPerSample / 8);
    return frameBytes == 0 || sampleRate == 0 ? 0.0 : double(dataBytes) / frameBytes / sampleRate;
}

WavHeader parseWavHeader(const QByteArray &bytes)
{
    WavHeader h;
    const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        h.error = QStringLiteral("not a RIFF/WAVE file");
        return h;
    }
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = u32(at + 4);
        const qsizetype body = at + 8;
        if (size > quint32(bytes.size() - body)) {
            h.error = QStringLiteral("chunk '%1' runs past the end of the file").arg(QString::fromLatin1(id));
            return h;
        }
        if (id == "fmt ") {
            if (size < 16) {
                h.error = QStringLiteral("format chunk too short");
                return h;
            }
            h.formatTag = u16(body);
            h.channels = u16(body + 2);
            h.sampleRate = u32(body + 4);
            h.bitsPerSample = u16(body + 14);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) {
                h.error = QStringLiteral("data before the format chunk");
                return h;
            }
            h.dataBytes = size;
            return h;
        }
        at = body + size + (size & 1); // chunks are padded to an even length
    }
    h.error = haveFormat ? QStringLiteral("no data chunk") : QStringLiteral("no format chunk");
    return h;
}
