#include "support/NginxServer.h"

#include "support/LoopbackSocket.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <mutex>

namespace {

constexpr auto kNginx = "/usr/sbin/nginx";
constexpr int kStartAttempts = 3;
constexpr int kStartLimitMs = 5000;
constexpr int kLogWaitMs = 2000;
constexpr int kPollMs = 20;

const std::map<NginxServer::Cert, QString> kCertNames = {
    {NginxServer::Cert::Trusted, u"trusted"_qs},     {NginxServer::Cert::SelfSigned, u"self-signed"_qs},
    {NginxServer::Cert::WrongHost, u"wrong-host"_qs}, {NginxServer::Cert::Expired, u"expired"_qs},
    {NginxServer::Cert::ClientAuthOnly, u"client-auth"_qs}, {NginxServer::Cert::Sha1, u"sha1"_qs},
};

QString certDir()
{
    return TestEnvironment::root() + u"/certs"_qs;
}

bool openssl(const QStringList& arguments)
{
    return ChildProcess::run(u"openssl"_qs, arguments, certDir(), 30000);
}

bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// A leaf for the one key all leaves share, signed by the test CA.
bool signLeaf(const QString& name, const QString& subject, const QByteArray& extensions,
              const QStringList& extra = {})
{
    const QString request = name + u".csr"_qs;
    const QString extensionFile = name + u".ext"_qs;
    return writeText(certDir() + u'/' + extensionFile, extensions)
        && openssl({u"req"_qs, u"-new"_qs, u"-key"_qs, u"leaf.key"_qs, u"-subj"_qs, subject, u"-out"_qs, request})
        && openssl(QStringList{u"x509"_qs, u"-req"_qs, u"-in"_qs, request, u"-CA"_qs, u"ca.pem"_qs,
                               u"-CAkey"_qs, u"ca.key"_qs, u"-set_serial"_qs,
                               QString::number(qHash(name) & 0x7fffffff), u"-extfile"_qs, extensionFile,
                               u"-out"_qs, name + u".pem"_qs}
                   + extra);
}

bool makeCertificates()
{
    const QByteArray good = "basicConstraints=CA:FALSE\nsubjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n";
    const QString local = u"/CN=127.0.0.1"_qs;
    const QStringList days = {u"-days"_qs, u"30"_qs};
    return QDir().mkpath(certDir())
        && writeText(certDir() + u"/ca.ext"_qs,
                     "basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\n")
        && openssl({u"ecparam"_qs, u"-name"_qs, u"prime256v1"_qs, u"-genkey"_qs, u"-noout"_qs, u"-out"_qs, u"ca.key"_qs})
        && openssl({u"ecparam"_qs, u"-name"_qs, u"prime256v1"_qs, u"-genkey"_qs, u"-noout"_qs, u"-out"_qs, u"leaf.key"_qs})
        && openssl({u"req"_qs, u"-new"_qs, u"-key"_qs, u"ca.key"_qs, u"-subj"_qs, u"/CN=Vandrel Test CA"_qs,
                    u"-out"_qs, u"ca.csr"_qs})
        && openssl({u"x509"_qs, u"-req"_qs, u"-in"_qs, u"ca.csr"_qs, u"-key"_qs, u"ca.key"_qs, u"-days"_qs,
                    u"30"_qs, u"-extfile"_qs, u"ca.ext"_qs, u"-out"_qs, u"ca.pem"_qs})
        && signLeaf(u"trusted"_qs, local, good, days)
        && signLeaf(u"wrong-host"_qs, u"/CN=other.test"_qs,
                    "basicConstraints=CA:FALSE\nsubjectAltName=DNS:other.test\nextendedKeyUsage=serverAuth\n", days)
        && signLeaf(u"expired"_qs, local, good, {u"-days"_qs, u"-1"_qs})
        && signLeaf(u"client-auth"_qs, local,
                    "basicConstraints=CA:FALSE\nsubjectAltName=IP:127.0.0.1\nextendedKeyUsage=clientAuth\n", days)
        && signLeaf(u"sha1"_qs, local, good, days + QStringList{u"-sha1"_qs})
        && writeText(certDir() + u"/self.ext"_qs, good)
        && openssl({u"x509"_qs, u"-req"_qs, u"-in"_qs, u"trusted.csr"_qs, u"-key"_qs, u"leaf.key"_qs, u"-days"_qs,
                    u"30"_qs, u"-extfile"_qs, u"self.ext"_qs, u"-out"_qs, u"self-signed.pem"_qs});
}

bool certificatesReady()
{
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = makeCertificates(); });
    return ready;
}

