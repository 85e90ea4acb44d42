#pragma once

#include "community/store/store.h"

#include <map>
#include <string>
#include <vector>

namespace jaserelle::community {

struct LocalDateTime;

// The sign-up form's fields, as the browser sent them (UTF-8), by field name.
using FormFields = std::map<std::string, std::string>;

// Checks a filled-in form and builds the member it describes (password not yet hashed: it is
// left, lower-cased, in `password`). The French messages say what to correct.
struct SignUpCheck
{
    Member member;
    std::string password;
    std::vector<std::string> errors;
};
SignUpCheck checkSignUp(const FormFields &fields, bool hasPhoto, const LocalDateTime &today);

} // namespace jaserelle::community
