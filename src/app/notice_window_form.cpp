#include "app/notice_window_form.h"

#include "app/confirm_button_pictures.h"
#include "app/form_fonts.h"

namespace qorvex::app {

runtime::FormDescription notice_window_form() {
    const ConfirmButtonPictures pictures = confirm_button_pictures();
    return {
        .name = "notice",
        .caption = "",
        .width = kNoticeWindowWidth,
        .height = kNoticeWindowHeight,
        .centred = true,
        .style = {.title_bar = false,
                  .minimize_box = false,
                  .maximize_box = false,
                  .resizable = false},
        .components =
            {
                {.name = "透明标签2",
                 .type = runtime::ComponentType::TransparentLabel,
                 .geometry = {10, 40, 360, 115},
                 .font = {.pixel_height = 14,
                          .face = kSongTypeface,
                          .charset = runtime::Charset::Ansi}},
                {.name = "长确定",
                 .type = runtime::ComponentType::PictureButton,
                 .geometry = {112, 184, 120, 30},
                 .visible = false,
                 .tab_stop = true,
                 .cursor = runtime::CursorShape::Hand,
                 .pictures = {pictures.normal, pictures.hover, pictures.pressed}},
            },
    };
}

}  // namespace qorvex::app
