#include "client/conversation/rtfreader.h"

#include "client/conversation/rtffonts.h"
#include "client/conversation/rtfpictures.h"
#include "common/cp1252.h"

#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace rtfreader {

namespace {

// Deeper groups than this are read as skipped: a peer cannot make the reader's stack grow
// without bound.
constexpr int maxDepth = 64;
// Pictures past this many in one message are not read: each costs a resource in the box.
constexpr int maxPictures = 4096;

enum class Destination
{
    Text,
    ColourTable,
    FontTable,
    Picture,
    Skip,
};

struct GroupState
{
    Destination destination = Destination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int colour = -1;    // index in the colour table; -1 is the box's own colour
    int halfPoints = 0; // 0: the box's own size
    int font = -1;      // number in the font table; -1: the document's default font
    int unicodeSkip = 1;
    bool operator==(const GroupState &) const = default;
};

enum class PictureKind
{
    Unknown,
    Png,
    Jpeg,
    Emf,
    Wmf,
    Dib,
    Ddb,
};

struct Picture
{
    PictureKind kind = PictureKind::Unknown;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    int bitsPerPixel = 1, planes = 1, widthBytes = 0;
    QByteArray data;
    int nibble = -1; // a first hexadecimal digit waiting for its second
};

struct Font
{
    QString name;
    QFont::StyleHint hint = QFont::AnyStyle;
};

// One run of text in one format, or one picture.
struct Piece
{
    QString text;
    QTextCharFormat format;
    QImage picture;
    QSizeF size;
    bool isPicture = false;
};

// Words that stand for a character.
constexpr std::array<std::pair<QStringView, char16_t>, 17> characterWords{{
    {u"par", u'\n'},
    {u"line", 0x2028},
    {u"tab", u'\t'},
    {u"cell", u'\t'},
    {u"row", u'\n'},
    {u"page", u'\n'},
    {u"sect", u'\n'},
    {u"emdash", 0x2014},
    {u"endash", 0x2013},
    {u"bullet", 0x2022},
    {u"lquote", 0x2018},
    {u"rquote", 0x2019},
    {u"ldblquote", 0x201C},
    {u"rdblquote", 0x201D},
    {u"emspace", 0x2003},
    {u"enspace", 0x2002},
    {u"qmspace", 0x2005},
}};

// Destinations that hold nothing to show.
constexpr std::array<QStringView, 21> skippedDestinations{
    u"stylesheet", u"info",       u"header",    u"headerl",   u"headerr",           u"headerf",
    u"footer",     u"footerl",    u"footerr",   u"footerf",   u"footnote",          u"annotation",
    u"fldinst",    u"nonshppict", u"themedata", u"listtable", u"listoverridetable", u"objdata",
    u"pn",         u"datastore",  u"xmlnstbl",
};

constexpr std::array<std::pair<QStringView, PictureKind>, 6> pictureKinds{{
    {u"pngblip", PictureKind::Png},
    {u"jpegblip", PictureKind::Jpeg},
    {u"emfblip", PictureKind::Emf},
    {u"wmetafile", PictureKind::Wmf},
    {u"dibitmap", PictureKind::Dib},
    {u"wbitmap", PictureKind::Ddb},
}};

// The picture's number words and the field each one sets; scales are percentages kept in 1..1000.
struct PictureNumber
{
    QStringView word;
    int Picture::*field;
    bool scale = false;
};
constexpr std::array<PictureNumber, 9> pictureNumbers{{
    {u"picw", &Picture::picw},
    {u"pich", &Picture::pich},
    {u"picwgoal", &Picture::goalw},
    {u"pichgoal", &Picture::goalh},
    {u"picscalex", &Picture::scalex, true},
    {u"picscaley", &Picture::scaley, true},
    {u"wbmbitspixel", &Picture::bitsPerPixel},
    {u"wbmplanes", &Picture::planes},
    {u"wbmwidthbytes", &Picture::widthBytes},
}};

constexpr std::array<signed char, 128> hexDigits = [] {
    std::array<signed char, 128> table{};
    table.fill(-1);
    for (int i = 0; i < 10; ++i)
        table['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        table['a' + i] = static_cast<signed char>(10 + i);
        table['A' + i] = static_cast<signed char>(10 + i);
    }
    return table;
}();

class Reader
{
public:
    explicit Reader(QStringView rtf) : in_(rtf.utf16()), size_(rtf.size()) {}