QString logField(const QString& text)
{
    return text == u"-" ? QString() : text;
}

} // namespace

NginxServer::NginxServer() = default;

NginxServer::~NginxServer()
{
    stop();
}

QString NginxServer::caFile()
{
    return certDir() + u"/ca.pem"_qs;
}

bool NginxServer::start()
{
    if (!QFileInfo::exists(QString::fromLatin1(kNginx))) {
        m_errorText = u"nginx is not installed (Debian package \"nginx\")"_qs;
        return false;
    }
    if (!certificatesReady()) {
        m_errorText = u"the openssl command could not make the test certificates"_qs;
        return false;
    }
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (startOnce())
            return true;
        stop();
    }
    return false;
}

bool NginxServer::startOnce()
{
    m_dir = std::make_unique<QTemporaryDir>(TestEnvironment::root() + u"/nginx-XXXXXX"_qs);
    const QList<quint16> ports = FreeLoopbackPorts(int(kCertNames.size()) + 1);
    m_httpPort = ports[0];
    int next = 1;
    for (const auto& [cert, name] : kCertNames)
        m_httpsPorts[cert] = ports[next++];
    if (!m_dir->isValid() || !QDir().mkpath(root()) || !QDir().mkpath(m_dir->path() + u"/temp"_qs)
        || !writeConfig()) {
        m_errorText = u"cannot write the nginx configuration"_qs;
        return false;
    }
    const QString dir = m_dir->path();
    const QString output = dir + u"/output.log"_qs;
    if (!m_process.start(QString::fromLatin1(kNginx),
                         {u"-p"_qs, dir, u"-c"_qs, dir + u"/nginx.conf"_qs, u"-e"_qs, dir + u"/error.log"_qs}, output)
        || !waitUntilListening()) {
        QFile log(dir + u"/error.log"_qs);
        log.open(QIODevice::ReadOnly);
        QFile console(output);
        console.open(QIODevice::ReadOnly);
        m_errorText = u"nginx did not start: "_qs + QString::fromLocal8Bit(console.readAll() + log.readAll());
        return false;
    }
    return true;
}

QString NginxServer::serverBlock(quint16 port, const QString& tls) const
{
    return u"    server {\n        listen 127.0.0.1:%1%2;\n        root %3;\n%4        %5\n    }\n"_qs.arg(port)
        .arg(tls.isEmpty() ? QString() : u" ssl"_qs, root(), tls, m_locations);
}

