#pragma once

// A real broker for the publishing tests: mosquitto on a free port of 127.0.0.1 with its own
// configuration and persistence in a temporary folder, and a subscriber that records every
// message it receives.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <arpa/inet.h>
#include <mosquitto.h>
#include <mutex>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace kst::test {

inline int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

inline bool PortOpen(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool open = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return open;
}

// Two CAs ("ca" and "other") and a broker certificate for localhost signed by "ca", made in
// `folder`; the broker settings that use them.
inline QString MakeCertificates(const QString &folder)
{
    const auto run = [&](const QString &command) {
        return QProcess::execute("sh",
                                 {"-c", "cd " + folder + " && " + command + " 2>/dev/null"}) == 0;
    };
    const QString ca =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=%1 -keyout %1.key -out %1.crt";
    if (!run(ca.arg("ca")) || !run(ca.arg("other")) ||
        !run("openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout broker.key -out "
             "broker.csr") ||
        !run("printf 'subjectAltName=DNS:localhost,IP:127.0.0.1' > san && openssl x509 -req -in "
             "broker.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile san -out "
             "broker.crt"))
        return {};
    return QStringLiteral("cafile %1/ca.crt\ncertfile %1/broker.crt\nkeyfile %1/broker.key")
        .arg(folder);
}

class Broker {
public:
    // `tlsLines`: extra settings, such as the certificate files for a TLS listener.
    explicit Broker(const QString &tlsLines = {}) : port_(FreePort())
    {
        QFile config(dir_.filePath("mosquitto.conf"));
        config.open(QIODevice::WriteOnly);
        config.write(
            QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n"
                           "persistence true\npersistence_location %2/\nlog_dest file "
                           "%2/broker.log\nuser %4\n%3\n")
                .arg(port_)
                .arg(dir_.path(), tlsLines, QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name))
                .toUtf8());
    }
    ~Broker() { Stop(); }

    int Port() const { return port_; }

    bool Start()
    {
        // The broker lives in /usr/sbin, which is not on every user's PATH.
        QString program = QStandardPaths::findExecutable("mosquitto");
        if (program.isEmpty())
            program = QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/local/sbin"});
        process_.start(program, {"-c", dir_.filePath("mosquitto.conf")});
        return QTest::qWaitFor([this] { return PortOpen(port_); }, 15000);
    }
    void Stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        process_.waitForFinished(10000);
    }

private:
    QTemporaryDir dir_;
    int port_;
    QProcess process_;
};

struct Received {
    QByteArray topic;
    QByteArray payload;
    bool retained;
};

// Subscribes to everything at QoS 1 with a lasting session, so that nothing published while it
// reconnects to a restarted broker is lost to it.
class Subscriber {
public:
    explicit Subscriber(int port)
    {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(QByteArray("kst-test-" + QByteArray::number(port)).constData(), false,
                              this);
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        mosquitto_connect_callback_set(
            mosq_, [](mosquitto *m, void *, int) { mosquitto_subscribe(m, nullptr, "#", 1); });
        mosquitto_message_callback_set(
            mosq_, [](mosquitto *, void *self, const mosquitto_message *m) {
                auto *me = static_cast<Subscriber *>(self);
                std::lock_guard lock(me->mutex_);
                me->messages_.push_back(
                    {m->topic, QByteArray(static_cast<const char *>(m->payload), m->payloadlen),
                     m->retain});
            });
        mosquitto_connect(mosq_, "127.0.0.1", port, 30);
        mosquitto_loop_start(mosq_);
    }
    ~Subscriber()
    {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, true);
        mosquitto_destroy(mosq_);
    }
    // Everything received, in the order it came.
    std::vector<Received> All()
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<Received> On(const QByteArray &topic)
    {
        std::lock_guard lock(mutex_);
        std::vector<Received> found;
        for (const Received &m : messages_)
            if (m.topic == topic)
                found.push_back(m);
        return found;
    }

private:
    mosquitto *mosq_;
    std::mutex mutex_;
    std::vector<Received> messages_;
};

} // namespace kst::test
