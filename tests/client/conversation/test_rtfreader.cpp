#include "client/conversation/boxpictures.h"
#include "client/conversation/emojiruns.h"
#include "client/conversation/peerframer.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfpictures.h"
#include "client/conversation/rtfreader.h"
#include "client/conversation/rtfwriter.h"
#include "client/server/wiretext.h"

#include <QBuffer>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QtEndian>
#include <memory>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

QByteArray le(quint32 v, int bytes)
{
    v = qToLittleEndian(v);
    return QByteArray(reinterpret_cast<const char *>(&v), bytes);
}

// Every picture below is 2 by 2: red, green / blue, white (red, white / white, white in one bit).
QByteArray dib(int bpp, bool topDown = false, quint32 width = 2)
{
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
    QByteArray out =
        le(40, 4) + le(width, 4) + le(topDown ? -2 : 2, 4) + le(1, 2) + le(bpp, 2) + QByteArray(24, '\0');
    for (int i = 0; bpp <= 8 && i < (1 << bpp); ++i) // blue, green, red, 0
        out += le(i < 4 ? colours[bpp == 1 ? 3 * i : i] & 0xFFFFFF : 0, 4);
    const auto pixel = [&](int i) -> quint32 {
        const QRgb c = colours[i];
        if (bpp <= 8)
            return bpp == 1 ? i > 0 : i;
        return bpp == 16 ? (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3 : c & 0xFFFFFF;
    };
    for (int row = 0; row < 2; ++row) {
        const int y = topDown ? row : 1 - row;
        // Pixels narrower than a byte share one, the first in its high bits.
        QByteArray line = bpp < 8 ? le(pixel(2 * y) << (8 - bpp) | pixel(2 * y + 1) << (8 - 2 * bpp), 1)
                                  : le(pixel(2 * y), bpp / 8) + le(pixel(2 * y + 1), bpp / 8);
        out += line.leftJustified((line.size() + 3) / 4 * 4, '\0');
    }
    return out;
}

// A metafile with one bitmap record: `parameters` bytes before the bitmap.
QByteArray wmf(quint16 function, int parameters, const QByteArray &bitmap, bool placeable = false,
               quint32 lieWords = 0)
{
    const QByteArray record = le(function, 2) + QByteArray(parameters, '\0') + bitmap;
    QByteArray out = placeable ? le(0x9AC6CDD7u, 4) + QByteArray(18, '\0') : QByteArray();
    out += le(1, 2) + le(9, 2) + le(0x300, 2) + le(0, 4) + le(0, 2) + le(0, 4) + le(0, 2);
    return out + le(lieWords ? lieWords : (record.size() + 4) / 2, 4) + record + le(3, 4) + le(0, 2);
}

// An enhanced metafile drawing `bitmap` (its first `infoSize` bytes the BITMAPINFO) with one record.
QByteArray emf(quint32 type, const QByteArray &bitmap, int infoSize, quint32 lieOffset = 0)
{
    const int offsets = type == 81 ? 48 : 84;
    const int fixed = offsets + 16 + (type == 81 ? 16 : 0);
    QByteArray record = le(type, 4) + le(fixed + bitmap.size(), 4) + QByteArray(offsets - 8, '\0');
    record += le(lieOffset ? lieOffset : fixed, 4) + le(infoSize, 4) + le(fixed + infoSize, 4) +
              le(bitmap.size() - infoSize, 4);
    record += QByteArray(fixed - record.size(), '\0') + bitmap;
    return le(1, 4) + le(8, 4) + record + le(14, 4) + le(20, 4) + QByteArray(12, '\0');
}

QByteArray compressed(const char *format)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, 8, 8, Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 100);
    return bytes;
}

QString pict(const QString &words, const QByteArray &data)
{
    return u"{\\rtf1{\\pict"_s + words + u' ' + QString::fromLatin1(data.toHex()) + u"}}"_s;
}

// A conversation box after the entries were read into it.
std::unique_ptr<QTextDocument> read(std::initializer_list<QString> entries)
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    for (const QString &rtf : entries)
        rtfreader::insert(cursor, rtf);
    return document;
}

// The pictures a document shows: how many, and the first at the size it is shown.
struct Shown
{
    qsizetype count;
    QImage image;
    QSizeF size;
};

