#pragma once

#include <memory>

namespace jaserelle::client {

class FrmMain;
class MailDesk;
struct Services;

// Registers the three mail answers in the reply pipeline, names the mail being sent and the mail
// being deleted to the request engine, and connects the envelope and the "lui envoyer un mail"
// commands of the main window.
std::unique_ptr<MailDesk> installMail(Services &services, FrmMain &main);

} // namespace jaserelle::client
