#pragma once

// A label that draws its plain-text caption the way the forms were laid out
// for: lines wrapped to the label's width, at any character when a word does
// not fit, and set one under the other at the font's pixel height. The fonts
// that stand in for the forms' small Song typeface leave more room between
// lines, which would push the last lines of a caption out of a label sized
// for it.

#include <QLabel>

namespace qorvex::runtime::qt {

class CaptionLabel : public QLabel {
public:
    explicit CaptionLabel(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace qorvex::runtime::qt
