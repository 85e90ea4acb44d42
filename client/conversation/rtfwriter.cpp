#include "client/conversation/rtfwriter.h"

#include "client/conversation/rtffragments.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <cmath>

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

QString picture(const QTextDocument &document, const QTextImageFormat &format)
{
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QImage image = resource.value<QImage>();
    if (image.isNull())
        image = QImage(format.name());
    if (image.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return u"{\\pict\\pngblip\\picw"_s + QString::number(image.width()) + u"\\pich"_s +
           QString::number(image.height()) + u' ' + QString::fromLatin1(png.toHex()) + u'}';
}

} // namespace

QString fromDocument(const QTextDocument &document)
{
    QStringList fonts{document.defaultFont().family()};
    QStringList colours{QColor(Qt::black).name()};
    QString body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            body += u"\\par\n"_s;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                body += picture(document, format.toImageFormat());
                continue;
            }
            const QFont font = format.font();
            const QString family = font.family().isEmpty() ? fonts.first() : font.family();
            const QColor colour =
                format.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : format.foreground().color();
            const double points =
                font.pointSizeF() > 0 ? font.pointSizeF() : document.defaultFont().pointSizeF();
            body += u"\\plain\\f"_s + QString::number(indexOf(fonts, family)) + u"\\fs"_s +
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
    QString head = u"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl"_s;
    for (int i = 0; i < fonts.size(); ++i)
        head += u"{\\f"_s + QString::number(i) + u' ' + rtffragments::escapeText(fonts.at(i)) + u";}"_s;
    head += u"}{\\colortbl "_s;
    for (const QString &name : colours) {
        const QColor c(name);
        head += u"\\red"_s + QString::number(c.red()) + u"\\green"_s + QString::number(c.green()) +
                u"\\blue"_s + QString::number(c.blue()) + u';';
    }
    head += u"}\\pard"_s;
    return head + body + u"\\par }"_s;
}

} // namespace rtfwriter
