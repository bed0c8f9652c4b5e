#include <string>
#include <string_view>

#include "app/application_page.h"
#include "app/handlers.h"
#include "region/region_codes.h"

namespace qorvex::app {
namespace {

constexpr std::string_view kHelpText =
    "1.打开申请Tavik官网\r\n"
    "2.选择扫描的对应号码归属地\r\n"
    "3.搜索手机号码后4位，不要搜全号码，搜索到就能申请\r\n"
    "4.若搜索不到，查询下此号码是否和选择号码归属地一致\r\n"
    "5.若一致则说明号码已经被别人抢先注册了\r\n"
    "6.若不一致反馈楼主号码归属地，这是省市代码录入错误的缘故，号码全国通用，申请对应归属地也可以";

constexpr std::string_view kCodeDisplayLabel = "标签2";
constexpr std::string_view kResultBoxPrefix = "编辑框";

}  // namespace

void on_help_clicked(AppContext& context) {
    context.runtime.message_box(kHelpText);
}

void on_code_display_clicked(AppContext& context) {
    const auto codes = context.region_codes.snapshot();
    context.main_window->set_text(kCodeDisplayLabel, region::code_display_caption(*codes));
}

void on_open_application_page_clicked(AppContext& context) {
    context.runtime.open_url(application_page_url(context.services.deployment.carrier_host));
}

void on_clear_label_pressed(AppContext& context, int column) {
    context.main_window->set_text(std::string(kResultBoxPrefix) + std::to_string(column), "");
}

}  // namespace qorvex::app
