#pragma once

#include "client/directory/memberdirectory.h"

#include <memory>

namespace jaserelle::client {

class FrmMain;
struct Services;

// Registers the profile, photo and search answers in the reply pipeline, gives the engine the
// inputs those requests read, and connects the main window's commands to the directory.
std::unique_ptr<MemberDirectory> installDirectory(Services &services, FrmMain &main,
                                                  const contactface::Faces &faces);

} // namespace jaserelle::client
