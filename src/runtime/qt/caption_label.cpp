#include "runtime/qt/caption_label.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace qorvex::runtime::qt {

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void CaptionLabel::paintEvent(QPaintEvent* /*event*/) {
    // The pixel size of the font as drawn, also for a font given in points.
    const int pixel_size = QFontInfo(font()).pixelSize();
    const qreal line_spacing = QFontMetricsF(font()).lineSpacing();
    const qreal line_height =
        pixel_size > 0 ? std::min<qreal>(pixel_size, line_spacing) : line_spacing;
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    QString caption = text();
    caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    qreal top = 0;
    for (const QString& paragraph : caption.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width());
            line.setPosition(QPointF(0, top));
            top += line_height;
        }
        layout.endLayout();
        layout.draw(&painter, QPointF(0, 0));
    }
}

}  // namespace qorvex::runtime::qt
