#include "client/assets/artwork.h"
#include "client/contacts/presenceapply.h"
#include "client/conversation/smileys.h"
#include "client/conversation/soundcommands.h"

#include <QDir>
#include <QSet>
#include <QSvgRenderer>
#include <QWaveDecoder>
#include <QtTest>

using namespace jaserelle::client;

using namespace jaserelle;
using namespace Qt::StringLiterals;

namespace {

// How much of an image is drawn on, and in how many colours.
std::pair<double, qsizetype> coverage(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    qsizetype drawn = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            drawn += qAlpha(argb.pixel(x, y)) > 0;
            colours.insert(argb.pixel(x, y));
        }
    }
    return {double(drawn) / double(argb.width() * argb.height()), colours.size()};
}

} // namespace

class TestAssets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initArtwork(); }

    // Drawn on a canvas of the size the window shows it, so 1x lands on whole pixels; and a file
    // nobody names is a picture that was meant to be shown somewhere and is not.
    void everyPictureRendersAtItsSizeAndIsNamedOnce()
    {
        QStringList named;
        for (const artwork::Picture &picture : artwork::all()) {
            const QString path = artwork::resourcePath(picture);
            named.append(path);
            QSvgRenderer renderer(path);
            QVERIFY2(renderer.isValid() && renderer.defaultSize() == picture.size, qPrintable(path));
            for (const qreal dpr : {1.0, 2.0}) {
                const QPixmap pixmap = artwork::pixmap(picture, dpr);
                QVERIFY2(pixmap.size() == picture.size * dpr &&
                             pixmap.deviceIndependentSize().toSize() == picture.size,
                         qPrintable(path));
                QVERIFY2(coverage(pixmap.toImage()).first > 0.10,
                         qPrintable(path + u" is hardly drawn on"_s));
            }
        }
        QStringList files = QDir(u":/artwork"_s).entryList(QDir::Files);
        for (QString &file : files)
            file.prepend(u":/artwork/"_s);
        named.sort();
        QCOMPARE(files, named); // a name given twice would be one file short
    }

    // Bitmaps pasted into RTF carry no alpha: the ground must already be there.
    void smileysLeaveAsOpaqueBitmaps()
    {
        for (std::size_t i = 0; i < smileyCount; ++i) {
            const QImage bitmap = artwork::smileyBitmap(i);
            QVERIFY(bitmap.size() == artwork::smileyBitmapSize && !bitmap.hasAlphaChannel());
            QVERIFY2(coverage(bitmap).second > 20, qPrintable(u"smiley %1 is nearly blank"_s.arg(i)));
        }
    }

    void everySoundIsAShortPcmWav()
    {
        const QString bin = qEnvironmentVariable("JASERELLE_BIN_DIR");
        if (bin.isEmpty())
            QSKIP("JASERELLE_BIN_DIR is not set");
        QStringList files;
        for (const auto &sound : soundCommands)
            files << u"sons/"_s + QString::fromUtf8(sound.file);
        for (const auto name : {incomingCallSound, connectionRefusedSound})
            files << u"sons/"_s + QString::fromUtf8(name);
        // The lists' arrivals and departures; the black list's are read from the executable's own folder.
        for (const ListSounds &list : {favorisSounds(), listeNoireSounds()})
            files << list.arrival << list.departure;
        // Two effects sharing a file would make two pad buttons sound alike (the pictures are seen
        // above, the commands when the client is built).
        QCOMPARE(QSet<QString>(files.cbegin(), files.cend()).size(), files.size());
        // Read by the decoder the player uses: 8- or 16-bit PCM, mono or stereo, 8 to 48 kHz, 0.1 to 3 s.
        for (const QString &file : files) {
            QFile f(bin + u'/' + file);
            QWaveDecoder wav(&f);
            QVERIFY2(f.open(QIODevice::ReadOnly) && wav.open(QIODevice::ReadOnly), qPrintable(file));
            const QAudioFormat format = wav.audioFormat();
            QVERIFY2(format.isValid() && format.bytesPerSample() <= 2 && format.channelCount() <= 2 &&
                         format.sampleRate() >= 8000 && format.sampleRate() <= 48000 &&
                         wav.duration() >= 100 && wav.duration() <= 3000,
                     qPrintable(file));
        }
    }
};

QTEST_MAIN(TestAssets)
#include "test_assets.moc"