Shown pictures(const QTextDocument &document)
{
    const QChar object = QChar::ObjectReplacementCharacter;
    const QTextImageFormat first = document.find(QString(object)).charFormat().toImageFormat();
    return {document.toPlainText().count(object),
            document.resource(QTextDocument::ImageResource, QUrl(first.name())).value<QImage>(),
            QSizeF(first.width(), first.height())};
}

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 40 && qAbs(qGreen(a) - qGreen(b)) < 40 && qAbs(qBlue(a) - qBlue(b)) < 40;
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void text_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << uR"({\rtf1\ansi Bonjour\par })"_s << u"Bonjour\n"_s;
        QTest::newRow("escapes") << uR"({\rtf1 a\\b\{c\}})"_s << uR"(a\b{c})"_s;
        QTest::newRow("code page") << uR"({\rtf1 \'e7a va \'80})"_s << u"ça va €"_s;
        QTest::newRow("unicode with fallback") << uR"({\rtf1\uc1 \u8364?\u-3913? x})"_s << u"€\uF0B7 x"_s;
        QTest::newRow("tables skipped")
            << uR"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl\red1\green2\blue3;}{\*\generator X;}ok})"_s
            << u"ok"_s;
        QTest::newRow("field result")
            << uR"({\rtf1{\field{\*\fldinst HYPERLINK x}{\fldrslt lien}}})"_s << u"lien"_s;
        QTest::newRow("markup is text") << uR"({\rtf1 <b>&amp;</b>})"_s << u"<b>&amp;</b>"_s;
        QTest::newRow("unbalanced") << uR"(}}{\rtf1 a{b)"_s << u"ab"_s;
        QTest::newRow("cut escape") << uR"({\rtf1 a\'4)"_s << u"a4"_s;
        QTest::newRow("uc0") << uR"({\rtf1\uc0\u1055 x})"_s << u"Пx"_s;
        QTest::newRow("uc2 escaped bytes") << uR"({\rtf1\uc2\u1055\'3f\'3fx})"_s << u"Пx"_s;
        QTest::newRow("pair across uc") << uR"({\rtf1\b\uc0\u-10179\uc1\u-8704?})"_s << u"\U0001F600"_s;
        QTest::newRow("group ends skip") << uR"({\rtf1{\uc3\u1055}ab})"_s << u"Пab"_s;
        QTest::newRow("uc restored by group") << uR"({\rtf1{\uc0 }\u1055?})"_s << u"П"_s;
        QTest::newRow("name line") << rtffragments::nameLine(false, u"b{o}b"_s) << u"b{o}b : \n"_s;
    }
    // Both ways of reading show the same text. A \uN is read as the standard has it: negative
    // numbers are units above 32767, and \ucN says how many fallback characters follow (an escaped
    // byte counts as one; a group end stops the skip).
    void text()
    {
        QFETCH(QString, rtf);
        QFETCH(QString, text);
        const auto document = read({rtf});
        QCOMPARE(document->toPlainText(), text);
        // One run: a pair split over two formats would not join into its character.
        if (!text.contains(u'\n'))
            QCOMPARE(document->begin().begin().fragment().text(), text);
        QCOMPARE(
            QTextDocumentFragment::fromHtml(rtfreader::toHtml(rtf)).toPlainText().replace(QChar::Nbsp, u' '),
            text);
    }

    void pictures_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<QSizeF>("shown");
        QTest::addColumn<bool>("decoded"); // false: the placeholder
        const auto row = [](const char *name, const QString &rtf, QSizeF shown, bool decoded = true) {
            QTest::newRow(name) << rtf << shown << decoded;
        };
        row("metafile stretchdib 24",
            pict(u"\\wmetafile8\\picw53\\pich53\\picwgoal300\\pichgoal150"_s, wmf(0x0F43, 22, dib(24))),
            {20, 10});
        row("metafile dibstretchblt 8", pict(u"\\wmetafile8\\picw106\\pich53"_s, wmf(0x0B41, 20, dib(8))),
            {4, 2});
        row("placeable dibbitblt 4", pict(u"\\wmetafile8"_s, wmf(0x0940, 16, dib(4), true)), {2, 2});
        row("dib 1", pict(u"\\dibitmap0"_s, dib(1)), {2, 2});
        row("dib 32 top-down", pict(u"\\dibitmap0\\picw2\\pich2\\picscalex200"_s, dib(32, true)), {4, 2});
        row("dib 16", pict(u"\\dibitmap0"_s, dib(16)), {2, 2});
        row("device bitmap 24",
            pict(u"\\wbitmap0\\picw2\\pich2\\wbmbitspixel24\\wbmplanes1\\wbmwidthbytes8"_s,
                 dib(24, true).mid(40)),
            {2, 2});
        row("png", pict(u"\\pngblip\\picwgoal120\\pichgoal120"_s, compressed("png")), {8, 8});
        row("jpeg", pict(u"\\jpegblip"_s, compressed("jpeg")), {16, 16});
        row("emf stretchdibits", pict(u"\\emfblip"_s, emf(81, dib(24), 40)), {2, 2});
        row("emf bitblt", pict(u"\\emfblip"_s, emf(76, dib(8), 40 + 1024)), {2, 2});
        const QByteArray raw = dib(24);
        row("binary",
            u"{\\rtf1{\\pict\\dibitmap0\\bin"_s + QString::number(raw.size()) + u' ' +
                wiretext::fromWire(raw) + u"}}"_s,
            {2, 2});
        row("shppict before nonshppict",
            u"{\\rtf1{\\*\\shppict"_s + pict(u"\\dibitmap0"_s, dib(24)) + u"}{\\nonshppict"_s +
                pict(u"\\wmetafile8"_s, wmf(0x0F43, 22, dib(8))) + u"}}"_s,
            {2, 2});
        row("object result",
            u"{\\rtf1{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result"_s +
                pict(u"\\dibitmap0"_s, dib(8)) + u"}}}"_s,
            {2, 2});
        const QSizeF small = rtfpictures::placeholder().size();
        row("size beyond the data", pict(u"\\dibitmap0"_s, dib(24, false, 30000)), small, false);
        row("absurd width", pict(u"\\dibitmap0"_s, dib(24, false, 0x7FFFFFFF)), small, false);
        row("record beyond the file", pict(u"\\wmetafile8"_s, wmf(0x0F43, 22, dib(24), false, 0x7FFFFFF)),
            small, false);
        row("emf offset beyond the record", pict(u"\\emfblip"_s, emf(81, dib(24), 40, 0x7FFFFFF0)), small,
            false);
        row("unknown kind", pict(u"\\macpict"_s, dib(24)), small, false);
        row("cut short", u"{\\rtf1{\\pict\\pngblip 89504e"_s, small, false);
    }
    void pictures()
    {
        QFETCH(QString, rtf);
        QFETCH(QSizeF, shown);
        QFETCH(bool, decoded);
        const Shown found = ::pictures(*read({rtf}));
        QCOMPARE(std::pair(found.count, found.size), std::pair(qsizetype(1), shown));
        const QImage image = found.image;
        if (!decoded) {
            QCOMPARE(image, rtfpictures::placeholder());
            return;
        }
        QVERIFY(near(image.pixel(0, 0), qRgb(255, 0, 0)));
        QVERIFY(near(image.pixel(image.width() - 1, image.height() - 1), qRgb(255, 255, 255)));
        if (QByteArray(QTest::currentDataTag()).contains("stretchdib 24"))
            QVERIFY(near(image.pixel(1, 0), qRgb(0, 255, 0))); // rows read in the right order
    }

    void fonts_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("hint");
        const QString table =
            uR"({\rtf1\deff1{\fonttbl{\f0\fswiss Arial;}{\f1\froman\fcharset0 Times New Roman;})"
            uR"({\f2\fmodern{\*\panose 0}Courier New;}{\f3\fnil Liberation Mono;}})"_s;
        QTest::newRow("default font") << table + u"x}"_s << u"Times New Roman"_s << int(QFont::Serif);
        QTest::newRow("modern") << table + u"\\f2 x}"_s << u"Courier New"_s << int(QFont::Monospace);
        QTest::newRow("family from the name")
            << table + u"\\f3 x}"_s << u"Liberation Mono"_s << int(QFont::Monospace);
        QTest::newRow("no table") << u"{\\rtf1\\f2 x}"_s << QString()
                                  << int(QTextCharFormat().fontStyleHint());
    }
    void fonts()
    {
        QFETCH(QString, rtf);
        QFETCH(QString, family);
        QFETCH(int, hint);
        const QTextCharFormat format = read({rtf})->find(u"x"_s).charFormat();
        QCOMPARE(format.fontFamilies().toStringList().value(0), family);
        QCOMPARE(int(format.fontStyleHint()), hint);
    }

    void nameLineColours()
    {
        const auto document =
            read({rtffragments::nameLine(true, u"alice"_s), rtffragments::nameLine(false, u"bob"_s)});
        const QTextCharFormat own = document->find(u"alice"_s).charFormat();
        QCOMPARE(own.foreground().color(), QColor(Qt::red));
        QVERIFY(own.fontWeight() == QFont::Bold && own.fontUnderline());
        QCOMPARE(document->find(u"bob"_s).charFormat().foreground().color(), QColor(Qt::blue));
    }

    void deepNestingStaysBounded()
    {
        const QString rtf = QString(100000, u'{') + u"x"_s + QString(100000, u'}');
        QVERIFY(read({rtf})->characterCount() < 10);
        QVERIFY(rtfreader::toHtml(rtf).size() < 1000);
    }

    // The send box as the peer receives it (colours and fonts: the window test): text and a picture
    // survive the trip, the picture as a metafile bitmap older peers show, the font under its family.
    void writerRoundTrip()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        QTextCharFormat serif;
        serif.setFontFamilies(QStringList{u"Times New Roman"_s});
        cursor.insertText(u"Salut {ça}\\"_s, serif);
        cursor.insertBlock();
        QImage smiley(3, 2, QImage::Format_ARGB32);
        smiley.fill(Qt::yellow);
        smiley.setPixel(0, 0, qRgba(0, 0, 255, 255));
        smiley.setPixel(2, 1, qRgba(0, 0, 0, 0)); // see-through: white for older peers
        cursor.insertImage(smiley);

        const QString rtf = rtfwriter::fromDocument(document);
        QVERIFY(rtf.contains(u"\\f1\\froman Times New Roman;"_s));
        QVERIFY(rtf.contains(u"{\\pict\\wmetafile8\\picw79\\pich53\\picwgoal45\\pichgoal30 "_s));
        const auto received = read({rtf});
        QCOMPARE(received->toPlainText().remove(QChar::ObjectReplacementCharacter), u"Salut {ça}\\\n\n"_s);
        const QImage shown = ::pictures(*received).image;
        QCOMPARE(QList<QRgb>({shown.pixel(0, 0), shown.pixel(1, 1), shown.pixel(2, 1)}),
                 QList<QRgb>({qRgb(0, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255)}));
    }

    // Every script and emoji: what the message says in the escape a Jaserelle peer reads, what a
    // peer that knows no \u reads instead, one "?" for each character as it always read.
    void everyScript_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped"); // how the text part leaves
        QTest::addColumn<QString>("legacy");  // what a peer without \u shows
        QTest::newRow("code page only") << u"Café à 5 €"_s << uR"(Caf\'e9 \'e0 5 \'80)"_s << u"Café à 5 €"_s;
        QTest::newRow("accents beyond")
            << u"Erdős, Łódź"_s << uR"(Erd\u337?s, \u321?\'f3d\u378?)"_s << u"Erd?s, ?ód?"_s;
        QTest::newRow("cyrillic") << u"Привет"_s << uR"(\u1055?\u1088?\u1080?\u1074?\u1077?\u1090?)"_s
                                  << u"??????"_s;
        QTest::newRow("arabic") << u"مرحبا"_s << uR"(\u1605?\u1585?\u1581?\u1576?\u1575?)"_s << u"?????"_s;
        QTest::newRow("emoji") << u"ok \U0001F600!"_s << uR"(ok \uc0\u-10179\uc1\u-8704?!)"_s << u"ok ?!"_s;
        QTest::newRow("digit after") << u"ő5"_s << uR"(\u337?5)"_s << u"?5"_s;
        QTest::newRow("typed backslash-u") << u"\\u12 ő"_s << uR"(\\u12 \u337?)"_s << u"\\u12 ?"_s;
    }
    void everyScript()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QFETCH(QString, legacy);
        QTextDocument document;
        QTextCursor(&document).insertText(text);
        const QString rtf = rtfwriter::fromDocument(document);
        QVERIFY2(rtf.contains(u' ' + escaped + u"\\par }"_s), qPrintable(rtf));
        // A Jaserelle peer, and this user's own box, show the characters themselves.
        QCOMPARE(read({rtf})->toPlainText(), text + u'\n');
        // The packet is what it always was wherever the code page holds the text; beyond it, one
        // \uc1 in the header and the escapes, which an older reader drops to keep their "?".
        QTextDocument before;
        QTextCursor(&before).insertText(legacy);
        QString dropped = rtf;
        dropped.remove(QRegularExpression(uR"((?<!\\)\\uc?-?\d+)"_s));
        QCOMPARE(wiretext::toWire(dropped), wiretext::toWire(rtfwriter::fromDocument(before)));
        QCOMPARE(rtf.startsWith(u"{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0"_s), text != legacy);
        QCOMPARE(read({dropped})->toPlainText(), legacy + u'\n');
    }

    // Where the boxes switch to the colour font: each emoji with what belongs to it, emoji side
    // by side as one stretch, symbols that are text by default only when asked to be emoji.
    void emojiRuns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("runs"); // start, length, start, length...
        QTest::newRow("no emoji") << u"Привет, مرحبا, Erdős ©™ → ⌘"_s << QList<int>{};
        QTest::newRow("beyond the BMP") << u"Salut \U0001F600 !"_s << QList<int>{6, 2};
        QTest::newRow("side by side") << u"\u2764\uFE0F\U0001F339 ok"_s << QList<int>{0, 4};
        QTest::newRow("skin tone") << u"a\U0001F44D\U0001F3FD"_s << QList<int>{1, 4};
        QTest::newRow("joined family")
            << u"\U0001F468\u200D\U0001F469\u200D\U0001F467."_s << QList<int>{0, 8};
        QTest::newRow("flag") << u"\U0001F1EB\U0001F1F7 et \u2615"_s << QList<int>{0, 4, 8, 1};
        QTest::newRow("symbol asked to be emoji") << u"\u00A9\uFE0F \u2194\uFE0F"_s << QList<int>{0, 2, 3, 2};
        QTest::newRow("keycap") << u"n\u00B0 1\uFE0F\u20E3"_s << QList<int>{3, 3};
        QTest::newRow("text presentation") << u"\u263A\uFE0E \u263A"_s << QList<int>{3, 1};
        QTest::newRow("joiner at the end") << u"\U0001F600\u200D"_s << QList<int>{0, 2};
    }
    void emojiRuns()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, runs);
        QList<int> found;
        for (const emojiruns::Run &run : emojiruns::find(text))
            found << run.start << run.length;
        QCOMPARE(found, runs);
    }

    // A received entry shows its emoji in the colour font, and nothing else changes font.
    void emojiShownInColour()
    {
        QTextDocument box;
        QTextCursor cursor(&box);
        rtfreader::insert(cursor, u"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Oui "_s +
                                      rtffragments::escapeText(u"\U0001F3AC à 20 h"_s) + u"\\par }"_s);
        boxpictures::settle(box, 0, cursor.position(), 300, 1.0);
        QStringList families;
        for (QTextBlock block = box.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it)
                families << it.fragment().text() + u'|' +
                                it.fragment().charFormat().fontFamilies().toStringList().join(u',');
        }
        QCOMPARE(families, (QStringList{u"Oui |Arial"_s, u"\U0001F3AC|"_s + emojiruns::colourFamily,
                                        u" à 20 h|Arial"_s}));
    }

    // A photo larger than one packet may hold arrives smaller, shown at its size, rather than not at all.
    void largePictureFitsOnePacket()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        QImage photo(2400, 1800, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        cursor.insertImage(photo);
        const QString rtf = rtfwriter::fromDocument(document);
        QVERIFY(rtf.size() < PacketReassembler::defaultMaxPacketBytes);
        QCOMPARE(::pictures(*read({rtf})).size, QSizeF(2400, 1800));
    }
};

QTEST_MAIN(TestRtfReader)
#include "test_rtfreader.moc"
