#include "support/CaddyServer.h"

#include "support/LoopbackSocket.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

namespace {

constexpr auto kCaddy = "/usr/bin/caddy";
constexpr int kStartAttempts = 3;
constexpr int kStartLimitMs = 10000;
constexpr int kPollMs = 20;
// Caddy's own line once every listener is bound: a port that answers may be another server's.
constexpr QByteArrayView kServing = "serving initial configuration";

QJsonObject object(std::initializer_list<QPair<QString, QJsonValue>> members)
{
    QJsonObject result;
    for (const auto& [key, value] : members)
        result.insert(key, value);
    return result;
}

} // namespace

CaddyServer::CaddyServer()
    : m_dir(std::make_unique<QTemporaryDir>(TestEnvironment::root() + u"/caddy-XXXXXX"_qs))
{
    QDir().mkpath(path(u"root"_qs));
}

CaddyServer::~CaddyServer()
{
    m_process.stop(kStartLimitMs);
}

QString CaddyServer::path(const QString& name) const
{
    return m_dir->path() + u'/' + name;
}

QString CaddyServer::certificateFile() const
{
    return path(u"cert.pem"_qs);
}

bool CaddyServer::start()
{
    if (!QFileInfo::exists(QString::fromLatin1(kCaddy))) {
        m_errorText = u"caddy is not installed (Debian package \"caddy\")"_qs;
        return false;
    }
    if (!ChildProcess::run(u"openssl"_qs,
                           {u"req"_qs, u"-x509"_qs, u"-newkey"_qs, u"ec"_qs, u"-pkeyopt"_qs,
                            u"ec_paramgen_curve:prime256v1"_qs, u"-nodes"_qs, u"-keyout"_qs, path(u"key.pem"_qs),
                            u"-out"_qs, certificateFile(), u"-days"_qs, u"30"_qs, u"-subj"_qs, u"/CN=127.0.0.1"_qs,
                            u"-addext"_qs, u"subjectAltName=IP:127.0.0.1"_qs},
                           m_dir->path(), 30000)) {
        m_errorText = u"the openssl command could not make the test certificate"_qs;
        return false;
    }
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (startOnce())
            return true;
        m_process.stop(kStartLimitMs);
    }
    return false;
}

bool CaddyServer::startOnce()
{
    m_port = FreeLoopbackPorts(1).value(0);
    if (!writeConfig()) {
        m_errorText = u"cannot write the caddy configuration"_qs;
        return false;
    }
    QFile::remove(path(u"output.log"_qs));
    if (!m_process.start(QString::fromLatin1(kCaddy), {u"run"_qs, u"--config"_qs, path(u"caddy.json"_qs)},
                         path(u"output.log"_qs))
        || !waitUntilServing()) {
        QFile output(path(u"output.log"_qs));
        output.open(QIODevice::ReadOnly);
        m_errorText = u"caddy did not start: "_qs + QString::fromLocal8Bit(output.readAll());
        return false;
    }
    return true;
}

bool CaddyServer::writeConfig() const
{
    const QJsonObject server = object({
        {u"listen"_qs, QJsonArray{u"127.0.0.1:%1"_qs.arg(m_port)}},
        {u"protocols"_qs, QJsonArray{u"h1"_qs, u"h2"_qs}},
        {u"automatic_https"_qs, object({{u"disable"_qs, true}})},
        {u"tls_connection_policies"_qs, QJsonArray{QJsonObject()}},
        {u"routes"_qs, QJsonArray{object({{u"handle"_qs, QJsonArray{object({{u"handler"_qs, u"file_server"_qs},
                                                                            {u"root"_qs, path(u"root"_qs)}})}}})}},
    });
    const QJsonObject certificate = object({{u"certificate"_qs, certificateFile()}, {u"key"_qs, path(u"key.pem"_qs)}});
    const QJsonObject config = object({
        {u"admin"_qs, object({{u"disabled"_qs, true}, {u"config"_qs, object({{u"persist"_qs, false}})}})},
        {u"storage"_qs, object({{u"module"_qs, u"file_system"_qs}, {u"root"_qs, path(u"storage"_qs)}})},
        {u"apps"_qs,
         object({{u"http"_qs, object({{u"grace_period"_qs, u"1s"_qs},
                                      {u"servers"_qs, object({{u"test"_qs, server}})}})},
                 {u"tls"_qs, object({{u"certificates"_qs,
                                      object({{u"load_files"_qs, QJsonArray{certificate}}})}})}})},
    });
    QFile file(path(u"caddy.json"_qs));
    const QByteArray text = QJsonDocument(config).toJson();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

bool CaddyServer::waitUntilServing()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kStartLimitMs && m_process.isRunning()) {
        QFile output(path(u"output.log"_qs));
        if (output.open(QIODevice::ReadOnly) && output.readAll().contains(kServing))
            return true;
        QThread::msleep(kPollMs);
    }
    return false;
}

void CaddyServer::putFile(const QString& name, const QByteArray& content) const
{
    QFile file(path(u"root/"_qs + name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

QString CaddyServer::url(const QString& urlPath) const
{
    return u"https://127.0.0.1:%1%2"_qs.arg(m_port).arg(urlPath);
}
