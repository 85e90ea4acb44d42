#include "client/conversation/rtffragments.h"

#include "common/cp1252.h"

#include <QList>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace rtffragments {

const QString ownHeader =
    uR"({\rtf1\ansi\deff0\deftab720{\fonttbl{\f0\fswiss MS Sans Serif;}{\f1\froman\fcharset2 Symbol;}})"
    uR"({\colortbl\red0\green0\blue0;\red255\green0\blue0;}\deflang1036\pard\plain\f0\fs17\cf1\b\ul )"_s;

const QString peerHeader =
    uR"({\rtf1\ansi\deff0\deftab720{\fonttbl{\f0\fswiss MS Sans Serif;}{\f1\froman\fcharset2 Symbol;}})"
    uR"({\colortbl\red0\green0\blue0;\red0\green0\blue255;}\deflang1036\pard\plain\f0\fs17\cf1\b\ul )"_s;

const QString nameTrailer = uR"(\plain\f0\fs17\cf1\b  )"_s + u": "_s + uR"(\plain\f0\fs17\par })"_s;

const QString soundNotice =
    uR"({\rtf1\ansi\deff0\deftab720{\fonttbl{\f0\fswiss MS Sans Serif;}{\f1\froman\fcharset2 Symbol;}})"
    uR"({\colortbl\red0\green0\blue0;\red0\green0\blue0;}\deflang1036\pard\plain\f0\fs17\cf1 a envoyé un son)"
    uR"(\plain\f0\fs17\par })"_s;

namespace {

// \uN takes a signed 16-bit number: units above 32767 go negative.
QString unicodeEscape(char16_t unit)
{
    return u"\\u"_s + QString::number(unit > 0x7FFF ? int(unit) - 0x10000 : int(unit));
}

} // namespace

QString escapeText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\\' || c == U'{' || c == U'}') {
            out += u'\\';
            out += QChar(static_cast<char16_t>(c));
        } else if (c < 128) {
            out += QChar(static_cast<char16_t>(c));
        } else if (const auto byte = jaserelle::cp1252::fromUnicode(c)) {
            out += u"\\'"_s + QString::number(*byte, 16).rightJustified(2, u'0');
        } else if (c < 0x10000) {
            out += unicodeEscape(char16_t(c)) + u'?';
        } else {
            // A pair of UTF-16 units with one "?" for the pair: a reader that knows no \u shows
            // one "?" per character, as it always did. \uc0 before the first unit says no
            // fallback follows it, and \uc1 puts the usual one back for the second.
            out += u"\\uc0"_s + unicodeEscape(QChar::highSurrogate(c)) + u"\\uc1"_s +
                   unicodeEscape(QChar::lowSurrogate(c)) + u'?';
        }
    }
    return out;
}

bool hasUnicodeEscape(QStringView rtf)
{
    for (qsizetype i = 0; i + 2 < rtf.size(); ++i) {
        if (rtf[i] != u'\\')
            continue;
        const QChar next = rtf[i + 1];
        if (next == u'u' && (rtf[i + 2] == u'-' || rtf[i + 2].isDigit()))
            return true;
        ++i; // an escaped character, a backslash among them, is not the start of a word
    }
    return false;
}

QString nameLine(bool own, const QString &pseudo)
{
    return (own ? ownHeader : peerHeader) + escapeText(pseudo) + nameTrailer;
}

} // namespace rtffragments

} // namespace jaserelle::client
