#include "client/conversation/rtfpictures.h"

#include <QBuffer>
#include <QColor>
#include <QImageReader>
#include <QList>
#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

namespace jaserelle::client {

namespace rtfpictures {

namespace {

// Little-endian reads that refuse to pass the end.
struct Bytes
{
    QByteArrayView data;

    bool has(qint64 at, qint64 count) const { return at >= 0 && count >= 0 && at + count <= data.size(); }
    std::optional<quint32> u32(qint64 at) const
    {
        if (!has(at, 4))
            return std::nullopt;
        return qFromLittleEndian<quint32>(data.data() + at);
    }
    std::optional<quint16> u16(qint64 at) const
    {
        if (!has(at, 2))
            return std::nullopt;
        return qFromLittleEndian<quint16>(data.data() + at);
    }
    QByteArrayView from(qint64 at) const { return has(at, 0) ? data.sliced(at) : QByteArrayView(); }
    QByteArrayView slice(qint64 at, qint64 count) const
    {
        return has(at, count) ? data.sliced(at, count) : QByteArrayView();
    }
};

struct RowLayout
{
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    qint64 stride = 0;
    bool topDown = false;
    QList<QRgb> palette;                         // up to 8 bits per pixel
    std::optional<std::array<quint32, 3>> masks; // 16 and 32 bits per pixel: red, green, blue
};

bool sizeAccepted(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide && width * height <= maxPixels;
}

// One channel of a masked pixel, scaled to 0-255.
int channel(quint32 pixel, quint32 mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const quint32 top = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255u / top);
}

QImage decodeRows(QByteArrayView bits, const RowLayout &layout)
{
    const int w = layout.width;
    const int h = layout.height;
    const int bpp = layout.bitsPerPixel;
    if (!sizeAccepted(w, h) || layout.stride <= 0)
        return {};
    // The last row may lack its padding; every other row must be whole.
    const qint64 lastRow = (qint64(w) * bpp + 7) / 8;
    if (layout.stride < lastRow || layout.stride * (h - 1) + lastRow > bits.size())
        return {};

    QImage image;
    if (bpp <= 8) {
        image = QImage(w, h, bpp == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
        QList<QRgb> table = layout.palette;
        table.resize(1 << bpp, qRgb(0, 0, 0));
        image.setColorTable(table);
    } else {
        image = QImage(w, h, QImage::Format_RGB32);
    }
    if (image.isNull())
        return {};

    const auto *base = reinterpret_cast<const uchar *>(bits.data());
    for (int y = 0; y < h; ++y) {
        const uchar *src = base + layout.stride * (layout.topDown ? y : h - 1 - y);
        uchar *dst = image.scanLine(y);
        auto *rgb = reinterpret_cast<QRgb *>(dst);
        switch (bpp) {
        case 1:
        case 8:
            std::memcpy(dst, src, static_cast<size_t>(lastRow));
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
            break;
        case 24:
            for (int x = 0; x < w; ++x, src += 3)
                rgb[x] = qRgb(src[2], src[1], src[0]);
            break;
        case 16:
        case 32: {
            const auto masks =
                layout.masks.value_or(bpp == 16 ? std::array<quint32, 3>{0x7C00, 0x03E0, 0x001F}
                                                : std::array<quint32, 3>{0xFF0000, 0x00FF00, 0x0000FF});
            if (bpp == 32 && masks == std::array<quint32, 3>{0xFF0000, 0x00FF00, 0x0000FF}) {
                for (int x = 0; x < w; ++x)
                    rgb[x] = qFromLittleEndian<quint32>(src + 4 * x) | 0xFF000000u;
                break;
            }
            for (int x = 0; x < w; ++x) {
                const quint32 pixel = bpp == 16 ? qFromLittleEndian<quint16>(src + 2 * x)
                                                : qFromLittleEndian<quint32>(src + 4 * x);
                rgb[x] = qRgb(channel(pixel, masks[0]), channel(pixel, masks[1]), channel(pixel, masks[2]));
            }
            break;
        }
        default:
            return {};
        }
    }
    return image;
}

// BITMAPINFO in `info`, its rows in `bits` (which may follow it in the same bytes).
QImage decodeDib(QByteArrayView info, std::optional<QByteArrayView> separateBits)
{
    const Bytes in{info};
    const auto headerSize = in.u32(0);
    if (!headerSize)
        return {};
    RowLayout layout;
    quint32 compression = 0;
    qint64 colours = 0;
    qint64 at = *headerSize;
    int entrySize = 4;
    if (*headerSize == 12) {
        const auto w = in.u16(4), h = in.u16(6), bpp = in.u16(10);
        if (!w || !h || !bpp)
            return {};
        layout.width = *w;
        layout.height = *h;
        layout.bitsPerPixel = *bpp;
        entrySize = 3;
    } else if (*headerSize >= 40 && *headerSize <= 1024) {
        const auto w = in.u32(4), h = in.u32(8), comp = in.u32(16), used = in.u32(32);
        const auto bpp = in.u16(14);
        if (!w || !h || !bpp || !comp || !used)
            return {};
        const qint64 height = static_cast<qint32>(*h);
        layout.width = static_cast<qint32>(*w) > 0 ? static_cast<int>(std::min<qint64>(*w, maxSide + 1)) : 0;
        layout.topDown = height < 0;
        layout.height = static_cast<int>(std::min<qint64>(height < 0 ? -height : height, maxSide + 1));
        layout.bitsPerPixel = *bpp;
        compression = *comp;
        colours = *used;
        if (compression == 3 || compression == 6) { // BI_BITFIELDS, BI_ALPHABITFIELDS
            const qint64 masksAt = *headerSize >= 52 ? 40 : *headerSize;
            const auto r = in.u32(masksAt), g = in.u32(masksAt + 4), b = in.u32(masksAt + 8);
            if (!r || !g || !b)
                return {};
            layout.masks = std::array<quint32, 3>{*r, *g, *b};
            if (*headerSize < 52)
                at += compression == 6 ? 16 : 12;
        }
    } else {
        return {};
    }
    const int bpp = layout.bitsPerPixel;
    if (bpp <= 8 && colours == 0)
        colours = qint64(1) << bpp;
    if (colours > 4096)
        return {};
    for (qint64 i = 0; i < colours; ++i, at += entrySize) {
        if (!in.has(at, 3))
            return {};
        const auto *p = reinterpret_cast<const uchar *>(info.data() + at);
        if (bpp <= 8 && i < (qint64(1) << bpp))
            layout.palette.append(qRgb(p[2], p[1], p[0]));
    }
    const QByteArrayView bits = separateBits ? *separateBits : in.from(at);
    if (compression == 4 || compression == 5) // BI_JPEG, BI_PNG
        return fromCompressed(bits, compression == 4 ? "jpeg" : "png");
    if (compression != 0 && compression != 3 && compression != 6)
        return {}; // run-length encodings: not sent by the boxes we talk to
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return {};
    layout.stride = ((qint64(layout.width) * bpp + 31) / 32) * 4;
    return decodeRows(bits, layout);
}

} // namespace

QImage fromDib(QByteArrayView packed)
{
    return decodeDib(packed, std::nullopt);
}

QImage fromWmf(QByteArrayView metafile)
{
    const Bytes in{metafile};
    qint64 at = in.u32(0) == 0x9AC6CDD7u ? 22 : 0; // the placeable header
    const auto headerWords = in.u16(at + 2);
    if (!headerWords || *headerWords < 9)
        return {};
    at += qint64(*headerWords) * 2;
    while (true) {
        const auto words = in.u32(at);
        const auto function = in.u16(at + 4);
        if (!words || !function || *words < 3 || !in.has(at, qint64(*words) * 2) || *function == 0)
            return {};
        const QByteArrayView record = in.slice(at, qint64(*words) * 2);
        // Where the bitmap starts in each record that carries one.
        qint64 dib = 0;
        if (*function == 0x0F43) // META_STRETCHDIB
            dib = 6 + 22;
        else if (*function == 0x0B41) // META_DIBSTRETCHBLT
            dib = 6 + 20;
        else if (*function == 0x0940) // META_DIBBITBLT
            dib = 6 + 16;
        if (dib > 0 && record.size() > dib) {
            const QImage image = fromDib(record.sliced(dib));
            if (!image.isNull())
                return image;
        }
        at += record.size();
    }
}

QImage fromEmf(QByteArrayView metafile)
{
    const Bytes in{metafile};
    qint64 at = 0;
    while (true) {
        const auto type = in.u32(at);
        const auto size = in.u32(at + 4);
        if (!type || !size || *size < 8 || !in.has(at, *size) || *type == 14) // EMR_EOF
            return {};
        const Bytes record{in.slice(at, *size)};
        // Where each bitmap record keeps the offsets of its BITMAPINFO and rows.
        qint64 offsets = 0;
        if (*type == 81 || *type == 80) // EMR_STRETCHDIBITS, EMR_SETDIBITSTODEVICE
            offsets = 48;
        else if (*type == 76 || *type == 77) // EMR_BITBLT, EMR_STRETCHBLT
            offsets = 84;
        if (offsets > 0) {
            const auto offInfo = record.u32(offsets), sizeInfo = record.u32(offsets + 4);
            const auto offBits = record.u32(offsets + 8), sizeBits = record.u32(offsets + 12);
            if (offInfo && sizeInfo && offBits && sizeBits && *sizeInfo > 0 &&
                record.has(*offInfo, *sizeInfo) && record.has(*offBits, *sizeBits)) {
                const QImage image =
                    decodeDib(record.slice(*offInfo, *sizeInfo), record.slice(*offBits, *sizeBits));
                if (!image.isNull())
                    return image;
            }
        }
        at += *size;
    }
}

QImage fromDdb(QByteArrayView bits, int width, int height, int bitsPerPixel, int widthBytes)
{
    RowLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitsPerPixel = bitsPerPixel;
    layout.topDown = true;
    layout.stride = widthBytes > 0 ? widthBytes : ((qint64(width) * bitsPerPixel + 15) / 16) * 2;
    // A device bitmap brings no palette: monochrome is black on white, deeper ones get a grey ramp.
    if (bitsPerPixel == 1) {
        layout.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    } else if (bitsPerPixel == 4 || bitsPerPixel == 8) {
        const int n = 1 << bitsPerPixel;
        for (int i = 0; i < n; ++i)
            layout.palette.append(qRgb(i * 255 / (n - 1), i * 255 / (n - 1), i * 255 / (n - 1)));
    } else if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) {
        return {};
    }
    return decodeRows(bits, layout);
}

QImage fromCompressed(QByteArrayView bytes, const char *format)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!size.isValid() || !sizeAccepted(size.width(), size.height()))
        return {};
    QImage image = reader.read();
    if (image.isNull() || !sizeAccepted(image.width(), image.height()))
        return {};
    return image;
}

