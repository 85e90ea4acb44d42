// The demo community: seeded once, and its members shown connected cannot be acted for.
#include "community/demo/demo.h"
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

TEST_F(CommunityTest, TheDemoCommunityIsSeededOnceAndItsMembersShownConnectedCannotBeActedFor)
{
    const LocalDateTime now{2026, 12, 6, 12, 0, 0};
    const DemoReport first = seedDemo(*store_, hasher_, ctx_.photosDir, now);
    EXPECT_TRUE(first.membersCreated > 0 && first.photosWritten > 0 && first.listsSeeded);
    const std::size_t mails = store_->mails("demo").size();
    const DemoReport second = seedDemo(*store_, hasher_, ctx_.photosDir, now);
    EXPECT_TRUE(second.membersCreated == 0 && second.photosWritten == 0 && !second.listsSeeded);
    EXPECT_EQ(store_->mails("demo").size(), mails);
    // (What demo sees is the end-to-end run's.) Its members shown connected are pinned: nobody acts for them.
    pinDemoPresence(sessions_);
    EXPECT_TRUE(sessions_.presence("marie75"));
    for (const char *peer : {"", "127.0.0.20"})
        EXPECT_EQ(get("/readmails.php?login=marie75", peer).status, 403) << peer;
    EXPECT_EQ(get("/softrefresh2.php?login=marie75&password=&ipAdress=1.2.3.4").status, 403);
}
