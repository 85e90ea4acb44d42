#pragma once

#include "client/directory/memberdirectory.h"

class Client;
class FrmMain;

// Registers the profile, photo and search answers in the client's reply pipeline, gives the
// engine the inputs those requests read, and connects the main window's commands to the
// directory. The directory belongs to the client.
MemberDirectory &installDirectory(Client &client, FrmMain &main);
