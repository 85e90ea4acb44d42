#include "client/assets/artwork.h"

#include "client/conversation/smileys.h"
#include "client/conversation/soundcommands.h"

#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

// Qt's resource registration names a function of the global namespace, so it cannot be written
// inside the client's namespace.
static void registerAssets()
{
    Q_INIT_RESOURCE(assets);
}

namespace jaserelle::client {

namespace artwork {

Picture face(bool man, bool colour)
{
    if (colour)
        return man ? faceManColour : faceWomanColour;
    return man ? faceManGrey : faceWomanGrey;
}

Picture envelope(bool mailsWaiting)
{
    return mailsWaiting ? envelopeYellow : envelopeGrey;
}

Picture smiley(std::size_t index)
{
    return {smileys.at(index).picture, padPictureSize};
}

Picture soundPad(std::size_t index)
{
    return {soundCommands.at(index).padPicture, padPictureSize};
}

std::vector<Picture> all()
{
    std::vector<Picture> pictures{
        windowIcon,    logo,           secure,         faceManColour,     faceWomanColour, faceManGrey,
        faceWomanGrey, envelopeYellow, envelopeGrey,   handCursorPicture, cloud,           sun,
        telephone,     profileNoPhoto, profileLoading, colourButton,      incomingCall};
    for (std::size_t i = 0; i < smileyCount; ++i)
        pictures.push_back(smiley(i));
    for (std::size_t i = 0; i < soundCommandCount; ++i)
        pictures.push_back(soundPad(i));
    return pictures;
}

QString resourcePath(const Picture &picture)
{
    return QString::fromLatin1(picture.path.data(), qsizetype(picture.path.size()));
}

namespace {

// Renders straight from the vector data at the final pixel size: scaling a small bitmap up is
// what makes icons blurry on HiDPI screens.
void render(const Picture &picture, QImage &image)
{
    QSvgRenderer renderer(resourcePath(picture));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size()) / image.devicePixelRatio()));
}

} // namespace

QPixmap pixmap(const Picture &picture, qreal dpr, QSize logicalSize)
{
    if (logicalSize.isEmpty())
        logicalSize = picture.size;
    if (dpr <= 0)
        dpr = 1.0;
    const QSize pixels(int(std::ceil(logicalSize.width() * dpr)), int(std::ceil(logicalSize.height() * dpr)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);
    render(picture, image);
    return QPixmap::fromImage(image);
}

QIcon icon(const Picture &picture)
{
    QIcon result;
    for (const qreal dpr : {1.0, 2.0})
        result.addPixmap(pixmap(picture, dpr));
    // Title bars and task bars ask for sizes of their own; give them real renderings too.
    if (picture.size.width() == picture.size.height()) {
        for (const int side : {16, 24, 48, 64, 128, 256}) {
            if (side != picture.size.width())
                result.addPixmap(pixmap(picture, 1.0, QSize(side, side)));
        }
    }
    return result;
}

QImage bitmap(const Picture &picture, QSize pixelSize, QColor background)
{
    QImage image(pixelSize, QImage::Format_RGB32);
    image.fill(background);
    render(picture, image);
    return image;
}

QImage smileyBitmap(std::size_t index)
{
    return bitmap(smiley(index), smileyBitmapSize);
}

QCursor handCursor(qreal dpr)
{
    // The tip of the index finger in the drawing, in logical pixels.
    constexpr int hotX = 12;
    constexpr int hotY = 3;
    return QCursor(pixmap(handCursorPicture, dpr), hotX, hotY);
}

} // namespace artwork

void initArtwork()
{
    // Every client of a process shares the one registration.
    static const bool registered = [] {
        ::registerAssets();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace jaserelle::client
