// The pure pieces: query decoding, the text rules of replies, dates, multipart, the access log.
#include "community/core/clock.h"
#include "community/core/text.h"
#include "community/http/accesslog.h"
#include "community/http/multipart.h"
#include "community/http/query.h"

#include <gtest/gtest.h>

using namespace jaserelle::community;

// Raw Windows-1252 bytes, "%20" and "+" reach the handlers as UTF-8: their tests prove it.
TEST(Query, FirstValueWinsEmptyIsNotAbsentAndOddTargetsStayHarmless)
{
    const Target t = Target::parse("/searchmembers3.php?sexe=Femme&empty=&bare&sexe=Homme");
    EXPECT_EQ(t.path(), "/searchmembers3.php");
    EXPECT_EQ(t.value("sexe"), "Femme");
    EXPECT_EQ(t.get("empty"), std::optional<std::string>(""));
    EXPECT_EQ(t.get("bare"), std::optional<std::string>(""));
    EXPECT_FALSE(t.get("absent"));
    EXPECT_EQ(Target::parse("").path(), "");
    EXPECT_EQ(Target::parse("/a?").size(), 0u);
    EXPECT_EQ(Target::parse("/a?&&=&x=%zz%4").value("x"), "%zz%4");
    EXPECT_EQ(Target::parse("/a?x=1#frag").value("x"), "1");
    EXPECT_EQ(Target::parse("/photos/..%2f..%2fetc.jpg").path(), "/photos/..%2f..%2fetc.jpg");
}

TEST(Text, PseudosAreLettersAndDigitsInLowerCase)
{
    EXPECT_EQ(normalisePseudo("JeanPaul75"), "jeanpaul75");
    EXPECT_EQ(normalisePseudo("abcdefghijklmnop"), "abcdefghijklmnop");
    for (const char *bad : {"", "jean paul", "h\xC3\xA9l\xC3\xA8ne", "../x", "abcdefghijklmnopq"})
        EXPECT_EQ(normalisePseudo(bad), "") << bad;
}

TEST(Text, KeywordsInMembersTextAreDefused)
{
    // Each reply path is proven by its handler test; here a header and a keyword twice in a row.
    EXPECT_EQ(defuseKeywords("Content-Type: image/jpeg"), "C\xC2\xAD"
                                                          "ontent-Type: image/jpeg");
    EXPECT_EQ(defuseKeywords("SEARCHISOKSEARCHISOK"), "S\xC2\xAD"
                                                      "EARCHISOKS\xC2\xAD"
                                                      "EARCHISOK");
}

TEST(Text, Addresses)
{
    EXPECT_TRUE(isDottedIpv4("192.168.1.10"));
    EXPECT_TRUE(isDottedIpv4("0.0.0.0"));
    for (const char *bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "01.2.3.4", "1.2.3.4 ", "a.b.c.d", "1..2.3", "::1"})
        EXPECT_FALSE(isDottedIpv4(bad)) << bad;
    EXPECT_EQ(plainAddress("::1"), "::1");
}

TEST(Dates, ImpossibleDatesAndLeapYears)
{
    const LocalDateTime today{2026, 12, 6, 12, 0, 0};
    EXPECT_EQ(ageOn("2000-02-30", today), -1);
    EXPECT_EQ(ageOn("nonsense", today), -1);
    EXPECT_EQ(yearsBefore(LocalDateTime{2028, 2, 29, 0, 0, 0}, 1), "2027-02-28");
    EXPECT_TRUE(isIsoDate("2024-02-29"));
    EXPECT_FALSE(isIsoDate("2023-02-29"));
}

// A well-formed upload is proven by the sign-up with a photo.
TEST(Multipart, TruncatedBodiesAreRefused)
{
    EXPECT_FALSE(parseMultipart("--XyZ\r\nno end", "XyZ"));
    EXPECT_FALSE(parseMultipart("", "XyZ"));
}

TEST(AccessLog, OneLinePerRequestWithoutPasswordsOrMails)
{
    const struct
    {
        std::string_view method, target, expected;
    } cases[] = {
        {"GET", "/softlogin.php?login=alice&password=secret",
         "\"GET /softlogin.php?login=alice&password=***\" "},
        {"GET", "/x?PassWord=a&password2=b&pass=&login=c",
         "\"GET /x?PassWord=***&password2=***&pass=***&login=c\" "},
        {"GET", "/a\"b\r\n\xE9 c", "\"GET /a%22b%0D%0A%E9%20c\" "},
        // A mail, sent or deleted, leaves its people in the log, not its words.
        {"GET", "/sendmail.php?sender=alice&login=bruno&subject=Salut&message=Bonjour%20toi",
         "\"GET /sendmail.php?sender=alice&login=bruno&subject=***&message=***\" "},
        {"GET", "/deletemail.php?login=bruno&sender=alice&date=d&time=t&SUBJECT=S&Message=M&messages=x",
         "\"GET "
         "/deletemail.php?login=bruno&sender=alice&date=d&time=t&SUBJECT=***&Message=***&messages=x\" "},
        {"", "", "\"-\" "},
    };
    for (const auto &c : cases) {
        const AccessEntry e{
            .time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1765022400250)),
            .address = "10.0.0.1",
            .method = c.method,
            .target = c.target,
            .status = 200,
            .duration = std::chrono::microseconds(1234)};
        EXPECT_EQ(accessLine(e),
                  "2025-12-06T12:00:00.250Z 10.0.0.1 " + std::string(c.expected) + "200 1.234ms\n");
    }
    // Over HTTPS the line says so, and whether the handshake resumed an earlier session.
    const AccessEntry tls{.time = {},
                          .address = "10.0.0.1",
                          .method = "GET",
                          .target = "/",
                          .status = 200,
                          .duration = {},
                          .tls = "tls-resumed"};
    EXPECT_TRUE(accessLine(tls).ends_with("\"GET /\" 200 0.000ms tls-resumed\n")) << accessLine(tls);
}
