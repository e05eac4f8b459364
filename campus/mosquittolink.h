#pragma once

#include "campus/campusaddress.h"
#include "campus/mqttlink.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace ringvale {

// MqttLink through libmosquitto.
class MosquittoLink final : public MqttLink {
public:
    // The client id is made from `clientName` (unique per program directory and role).
    // `caFile`: the authority that signed the broker's certificate (empty: the system's).
    MosquittoLink(CampusAddress address, std::string clientName, std::string caFile = {});
    ~MosquittoLink() override;
    MosquittoLink(const MosquittoLink&) = delete;
    MosquittoLink& operator=(const MosquittoLink&) = delete;

    void subscribe(std::string filter) override;
    void setLastWill(std::string topic, std::string payload) override;
    void setHandlers(MessageHandler onMessage, StateHandler onState) override;
    void start() override;
    void stop() override;
    bool publish(const std::string& topic, std::string_view payload, bool retain) override;
    bool waitUntilDelivered(std::chrono::milliseconds timeout) override;

    // Waited between attempts to reach the broker.
    static constexpr int kRetrySeconds = 1;

private:
    static void onConnect(mosquitto* client, void* self, int code);
    static void onDisconnect(mosquitto* client, void* self, int code);
    static void onMessage(mosquitto* client, void* self, const mosquitto_message* message);
    static void onPublish(mosquitto* client, void* self, int messageId);
    void run();
    void reportState(bool connected, const std::string& why);
    std::string tlsFailure() const; // why the TLS connection fails, in an operator's words

    CampusAddress m_address;
    std::string m_caFile;
    mosquitto* m_client = nullptr;
    std::vector<std::string> m_filters;
    std::optional<std::pair<std::string, std::string>> m_will;
    MessageHandler m_onMessage;
    StateHandler m_onState;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_delivered;
    bool m_stopping = false;
    bool m_connected = false;
    std::set<int> m_unacknowledged; // message ids published and not yet acknowledged
    std::string m_lastWhy;          // the last reason reported, so a broker that stays away is said once
};

} // namespace ringvale
