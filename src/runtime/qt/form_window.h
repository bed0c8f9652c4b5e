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

    void set_client_size(int width, int height);
    // Centres the window on the primary screen for its present size.
    void centre();

    // Runs when the user closes the window; the window itself stays until the
    // handler destroys it.
    void on_close_request(std::function<void()> handler);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_resizable = false;
    bool m_closable = true;
    std::function<void()> m_close_request;
};

}  // namespace qorvex::runtime::qt