    QList<Piece> run()
    {
        while (pos_ < size_) {
            const char16_t c = in_[pos_++];
            if (c == u'{') {
                stack_.append(state_);
                if (stack_.size() > maxDepth)
                    state_.destination = Destination::Skip;
            } else if (c == u'}') {
                endGroup();
            } else if (c == u'\\') {
                controlWord();
            } else if (state_.destination == Destination::Picture) {
                pictureData(pos_ - 1);
            } else if (c != u'\r' && c != u'\n') {
                character(c);
            }
        }
        if (pictureDepth_ >= 0) // a message cut inside a picture still shows one
            flushPicture();
        flushText();
        return std::move(pieces_);
    }

private:
    void endGroup()
    {
        if (stack_.size() == pictureDepth_) {
            pictureDepth_ = -1;
            flushPicture();
        }
        if (!stack_.isEmpty())
            state_ = stack_.takeLast();
    }

    void controlWord()
    {
        if (pos_ >= size_)
            return;
        const char16_t c = in_[pos_];
        if (!isAsciiLetter(c)) {
            ++pos_;
            if (c == u'\'')
                hexCharacter();
            else if (c == u'*')
                ignorable_ = true;
            else if (c == u'~')
                character(0xA0);
            else if (c == u'_')
                character(0x2011);
            else if (c == u'\\' || c == u'{' || c == u'}')
                character(c);
            else if (c == u'\r' || c == u'\n')
                character(u'\n');
            return;
        }
        const qsizetype start = pos_;
        while (pos_ < size_ && isAsciiLetter(in_[pos_]) && pos_ - start < 32)
            ++pos_;
        const QStringView word(in_ + start, pos_ - start);
        std::optional<int> number;
        const bool negative = pos_ + 1 < size_ && in_[pos_] == u'-' && isDigit(in_[pos_ + 1]);
        if (negative)
            ++pos_;
        if (pos_ < size_ && isDigit(in_[pos_])) {
            qint64 value = 0;
            for (int digits = 0; pos_ < size_ && isDigit(in_[pos_]) && digits < 10; ++digits)
                value = value * 10 + (in_[pos_++] - u'0');
            value = std::clamp<qint64>(negative ? -value : value, -2147483647, 2147483647);
            number = static_cast<int>(value);
        }
        if (pos_ < size_ && in_[pos_] == u' ')
            ++pos_;
        const bool wasIgnorable = std::exchange(ignorable_, false);
        // A destination marked ignorable that this reader does not know is skipped whole.
        if (!apply(word, number) && wasIgnorable)
            state_.destination = Destination::Skip;
    }

    bool apply(QStringView word, std::optional<int> number)
    {
        const bool on = !number || *number != 0;
        for (const auto &[name, c] : characterWords) {
            if (word == name) {
                character(c);
                return true;
            }
        }
        if (state_.destination == Destination::Picture)
            return pictureWord(word, number);
        if (word == u"plain") {
            const GroupState keep = state_;
            state_ = GroupState{};
            state_.destination = keep.destination;
            state_.unicodeSkip = keep.unicodeSkip;
        } else if (word == u"b") {
            state_.bold = on;
        } else if (word == u"i") {
            state_.italic = on;
        } else if (word == u"ul") {
            state_.underline = on;
        } else if (word == u"ulnone") {
            state_.underline = false;
        } else if (word == u"strike") {
            state_.strike = on;
        } else if (word == u"cf") {
            state_.colour = number.value_or(0);
        } else if (word == u"fs") {
            state_.halfPoints = std::clamp(number.value_or(24), 2, 400);
        } else if (word == u"f") {
            if (state_.destination == Destination::FontTable) {
                fontNumber_ = number.value_or(0);
                fontName_.clear();
                fontHint_ = QFont::AnyStyle;
            } else {
                state_.font = number.value_or(0);
            }
        } else if (word == u"deff") {
            defaultFont_ = number.value_or(0);
        } else if (word.size() > 1 && word.front() == u'f' &&
                   rtffonts::hintForKeyword(word.sliced(1)) != QFont::AnyStyle) {
            if (state_.destination == Destination::FontTable)
                fontHint_ = rtffonts::hintForKeyword(word.sliced(1));
        } else if (word == u"uc") {
            state_.unicodeSkip = std::clamp(number.value_or(1), 0, 8);
        } else if (word == u"u") {
            if (number)
                character(static_cast<char16_t>(*number < 0 ? *number + 65536 : *number));
            skipFallback();
        } else if (word == u"bin") {
            skip(number.value_or(0));
        } else if (word == u"fonttbl") {
            state_.destination = Destination::FontTable;
        } else if (word == u"colortbl") {
            state_.destination = Destination::ColourTable;
        } else if (word == u"red" || word == u"green" || word == u"blue") {
            if (state_.destination == Destination::ColourTable) {
                const int value = std::clamp(number.value_or(0), 0, 255);
                (word == u"red" ? pendingRed_ : word == u"green" ? pendingGreen_ : pendingBlue_) = value;
                colourPending_ = true;
            }
        } else if (word == u"pict") {
            if (state_.destination != Destination::Text || pictures_ >= maxPictures) {
                state_.destination = Destination::Skip;
            } else {
                flushText();
                state_.destination = Destination::Picture;
                picture_ = Picture{};
                pictureDepth_ = stack_.size();
            }
        } else if (word == u"shppict" || word == u"object" || word == u"result" || word == u"field" ||
                   word == u"fldrslt") {
            // Read as text: the picture in a \shppict, what an object or a field shows.
        } else if (std::find(skippedDestinations.begin(), skippedDestinations.end(), word) !=
                   skippedDestinations.end()) {
            state_.destination = Destination::Skip;
        } else {
            return false;
        }
        return true;
    }

