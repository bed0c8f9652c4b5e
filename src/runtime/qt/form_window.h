#pragma once

// The top-level widget of a form: fixed client size, the frame the form's
// window style asks for, and the close request of the user handed to its
// QtForm.

#include <QWidget>
#include <functional>

#include "runtime/form_description.h"

namespace qorvex::runtime::qt {

class FormWindow : public QWidget {
    Q_OBJECT

public:
    FormWindow(const FormDescription& description, bool modal);

    // Window sizes in forms and in the runtime interface are outer sizes, frame
    // included, as the forms were designed on the desktop they come from; the
    // client area is what remains inside that frame.
    void set_outer_size(int width, int height);
    int outer_width() const;
    int outer_height() const;
    // Centres the window on the primary screen for its present size.
    void centre();

    // Runs when the user closes the window; the window itself stays until the
    // handler destroys it.
    void on_close_request(std::function<void()> handler);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const WindowStyle m_style;
    std::function<void()> m_close_request;
};

}  // namespace qorvex::runtime::qt
