#pragma once

#include <memory>
#include <vector>

#include "web/http_transport.h"

namespace qorvex::web {

// A transport that answers every exchange with a set reply and keeps the
// requests it was asked to send, for checking what web_access hands over.
class RecordingTransport final : public HttpTransport {
public:
    class Session final : public HttpSession {
    public:
        explicit Session(RecordingTransport& owner) : m_owner(owner) {}
        HttpReply exchange(const HttpRequest& request) override {
            m_owner.requests.push_back(request);
            return m_owner.reply;
        }

    private:
        RecordingTransport& m_owner;
    };

    std::unique_ptr<HttpSession> open_session() override {
        ++sessions_opened;
        if (!can_open) {
            return nullptr;
        }
        return std::make_unique<Session>(*this);
    }

    const HttpRequest& last() const { return requests.back(); }

    bool can_open = true;
    int sessions_opened = 0;
    HttpReply reply;
    std::vector<HttpRequest> requests;
};

}  // namespace qorvex::web
