#include "tools/demo-peers/messages.h"

#include "client/assets/artwork.h"
#include "client/conversation/rtfwriter.h"
#include "client/conversation/smileys.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextCursor>
#include <QTextDocument>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace messages {
namespace {

QTextCharFormat memberFormat(const CastMember &member)
{
    QTextCharFormat format;
    format.setFontFamilies({member.font});
    format.setFontPointSize(11);
    format.setForeground(member.colour);
    return format;
}

// The picture the client's smiley pad pastes: the same drawing, at the same size, on white.
QImage smiley(int index)
{
    const std::string_view path = smileys[std::size_t(index) % smileyCount].picture;
    QImage image(artwork::smileyBitmapSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QSvgRenderer renderer(QString::fromLatin1(path.data(), qsizetype(path.size())));
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    return image;
}

} // namespace

QString greeting(const CastMember &member, const QString &user)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat bold = memberFormat(member);
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(member.hello + u' ' + user + u" !"_s, bold);
    cursor.insertText(u" "_s + member.line + u' ', memberFormat(member));
    cursor.insertImage(smiley(member.smiley));
    return rtfwriter::fromDocument(document);
}

QString reply(const CastMember &member, const QString &text)
{
    QTextDocument document;
    QTextCursor(&document).insertText(text, memberFormat(member));
    return rtfwriter::fromDocument(document);
}

} // namespace messages
