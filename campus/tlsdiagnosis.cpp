#include "campus/tlsdiagnosis.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <memory>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ringvale {

namespace {

constexpr int kTimeoutMs = 3000;

struct SocketCloser {
    void operator()(const int* fd) const {
        ::close(*fd);
        delete fd;
    }
};

// A blocking TCP connection with send and receive time-outs, or -1 with the reason.
int connectTo(const std::string& host, int port, std::string& why) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int code = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
        code != 0) {
        why = "the broker's name " + host + " does not resolve: " + ::gai_strerror(code);
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        timeval timeout{kTimeoutMs / 1000, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0)
        why = "the broker at " + host + ":" + std::to_string(port) + " does not answer";
    return fd;
}

std::string timeText(const ASN1_TIME* time) {
    std::tm tm{};
    if (!time || ASN1_TIME_to_tm(time, &tm) != 1)
        return "an unknown date";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
    return text;
}

std::string verifyFailure(long result, SSL* ssl, const std::string& host) {
    X509* peer = SSL_get1_peer_certificate(ssl);
    const std::unique_ptr<X509, decltype(&X509_free)> certificate(peer, X509_free);
    switch (result) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return "the broker's certificate is signed by an authority this computer does not trust; name the "
               "school's authority with --campus-ca FILE (or 根证书 in the 校园 window)";
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "the broker's certificate expired on " +
               timeText(certificate ? X509_get0_notAfter(certificate.get()) : nullptr) +
               "; the broker needs a new one";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "the broker's certificate is valid only from " +
               timeText(certificate ? X509_get0_notBefore(certificate.get()) : nullptr) +
               "; is this computer's clock right?";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "the broker's certificate is not made out to " + host +
               "; connect by the name it names, or give the broker a certificate for " + host;
    default:
        return std::string("the broker's certificate was refused: ") + X509_verify_cert_error_string(result);
    }
}

} // namespace

std::string diagnoseTlsFailure(const std::string& host, int port, const std::string& caFile) {
    const std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()),
                                                                    SSL_CTX_free);
    if (!context)
        return "TLS could not be set up on this computer";
    if (!caFile.empty()) {
        if (SSL_CTX_load_verify_locations(context.get(), caFile.c_str(), nullptr) != 1)
            return "the certificate authority file " + caFile + " cannot be read as PEM";
    } else if (SSL_CTX_set_default_verify_paths(context.get()) != 1) {
        return "this computer's certificate authorities cannot be read";
    }
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    std::string why;
    const int fd = connectTo(host, port, why);
    if (fd < 0)
        return why;
    const std::unique_ptr<int, SocketCloser> socket(new int(fd));
    const std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(context.get()), SSL_free);
    if (!ssl)
        return "TLS could not be set up on this computer";
    SSL_set_fd(ssl.get(), fd);
    SSL_set_tlsext_host_name(ssl.get(), host.c_str());
    SSL_set1_host(ssl.get(), host.c_str());
    ERR_clear_error();
    if (SSL_connect(ssl.get()) == 1)
        return {};
    if (const long result = SSL_get_verify_result(ssl.get()); result != X509_V_OK)
        return verifyFailure(result, ssl.get(), host);
    const unsigned long error = ERR_get_error();
    char text[256] = "no answer to the TLS greeting (is this a TLS port?)";
    if (error != 0)
        ERR_error_string_n(error, text, sizeof text);
    return std::string("the TLS handshake with the broker failed: ") + text;
}

} // namespace ringvale
