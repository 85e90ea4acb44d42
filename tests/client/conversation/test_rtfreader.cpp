#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfreader.h"
#include "client/conversation/rtfwriter.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

using namespace Qt::StringLiterals;

namespace {

// What a reader sees of the HTML: the text, with markup gone.
QString plain(const QString &html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText();
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
        QTest::newRow("markup is text") << uR"({\rtf1 <b>&amp;</b>})"_s << u"<b>&amp;</b>"_s;
        QTest::newRow("unbalanced") << uR"(}}{\rtf1 a{b)"_s << u"ab"_s;
        QTest::newRow("cut escape") << uR"({\rtf1 a\'4)"_s << u"a4"_s;
        QTest::newRow("name line") << rtffragments::nameLine(false, u"b{o}b"_s) << u"b{o}b : \n"_s;
        QTest::newRow("sound notice") << rtffragments::soundNotice << u"a envoyé un son\n"_s;
    }
    void text()
    {
        QFETCH(QString, rtf);
        QFETCH(QString, text);
        QCOMPARE(plain(rtfreader::toHtml(rtf)).replace(QChar::Nbsp, u' '), text);
    }

    void formattingAndColours()
    {
        const QString html = rtfreader::toHtml(rtffragments::nameLine(true, u"alice"_s));
        QVERIFY(html.contains(u"color:#ff0000"_s));
        QVERIFY(html.contains(u"font-weight:bold"_s));
        QVERIFY(html.contains(u"text-decoration:underline"_s));
        QVERIFY(rtfreader::toHtml(rtffragments::nameLine(false, u"bob"_s)).contains(u"color:#0000ff"_s));
    }

    void deepNestingStaysBounded()
    {
        const QString rtf = QString(100000, u'{') + u"x"_s + QString(100000, u'}');
        const QString html = rtfreader::toHtml(rtf);
        QVERIFY(html.size() < 1000);
    }

    // The send box as the peer receives it: formatting and a picture survive the trip.
    void writerRoundTrip()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        bold.setForeground(QColor(0, 128, 0));
        cursor.insertText(u"Salut "_s, bold);
        cursor.insertText(u"{ça}\\"_s, QTextCharFormat());
        cursor.insertBlock();
        QImage smiley(4, 4, QImage::Format_ARGB32);
        smiley.fill(Qt::yellow);
        document.addResource(QTextDocument::ImageResource, QUrl(u"smiley"_s), smiley);
        cursor.insertImage(u"smiley"_s);

        const QString html = rtfreader::toHtml(rtfwriter::fromDocument(document));
        QCOMPARE(plain(html).remove(QChar::ObjectReplacementCharacter), u"Salut {ça}\\\n\n"_s);
        QVERIFY(html.contains(u"color:#008000"_s));
        QVERIFY(html.contains(u"font-weight:bold"_s));
        QVERIFY(html.contains(u"<img src=\"data:image/png;base64,"_s));
    }
};

QTEST_MAIN(TestRtfReader)
#include "test_rtfreader.moc"