    bool pictureWord(QStringView word, std::optional<int> number)
    {
        const int value = number.value_or(0);
        for (const auto &[name, kind] : pictureKinds) {
            if (word == name) {
                picture_.kind = kind;
                return true;
            }
        }
        for (const PictureNumber &n : pictureNumbers) {
            if (word == n.word) {
                picture_.*n.field = n.scale ? std::clamp(value, 1, 1000) : value;
                return true;
            }
        }
        if (word != u"bin")
            return false;
        binaryPicture(value);
        return true;
    }

    // The picture's bytes as hexadecimal digits, in one pass up to the next group or word.
    void pictureData(qsizetype from)
    {
        qsizetype end = from;
        while (end < size_ && in_[end] != u'{' && in_[end] != u'}' && in_[end] != u'\\')
            ++end;
        QByteArray &data = picture_.data;
        const qsizetype old = data.size();
        data.resize(old + (end - from) / 2 + 1);
        char *out = data.data() + old;
        int nibble = picture_.nibble;
        for (const char16_t *p = in_ + from, *stop = in_ + end; p != stop; ++p) {
            if (*p >= 128 || hexDigits[*p] < 0)
                continue;
            if (nibble < 0) {
                nibble = hexDigits[*p];
            } else {
                *out++ = static_cast<char>((nibble << 4) | hexDigits[*p]);
                nibble = -1;
            }
        }
        data.resize(out - data.data());
        picture_.nibble = nibble;
        pos_ = end;
    }

    // \binN: N bytes as they are, each read here as the character its Windows-1252 byte gave.
    void binaryPicture(int count)
    {
        const qsizetype n = std::clamp<qsizetype>(count, 0, size_ - pos_);
        QByteArray &data = picture_.data;
        data.reserve(data.size() + n);
        for (qsizetype i = 0; i < n; ++i)
            data.append(static_cast<char>(jaserelle::cp1252::fromUnicode(in_[pos_ + i]).value_or('?')));
        pos_ += n;
    }

    void skip(int count) { pos_ += std::clamp<qsizetype>(count, 0, size_ - pos_); }

    void skipFallback()
    {
        for (int i = 0; i < state_.unicodeSkip && pos_ < size_; ++i) {
            const char16_t c = in_[pos_];
            if (c == u'{' || c == u'}')
                return;
            ++pos_;
            if (c == u'\\' && pos_ < size_ && in_[pos_] == u'\'')
                pos_ = std::min(size_, pos_ + 3);
        }
    }

    void hexCharacter()
    {
        if (pos_ + 2 > size_ || in_[pos_] >= 128 || in_[pos_ + 1] >= 128 || hexDigits[in_[pos_]] < 0 ||
            hexDigits[in_[pos_ + 1]] < 0)
            return;
        const int byte = hexDigits[in_[pos_]] * 16 + hexDigits[in_[pos_ + 1]];
        pos_ += 2;
        character(static_cast<char16_t>(jaserelle::cp1252::toUnicode(static_cast<unsigned char>(byte))));
    }

