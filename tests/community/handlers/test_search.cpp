// Searches by pseudo and by criteria.
#include "tests/community/fixture.h"

#include <regex>

using namespace jaserelle::community;
using namespace jaserelle::community::test;

class SearchTest : public CommunityTest
{
protected:
    void SetUp() override
    {
        const auto shape = [](const char *region, int height, int weight) {
            Profile p;
            p.region = region, p.heightCm = height, p.weightKg = weight;
            return p;
        };
        addMember("alice", "F", "1990-06-15", "75011");
        addMember("marie", "F", "2001-01-01", "29200", true, shape("Bretagne", 150, 55));  // 25
        addMember("marc", "H", "1976-03-03", "13006", false, shape("Provence", 149, 101)); // 50
        addMember("amandine", "F", "1982-02-28", "33000", false, shape("Aquitaine", 0, 0));
        addMember("zoe", "F", "2008-12-06", "75005", true, shape("Ile-de-France", 170, 54));   // 18 today
        addMember("zack", "H", "2008-12-07", "75005", false, shape("Ile-de-France", 210, 39)); // 18 tomorrow
        connect("alice");
    }

    static std::string pseudos(const std::string &reply)
    {
        static const std::regex row("([a-z0-9]+),[FH],");
        std::string out;
        for (std::sregex_iterator i(reply.begin(), reply.end(), row), end; i != end; ++i)
            out += (out.empty() ? "" : " ") + (*i)[1].str();
        return out;
    }
};

TEST_F(SearchTest, ByPseudoFindsPartsInAnyCaseButNotTheSearcherWithPresenceBlackListsAndCap)
{
    EXPECT_EQ(pseudos(body("/searchmembers3.php?pseudo=a&iamuser=alice")), "amandine marc marie zack");
    // Not the searcher; "%" is no LIKE wildcard; "." is no letter.
    for (const char *p : {"alice", "nobody", "", "%25", "m.a"})
        EXPECT_EQ(body(std::string("/searchmembers3.php?iamuser=alice&pseudo=") + p), "NOSEARCHRESULT") << p;
    // Spaces go, as the client's own box drops them.
    EXPECT_EQ(body("/searchmembers3.php?pseudo=%20m%20a&iamuser=alice"),
              body("/searchmembers3.php?pseudo=ma"));
    connect("marie", "10.0.0.5", "192.168.1.50");
    connect("marc", "10.0.0.6", "192.168.1.60");
    store_->addContact("marc", "alice", ListKind::ListeNoire);
    EXPECT_EQ(body("/searchmembers3.php?pseudo=MAR&iamuser=alice"),
              "HERESTARTSEARCHRESULTmarc,H,50,13006,10.0.0.6,yes,0|marie,F,25,29200,10.0.0.5,no,1|"
              "SEARCHISOK|");
    // Who has black-listed whom is told only to the searcher's own session.
    EXPECT_EQ(body("/searchmembers3.php?pseudo=marc&iamuser=alice", "10.9.9.9"),
              "HERESTARTSEARCHRESULTmarc,H,50,13006,10.0.0.6,no,0|SEARCHISOK|");
    // A capped search says how many it kept; exactly as many as found, it has no limit part.
    ctx_.searchCap = 2;
    EXPECT_EQ(
        body("/searchmembers3.php?pseudo=a&iamuser=alice"),
        "HERESTARTSEARCHRESULTamandine,F,44,33000,0.0.0.0,no,0|marc,H,50,13006,10.0.0.6,yes,0|SEARCHISOK|"
        "MAXRESULTREACHED,2|");
    ctx_.searchCap = 4;
    EXPECT_PRED_FORMAT2(testing::IsNotSubstring, "MAXRESULTREACHED",
                        body("/searchmembers3.php?pseudo=a&iamuser=alice"));
}

TEST_F(SearchTest, EveryCriterionNarrowsAndIndifferentOpensIt)
{
    const std::string A = "indiff\xE9rent"; // as the client sends it: raw Windows-1252
    // sexe, age, region, taille, poids, photo only -> pseudos found, in order.
    const std::vector<std::pair<std::vector<std::string>, std::string>> table = {
        {{A, A, A, A, A, "no"}, "amandine marc marie zack zoe"},
        {{"Homme", A, A, A, A, "no"}, "marc zack"},
        {{"Femme", A, A, A, A, "yes"}, "marie zoe"},
        // Age bands in whole years, both ends in: 18 today is in, 18 tomorrow is not yet.
        {{A, "de%2018%20\xE0%2025", A, A, A, "no"}, "marie zoe"},
        {{A, A, "Bretagne", A, A, "no"}, "marie"},
        // Heights: 150 cm starts the next band; nobody who gave no height is "moins de".
        {{A, A, A, "de%201m40%20\xE0%201m50", A, "no"}, "marc"},
        {{A, A, A, "de%201m50%20\xE0%201m60", A, "no"}, "marie"},
        {{A, A, A, "plus%20de%202m", A, "no"}, "zack"},
        {{A, A, A, "moins%20de%201m40", A, "no"}, ""},
        {{A, A, A, A, "moins%20de%2040Kg", "no"}, "zack"},
        {{A, A, A, A, "plus%20de%20100Kg", "no"}, "marc"},
        {{A, A, A, A, "de%2055Kg%20\xE0%2070Kg", "no"}, "marie"},
        {{"Homme", "de%2018%20\xE0%2025", "Bretagne", A, A, "no"}, ""},
    };
    for (const auto &[c, expected] : table) {
        const std::string query = "sexe=" + c[0] + "&age=" + c[1] + "&region=" + c[2] + "&taille=" + c[3] +
                                  "&poids=" + c[4] + "&withphotoonly=" + c[5],
                          reply = body("/searchmembers3.php?iamuser=alice&" + query);
        EXPECT_EQ(pseudos(reply), expected) << query;
        EXPECT_EQ(reply == "NOSEARCHRESULT", expected.empty()) << reply;
    }
}
