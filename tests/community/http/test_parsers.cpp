// The pure pieces of the front end: query decoding, multipart, listen addresses, the access log.
#include "community/http/accesslog.h"
#include "community/http/multipart.h"
#include "community/http/query.h"
#include "community/http/server.h"

#include <gtest/gtest.h>

using namespace jaserelle::community;

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
    // A well-formed upload is proven by the sign-up with a photo; a truncated one is refused.
    EXPECT_FALSE(parseMultipart("--XyZ\r\nno end", "XyZ"));
    EXPECT_FALSE(parseMultipart("", "XyZ"));
}

TEST(Listen, AddressesAndPorts)
{
    std::string address;
    unsigned short port = 0;
    EXPECT_TRUE(parseListen("[::1]:80", address, port) && address == "::1" && port == 80);
    for (const char *bad :
         {"", "8080", ":8080", "127.0.0.1:", "127.0.0.1:65536", "localhost:80", "[::1]80", "1.2.3.4:8x"})
        EXPECT_FALSE(parseListen(bad, address, port)) << bad;
}

TEST(AccessLog, OneLinePerRequestWithoutPasswordsOrMails)
{
    const auto line = [](std::string_view method, std::string_view target, std::string_view tls = {}) {
        return accessLine(
            {.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1765022400250)),
             .address = "10.0.0.1",
             .method = method,
             .target = target,
             .status = 200,
             .duration = std::chrono::microseconds(1234),
             .tls = tls});
    };
    const std::string at = "2025-12-06T12:00:00.250Z 10.0.0.1 ";
    EXPECT_EQ(line("GET", "/softlogin.php?login=alice&password=secret"),
              at + "\"GET /softlogin.php?login=alice&password=***\" 200 1.234ms\n");
    EXPECT_EQ(line("GET", "/x?PassWord=a&password2=b&pass=&login=c"),
              at + "\"GET /x?PassWord=***&password2=***&pass=***&login=c\" 200 1.234ms\n");
    EXPECT_EQ(line("GET", "/a\"b\r\n\xE9 c"), at + "\"GET /a%22b%0D%0A%E9%20c\" 200 1.234ms\n");
    // A mail, sent or deleted, leaves its people in the log, not its words.
    EXPECT_EQ(line("GET", "/sendmail.php?sender=alice&login=bruno&subject=Salut&message=Bonjour%20toi"),
              at + "\"GET /sendmail.php?sender=alice&login=bruno&subject=***&message=***\" 200 1.234ms\n");
    EXPECT_EQ(
        line("GET", "/deletemail.php?login=bruno&sender=alice&date=d&time=t&SUBJECT=S&Message=M&messages=x"),
        at + "\"GET "
             "/deletemail.php?login=bruno&sender=alice&date=d&time=t&SUBJECT=***&Message=***&messages=x\" "
             "200 1.234ms\n");
    EXPECT_EQ(line("", ""), at + "\"-\" 200 1.234ms\n");
    // Over HTTPS the line says so, and whether the handshake resumed an earlier session.
    EXPECT_EQ(line("GET", "/", "tls-resumed"), at + "\"GET /\" 200 1.234ms tls-resumed\n");
}
