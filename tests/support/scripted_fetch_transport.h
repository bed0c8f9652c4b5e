#pragma once

#include <memory>
#include <string>
#include <vector>

#include "web/fetch_transport.h"

namespace qorvex::test {

// A fetch transport that answers every request with a set reply and keeps
// what it was asked to open and send, for checking what wininet_fetch and
// the update check hand over.
class ScriptedFetchTransport final : public web::FetchTransport {
public:
    struct Sent {
        std::string header_block;
        web::Bytes body;
    };

    std::unique_ptr<web::FetchExchange> open(const web::FetchTarget& target) override {
        opened.push_back(target);
        if (!can_open) {
            return nullptr;
        }
        return std::make_unique<Exchange>(*this);
    }

    bool can_open = true;
    web::FetchReply reply;
    std::vector<web::FetchTarget> opened;
    std::vector<Sent> sent;

private:
    class Exchange final : public web::FetchExchange {
    public:
        explicit Exchange(ScriptedFetchTransport& owner) : m_owner(owner) {}
        web::FetchReply send(std::string_view header_block, const web::Bytes& body) override {
            m_owner.sent.push_back({std::string(header_block), body});
            return m_owner.reply;
        }

    private:
        ScriptedFetchTransport& m_owner;
    };
};

}  // namespace qorvex::test
