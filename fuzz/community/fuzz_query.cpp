// The query, form and multipart parsers and the text rules, on arbitrary bytes.
#include "community/core/clock.h"
#include "community/core/criteria.h"
#include "community/core/text.h"
#include "community/http/multipart.h"
#include "community/http/query.h"

#include <cstdint>
#include <string>

using namespace jaserelle::community;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);

    const Target t = Target::parse(input);
    CriteriaTexts texts{t.value("sexe"), t.value("age"), t.value("region"),
                        t.value("taille"), t.value("poids"), t.value("withphotoonly")};
    SearchQuery q;
    applyCriteria(texts, LocalDateTime{2026, 12, 6, 12, 0, 0}, q);
    (void)normalisePseudo(t.value("login"));
    (void)isDottedIpv4(t.value("ipAdress"));
    const std::string defused = defuseKeywords(t.value("message"));
    if (defused.find("SOFTLOGOFFSUCCESS") != std::string::npos)
        __builtin_trap(); // a keyword survived
    (void)ageOn(t.value("naissance"), LocalDateTime{2026, 12, 6, 12, 0, 0});

    (void)parseFormUtf8(input);
    const std::size_t split = input.find('\n');
    const std::string contentType = input.substr(0, split);
    const std::string body = split == std::string::npos ? std::string() : input.substr(split + 1);
    (void)parseMultipart(body, multipartBoundary(contentType));
    return 0;
}
