#pragma once

#include <QByteArray>
#include <QString>

// What a RIFF/WAVE file says about itself, read from its header chunks only.
struct WavHeader
{
    quint16 formatTag = 0; // 1 is integer PCM
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint16 bitsPerSample = 0;
    quint32 dataBytes = 0;
    QString error; // empty when the file is a well-formed WAVE file

    double seconds() const;
};

WavHeader parseWavHeader(const QByteArray &bytes);
