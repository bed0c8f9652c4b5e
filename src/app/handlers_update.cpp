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

void on_first_activation(AppContext& context) {
    // The check blocks the user-interface thread until the version file has
    // come or the fetch has failed, as the program did from the start.
    if (web::update_check(context.services.fetch, context.services.deployment.download_host,
                          context.update)) {
        // Modal: the main window stays disabled while the notice exists.
        open_notice_window(context);
    }
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
