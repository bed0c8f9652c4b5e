#include "web/curl/curl_easy.h"

#include <mutex>
#include <new>

namespace qorvex::web {

void ensure_curl_global() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlEasy::CurlEasy() {
    ensure_curl_global();
    m_handle = curl_easy_init();
}

CurlEasy::~CurlEasy() {
    if (m_handle != nullptr) {
        curl_easy_cleanup(m_handle);
    }
}

CurlMulti::CurlMulti() {
    ensure_curl_global();
    m_handle = curl_multi_init();
}

CurlMulti::~CurlMulti() {
    if (m_handle != nullptr) {
        curl_multi_cleanup(m_handle);
    }
}

CurlHeaderList::~CurlHeaderList() {
    curl_slist_free_all(m_list);
}

void CurlHeaderList::add_field(std::string_view name, std::string_view value) {
    // libcurl reads "Name:" as "do not send Name"; "Name;" sends it empty.
    if (value.empty()) {
        append(std::string(name) + ";");
    } else {
        append(std::string(name) + ": " + std::string(value));
    }
}

void CurlHeaderList::suppress(std::string_view name) {
    append(std::string(name) + ":");
}

void CurlHeaderList::append(const std::string& line) {
    curl_slist* grown = curl_slist_append(m_list, line.c_str());
    if (grown == nullptr) {
        throw std::bad_alloc();
    }
    m_list = grown;
}

}  // namespace qorvex::web
