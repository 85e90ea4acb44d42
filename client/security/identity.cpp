#include "client/security/identity.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include <memory>

namespace jaserelle::client {

namespace {

template<auto Free>
struct Freer
{
    template<typename T>
    void operator()(T *p) const { Free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Freer<X509_free>>;
using Bio = std::unique_ptr<BIO, Freer<BIO_free_all>>;

QByteArray drain(BIO *bio)
{
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, int(size));
}

// P-256: made in a millisecond or two, and every TLS library on the other side knows it.
Pkey newKey()
{
    return Pkey(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
}

Cert selfSigned(EVP_PKEY *key, const QString &commonName)
{
    Cert cert(X509_new());
    if (!cert)
        return {};
    X509_set_version(cert.get(), 2);
    // A random serial, so two certificates of one name are never taken for the same.
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1)
        return {};
    serial[0] &= 0x7f;
    BIGNUM *bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 20L * 365 * 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME *name = X509_get_subject_name(cert.get());
    const QByteArray cn = commonName.toUtf8();
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>(cn.constData()),
                               int(cn.size()), -1, 0);
    X509_set_issuer_name(cert.get(), name);
    if (X509_sign(cert.get(), key, EVP_sha256()) <= 0)
        return {};
    return cert;
}

std::optional<ClientIdentity> fromPem(const QByteArray &pem)
{
    ClientIdentity identity;
    identity.key = QSslKey(pem, QSsl::Ec, QSsl::Pem, QSsl::PrivateKey);
    const auto certs = QSslCertificate::fromData(pem, QSsl::Pem);
    if (identity.key.isNull() || certs.isEmpty())
        return std::nullopt;
    identity.certificate = certs.first();
    return identity;
}

QByteArray toPem(EVP_PKEY *key, X509 *cert)
{
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) <= 0 ||
        PEM_write_bio_X509(bio.get(), cert) <= 0)
        return {};
    return drain(bio.get());
}

QByteArray newIdentityPem(const QString &commonName)
{
    Pkey key = newKey();
    if (!key)
        return {};
    Cert cert = selfSigned(key.get(), commonName);
    if (!cert)
        return {};
    return toPem(key.get(), cert.get());
}

} // namespace

QByteArray certificateFingerprint(const QSslCertificate &certificate)
{
    return certificate.digest(QCryptographicHash::Sha256).toHex();
}

QByteArray ClientIdentity::fingerprint() const
{
    return certificateFingerprint(certificate);
}

QString identityFile(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("identity.pem"));
}

std::optional<ClientIdentity> makeIdentity(const QString &commonName)
{
    return fromPem(newIdentityPem(commonName));
}

std::optional<ClientIdentity> loadOrCreateIdentity(const QString &folder, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<ClientIdentity> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QString path = identityFile(folder);
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1").arg(path));
        auto identity = fromPem(existing.readAll());
        if (!identity)
            return fail(QStringLiteral("%1 holds no key and certificate").arg(path));
        return identity;
    }
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot make %1").arg(folder));
    const QByteArray pem = newIdentityPem(QStringLiteral("jaserelle"));
    if (pem.isEmpty())
        return fail(QStringLiteral("cannot make a key"));
    // Made owner-only from the first byte on, so the key is never readable by others, not even
    // briefly; NewOnly keeps a file that appeared meanwhile.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail(QStringLiteral("cannot write %1").arg(path));
    if (file.write(pem) != pem.size() || !file.flush()) {
        file.remove();
        return fail(QStringLiteral("cannot write %1").arg(path));
    }
    return fromPem(pem);
}

} // namespace jaserelle::client
