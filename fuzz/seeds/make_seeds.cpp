// fuzz_make_seeds <dir>: writes <dir>/<target>/<name> for every fuzz target. The answers come from
// the real handlers over a temporary SQLite community much larger than the demo (long contact
// lists, long mails, many search results); the peer packets and the RTF from the client's own
// builders, with formatting, pictures, long texts and deeply nested groups.
#include "client/conversation/peerpackets.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfwriter.h"
#include "common/cp1252.h"
#include "common/urlcodec.h"
#include "community/core/passwords.h"
#include "community/demo/demo.h"
#include "community/handlers/handlers.h"
#include "community/presence/sessions.h"
#include "community/store/sqlitestore.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

using namespace jaserelle::client;

using namespace jaserelle::community;
namespace fs = std::filesystem;

namespace {

fs::path outDir;

void write(const std::string &target, const std::string &name, const std::string &bytes)
{
    const fs::path dir = outDir / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

void write(const std::string &target, const std::string &name, const QByteArray &bytes)
{
    write(target, name, bytes.toStdString());
}

std::string get(const std::string &target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: localhost:8080\r\nConnection: close\r\nAccept: */*\r\n\r\n";
}

std::string multipart(const std::string &boundary,
                      const std::vector<std::pair<std::string, std::string>> &fields,
                      const std::string &photo)
{
    std::string body;
    for (const auto &[name, value] : fields)
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
                value + "\r\n";
    body += "--" + boundary +
            "\r\nContent-Disposition: form-data; name=\"photo\"; filename=\"moi.jpg\"\r\n"
            "Content-Type: image/jpeg\r\n\r\n" +
            photo + "\r\n--" + boundary + "--\r\n";
    return body;
}

std::string repeat(const std::string &piece, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

void serverSeeds()
{
    const fs::path dir = fs::temp_directory_path() / ("jaserelle-seeds-" + std::to_string(getpid()));
    fs::create_directories(dir);
    {
        SqliteStore store(dir / "seeds.db");
        Sessions sessions(systemClock());
        PasswordHasher hasher(PasswordHasher::Strength::Minimal);
        Context ctx{store, sessions, hasher, systemClock(), dir / "photos"};
        seedDemo(store, hasher, ctx.photosDir, localDateTime(ctx.clock()));
        pinDemoPresence(sessions);
        sessions.open("demo", "demo", "127.0.0.1");

        // A community far larger than the demo: long lists, long search answers.
        const Member model = *store.member("demo");
        for (int i = 0; i < 400; ++i) {
            Member m = model;
            m.pseudo = "membre" + std::to_string(i);
            m.sex = i % 2 ? "F" : "H";
            m.birthDate = std::to_string(1950 + i % 50) + "-0" + std::to_string(1 + i % 9) + "-15";
            m.postalCode = std::to_string(10000 + i * 37);
            store.createMember(m);
            store.addContact("demo", m.pseudo, i % 3 ? ListKind::Favoris : ListKind::ListeNoire);
            if (i % 5 == 0)
                store.addContact(m.pseudo, "demo", ListKind::ListeNoire);
            if (i % 4)
                continue;
            Mail mail;
            mail.sender = m.pseudo;
            mail.recipient = "demo";
            mail.date = "2026-11-" + std::to_string(10 + i % 19);
            mail.time = "09:07:" + std::to_string(10 + i % 50);
            mail.subject = i % 8 ? "" : "Sujet n°" + std::to_string(i);
            mail.text = repeat("Bonjour, ça va ? Réponds-moi vite !\r\n", 1 + i % 30);
            store.addMail(mail);
        }

        const auto answer = [&](const std::string &target) {
            Request request{"GET", target, "", "", "127.0.0.1"};
            return serialise(handle(ctx, request));
        };
        write("fuzz_refresh_reply", "many-contacts",
              answer("/softrefresh2.php?login=demo&password=demo&ipAdress=192.168.1.10"));
        write("fuzz_search_reply", "many-results",
              answer("/searchmembers3.php?sexe=indiff%E9rent&age=indiff%E9rent&region=indiff%E9rent&taille="
                     "indiff%E9rent&poids=indiff%E9rent&iamuser=demo&withphotoonly=no"));
        write("fuzz_search_reply", "by-pseudo", answer("/searchmembers3.php?pseudo=membre&iamuser=demo"));
        write("fuzz_login_reply", "login", answer("/softlogin.php?login=demo&password=demo"));
        write("fuzz_login_reply", "refused", answer("/softlogin.php?login=demo&password=faux"));
        write("fuzz_profile_reply", "profile", answer("/getprofil.php?pseudo=demo"));
        for (std::size_t i = 0; i < demoPhotoCount && i < 3; ++i) {
            const std::string pseudo = demoPhotos[i].pseudo;
            write("fuzz_profile_reply", "profile-" + pseudo, answer("/getprofil.php?pseudo=" + pseudo));
            write("fuzz_profile_reply", "photo-" + pseudo, answer("/photos/" + pseudo + ".jpg"));
        }
        const std::string mails = answer("/readmails.php?login=demo");
        write("fuzz_mail_list", "many", std::string(1, char(8 + 200)) + mails);
        write("fuzz_mail_list", "cut-short", std::string(1, char(8 + 3)) + mails);

        // Requests: every script, a long mail in the query, a sign-up with its photo.
        const std::string longMail = jaserelle::urlEncode(
            jaserelle::cp1252::fromUtf8(repeat("Un très long message, accentué : é à ù ç ~ | ,\r\n", 60)));
        const std::vector<std::pair<std::string, std::string>> requests = {
            {"refresh", get("/softrefresh2.php?login=demo&password=demo&ipAdress=192.168.1.10")},
            {"login", get("/softlogin.php?login=demo&password=demo")},
            {"logoff", get("/softlogoff.php?login=demo&password=demo")},
            {"add", get("/ajoutmembre.php?login=demo&pseudo=membre7&liste=favoris")},
            {"remove", get("/removemembre.php?login=demo&pseudo=membre7&liste=listenoire")},
            {"profile", get("/getprofil.php?pseudo=membre12")},
            {"photo", get("/photos/" + std::string(demoPhotos[0].pseudo) + ".jpg")},
            {"readmails", get("/readmails.php?login=demo")},
            {"long-mail",
             get("/sendmail.php?sender=demo&login=membre3&subject=Objet%20long&message=" + longMail)},
            {"home", get("/")},
            {"help", get("/onlinehelp.php")},
        };
        for (const auto &[name, bytes] : requests)
            write("fuzz_community_request", name, bytes);
        const std::string photo(reinterpret_cast<const char *>(demoPhotos[0].data), demoPhotos[0].size);
        const std::string form = multipart("----jaserelle0123",
                                           {{"pseudo", "nouveau1"},
                                            {"password", "secret"},
                                            {"sexe", "F"},
                                            {"naissance", "1990-04-12"},
                                            {"codepostal", "75012"},
                                            {"prenom", "Hélène"},
                                            {"ville", "Paris"},
                                            {"region", "Île-de-France"},
                                            {"cheveux", "châtains"},
                                            {"yeux", "verts"},
                                            {"ethnie", "européenne"},
                                            {"style", "classique"}},
                                           photo);
        const std::string contentType = "multipart/form-data; boundary=----jaserelle0123";
        write("fuzz_community_request", "signup-photo",
              "POST /inscription HTTP/1.1\r\nHost: x\r\nContent-Type: " + contentType +
                  "\r\nContent-Length: " + std::to_string(form.size()) + "\r\n\r\n" + form);
        write(
            "fuzz_community_request", "signup-chunked",
            "POST /inscription HTTP/1.1\r\nHost: x\r\nContent-Type: " + contentType +
                "\r\nTransfer-Encoding: chunked\r\n\r\n" + [&] {
                    char size[16];
                    std::snprintf(size, sizeof size, "%zx", form.size());
                    return std::string(size) + "\r\n" + form + "\r\n0\r\n\r\n";
                }());
        write("fuzz_community_query", "long-mail-and-signup",
              "/sendmail.php?sender=demo&login=membre3&message=" + longMail + "\n" + contentType + "\n" +
                  form);
    }
    fs::remove_all(dir);
}

QString richRtf(int paragraphs, bool withPicture)
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    for (int i = 0; i < paragraphs; ++i) {
        QTextCharFormat f;
        f.setFontFamilies({i % 2 ? QStringLiteral("Comic Sans MS") : QStringLiteral("Arial")});
        f.setFontPointSize(8 + i % 20);
        f.setFontWeight(i % 3 ? QFont::Normal : QFont::Bold);
        f.setFontItalic(i % 4 == 1);
        f.setFontUnderline(i % 5 == 2);
        f.setForeground(QColor::fromHsv((i * 37) % 360, 200, 200));
        cursor.insertText(QStringLiteral("Ligne %1 : été, Noël, {accolades} \\ œ € – ").arg(i), f);
        if (withPicture && i % 7 == 3) {
            QImage image(24 + i, 16, QImage::Format_ARGB32);
            image.fill(QColor::fromHsv((i * 53) % 360, 255, 255));
            const QUrl name(QStringLiteral("image%1").arg(i));
            doc.addResource(QTextDocument::ImageResource, name, image);
            QTextImageFormat img;
            img.setName(name.toString());
            cursor.insertImage(img);
        }
        cursor.insertBlock();
    }
    return rtfwriter::fromDocument(doc);
}

void clientSeeds()
{
    const QString small = richRtf(3, false);
    const QString large = richRtf(120, true);
    // Groups inside groups, as deep as a hostile peer likes, around real content.
    const QString nested = QString(u'{').repeated(300) +
                           rtffragments::nameLine(false, QStringLiteral("alice")) +
                           rtffragments::escapeText(QStringLiteral("imbriqué")) + QString(u'}').repeated(300);
    write("fuzz_rtf_reader", "small", small.toLatin1());
    write("fuzz_rtf_reader", "large-pictures", large.toLatin1());
    write("fuzz_rtf_reader", "nested", nested.toLatin1());
    write("fuzz_rtf_reader", "name-lines",
          (rtffragments::nameLine(true, QStringLiteral("moi")) +
           rtffragments::nameLine(false, QStringLiteral("{\\toi}")) + rtffragments::soundNotice)
              .toLatin1());

    // The first byte picks the size of the pieces the packets arrive in.
    const auto packets = [](char step, const QByteArray &bytes) { return QByteArray(1, step) + bytes; };
    write("fuzz_peer_packets", "session",
          packets(7, callRequestPacket(QStringLiteral("alice")) + acceptPacket() + soundPacket(2) +
                         messagePacket(small) + refusalPacket()));
    write("fuzz_peer_packets", "large-message", packets(39, messagePacket(large)));
    write("fuzz_peer_packets", "nested-message", packets(1, messagePacket(nested)));
    write("fuzz_peer_packets", "marker-in-text",
          packets(13, messagePacket(rtffragments::escapeText(
                          QStringLiteral("THISISTHEENDOFTHEPACKET et THISISTHEENDOFTHEPACKE")))));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: fuzz_make_seeds <dir>\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    outDir = argv[1];
    serverSeeds();
    clientSeeds();
    return 0;
}
