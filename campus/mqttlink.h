#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace ringvale {

// A connection to an MQTT broker that keeps itself up: it connects in the background, and after
// a drop it reconnects until stopped. Every publication is QoS 1. Handlers run on the link's own
// thread; publish may be called from any thread.
class MqttLink {
public:
    struct Message {
        std::string topic;
        std::string payload;
        bool retained = false;
    };
    using MessageHandler = std::function<void(const Message&)>;
    // connected, and when not, why (UTF-8)
    using StateHandler = std::function<void(bool connected, const std::string& why)>;

    virtual ~MqttLink() = default;
    // Before start: what every (re)connection subscribes to, and the message the broker publishes
    // when this client vanishes without saying goodbye.
    virtual void subscribe(std::string filter) = 0;
    virtual void setLastWill(std::string topic, std::string payload) = 0;
    virtual void setHandlers(MessageHandler onMessage, StateHandler onState) = 0;
    virtual void start() = 0;
    // Publishes what is queued, says goodbye and joins the thread.
    virtual void stop() = 0;
    // False when the message could not be handed to the link (not connected, say).
    virtual bool publish(const std::string& topic, std::string_view payload, bool retain) = 0;
    // Waits until the broker has acknowledged everything published; false on the timeout.
    virtual bool waitUntilDelivered(std::chrono::milliseconds timeout) = 0;
};

} // namespace ringvale
