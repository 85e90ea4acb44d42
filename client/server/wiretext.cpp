#include "client/server/wiretext.h"

#include "common/cp1252.h"

#include <array>

namespace jaserelle::client {

namespace wiretext {

namespace {

// Every byte's character, worked out once: a whole packet converts in one pass over its bytes.
const std::array<char16_t, 256> &byteCharacters()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = static_cast<char16_t>(jaserelle::cp1252::toUnicode(static_cast<unsigned char>(b)));
        return t;
    }();
    return table;
}

} // namespace

QByteArray toWire(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    const auto *src = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *end = src + text.size();
    while (src != end) {
        const char16_t c = *src++;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            *dst++ = static_cast<char>(c);
            continue;
        }
        // A surrogate pair is one character the code page lacks: one '?'.
        if (QChar::isHighSurrogate(c) && src != end && QChar::isLowSurrogate(*src))
            ++src;
        const auto byte = jaserelle::cp1252::fromUnicode(c);
        *dst++ = byte ? static_cast<char>(*byte) : '?';
    }
    out.truncate(dst - out.data());
    return out;
}

QString fromWire(QByteArrayView bytes)
{
    // Latin-1 widening is vectorised; only 0x80-0x9F differ in Windows-1252 and are fixed after.
    QString out = QString::fromLatin1(bytes.data(), bytes.size());
    const auto &table = byteCharacters();
    auto *p = reinterpret_cast<char16_t *>(out.data());
    for (char16_t *end = p + out.size(); p != end; ++p)
        *p = (*p & 0xFFE0) == 0x80 ? table[*p] : *p;
    return out;
}

} // namespace wiretext

} // namespace jaserelle::client
