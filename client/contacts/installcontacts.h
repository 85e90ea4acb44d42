#pragma once

#include "client/contacts/contacteditor.h"

class Client;
class FrmMain;

// Registers the contact refresh, the mail count and the four answers to list changes in the
// client's reply pipeline, and connects the main window's list commands to the editor that
// carries them out. The editor belongs to the client.
ContactEditor &installContacts(Client &client, FrmMain &main);
