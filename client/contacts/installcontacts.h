#pragma once

#include "client/contacts/contacteditor.h"

#include <memory>

namespace jaserelle::client {

class FrmMain;
struct Services;

namespace contactface {
class Faces;
}

// Registers the contact refresh, the mail count and the four answers to list changes in the
// reply pipeline, and connects the main window's list commands to the editor that carries them
// out. The faces outlive the pipeline's handlers.
std::unique_ptr<ContactEditor> installContacts(Services &services, FrmMain &main,
                                               const contactface::Faces &faces);

} // namespace jaserelle::client
