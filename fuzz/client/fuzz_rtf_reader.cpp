// Whatever RTF another client sends for the conversation box: the reader ends, its HTML stays
// within a bounded multiple of the input, and no '<' of the input survives as markup.
#include "client/conversation/rtfreader.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace jaserelle::client;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString rtf =
        QString::fromLatin1(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString html = rtfreader::toHtml(rtf);
    if (html.size() > 64 * (rtf.size() + 1))
        std::abort();
    if (html.count(u'<') > 2 * rtf.size() + 2)
        std::abort();
    return 0;
}
