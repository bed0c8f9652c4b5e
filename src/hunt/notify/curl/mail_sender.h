#pragma once

// Hands a built mail to its SMTP server with libcurl: smtp:// must turn to
// TLS with STARTTLS before anything (the login included) is sent, smtps://
// speaks TLS from the start. The answer is the server's last reply code and
// what libcurl said, for the notify library's answer reading.

#include <string>

#include "hunt/notify/curl/http_sender.h"
#include "hunt/notify/delivery.h"

namespace qorvex::hunt::notify {

struct MailAnswer {
    int code = 0;  // the server's last SMTP reply code; 0 when none came
    std::string text;
};

MailAnswer send_mail(const MailRequest& request, const SendOptions& options);

}  // namespace qorvex::hunt::notify
