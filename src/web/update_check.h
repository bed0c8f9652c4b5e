#pragma once

#include <stop_token>
#include <string>
#include <string_view>

#include "web/bytes.h"
#include "web/fetch_transport.h"

// The start-up update check: the version file on the download host names
// the newest version, and a notice is due when it is not this one.
namespace qorvex::web {

inline constexpr std::string_view kCurrentVersion = "V20190423";
// The update flag once the versions differ; the notice acts only on it.
inline constexpr int kUpdateFound = 7;

struct UpdateState {
    std::string current_version;
    std::string latest_version;  // empty when the file named none
    int update_flag = 0;
    bool checked = false;  // the check runs once per run
};

// "https://" + host + the fixed path of the version file (更新版本.txt).
std::string version_file_url(std::string_view download_host);

// "https://" + host + the fixed path of the release page.
std::string release_page_url(std::string_view release_host);

// The version name between the first "版本【" and the next "】" of a version
// file, read as GBK (or taken as it is when it is UTF-8 already); empty
// when there is none.
std::string latest_version_of(const Bytes& version_file);

// The check runs once per run, in three steps: begin (on the user-interface
// thread), fetch (anywhere; it may take long), finish (on the user-interface
// thread again).
//
// Marks the check as made; false when it was made already or an empty
// download host switches it off, and then nothing is to be fetched.
bool begin_update_check(std::string_view download_host, UpdateState& state);

// Fetches the version file with every fetch argument left out; a requested
// stop ends the exchange with nothing.
Bytes fetch_version_file(FetchTransport& transport, std::string_view download_host,
                         std::stop_token stop = {});

// Compares the version the file names with this one, exactly. Returns true,
// with the update flag set, when they differ; an unreachable file names no
// version and so differs too.
bool finish_update_check(const Bytes& version_file, UpdateState& state);

// The text of the update notice.
std::string update_message(const UpdateState& state);

}  // namespace qorvex::web
