#pragma once

class Client;
class FrmMain;
class MailDesk;

// Registers the three mail answers in the client's reply pipeline, names the mail being sent and
// the mail being deleted to the request engine, and connects the envelope and the "lui envoyer un
// mail" commands of the main window. The desk belongs to the client.
MailDesk &installMail(Client &client, FrmMain &main);
