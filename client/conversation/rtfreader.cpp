#include "client/conversation/rtfreader.h"

#include "common/cp1252.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace rtfreader {

namespace {

// Deeper groups than this are read as skipped: a peer cannot make the reader's stack grow
// without bound.
constexpr int maxDepth = 64;

enum class Destination
{
    Text,
    ColourTable,
    Picture,
    Skip,
};

struct GroupState
{
    Destination destination = Destination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int colour = -1;    // index in the colour table; -1 is the box's own colour
    int halfPoints = 0; // 0: the box's own size
    int unicodeSkip = 1;
    bool operator==(const GroupState &) const = default;
};

class Reader
{
public:
    explicit Reader(const QString &rtf) : in_(rtf) {}

    QString run()
    {
        while (pos_ < in_.size()) {
            const QChar c = in_.at(pos_++);
            if (c == u'{') {
                stack_.append(state_);
                if (stack_.size() > maxDepth)
                    state_.destination = Destination::Skip;
            } else if (c == u'}') {
                endGroup();
            } else if (c == u'\\') {
                controlWord();
            } else if (c == u'\r' || c == u'\n') {
                continue;
            } else {
                character(c.unicode());
            }
        }
        closeSpan();
        return out_;
    }

private:
    void endGroup()
    {
        if (state_.destination == Destination::Picture)
            flushPicture();
        if (!stack_.isEmpty())
            state_ = stack_.takeLast();
    }

    void controlWord()
    {
        if (pos_ >= in_.size())
            return;
        const QChar c = in_.at(pos_);
        if (!c.isLetter()) {
            ++pos_;
            if (c == u'\'') {
                hexCharacter();
            } else if (c == u'*') {
                state_.destination = Destination::Skip;
            } else if (c == u'~') {
                character(0xA0);
            } else if (c == u'\\' || c == u'{' || c == u'}') {
                character(c.unicode());
            }
            return;
        }
        const qsizetype start = pos_;
        while (pos_ < in_.size() && in_.at(pos_).isLetter() && in_.at(pos_).unicode() < 128 &&
               pos_ - start < 32)
            ++pos_;
        const QString word = in_.mid(start, pos_ - start);
        std::optional<int> number;
        const qsizetype numberStart = pos_;
        if (pos_ < in_.size() && in_.at(pos_) == u'-')
            ++pos_;
        while (pos_ < in_.size() && in_.at(pos_).isDigit() && in_.at(pos_).unicode() < 128 &&
               pos_ - numberStart < 10)
            ++pos_;
        if (pos_ > numberStart)
            number = in_.mid(numberStart, pos_ - numberStart).toInt();
        if (pos_ < in_.size() && in_.at(pos_) == u' ')
            ++pos_;
        apply(word, number);
    }

    void apply(const QString &word, std::optional<int> number)
    {
        const bool on = !number || *number != 0;
        if (word == u"par" || word == u"line") {
            character(u'\n');
        } else if (word == u"tab") {
            character(u'\t');
        } else if (word == u"plain") {
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
        } else if (word == u"cf") {
            state_.colour = number.value_or(0);
        } else if (word == u"fs") {
            state_.halfPoints = std::clamp(number.value_or(24), 2, 400);
        } else if (word == u"uc") {
            state_.unicodeSkip = std::clamp(number.value_or(1), 0, 8);
        } else if (word == u"u" && number) {
            character(static_cast<char16_t>(*number < 0 ? *number + 65536 : *number));
            skipFallback();
        } else if (word == u"colortbl") {
            state_.destination = Destination::ColourTable;
        } else if (word == u"red" || word == u"green" || word == u"blue") {
            if (state_.destination == Destination::ColourTable)
                pendingColour_[word] = std::clamp(number.value_or(0), 0, 255);
        } else if (word == u"pict") {
            state_.destination = Destination::Picture;
            pictureHex_.clear();
            pictureType_.clear();
        } else if (word == u"pngblip") {
            pictureType_ = u"png"_s;
        } else if (word == u"jpegblip") {
            pictureType_ = u"jpeg"_s;
        } else if (word == u"fonttbl" || word == u"stylesheet" || word == u"info" || word == u"header" ||
                   word == u"footer" || word == u"object" || word == u"field" || word == u"fldinst" ||
                   word == u"nonshppict" || word == u"themedata" || word == u"listtable") {
            state_.destination = Destination::Skip;
        }
    }

