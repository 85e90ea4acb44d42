#include "client/assets/artwork.h"
#include "client/conversation/smileys.h"
#include "client/conversation/soundcommands.h"
#include "wavheader.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSvgRenderer>
#include <QtTest>

using namespace jaserelle;

namespace {

QString str(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// How much of an image is actually drawn on.
double coveredFraction(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    qsizetype drawn = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(argb.pixel(x, y)) > 0)
                ++drawn;
        }
    }
    return double(drawn) / double(argb.width() * argb.height());
}

QByteArray wavBytes(quint16 formatTag, quint32 dataBytes, qsizetype actualData)
{
    QByteArray b("RIFF\0\0\0\0WAVEfmt ", 16);
    const auto put16 = [&](quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); };
    const auto put32 = [&](quint32 v) { put16(quint16(v & 0xffff)), put16(quint16(v >> 16)); };
    put32(16);
    put16(formatTag);
    put16(1);
    put32(22050);
    put32(44100);
    put16(2);
    put16(16);
    b.append("data");
    put32(dataBytes);
    b.append(QByteArray(actualData, '\0'));
    return b;
}

} // namespace

class TestAssets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initArtwork(); }

    void everyPictureRendersAtItsSize_data();
    void everyPictureRendersAtItsSize();
    void everyPictureInTheResourcesIsNamedOnce();
    void smileysLeaveAsOpaqueBitmaps();
    void soundTableIsConsistent();
    void everySoundIsAShortPcmWav_data();
    void everySoundIsAShortPcmWav();
    void wavHeaderCheckRefusesWhatPlayersCannotPlay();
};

void TestAssets::everyPictureRendersAtItsSize_data()
{
    QTest::addColumn<int>("index");
    const auto pictures = artwork::all();
    for (std::size_t i = 0; i < pictures.size(); ++i)
        QTest::newRow(pictures[i].path.data()) << int(i);
}

void TestAssets::everyPictureRendersAtItsSize()
{
    QFETCH(int, index);
    const artwork::Picture picture = artwork::all().at(std::size_t(index));
    const QString path = artwork::resourcePath(picture);
    const QSize size = picture.size;
    QVERIFY2(QFile::exists(path), "missing from the resources");
    QSvgRenderer renderer(path);
    QVERIFY(renderer.isValid());
    // Drawn on a canvas of the size the window shows it, so 1x lands on whole pixels.
    QCOMPARE(renderer.defaultSize(), size);

    for (const qreal dpr : {1.0, 2.0}) {
        const QPixmap pixmap = artwork::pixmap(picture, dpr);
        QCOMPARE(pixmap.size(), size * dpr);
        QCOMPARE(pixmap.deviceIndependentSize().toSize(), size);
        const double covered = coveredFraction(pixmap.toImage());
        QVERIFY2(covered > 0.10, qPrintable(QStringLiteral("only %1 of the picture is drawn").arg(covered)));
    }
}

void TestAssets::everyPictureInTheResourcesIsNamedOnce()
{
    QSet<QString> named;
    for (const auto &picture : artwork::all()) {
        const QString path = artwork::resourcePath(picture);
        QVERIFY2(!named.contains(path), qPrintable(path + " is named twice"));
        named.insert(path);
    }
    // A file nobody names is a picture that was meant to be shown somewhere and is not.
    const QStringList files = QDir(QStringLiteral(":/artwork")).entryList(QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &file : files)
        QVERIFY2(named.contains(QStringLiteral(":/artwork/") + file),
                 qPrintable(file + " is not in the table"));
}