    void character(char16_t c)
    {
        switch (state_.destination) {
        case Destination::Skip:
        case Destination::Picture:
            return;
        case Destination::ColourTable:
            if (c == u';') {
                colours_.append(colourPending_ ? QColor(pendingRed_, pendingGreen_, pendingBlue_) : QColor());
                colourPending_ = false;
                pendingRed_ = pendingGreen_ = pendingBlue_ = 0;
            }
            return;
        case Destination::FontTable:
            if (c == u';') {
                fonts_.insert(fontNumber_, {fontName_.trimmed(), fontHint_});
                fontName_.clear();
            } else if (fontName_.size() < 64) {
                fontName_ += QChar(c);
            }
            return;
        case Destination::Text:
            break;
        }
        if (c < 0x20 && c != u'\n' && c != u'\t' && c != 0)
            return;
        // \ucN changes how text is read, not how it looks: a surrogate pair written across one
        // stays in one run.
        if (!text_.isEmpty() && !looksTheSame(textState_, state_))
            flushText();
        textState_ = state_;
        text_ += QChar(c == 0 ? u' ' : c);
    }

    static bool looksTheSame(GroupState a, const GroupState &b)
    {
        a.unicodeSkip = b.unicodeSkip;
        return a == b;
    }

    QTextCharFormat format(const GroupState &state) const
    {
        QTextCharFormat f;
        if (state.bold)
            f.setFontWeight(QFont::Bold);
        if (state.italic)
            f.setFontItalic(true);
        if (state.underline)
            f.setFontUnderline(true);
        if (state.strike)
            f.setFontStrikeOut(true);
        if (state.colour >= 0 && state.colour < colours_.size() && colours_.at(state.colour).isValid())
            f.setForeground(colours_.at(state.colour));
        if (state.halfPoints > 0)
            f.setFontPointSize(state.halfPoints / 2.0);
        const auto font = fonts_.constFind(state.font >= 0 ? state.font : defaultFont_);
        if (font != fonts_.constEnd() && !font->name.isEmpty()) {
            f.setFontFamilies(QStringList{font->name});
            f.setFontStyleHint(rtffonts::hintForKeyword(rtffonts::keywordFor(font->name, font->hint)));
        }
        return f;
    }

    void flushText()
    {
        if (text_.isEmpty())
            return;
        pieces_.append({std::exchange(text_, {}), format(textState_), {}, {}, false});
    }

    void flushPicture()
    {
        ++pictures_;
        const Picture &p = picture_;
        QImage image;
        // Each picture may be as large as the decoders allow, but a message of many such (small
        // compressed data can promise a large picture) gets placeholders once the budget is spent.
        const PictureKind kind = pixelBudget_ > 0 ? p.kind : PictureKind::Unknown;
        switch (kind) {
        case PictureKind::Png:
            image = rtfpictures::fromCompressed(p.data, "png");
            break;
        case PictureKind::Jpeg:
            image = rtfpictures::fromCompressed(p.data, "jpeg");
            break;
        case PictureKind::Emf:
            image = rtfpictures::fromEmf(p.data);
            break;
        case PictureKind::Wmf:
            image = rtfpictures::fromWmf(p.data);
            break;
        case PictureKind::Dib:
            image = rtfpictures::fromDib(p.data);
            break;
        case PictureKind::Ddb:
            if (p.planes == 1)
                image = rtfpictures::fromDdb(p.data, p.picw, p.pich, p.bitsPerPixel, p.widthBytes);
            break;
        case PictureKind::Unknown:
            break;
        }
        picture_.data = {};
        pixelBudget_ -= qint64(image.width()) * image.height();
        if (image.isNull()) {
            const QImage placeholder = rtfpictures::placeholder();
            pieces_.append({{}, {}, placeholder, QSizeF(placeholder.size()), true});
            return;
        }
        // Goals are in twips; a metafile's own extent in hundredths of a millimetre; a bitmap's in
        // pixels.
        const bool metafile = p.kind == PictureKind::Wmf || p.kind == PictureKind::Emf;
        const auto side = [metafile](int goal, int own, int natural, int scale) {
            double pixels = natural;
            if (goal > 0)
                pixels = goal / 15.0;
            else if (own > 0)
                pixels = metafile ? own * 96.0 / 2540.0 : own;
            return std::clamp(std::round(pixels * scale / 100.0), 1.0, double(rtfpictures::maxSide));
        };
        pieces_.append({{},
                        {},
                        image,
                        QSizeF(side(p.goalw, p.picw, image.width(), p.scalex),
                               side(p.goalh, p.pich, image.height(), p.scaley)),
                        true});
    }

