#include "campus/mosquittolink.h"

#include "campus/tlsdiagnosis.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace ringvale {

namespace {
constexpr int kKeepAliveSeconds = 10;
constexpr int kQos = 1;

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string errorText(int code) {
    return code == MOSQ_ERR_ERRNO ? std::string(std::strerror(errno)) : std::string(mosquitto_strerror(code));
}
} // namespace

MosquittoLink::MosquittoLink(CampusAddress address, std::string clientName, std::string caFile)
    : m_address(std::move(address)), m_caFile(std::move(caFile)) {
    initialiseLibrary();
    // A fresh session each time: what a building must know is retained, and a command queued while
    // it was away is too late to play.
    m_client = mosquitto_new(("ringvale-" + clientName).c_str(), true, this);
    if (!m_client)
        return;
    mosquitto_threaded_set(m_client, true);
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_reconnect_delay_set(m_client, kRetrySeconds, kRetrySeconds, false);
    mosquitto_connect_callback_set(m_client, &MosquittoLink::onConnect);
    mosquitto_disconnect_callback_set(m_client, &MosquittoLink::onDisconnect);
    mosquitto_message_callback_set(m_client, &MosquittoLink::onMessage);
    mosquitto_publish_callback_set(m_client, &MosquittoLink::onPublish);
    if (!m_address.user.empty())
        mosquitto_username_pw_set(m_client, m_address.user.c_str(),
                                  m_address.password.empty() ? nullptr : m_address.password.c_str());
    if (m_address.tls)
        mosquitto_tls_set(m_client, m_caFile.empty() ? nullptr : m_caFile.c_str(),
                          m_caFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
}

MosquittoLink::~MosquittoLink() {
    stop();
    if (m_client)
        mosquitto_destroy(m_client);
}

void MosquittoLink::subscribe(std::string filter) {
    m_filters.push_back(std::move(filter));
}

void MosquittoLink::setLastWill(std::string topic, std::string payload) {
    m_will.emplace(std::move(topic), std::move(payload));
}

void MosquittoLink::setHandlers(MessageHandler onMessage, StateHandler onState) {
    m_onMessage = std::move(onMessage);
    m_onState = std::move(onState);
}

void MosquittoLink::start() {
    if (!m_client) {
        reportState(false, "the MQTT client could not be made");
        return;
    }
    if (m_will)
        mosquitto_will_set(m_client, m_will->first.c_str(), static_cast<int>(m_will->second.size()),
                           m_will->second.data(), kQos, true);
    m_thread = std::thread([this] { run(); });
}

void MosquittoLink::stop() {
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping || !m_thread.joinable())
            return;
        m_stopping = true;
    }
    m_wake.notify_all();
    mosquitto_disconnect(m_client);
    m_thread.join();
    const std::lock_guard lock(m_mutex);
    m_connected = false;
}

bool MosquittoLink::publish(const std::string& topic, std::string_view payload, bool retain) {
    {
        const std::lock_guard lock(m_mutex);
        if (!m_connected)
            return false;
    }
    // Held across the call, so an acknowledgement cannot come before its id is noted.
    const std::lock_guard lock(m_mutex);
    int id = 0;
    if (mosquitto_publish(m_client, &id, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                          kQos, retain) != MOSQ_ERR_SUCCESS)
        return false;
    m_unacknowledged.insert(id);
    return true;
}

bool MosquittoLink::waitUntilDelivered(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_delivered.wait_for(lock, timeout, [this] { return m_unacknowledged.empty() || !m_connected; }) &&
           m_unacknowledged.empty();
}

void MosquittoLink::onPublish(mosquitto*, void* self, int messageId) {
    auto* link = static_cast<MosquittoLink*>(self);
    {
        const std::lock_guard lock(link->m_mutex);
        link->m_unacknowledged.erase(messageId);
    }
    link->m_delivered.notify_all();
}

void MosquittoLink::run() {
    int code = mosquitto_connect_async(m_client, m_address.host.c_str(), m_address.portOrDefault(),
                                       kKeepAliveSeconds);
    while (true) {
        if (code == MOSQ_ERR_SUCCESS)
            code = mosquitto_loop_forever(m_client, 1000, 1);
        {
            std::unique_lock lock(m_mutex);
            if (m_stopping)
                return;
        }
        // The loop gives up only on errors it will not retry (a host name that does not resolve,
        // a TLS failure): this thread retries them too, since the network may come back.
        reportState(false, code == MOSQ_ERR_TLS ? tlsFailure() : errorText(code));
        {
            std::unique_lock lock(m_mutex);
            if (m_wake.wait_for(lock, std::chrono::seconds(kRetrySeconds), [this] { return m_stopping; }))
                return;
        }
        code = mosquitto_reconnect(m_client);
    }
}

std::string MosquittoLink::tlsFailure() const {
    const std::string why = diagnoseTlsFailure(m_address.host, m_address.portOrDefault(), m_caFile);
    return why.empty() ? errorText(MOSQ_ERR_TLS) : why;
}

void MosquittoLink::reportState(bool connected, const std::string& why) {
    {
        const std::lock_guard lock(m_mutex);
        const bool same = connected == m_connected && why == m_lastWhy;
        m_connected = connected;
        m_lastWhy = why;
        if (!connected)
            m_unacknowledged.clear(); // a fresh session: they are not coming
        if (same || m_stopping)
            return;
    }
    m_delivered.notify_all();
    if (m_onState)
        m_onState(connected, why);
}

void MosquittoLink::onConnect(mosquitto* client, void* self, int code) {
    auto* link = static_cast<MosquittoLink*>(self);
    if (code != 0) {
        link->reportState(false, mosquitto_connack_string(code));
        return;
    }
    for (const std::string& filter : link->m_filters)
        mosquitto_subscribe(client, nullptr, filter.c_str(), kQos);
    link->reportState(true, {});
}

void MosquittoLink::onDisconnect(mosquitto*, void* self, int code) {
    static_cast<MosquittoLink*>(self)->reportState(
        false, code == 0 ? "disconnected" : "the connection to the broker was lost");
}

void MosquittoLink::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* link = static_cast<MosquittoLink*>(self);
    if (!link->m_onMessage || !message->topic)
        return;
    Message received;
    received.topic = message->topic;
    if (message->payload && message->payloadlen > 0)
        received.payload.assign(static_cast<const char*>(message->payload),
                                static_cast<std::size_t>(message->payloadlen));
    received.retained = message->retain;
    link->m_onMessage(received);
}

} // namespace ringvale