    void skipFallback()
    {
        for (int i = 0; i < state_.unicodeSkip && pos_ < in_.size(); ++i) {
            const QChar c = in_.at(pos_);
            if (c == u'{' || c == u'}')
                return;
            ++pos_;
            if (c == u'\\' && pos_ < in_.size() && in_.at(pos_) == u'\'')
                pos_ = std::min(in_.size(), pos_ + 3);
        }
    }

    void hexCharacter()
    {
        const QString hex = in_.mid(pos_, 2);
        bool ok = false;
        const int byte = hex.toInt(&ok, 16);
        if (!ok || hex.size() != 2)
            return;
        pos_ += 2;
        const char32_t code = jaserelle::cp1252::toUnicode(static_cast<unsigned char>(byte));
        character(static_cast<char16_t>(code));
    }

    void character(char16_t c)
    {
        switch (state_.destination) {
        case Destination::Skip:
            return;
        case Destination::Picture:
            if (QChar(c).isLetterOrNumber() && c < 128)
                pictureHex_ += QChar(c);
            return;
        case Destination::ColourTable:
            if (c == u';') {
                colours_.append(colourName());
                pendingColour_.clear();
            }
            return;
        case Destination::Text:
            break;
        }
        openSpan();
        if (c == u'\n')
            out_ += u"<br>"_s;
        else if (c == u'<')
            out_ += u"&lt;"_s;
        else if (c == u'>')
            out_ += u"&gt;"_s;
        else if (c == u'&')
            out_ += u"&amp;"_s;
        else if (c == u'\t')
            out_ += u"&nbsp;&nbsp;&nbsp;&nbsp;"_s;
        else if (c >= 0x20 || c == 0)
            out_ += QChar(c == 0 ? u' ' : c);
    }

    QString colourName() const
    {
        if (pendingColour_.isEmpty())
            return {};
        return QColor(pendingColour_.value(u"red"_s), pendingColour_.value(u"green"_s),
                      pendingColour_.value(u"blue"_s))
            .name();
    }

    void openSpan()
    {
        if (spanOpen_ && spanState_ == state_)
            return;
        closeSpan();
        QString style;
        if (state_.bold)
            style += u"font-weight:bold;"_s;
        if (state_.italic)
            style += u"font-style:italic;"_s;
        if (state_.underline)
            style += u"text-decoration:underline;"_s;
        if (state_.colour >= 0 && state_.colour < colours_.size() && !colours_.at(state_.colour).isEmpty())
            style += u"color:"_s + colours_.at(state_.colour) + u';';
        if (state_.halfPoints > 0)
            style += u"font-size:"_s + QString::number(state_.halfPoints / 2.0) + u"pt;"_s;
        out_ += u"<span style=\""_s + style + u"\">"_s;
        spanOpen_ = true;
        spanState_ = state_;
    }

    void closeSpan()
    {
        if (spanOpen_)
            out_ += u"</span>"_s;
        spanOpen_ = false;
    }

    void flushPicture()
    {
        if (pictureType_.isEmpty() || pictureHex_.isEmpty())
            return;
        const QByteArray bytes = QByteArray::fromHex(pictureHex_.toLatin1());
        closeSpan();
        out_ += u"<img src=\"data:image/"_s + pictureType_ + u";base64,"_s +
                QString::fromLatin1(bytes.toBase64()) + u"\">"_s;
        pictureHex_.clear();
    }

    const QString &in_;
    qsizetype pos_ = 0;
    QString out_;
    GroupState state_;
    QList<GroupState> stack_;
    QStringList colours_;
    QHash<QString, int> pendingColour_;
    QString pictureHex_;
    QString pictureType_;
    bool spanOpen_ = false;
    GroupState spanState_;
};

} // namespace

QString toHtml(const QString &rtf)
{
    return Reader(rtf).run();
}

} // namespace rtfreader