    static bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
    static bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

    const char16_t *in_;
    qsizetype size_;
    qsizetype pos_ = 0;
    GroupState state_;
    QList<GroupState> stack_;
    bool ignorable_ = false;

    QList<QColor> colours_;
    bool colourPending_ = false;
    int pendingRed_ = 0, pendingGreen_ = 0, pendingBlue_ = 0;

    QHash<int, Font> fonts_;
    int defaultFont_ = 0;
    int fontNumber_ = 0;
    QString fontName_;
    QFont::StyleHint fontHint_ = QFont::AnyStyle;

    Picture picture_;
    qsizetype pictureDepth_ = -1;
    int pictures_ = 0;
    qint64 pixelBudget_ = 2 * rtfpictures::maxPixels;

    QString text_;
    GroupState textState_;
    QList<Piece> pieces_;
};

QString htmlStyle(const QTextCharFormat &f)
{
    QString style;
    if (f.fontWeight() >= QFont::Bold)
        style += u"font-weight:bold;"_s;
    if (f.fontItalic())
        style += u"font-style:italic;"_s;
    if (f.fontUnderline() || f.fontStrikeOut())
        style += f.fontUnderline() ? u"text-decoration:underline;"_s : u"text-decoration:line-through;"_s;
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        style += u"color:"_s + f.foreground().color().name() + u';';
    if (f.hasProperty(QTextFormat::FontPointSize))
        style += u"font-size:"_s + QString::number(f.fontPointSize()) + u"pt;"_s;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty()) {
        // The name comes from the peer: only what cannot leave the attribute or the value.
        QString name = families.first();
        name.removeIf([](QChar c) { return !c.isLetterOrNumber() && c != u' ' && c != u'-'; });
        style += u"font-family:'"_s + name + u"';"_s;
    }
    return style;
}

QString htmlText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\n' || c == QChar::LineSeparator)
            out += u"<br>"_s;
        else if (c == u'<')
            out += u"&lt;"_s;
        else if (c == u'>')
            out += u"&gt;"_s;
        else if (c == u'&')
            out += u"&amp;"_s;
        else if (c == u'\t')
            out += u"&nbsp;&nbsp;&nbsp;&nbsp;"_s;
        else
            out += c;
    }
    return out;
}

} // namespace

void insert(QTextCursor &cursor, QStringView rtf)
{
    QTextDocument *document = cursor.document();
    if (!document)
        return;
    // Names stay unique in the document across every message it receives.
    static constexpr char counterProperty[] = "rtfreaderPictures";
    int counter = document->property(counterProperty).toInt();
    for (const Piece &piece : Reader(rtf).run()) {
        if (!piece.isPicture) {
            cursor.insertText(piece.text, piece.format);
            continue;
        }
        const QUrl name(u"rtfpicture:"_s + QString::number(++counter));
        document->addResource(QTextDocument::ImageResource, name, piece.picture);
        QTextImageFormat format;
        format.setName(name.toString());
        format.setWidth(piece.size.width());
        format.setHeight(piece.size.height());
        cursor.insertImage(format);
    }
    document->setProperty(counterProperty, counter);
}

QString toHtml(const QString &rtf)
{
    QString out;
    for (const Piece &piece : Reader(rtf).run()) {
        if (!piece.isPicture) {
            out += u"<span style=\""_s + htmlStyle(piece.format) + u"\">"_s + htmlText(piece.text) +
                   u"</span>"_s;
            continue;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        piece.picture.save(&buffer, "PNG");
        out += u"<img src=\"data:image/png;base64,"_s + QString::fromLatin1(png.toBase64()) +
               u"\" width=\""_s + QString::number(qRound(piece.size.width())) + u"\" height=\""_s +
               QString::number(qRound(piece.size.height())) + u"\">"_s;
    }
    return out;
}

} // namespace rtfreader

} // namespace jaserelle::client
