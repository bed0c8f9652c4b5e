#include <string_view>

#include "app/handlers.h"
#include "app/main_window.h"
#include "web/update_check.h"

namespace qorvex::app {
namespace {

constexpr std::string_view kNoticeLabel = "透明标签2";
constexpr std::string_view kConfirmButton = "长确定";

bool update_found(const AppContext& context) {
    return context.update.update_flag == web::kUpdateFound;
}

}  // namespace

// The version file is fetched on a worker, so that the window stays
// responsive and a close during the fetch ends the program at once instead of
// waiting for a slow download host; the comparison and the notice follow on
// the user-interface thread.
void on_first_activation(AppContext& context) {
    const std::string_view host = context.services.deployment.download_host;
    if (!web::begin_update_check(host, context.update)) {
        return;
    }
    web::FetchTransport& fetch = context.services.fetch;
    context.background.start([&context, &fetch, host, stop = context.background.stop_token()]() {
        web::Bytes version_file = web::fetch_version_file(fetch, host, stop);
        return [&context, version_file = std::move(version_file)]() {
            const bool main_open = context.main_window && context.main_window->exists();
            if (main_open && web::finish_update_check(version_file, context.update)) {
                // Modal: the main window stays disabled while the notice
                // exists. A message box the user has open (help text, network
                // test) is closed first, so that the notice never lies
                // beneath it.
                context.runtime.after_message_boxes([&context]() {
                    if (context.main_window && context.main_window->exists()) {
                        open_notice_window(context);
                    }
                });
            }
        };
    });
}

void on_notice_created(AppContext& context) {
    if (!update_found(context)) {
        return;
    }
    context.notice_window->set_visible(kConfirmButton, true);
    context.notice_window->set_text(kNoticeLabel, web::update_message(context.update));
}

void on_notice_confirm_clicked(AppContext& context) {
    if (update_found(context)) {
        context.runtime.open_url(web::release_page_url(context.services.deployment.release_host));
        if (context.main_window) {
            context.main_window->destroy();
        }
    }
    // The last window gone ends the program; with the main window left, the
    // runtime enables it again.
    context.notice_window->destroy();
}

}  // namespace qorvex::app
