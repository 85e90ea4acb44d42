#pragma once

#include <QByteArrayView>
#include <QImage>

namespace jaserelle::client {

// Decoders for the pictures a rich text message embeds, as pure functions over bytes. Each returns
// a null image when the bytes are not a picture it can show. The bytes come from another machine:
// a header that promises more than the data holds, or a size beyond the limits below, is refused
// before anything is allocated, and nothing is read past the end.
namespace rtfpictures {

// Largest picture accepted, in pixels and on either side.
inline constexpr qint64 maxPixels = qint64(1) << 25;
inline constexpr int maxSide = 32767;

// A device-independent bitmap as Windows packs it: BITMAPINFOHEADER (or the older
// BITMAPCOREHEADER), colour masks and palette, then the rows. 1, 4, 8, 16, 24 and 32 bits per
// pixel, rows bottom-up or top-down; PNG and JPEG bodies too.
QImage fromDib(QByteArrayView packed);

// A Windows metafile (with or without its placeable header): the first bitmap it draws with
// META_STRETCHDIB, META_DIBSTRETCHBLT or META_DIBBITBLT.
QImage fromWmf(QByteArrayView metafile);

// An enhanced metafile: the first bitmap it draws with EMR_STRETCHDIBITS, EMR_SETDIBITSTODEVICE,
// EMR_BITBLT or EMR_STRETCHBLT.
QImage fromEmf(QByteArrayView metafile);

// A device-dependent bitmap: bare rows, top-down, `widthBytes` apart (0: the word-aligned width).
QImage fromDdb(QByteArrayView bits, int width, int height, int bitsPerPixel, int widthBytes);

// PNG or JPEG ("png", "jpeg"), refused when its header announces more than the limits.
QImage fromCompressed(QByteArrayView bytes, const char *format);

// What a picture that cannot be shown shows instead: a small framed cross.
QImage placeholder();

// The bitmap a message carries to peers of every age: a Windows metafile holding one
// META_STRETCHDIB of a 24-bit bottom-up bitmap of `image` (pictures wider or taller than a
// metafile can say are scaled down first).
QByteArray toWmf(const QImage &image);

} // namespace rtfpictures

} // namespace jaserelle::client
