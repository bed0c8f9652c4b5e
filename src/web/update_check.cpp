#include "web/update_check.h"

#include <utility>

#include "web/cookies_headers.h"
#include "web/gbk_text.h"
#include "web/wininet_fetch.h"

namespace qorvex::web {

namespace {

// The file name 更新版本.txt, percent-encoded in UTF-8.
constexpr std::string_view kVersionFilePath = "/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt";
constexpr std::string_view kReleasePagePath = "/thread-100001-1-1.html";
constexpr std::string_view kVersionBegin = "版本【";
constexpr std::string_view kVersionEnd = "】";

}  // namespace

std::string version_file_url(std::string_view download_host) {
    return "https://" + std::string(download_host) + std::string(kVersionFilePath);
}

std::string release_page_url(std::string_view release_host) {
    return "https://" + std::string(release_host) + std::string(kReleasePagePath);
}

std::string latest_version_of(const Bytes& version_file) {
    return text_between(utf8_of_gbk(text_of_bytes(version_file)), kVersionBegin, kVersionEnd);
}

bool begin_update_check(std::string_view download_host, UpdateState& state) {
    if (download_host.empty() || state.checked) {
        return false;
    }
    state.checked = true;
    return true;
}

Bytes fetch_version_file(FetchTransport& transport, std::string_view download_host,
                         std::stop_token stop) {
    return wininet_fetch(transport, version_file_url(download_host), std::move(stop));
}

bool finish_update_check(const Bytes& version_file, UpdateState& state) {
    state.current_version = kCurrentVersion;
    state.latest_version = latest_version_of(version_file);
    if (state.current_version == state.latest_version) {
        return false;
    }
    state.update_flag = kUpdateFound;
    return true;
}

std::string update_message(const UpdateState& state) {
    std::string message = "检测到新版本，到论坛下载新版本\r\n\r\n当前版本：";
    message += state.current_version;
    message += "\r\n\r\n最新版本：";
    message += state.latest_version;
    message +=
        "\r\n\r\n如果最新版本为空白则软件没网，查看网络防火墙是否允许软件联网，或建议使用VM虚拟机使"
        "用";
    return message;
}

}  // namespace qorvex::web