QImage placeholder()
{
    constexpr int side = 24;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor(0xE0, 0xE0, 0xE0));
    const QRgb ink = qRgb(0x80, 0x80, 0x80);
    for (int i = 0; i < side; ++i) {
        image.setPixel(i, 0, ink);
        image.setPixel(i, side - 1, ink);
        image.setPixel(0, i, ink);
        image.setPixel(side - 1, i, ink);
        image.setPixel(i, i, ink);
        image.setPixel(side - 1 - i, i, ink);
    }
    return image;
}

namespace {

void put16(char *&p, quint16 v)
{
    qToLittleEndian(v, p);
    p += 2;
}

void put32(char *&p, quint32 v)
{
    qToLittleEndian(v, p);
    p += 4;
}

} // namespace

QByteArray toWmf(const QImage &picture)
{
    // Metafile records give sizes as signed 16-bit numbers.
    constexpr int largest = 32767;
    // The box of older peers knows no transparency: what is see-through shows on white.
    QImage image = picture.convertToFormat(QImage::Format_RGB32);
    if (picture.hasAlphaChannel()) {
        image.fill(Qt::white);
        QPainter(&image).drawImage(0, 0, picture);
    }
    if (image.width() > largest || image.height() > largest)
        image = image.scaled(std::min(image.width(), largest), std::min(image.height(), largest),
                             Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.isNull())
        return {};
    const int w = image.width();
    const int h = image.height();
    const qint64 stride = ((qint64(w) * 3 + 3) / 4) * 4;
    const qint64 dibSize = 40 + stride * h;
    const qint64 stretchWords = (6 + 22 + dibSize) / 2;
    constexpr qint64 headerBytes = 18, windowRecordBytes = 10, eofBytes = 6;
    const qint64 total = headerBytes + 2 * windowRecordBytes + stretchWords * 2 + eofBytes;

    QByteArray wmf(total, '\0');
    char *p = wmf.data();
    // METAHEADER: in memory, 9 words, version 3.0, the size and the largest record, in words.
    put16(p, 1);
    put16(p, 9);
    put16(p, 0x0300);
    put32(p, static_cast<quint32>(total / 2));
    put16(p, 0);
    put32(p, static_cast<quint32>(stretchWords));
    put16(p, 0);
    // META_SETWINDOWORG (0, 0) and META_SETWINDOWEXT (the picture's size): y first, then x.
    put32(p, 5);
    put16(p, 0x020B);
    put16(p, 0);
    put16(p, 0);
    put32(p, 5);
    put16(p, 0x020C);
    put16(p, static_cast<quint16>(h));
    put16(p, static_cast<quint16>(w));
    // META_STRETCHDIB: SRCCOPY, RGB colours, the whole source onto the whole window.
    put32(p, static_cast<quint32>(stretchWords));
    put16(p, 0x0F43);
    put32(p, 0x00CC0020);
    put16(p, 0);
    for (const int v : {h, w, 0, 0, h, w, 0, 0})
        put16(p, static_cast<quint16>(v));
    // BITMAPINFOHEADER, 24 bits, no compression, then the rows bottom-up in blue, green, red.
    put32(p, 40);
    put32(p, static_cast<quint32>(w));
    put32(p, static_cast<quint32>(h));
    put16(p, 1);
    put16(p, 24);
    put32(p, 0);
    put32(p, static_cast<quint32>(stride * h));
    put32(p, 3780); // 96 dots per inch, in dots per metre
    put32(p, 3780);
    put32(p, 0);
    put32(p, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        auto *dst = reinterpret_cast<uchar *>(p);
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = static_cast<uchar>(qBlue(src[x]));
            dst[3 * x + 1] = static_cast<uchar>(qGreen(src[x]));
            dst[3 * x + 2] = static_cast<uchar>(qRed(src[x]));
        }
        p += stride; // padding stays zero
    }
    // META_EOF
    put32(p, 3);
    put16(p, 0);
    return wmf;
}

} // namespace rtfpictures

} // namespace jaserelle::client
