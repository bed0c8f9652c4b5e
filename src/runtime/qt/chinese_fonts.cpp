#include "runtime/qt/chinese_fonts.h"

namespace qorvex::runtime::qt {

namespace {

constexpr int kStandardPixelHeight = 12;

}  // namespace

QStringList chinese_faces() {
    return {"SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC"};
}

QFont standard_font() {
    QFont font;
    font.setFamilies(chinese_faces());
    font.setPixelSize(kStandardPixelHeight);
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace qorvex::runtime::qt
