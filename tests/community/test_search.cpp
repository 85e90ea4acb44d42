// Searches by pseudo and by criteria.
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

class SearchTest : public CommunityTest
{
protected:
    void SetUp() override
    {
        addMember("alice", "F", "1990-06-15", "75011");
        add("marie", "F", "2001-01-01", "29200", "Bretagne", 150, 55, true);                 // 25
        add("marc", "H", "1976-03-03", "13006", "Provence-Alpes-Cote-d'Azur", 149, 101, false); // 50
        add("amandine", "F", "1982-02-28", "33000", "Aquitaine", 0, 0, false);
        add("zoe", "F", "2008-12-06", "75005", "Ile-de-France", 170, 54, true); // 18 today
        add("zack", "H", "2008-12-07", "75005", "Ile-de-France", 210, 39, false); // 18 tomorrow
        connect("alice");
    }

    void add(const std::string &pseudo, const std::string &sex, const std::string &birth, const std::string &postal,
             const std::string &region, int height, int weight, bool photo)
    {
        Member m;
        m.pseudo = pseudo;
        m.passwordHash = hasher_.hash(pseudo);
        m.sex = sex;
        m.birthDate = birth;
        m.postalCode = postal;
        m.profile.region = region;
        m.profile.heightCm = height;
        m.profile.weightKg = weight;
        m.hasPhoto = photo;
        ASSERT_TRUE(store_->createMember(m));
    }

    // The pseudos of a search answer, in order.
    static std::vector<std::string> pseudos(const std::string &reply)
    {
        std::vector<std::string> out;
        std::size_t pos = reply.find("HERESTARTSEARCHRESULT");
        if (pos == std::string::npos)
            return out;
        pos += 21;
        while (reply.compare(pos, 10, "SEARCHISOK") != 0) {
            out.push_back(reply.substr(pos, reply.find(',', pos) - pos));
            pos = reply.find('|', pos) + 1;
        }
        return out;
    }

    std::string criteria(const std::string &sexe, const std::string &age, const std::string &region,
                         const std::string &taille, const std::string &poids, const std::string &photo = "no")
    {
        return body("/searchmembers3.php?sexe=" + sexe + "&age=" + age + "&region=" + region + "&taille=" + taille +
                    "&poids=" + poids + "&iamuser=alice&withphotoonly=" + photo);
    }

    const std::string any = "indiff\xE9rent"; // as the client sends it: raw Windows-1252
};

TEST_F(SearchTest, ByPseudoFindsPartsInAnyCaseButNotTheSearcher)
{
    EXPECT_EQ(body("/searchmembers3.php?pseudo=MAR&iamuser=alice"),
              "HERESTARTSEARCHRESULTmarc,H,50,13006,0.0.0.0,no,0|marie,F,25,29200,0.0.0.0,no,1|SEARCHISOK|");
    EXPECT_EQ(pseudos(body("/searchmembers3.php?pseudo=a&iamuser=alice")),
              (std::vector<std::string>{"amandine", "marc", "marie", "zack"}));
    EXPECT_EQ(body("/searchmembers3.php?pseudo=alice&iamuser=alice"), "NOSEARCHRESULT");
    EXPECT_EQ(body("/searchmembers3.php?pseudo=nobody&iamuser=alice"), "NOSEARCHRESULT");
    EXPECT_EQ(body("/searchmembers3.php?pseudo=&iamuser=alice"), "NOSEARCHRESULT");
    EXPECT_EQ(body("/searchmembers3.php?pseudo=%25&iamuser=alice"), "NOSEARCHRESULT"); // no LIKE wildcard
    EXPECT_EQ(body("/searchmembers3.php?pseudo=m.a&iamuser=alice"), "NOSEARCHRESULT");
    // Spaces go, as the client's own box drops them.
    EXPECT_EQ(body("/searchmembers3.php?pseudo=%20m%20a&iamuser=alice"), body("/searchmembers3.php?pseudo=ma"));
}

