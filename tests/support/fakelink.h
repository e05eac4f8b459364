#pragma once

#include "campus/mqttlink.h"

#include <vector>

namespace ringvale::testing {

// An MqttLink that keeps what is published and delivers what a test hands it.
class FakeLink final : public MqttLink {
public:
    struct Published {
        std::string topic;
        std::string payload;
        bool retain;
    };
    void subscribe(std::string filter) override { filters.push_back(std::move(filter)); }
    void setLastWill(std::string topic, std::string payload) override { will = {topic, payload, true}; }
    void setHandlers(MessageHandler onMessage, StateHandler onState) override {
        m_onMessage = std::move(onMessage);
        m_onState = std::move(onState);
    }
    void start() override {}
    void stop() override {}
    bool publish(const std::string& topic, std::string_view payload, bool retain) override {
        if (!up)
            return false;
        published.push_back({topic, std::string(payload), retain});
        return true;
    }
    bool waitUntilDelivered(std::chrono::milliseconds) override { return true; }

    void deliver(const std::string& topic, const std::string& payload, bool retained = true) {
        m_onMessage({topic, payload, retained});
    }
    void connect(bool connected) { m_onState(connected, connected ? "" : "gone"); }

    bool up = true;
    std::vector<std::string> filters;
    Published will;
    std::vector<Published> published;

private:
    MessageHandler m_onMessage;
    StateHandler m_onState;
};

} // namespace ringvale::testing
