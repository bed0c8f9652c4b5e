#include "app/handlers.h"

namespace qorvex::app {
namespace {

// The window is designed at 1200 x 800; shrunk, it hides the debugging corner
// on the right and the scratch box at the bottom from the user.
constexpr int kShrunkWidth = 980;
constexpr int kShrunkHeight = 650;
constexpr const char* kCardList = "超级列表框1";
constexpr int kFirstCardRow = 0;

}  // namespace

void on_main_window_created(AppContext& context) {
    runtime::Form& window = *context.main_window;
    window.set_window_size(kShrunkWidth, kShrunkHeight);
    window.set_selection(kCardList, kFirstCardRow);
    on_province_selected(context);
}

}  // namespace qorvex::app