TEST_F(SearchTest, RowsShowPresenceAndWhoBlackListedTheSearcher)
{
    connect("marie", "10.0.0.5", "192.168.1.50");
    connect("marc", "10.0.0.6", "192.168.1.60");
    store_->addContact("marc", "alice", ListKind::ListeNoire);
    EXPECT_EQ(body("/searchmembers3.php?pseudo=mar&iamuser=alice"),
              "HERESTARTSEARCHRESULTmarc,H,50,13006,192.168.1.60,yes,0|marie,F,25,29200,192.168.1.50,no,1|"
              "SEARCHISOK|");
    // Who has black-listed whom is told only to the searcher's own session.
    EXPECT_EQ(body("/searchmembers3.php?pseudo=marc&iamuser=alice", "10.9.9.9"),
              "HERESTARTSEARCHRESULTmarc,H,50,13006,192.168.1.60,no,0|SEARCHISOK|");
}

TEST_F(SearchTest, EveryCriterionNarrowsAndIndifferentOpensIt)
{
    EXPECT_EQ(pseudos(criteria(any, any, any, any, any)),
              (std::vector<std::string>{"amandine", "marc", "marie", "zack", "zoe"}));
    EXPECT_EQ(pseudos(criteria("Homme", any, any, any, any)), (std::vector<std::string>{"marc", "zack"}));
    EXPECT_EQ(pseudos(criteria("Femme", any, any, any, any, "yes")), (std::vector<std::string>{"marie", "zoe"}));
    // Age bands in whole years, both ends in: 18 today is in, 18 tomorrow is not yet.
    EXPECT_EQ(pseudos(criteria(any, "de%2018%20\xE0%2025", any, any, any)),
              (std::vector<std::string>{"marie", "zoe"}));
    EXPECT_EQ(pseudos(criteria(any, "de%2046%20\xE0%2055", any, any, any)), (std::vector<std::string>{"marc"}));
    EXPECT_EQ(pseudos(criteria(any, any, "Bretagne", any, any)), (std::vector<std::string>{"marie"}));
    EXPECT_EQ(pseudos(criteria(any, any, "Provence-Alpes-Cote-d'Azur", any, any)),
              (std::vector<std::string>{"marc"}));
    // Heights: 150 cm starts the next band; nobody who gave no height is "moins de".
    EXPECT_EQ(pseudos(criteria(any, any, any, "de%201m40%20\xE0%201m50", any)), (std::vector<std::string>{"marc"}));
    EXPECT_EQ(pseudos(criteria(any, any, any, "de%201m50%20\xE0%201m60", any)), (std::vector<std::string>{"marie"}));
    EXPECT_EQ(pseudos(criteria(any, any, any, "plus%20de%202m", any)), (std::vector<std::string>{"zack"}));
    EXPECT_EQ(pseudos(criteria(any, any, any, "moins%20de%201m40", any)), std::vector<std::string>{});
    EXPECT_EQ(pseudos(criteria(any, any, any, any, "moins%20de%2040Kg")), (std::vector<std::string>{"zack"}));
    EXPECT_EQ(pseudos(criteria(any, any, any, any, "plus%20de%20100Kg")), (std::vector<std::string>{"marc"}));
    EXPECT_EQ(pseudos(criteria(any, any, any, any, "de%2055Kg%20\xE0%2070Kg")), (std::vector<std::string>{"marie"}));
    EXPECT_EQ(criteria("Homme", "de%2018%20\xE0%2025", "Bretagne", any, any), "NOSEARCHRESULT");
}

TEST_F(SearchTest, ACappedSearchSaysHowManyItKept)
{
    ctx_.searchCap = 2;
    EXPECT_EQ(body("/searchmembers3.php?pseudo=a&iamuser=alice"),
              "HERESTARTSEARCHRESULTamandine,F,44,33000,0.0.0.0,no,0|marc,H,50,13006,0.0.0.0,no,0|SEARCHISOK|"
              "MAXRESULTREACHED,2|");
    ctx_.searchCap = 4; // exactly as many as found: no limit part
    EXPECT_EQ(body("/searchmembers3.php?pseudo=a&iamuser=alice").find("MAXRESULTREACHED"), std::string::npos);
}
