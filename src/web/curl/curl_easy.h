#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

// Small owners for libcurl handles, shared by the program's HTTP transports.
namespace qorvex::web {

// Initialises libcurl once per process, whichever thread asks first.
void ensure_curl_global();

// An easy handle; empty when libcurl could not make one.
class CurlEasy {
public:
    CurlEasy();
    ~CurlEasy();
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    CURL* get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    CURL* m_handle = nullptr;
};

// A multi handle: it runs transfers in a loop the caller controls and keeps
// their connections for the next transfer; empty when libcurl could not
// make one.
class CurlMulti {
public:
    CurlMulti();
    ~CurlMulti();
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    CURLM* get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    CURLM* m_handle = nullptr;
};

// A list of header lines as libcurl takes them.
class CurlHeaderList {
public:
    CurlHeaderList() = default;
    ~CurlHeaderList();
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;

    // Adds "Name: value"; an empty value is still sent, as "Name:".
    void add_field(std::string_view name, std::string_view value);
    // Keeps libcurl from sending a header of its own under this name.
    void suppress(std::string_view name);

    curl_slist* get() const { return m_list; }

private:
    void append(const std::string& line);

    curl_slist* m_list = nullptr;
};

}  // namespace qorvex::web
