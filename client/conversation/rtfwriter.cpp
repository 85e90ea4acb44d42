#include "client/conversation/rtfwriter.h"

#include "client/conversation/peerframer.h"
#include "client/conversation/rtffonts.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfpictures.h"

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <cmath>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace rtfwriter {

namespace {

int indexOf(QStringList &table, const QString &entry)
{
    qsizetype i = table.indexOf(entry);
    if (i < 0) {
        table.append(entry);
        i = table.size() - 1;
    }
    return static_cast<int>(i);
}

// Pictures leave as a 24-bit bitmap in a Windows metafile, the form every peer's box shows; the
// extent in hundredths of a millimetre and the goal in twips give the size shown in the send box.
// Bitmap bytes one message may carry: their hexadecimal stays under what a peer accepts as one
// packet, so a large photo arrives smaller rather than not at all.
constexpr qint64 pictureBytesPerMessage = PacketReassembler::defaultMaxPacketBytes * 7 / 16;

QString picture(const QTextDocument &document, const QTextImageFormat &format, qint64 &budget)
{
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QImage image = resource.value<QImage>();
    if (image.isNull())
        image = QImage(format.name());
    if (image.isNull())
        return {};
    const double width = format.width() > 0 ? format.width() : image.width();
    const double height = format.height() > 0 ? format.height() : image.height();
    const qint64 bytes = qint64(image.width()) * image.height() * 3;
    if (bytes > budget) {
        const double scale = std::sqrt(double(std::max<qint64>(budget, 0)) / double(bytes));
        image =
            image.scaled(std::max(1, int(image.width() * scale)), std::max(1, int(image.height() * scale)),
                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    budget -= qint64(image.width()) * image.height() * 3;
    const QByteArray wmf = rtfpictures::toWmf(image);
    if (wmf.isEmpty())
        return {};
    const auto himetric = [](double pixels) { return QString::number(std::lround(pixels * 2540 / 96)); };
    const auto twips = [](double pixels) { return QString::number(std::lround(pixels * 15)); };
    QString out = u"{\\pict\\wmetafile8\\picw"_s + himetric(width) + u"\\pich"_s + himetric(height) +
                  u"\\picwgoal"_s + twips(width) + u"\\pichgoal"_s + twips(height) + u' ';
    // Straight into the text: a screenshot's hexadecimal is tens of megabytes.
    const qsizetype at = out.size();
    out.resize(at + 2 * wmf.size() + 1);
    auto *p = reinterpret_cast<char16_t *>(out.data()) + at;
    static constexpr char16_t digits[] = u"0123456789abcdef";
    for (const char byte : wmf) {
        *p++ = digits[static_cast<uchar>(byte) >> 4];
        *p++ = digits[static_cast<uchar>(byte) & 0x0F];
    }
    *p = u'}';
    return out;
}

} // namespace

QString fromDocument(const QTextDocument &document)
{
    QStringList fonts{document.defaultFont().family()};
    QList<QFont::StyleHint> hints{document.defaultFont().styleHint()};
    qint64 pictureBudget = pictureBytesPerMessage;
    QStringList colours{QColor(Qt::black).name()};
    QString body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            body += u"\\par\n"_s;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                body += picture(document, format.toImageFormat(), pictureBudget);
                continue;
            }
            const QFont font = format.font();
            const QString family = font.family().isEmpty() ? fonts.first() : font.family();
            const QColor colour =
                format.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : format.foreground().color();
            const double points =
                font.pointSizeF() > 0 ? font.pointSizeF() : document.defaultFont().pointSizeF();
            const int fontIndex = indexOf(fonts, family);
            if (fontIndex == hints.size())
                hints.append(font.styleHint());
            body += u"\\plain\\f"_s + QString::number(fontIndex) + u"\\fs"_s +
                    QString::number(std::lround(std::max(points, 1.0) * 2)) + u"\\cf"_s +
                    QString::number(indexOf(colours, colour.name()));
            if (font.bold())
                body += u"\\b"_s;
            if (font.italic())
                body += u"\\i"_s;
            if (font.underline())
                body += u"\\ul"_s;
            body += u' ' + rtffragments::escapeText(fragment.text().replace(QChar::LineSeparator, u'\n'))
                               .replace(u"\n"_s, u"\\line "_s);
        }
    }
    // Only a message that carries characters beyond the code page says how \u is followed: the
    // others leave byte for byte as they always have.
    QString head = u"{\\rtf1\\ansi\\ansicpg1252"_s;
    if (rtffragments::hasUnicodeEscape(body))
        head += u"\\uc1"_s;
    head += u"\\deff0{\\fonttbl"_s;
    for (int i = 0; i < fonts.size(); ++i)
        head += u"{\\f"_s + QString::number(i) + u"\\f"_s +
                rtffonts::keywordFor(fonts.at(i), hints.at(i)).toString() + u' ' +
                rtffragments::escapeText(fonts.at(i)) + u";}"_s;
    head += u"}{\\colortbl "_s;
    for (const QString &name : colours) {
        const QColor c(name);
        head += u"\\red"_s + QString::number(c.red()) + u"\\green"_s + QString::number(c.green()) +
                u"\\blue"_s + QString::number(c.blue()) + u';';
    }
    head += u"}\\pard"_s;
    head.reserve(head.size() + body.size() + 6);
    head += body;
    head += u"\\par }"_s;
    return head;
}

} // namespace rtfwriter

} // namespace jaserelle::client
