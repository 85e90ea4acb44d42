#include "client/conversation/boxpictures.h"

#include "client/conversation/emojiruns.h"

#include <QPixmap>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace jaserelle::client {

namespace boxpictures {

namespace {

QSizeF fitted(QSizeF size, int maxWidth)
{
    if (maxWidth > 0 && size.width() > maxWidth)
        size = QSizeF(maxWidth, size.height() * maxWidth / size.width());
    return size;
}

double luminance(const QColor &colour)
{
    const auto channel = [](float value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

int room(const QTextEdit &box)
{
    // A box not shown yet (the spare laying out a member's last lines before the call rings) has
    // no viewport of its size: its frame says how wide the text will be, less a scroll bar.
    const int width = box.isVisible()
                          ? box.viewport()->width()
                          : box.contentsRect().width() -
                                box.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &box);
    return std::max(16, width - 2 * int(box.document()->documentMargin()) - 4);
}

QColor readable(QColor colour, QColor base, QColor text)
{
    constexpr double enough = 3.0;
    if (contrast(colour, base) >= enough)
        return colour;
    const QColor from = colour.toRgb(), to = text.toRgb();
    // Ten steps are enough to find the first blend that reads; the text colour itself is the
    // last resort.
    for (int step = 1; step <= 10; ++step) {
        const double t = step / 10.0;
        const QColor blend = QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t,
                                              from.greenF() + (to.greenF() - from.greenF()) * t,
                                              from.blueF() + (to.blueF() - from.blueF()) * t);
        if (contrast(blend, base) >= enough)
            return blend;
    }
    return to;
}

void insert(QTextCursor &cursor, const QImage &image, int maxWidth)
{
    static int serial = 0;
    const QString name = QStringLiteral("picture-%1").arg(++serial);
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), QPixmap::fromImage(image));
    QTextImageFormat format;
    format.setName(name);
    const QSizeF size = fitted(image.size(), maxWidth);
    format.setWidth(size.width());
    format.setHeight(size.height());
    cursor.insertImage(format);
}

void settle(QTextDocument &document, int from, int to, int maxWidth, qreal dpr, QColor base, QColor text)
{
    struct Change
    {
        int position, length;
        QTextCharFormat format;
    };
    QList<Change> changes;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= from || fragment.position() >= to)
                continue;
            QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                QTextImageFormat image = format.toImageFormat();
                const QUrl url(image.name());
                const QVariant resource = document.resource(QTextDocument::ImageResource, url);
                const QImage picture = resource.value<QImage>();
                if (picture.isNull())
                    continue;
                const QSizeF shown = fitted(QSizeF(image.width() > 0 ? image.width() : picture.width(),
                                                   image.height() > 0 ? image.height() : picture.height()),
                                            maxWidth);
                const QSize pixels(std::max(1, int(std::ceil(shown.width() * dpr))),
                                   std::max(1, int(std::ceil(shown.height() * dpr))));
                QPixmap copy = QPixmap::fromImage(
                    pixels == picture.size()
                        ? picture
                        : picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                document.addResource(QTextDocument::ImageResource, url, copy);
                image.setWidth(shown.width());
                image.setHeight(shown.height());
                changes.append({fragment.position(), fragment.length(), image});
            } else {
                bool recoloured = false;
                if (format.foreground().style() != Qt::NoBrush && format.foreground().color() == Qt::black) {
                    format.clearForeground();
                    recoloured = true;
                } else if (format.foreground().style() != Qt::NoBrush) {
                    const QColor shown = readable(format.foreground().color(), base, text);
                    recoloured = shown != format.foreground().color();
                    format.setForeground(shown);
                }
                if (recoloured)
                    changes.append({fragment.position(), fragment.length(), format});
                for (const emojiruns::Run &run : emojiruns::find(fragment.text())) {
                    QTextCharFormat colour = format;
                    colour.setFontFamilies({emojiruns::colourFamily});
                    changes.append({fragment.position() + run.start, run.length, colour});
                }
            }
        }
    }
    QTextCursor cursor(&document);
    for (const Change &change : changes) {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
}

} // namespace boxpictures

} // namespace jaserelle::client