bool NginxServer::writeConfig() const
{
    const QString dir = m_dir->path();
    QString servers = serverBlock(m_httpPort, {});
    for (const auto& [cert, name] : kCertNames) {
        QString tls = u"        ssl_certificate %1/%2.pem;\n        ssl_certificate_key %1/leaf.key;\n"_qs.arg(
            certDir(), name);
        // OpenSSL's default security level refuses to even load a SHA-1 signed certificate.
        if (cert == Cert::Sha1)
            tls += u"        ssl_ciphers DEFAULT:@SECLEVEL=0;\n"_qs;
        servers += serverBlock(m_httpsPorts.at(cert), tls);
    }
    const QString config = QStringLiteral(
        "master_process off;\n"
        "daemon off;\n"
        "%1"
        "pid %2/nginx.pid;\n"
        "error_log %2/error.log info;\n"
        "events { worker_connections 256; }\n"
        "http {\n"
        "    log_format vandrel '$request\\t$status\\t$http_range\\t$http_user_agent\\t$http_referer"
        "\\t$http_authorization\\t$body_bytes_sent';\n"
        "    access_log %2/access.log vandrel;\n"
        "    client_body_temp_path %2/temp/body;\n"
        "    proxy_temp_path %2/temp/proxy;\n"
        "    fastcgi_temp_path %2/temp/fastcgi;\n"
        "    uwsgi_temp_path %2/temp/uwsgi;\n"
        "    scgi_temp_path %2/temp/scgi;\n"
        "    types { text/html html; text/plain txt; application/octet-stream bin; }\n"
        "    default_type application/octet-stream;\n"
        "    absolute_redirect %3;\n"
        "    keepalive_timeout 5s;\n"
        "%4"
        "%5"
        "}\n")
        // As root a 0700 temporary root would give 403 to nginx's default user.
        .arg(::geteuid() == 0 ? u"user root;\n"_qs : QString(), dir,
             m_absoluteRedirect ? u"on"_qs : u"off"_qs, m_httpDirectives, servers);
    return writeText(dir + u"/nginx.conf"_qs, config.toUtf8());
}

bool NginxServer::waitUntilListening()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kStartLimitMs && m_process.isRunning()) {
        bool all = ownsItsPorts() && LoopbackAccepts(m_httpPort);
        for (const auto& [cert, port] : m_httpsPorts)
            all = all && LoopbackAccepts(port);
        if (all)
            return true;
        QThread::msleep(kPollMs);
    }
    return false;
}

// A port may answer for another test's nginx that took it first, while ours
// still retries its bind for seconds; ours writes its pid file only once it
// has bound every listener.
bool NginxServer::ownsItsPorts() const
{
    QFile file(m_dir->path() + u"/nginx.pid"_qs);
    return file.open(QIODevice::ReadOnly) && file.readAll().trimmed().toLongLong() == m_process.pid();
}

void NginxServer::stop()
{
    m_process.stop(kStartLimitMs);
}

QString NginxServer::root() const
{
    return m_dir ? m_dir->path() + u"/root"_qs : QString();
}

void NginxServer::putFile(const QString& path, const QByteArray& content) const
{
    const QString full = root() + u'/' + path;
    QDir().mkpath(QFileInfo(full).path());
    writeText(full, content);
}

QString NginxServer::url(const QString& path) const
{
    return u"http://127.0.0.1:%1%2"_qs.arg(m_httpPort).arg(path);
}

QString NginxServer::httpsUrl(Cert cert, const QString& path) const
{
    return u"https://127.0.0.1:%1%2"_qs.arg(m_httpsPorts.at(cert)).arg(path);
}

QList<NginxServer::LogEntry> NginxServer::accessLog(int atLeast) const
{
    return waitForLog({}, atLeast);
}

QList<NginxServer::LogEntry> NginxServer::accessLogFor(const QString& target, int atLeast) const
{
    return waitForLog(target, atLeast);
}

QList<NginxServer::LogEntry> NginxServer::waitForLog(const QString& target, int atLeast) const
{
    QElapsedTimer timer;
    timer.start();
    QList<LogEntry> entries = readLog(target);
    while (entries.size() < atLeast && timer.elapsed() < kLogWaitMs) {
        QThread::msleep(kPollMs);
        entries = readLog(target);
    }
    return entries;
}

QList<NginxServer::LogEntry> NginxServer::readLog(const QString& target) const
{
    QList<LogEntry> entries;
    QFile file(m_dir->path() + u"/access.log"_qs);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(u'\t');
        if (fields.size() < 7 || (!target.isEmpty() && fields[0].section(u' ', 1, 1) != target))
            continue;
        entries.append({fields[0], fields[1].toInt(), logField(fields[2]), logField(fields[3]),
                        logField(fields[4]), logField(fields[5]), fields[6].toLongLong()});
    }
    return entries;
}
