#pragma once

#include "client/contacts/contacteditor.h"

class Client;
class QLabel;

// The controls of the main window the contacts work on.
struct ContactWidgets
{
    ContactViews views;
    QLabel *lblMailsNumber = nullptr;
    QLabel *pctbMail = nullptr;
    QWidget *dialogParent = nullptr; // the add dialogs stay in front of it
};

// Registers the contact refresh, the mail count and the four answers to list changes in the
// client's reply pipeline, and makes the editor that the menus call. The editor belongs to the
// client.
ContactEditor &installContacts(Client &client, const ContactWidgets &widgets);
