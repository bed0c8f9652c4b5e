#include "hunt/notify/curl/mail_sender.h"

#include <curl/curl.h>

#include <algorithm>

#include "web/curl/curl_easy.h"

namespace qorvex::hunt::notify {
namespace {

struct MailReader {
    const std::string* text = nullptr;
    std::size_t offset = 0;
};

std::size_t on_read(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* reader = static_cast<MailReader*>(user);
    const std::size_t bytes = std::min(size * count, reader->text->size() - reader->offset);
    std::copy_n(reader->text->data() + reader->offset, bytes, buffer);
    reader->offset += bytes;
    return bytes;
}

// The server's replies are not wanted as data; libcurl reads the codes itself.
std::size_t on_discard(char* /*data*/, std::size_t size, std::size_t count, void* /*user*/) {
    return size * count;
}

}  // namespace

MailAnswer send_mail(const MailRequest& request, const SendOptions& options) {
    MailAnswer answer;
    web::CurlEasy easy;
    if (!easy) {
        answer.text = "libcurl could not start a transfer";
        return answer;
    }
    CURL* handle = easy.get();
    curl_slist* recipients = nullptr;
    for (const auto& recipient : request.recipients) {
        curl_slist* grown = curl_slist_append(recipients, recipient.c_str());
        if (grown == nullptr) {
            curl_slist_free_all(recipients);
            answer.text = "out of memory";
            return answer;
        }
        recipients = grown;
    }
    MailReader reader{&request.message, 0};
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle, CURLOPT_URL, request.server.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // smtp:// without STARTTLS would send the password and the mail in the clear.
    curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!request.user.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, request.password.c_str());
    }
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, request.from.c_str());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE,
                     static_cast<curl_off_t>(request.message.size()));
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, &on_read);
    curl_easy_setopt(handle, CURLOPT_READDATA, &reader);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &on_discard);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeout.count()));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.connect_timeout.count()));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    if (!options.ca_file.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, options.ca_file.c_str());
    }

    const CURLcode result = curl_easy_perform(handle);
    curl_slist_free_all(recipients);
    long code = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
    answer.code = static_cast<int>(code);
    if (result != CURLE_OK) {
        answer.text = error[0] != '\0' ? error : curl_easy_strerror(result);
        // A transfer cut off after an accepting reply is not a delivery.
        if (answer.code >= 200 && answer.code < 400) {
            answer.code = 0;
        }
    } else {
        answer.text = "accepted";
    }
    return answer;
}

}  // namespace qorvex::hunt::notify