void TestAssets::smileysLeaveAsOpaqueBitmaps()
{
    for (std::size_t i = 0; i < smileyCount; ++i) {
        const QImage bitmap = artwork::smileyBitmap(i);
        QCOMPARE(bitmap.size(), artwork::smileyBitmapSize);
        // Bitmaps pasted into RTF carry no alpha: the ground must already be there.
        QVERIFY(!bitmap.hasAlphaChannel());
        QSet<QRgb> colours;
        for (int y = 0; y < bitmap.height(); ++y) {
            for (int x = 0; x < bitmap.width(); ++x)
                colours.insert(bitmap.pixel(x, y));
        }
        QVERIFY2(colours.size() > 20, qPrintable(QStringLiteral("smiley %1 is nearly blank").arg(i)));
    }
}

void TestAssets::soundTableIsConsistent()
{
    // Two effects sharing a file or a picture would make two pad buttons indistinguishable.
    QSet<QString> commands, files, pictures;
    for (const auto &sound : soundCommands) {
        commands.insert(str(sound.command));
        files.insert(str(sound.file));
        pictures.insert(str(sound.padPicture));
    }
    QCOMPARE(commands.size(), qsizetype(soundCommandCount));
    QCOMPARE(files.size(), qsizetype(soundCommandCount));
    QCOMPARE(pictures.size(), qsizetype(soundCommandCount));
    QSet<QString> smileyPictures;
    for (const auto &smiley : smileys)
        smileyPictures.insert(str(smiley.picture));
    QCOMPARE(smileyPictures.size(), qsizetype(smileyCount));
}

void TestAssets::everySoundIsAShortPcmWav_data()
{
    const QString bin = qEnvironmentVariable("JASERELLE_BIN_DIR");
    QTest::addColumn<QString>("file");
    if (bin.isEmpty())
        return;
    const auto add = [&](const QString &file) { QTest::newRow(qPrintable(file)) << file; };
    for (const auto &sound : soundCommands)
        add(bin + QStringLiteral("/sons/") + str(sound.file));
    for (const auto name :
         {incomingCallSound, connectionRefusedSound, contactArrivalSound, contactDepartureSound})
        add(bin + QStringLiteral("/sons/") + str(name));
    // The black-list arrival and departure sounds are read from the executable's own folder.
    for (const auto name : {contactArrivalSound, contactDepartureSound})
        add(bin + QLatin1Char('/') + str(name));
}

void TestAssets::everySoundIsAShortPcmWav()
{
    if (qEnvironmentVariableIsEmpty("JASERELLE_BIN_DIR"))
        QSKIP("JASERELLE_BIN_DIR is not set");
    QFETCH(QString, file);
    QFile f(file);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file + ": " + f.errorString()));
    const WavHeader wav = parseWavHeader(f.readAll());
    QVERIFY2(wav.error.isEmpty(), qPrintable(wav.error));
    QCOMPARE(wav.formatTag, quint16(1));
    QVERIFY(wav.channels == 1 || wav.channels == 2);
    QVERIFY(wav.bitsPerSample == 8 || wav.bitsPerSample == 16);
    QVERIFY(wav.sampleRate >= 8000 && wav.sampleRate <= 48000);
    QVERIFY2(wav.seconds() > 0.1 && wav.seconds() < 3.0, qPrintable(QString::number(wav.seconds())));
}

void TestAssets::wavHeaderCheckRefusesWhatPlayersCannotPlay()
{
    QVERIFY(parseWavHeader(wavBytes(1, 8, 8)).error.isEmpty());
    QCOMPARE(parseWavHeader(wavBytes(1, 8, 8)).seconds(), 4.0 / 22050);
    QCOMPARE(parseWavHeader(wavBytes(3, 8, 8)).formatTag, quint16(3)); // float: the test above refuses it
    QVERIFY(!parseWavHeader(wavBytes(1, 800, 8)).error.isEmpty());     // truncated
    QVERIFY(!parseWavHeader(QByteArray("RIFF\0\0\0\0AVI ", 12)).error.isEmpty());
    QVERIFY(!parseWavHeader(wavBytes(1, 8, 8).left(30)).error.isEmpty());
}

QTEST_MAIN(TestAssets)
#include "test_assets.moc"
