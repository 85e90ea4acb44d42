#pragma once

#include "community/core/clock.h"
#include "community/core/passwords.h"
#include "community/presence/sessions.h"
#include "community/store/store.h"

#include <cstddef>
#include <filesystem>

namespace jaserelle::community {

// The demo community (--demo): about forty members with French profiles, photos for some, and
// the account demo / demo with full contact lists and mails waiting. Seeding is idempotent: a
// member already there is left as it is, and the demo account's lists and mails are written only
// the first time. Every demo member's password is "demo".
struct DemoReport
{
    int membersCreated = 0;
    int photosWritten = 0;
    bool listsSeeded = false;
};
DemoReport seedDemo(Store &store, const PasswordHasher &hasher, const std::filesystem::path &photosDir,
                    const LocalDateTime &today);

// Some demo members are shown as connected, for ever, at loopback addresses 127.0.0.x so that a
// call to one fails at once rather than waiting on a distant address.
void pinDemoPresence(SessionStore &sessions);

// The JPEG files of community/demo/photos, built into the binary.
struct EmbeddedPhoto
{
    const char *pseudo;
    const unsigned char *data;
    std::size_t size;
};
extern const EmbeddedPhoto demoPhotos[];
extern const std::size_t demoPhotoCount;

} // namespace jaserelle::community
