#pragma once

#include <array>
#include <string_view>

// The words of both wire channels, written once for the client and the server. All are ASCII, so
// they read the same in Windows-1252, Latin-1 and UTF-16; the client turns them into Qt text at
// its edge (client/server/protocolwords.h).
namespace jaserelle::protocol {

// Resources of the community server, as the request line names them.
inline constexpr std::string_view loginPath = "/softlogin.php";
inline constexpr std::string_view logoffPath = "/softlogoff.php";
inline constexpr std::string_view refreshPath = "/softrefresh2.php";
inline constexpr std::string_view addContactPath = "/ajoutmembre.php";
inline constexpr std::string_view removeContactPath = "/removemembre.php";
inline constexpr std::string_view profilePath = "/getprofil.php";
inline constexpr std::string_view searchPath = "/searchmembers3.php";
inline constexpr std::string_view sendMailPath = "/sendmail.php";
inline constexpr std::string_view readMailsPath = "/readmails.php";
inline constexpr std::string_view deleteMailPath = "/deletemail.php";
// A member's photo is photosPath + pseudo + photoSuffix.
inline constexpr std::string_view photosPath = "/photos/";
inline constexpr std::string_view photoSuffix = ".jpg";
inline constexpr std::string_view onlineHelpPath = "/onlinehelp.html";
// This server's own resources, which no legacy client asks for.
inline constexpr std::string_view publishKeyPath = "/keys/publish";
inline constexpr std::string_view lookupKeysPath = "/keys/lookup";
inline constexpr std::string_view relayCredentialsPath = "/relaycredentials";
inline constexpr std::string_view relayPublishPath = "/relaypublish";
inline constexpr std::string_view relayWithdrawPath = "/relaywithdraw";
inline constexpr std::string_view relayLookupPath = "/relaylookup";
inline constexpr std::string_view reachablePath = "/jaserelle/reachable";

// Payload separators: between the fields of a contact, profile or search record; after each
// record and after the keywords that open or close a list; after each field of a mail.
inline constexpr char fieldSeparator = ',';
inline constexpr char recordEnd = '|';
inline constexpr char mailFieldEnd = '~';

// Empty markers: an absent text (a profile field, a mail's subject), and the address of a member
// who is not connected.
inline constexpr std::string_view noText = "NULL";
inline constexpr std::string_view offlineAddress = "0.0.0.0";

// Reply keywords: login and logoff.
inline constexpr std::string_view loginOk = "YOURLOGINISOK";
inline constexpr std::string_view loginWrong = "YOURLOGINISWRONG";
inline constexpr std::string_view notPermitted = "YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE";
inline constexpr std::string_view logoffDone = "SOFTLOGOFFSUCCESS";
// The refresh, in the order its sections come.
inline constexpr std::string_view refreshOk = "REFRESHISOK";
inline constexpr std::string_view favorisStart = "HERESTARTFAVORIS";
inline constexpr std::string_view noFavoris = "NOFAVORISDEFINED";
inline constexpr std::string_view listeNoireStart = "HERESTARTLISTENOIRE";
inline constexpr std::string_view noListeNoire = "NOLISTENOIREDEFINED";
inline constexpr std::string_view blackListedByStart = "IAMINLISTENOIREOF";
inline constexpr std::string_view blackListedByNoOne = "IAMINNOONELISTENOIRE";
// Followed by a field separator, the count and another one; other replies may carry it too.
inline constexpr std::string_view mailCount = "MYMAILSNUMBER";
// Contact editing.
inline constexpr std::string_view listsUpdated = "LISTESMISESAJOUR";
inline constexpr std::string_view memberUnknown = "LEMEMBRENEXISTEPAS";
inline constexpr std::string_view memberAlreadyListed = "LEMEMBREESTDEJADANSLALISTE";
inline constexpr std::string_view contactRemoved = "REMOVEISSUCCESSFUL";
// Profile, photo and search.
inline constexpr std::string_view profileStart = "HERESTARTREQUIREDPROFIL";
inline constexpr std::string_view photoContentType = "image/jpeg";
// How a photo reply reads to the client, which looks for it anywhere in the whole answer.
inline constexpr std::string_view photoHeader = "Content-Type: image/jpeg";
inline constexpr std::string_view searchStart = "HERESTARTSEARCHRESULT";
inline constexpr std::string_view searchOk = "SEARCHISOK";
inline constexpr std::string_view noSearchResult = "NOSEARCHRESULT";
inline constexpr std::string_view maxResultReached = "MAXRESULTREACHED";
// Mail.
inline constexpr std::string_view mailSent = "MAILSENDEDOK";
inline constexpr std::string_view mailListStart = "HERESTARTMAILLIST";
inline constexpr std::string_view mailDeleted = "YOURMAILHAVEBEENDELETED";
// The key directory.
inline constexpr std::string_view keyPublished = "KEYPUBLISHED";
inline constexpr std::string_view keyListStart = "KEYLIST";
inline constexpr std::string_view keyListEnd = "ENDKEYLIST";
// The call relay.
inline constexpr std::string_view relayCredentials = "RELAYCREDENTIALS";
inline constexpr std::string_view relayPublished = "RELAYPUBLISHED";
inline constexpr std::string_view relayWithdrawn = "RELAYWITHDRAWN";
inline constexpr std::string_view relayedAt = "RELAYEDAT";
inline constexpr std::string_view notRelayed = "NOTRELAYED";
// Reachability of the peer port.
inline constexpr std::string_view peerPortReachable = "PEERPORTREACHABLE";
inline constexpr std::string_view peerPortUnreachable = "PEERPORTUNREACHABLE";
inline constexpr std::string_view peerPortUnknown = "PEERPORTUNKNOWN";

// The peer channel. Every client listens on this port and calls its peers on it; nothing
// configures it. (The server's reachability probe, common/peerprobe.h, knocks on it.)
inline constexpr unsigned short peerPort = 13196;
// Every packet is its payload followed by this marker: no length, no header.
inline constexpr std::string_view packetEnd = "THISISTHEENDOFTHEPACKET";
// The caller's first packet is this tag followed by its pseudo; the callee answers with one of
// the two others, alone in their packet.
inline constexpr std::string_view callRequestTag = "CONVERSATIONREQUESTED:";
inline constexpr std::string_view acceptCall = "NOPROBLEMYACCEPTTOURCALL";
inline constexpr std::string_view refuseCall = "SORRYIREFUSEYOURCALL";

// Every word the client looks for anywhere in a server reply (and the peer marker, which a reply
// may carry into a conversation): text written by members must not contain one whole.
inline constexpr std::array<std::string_view, 26> wordsFoundAnywhere = {
    loginOk,      loginWrong,       notPermitted,  refreshOk,           favorisStart,
    noFavoris,    listeNoireStart,  noListeNoire,  blackListedByStart,  blackListedByNoOne,
    mailCount,    listsUpdated,     memberUnknown, memberAlreadyListed, contactRemoved,
    profileStart, photoHeader,      logoffDone,    noSearchResult,      searchOk,
    searchStart,  maxResultReached, mailSent,      mailListStart,       mailDeleted,
    packetEnd};

} // namespace jaserelle::protocol
