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

QString str(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

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

    void everyPictureRendersAtItsSize_data()
    {
        QTest::addColumn<int>("index");
        const auto pictures = artwork::all();
        for (std::size_t i = 0; i < pictures.size(); ++i)
            QTest::newRow(pictures[i].path.data()) << int(i);
    }
    void everyPictureRendersAtItsSize()
    {
        QFETCH(int, index);
        const artwork::Picture picture = artwork::all().at(std::size_t(index));
        QSvgRenderer renderer(artwork::resourcePath(picture));
        QVERIFY2(renderer.isValid(), "missing from the resources or not SVG");
        // Drawn on a canvas of the size the window shows it, so 1x lands on whole pixels.
        QCOMPARE(renderer.defaultSize(), picture.size);
        for (const qreal dpr : {1.0, 2.0}) {
            const QPixmap pixmap = artwork::pixmap(picture, dpr);
            QCOMPARE(pixmap.size(), picture.size * dpr);
            QCOMPARE(pixmap.deviceIndependentSize().toSize(), picture.size);
            QVERIFY2(coverage(pixmap.toImage()).first > 0.10, "hardly anything is drawn");
        }
    }

    // A file nobody names is a picture that was meant to be shown somewhere and is not.
    void everyPictureInTheResourcesIsNamedOnce()
    {
        QStringList named;
        for (const auto &picture : artwork::all())
            named.append(artwork::resourcePath(picture));
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
            QCOMPARE(bitmap.size(), artwork::smileyBitmapSize);
            QVERIFY(!bitmap.hasAlphaChannel());
            QVERIFY2(coverage(bitmap).second > 20, qPrintable(u"smiley %1 is nearly blank"_s.arg(i)));
        }
    }

    // Two effects sharing a file or a picture would make two pad buttons indistinguishable.
    void soundTableIsConsistent()
    {
        QSet<QString> commands, files, pictures, smileyPictures;
        for (const auto &sound : soundCommands)
            commands << str(sound.command), files << str(sound.file), pictures << str(sound.padPicture);
        for (const auto &smiley : smileys)
            smileyPictures << str(smiley.picture);
        QCOMPARE((QList<qsizetype>{commands.size(), files.size(), pictures.size()}),
                 QList<qsizetype>(3, qsizetype(soundCommandCount)));
        QCOMPARE(smileyPictures.size(), qsizetype(smileyCount));
    }

    void everySoundIsAShortPcmWav()
    {
        const QString bin = qEnvironmentVariable("JASERELLE_BIN_DIR");
        if (bin.isEmpty())
            QSKIP("JASERELLE_BIN_DIR is not set");
        QStringList files;
        for (const auto &sound : soundCommands)
            files << u"sons/"_s + str(sound.file);
        for (const auto name : {incomingCallSound, connectionRefusedSound})
            files << u"sons/"_s + str(name);
        // The lists' arrivals and departures; the black list's are read from the executable's own folder.
        for (const ListSounds &list : {favorisSounds(), listeNoireSounds()})
            files << list.arrival << list.departure;
        // Read by the decoder the player uses: 8- or 16-bit PCM, mono or stereo, 8 to 48 kHz, 0.1 to 3 s.
        for (const QString &file : files) {
            QFile f(bin + u'/' + file);
            QWaveDecoder wav(&f);
            QVERIFY2(f.open(QIODevice::ReadOnly) && wav.open(QIODevice::ReadOnly), qPrintable(file));
            const QAudioFormat format = wav.audioFormat();
            QVERIFY2(format.isValid() && format.bytesPerSample() <= 2 && format.channelCount() <= 2,
                     qPrintable(file));
            QVERIFY2(format.sampleRate() >= 8000 && format.sampleRate() <= 48000 && wav.duration() >= 100 &&
                         wav.duration() <= 3000,
                     qPrintable(file));
        }
    }
};

QTEST_MAIN(TestAssets)
#include "test_assets.moc"
