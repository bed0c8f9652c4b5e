#include "qt/qt_driver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimerEvent>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>

#include "runtime/component_properties.h"
#include "runtime/designed_frame.h"
#include "runtime/form_validation.h"
#include "runtime/qt/multi_line_edit.h"
#include "runtime/qt/qt_text.h"
#include "runtime/qt/transparent_label.h"

namespace qorvex::test {

namespace {

using runtime::ComponentError;
using runtime::ComponentType;
using runtime::Property;
using runtime::qt::QtForm;

constexpr int kBoxWatchMs = 20;
constexpr int kActivationPatienceMs = 2000;

// One mouse action delivered through the platform window that holds
// `widget`, at `pos` in the widget's coordinates: Qt itself finds the
// receiver under the pointer, as for a real user.
void mouse(QTest::MouseAction action, QWidget& widget, QPoint pos,
           Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QWindow* window = widget.window()->windowHandle();
    if (window == nullptr) {
        return;
    }
    const QPoint at = window->mapFromGlobal(widget.mapToGlobal(pos));
    QTest::mouseEvent(action, window, Qt::LeftButton, keys, at);
}

Qt::KeyboardModifiers modifiers(int key_state) {
    Qt::KeyboardModifiers keys;
    keys.setFlag(Qt::ControlModifier, (key_state & runtime::kKeyCtrl) != 0);
    keys.setFlag(Qt::ShiftModifier, (key_state & runtime::kKeyShift) != 0);
    keys.setFlag(Qt::AltModifier, (key_state & runtime::kKeyAlt) != 0);
    return keys;
}

ComponentType type_of(QtForm& form, std::string_view name) {
    const runtime::ComponentDescription* found = runtime::find_component(form.description(), name);
    if (found == nullptr) {
        throw ComponentError(runtime::unknown_component_message(form.description().name, name));
    }
    return found->type;
}

void refuse(std::string_view name, std::string_view action) {
    throw ComponentError("component '" + std::string(name) + "' " + std::string(action));
}

// Qt gives the input focus only inside the active window, so the window is
// made active, as a user's click would, before the input. This is the
// platform's activation only: the program's first activation belongs to the
// runtime (run() or activate()).
void bring_forward(QtForm& form) {
    QWidget* window = form.window();
    if (window != nullptr && window->isEnabled() && !window->isActiveWindow()) {
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window, kActivationPatienceMs);
    }
}

class PressCounter : public QObject {
public:
    explicit PressCounter(QWidget& watched) : m_watched(&watched) {
        watched.installEventFilter(this);
    }
    ~PressCounter() override {
        if (m_watched != nullptr) {
            m_watched->removeEventFilter(this);
        }
    }
    PressCounter(const PressCounter&) = delete;
    PressCounter& operator=(const PressCounter&) = delete;

    int presses() const { return m_presses; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            ++m_presses;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_watched;
    int m_presses = 0;
};

}  // namespace

QtForm& qt_form(runtime::Form& form) {
    auto* window = dynamic_cast<QtForm*>(&form);
    if (window == nullptr) {
        throw ComponentError("the window was not made by the Qt runtime");
    }
    return *window;
}

QtDriver::QtDriver()
    : m_runtime(std::make_unique<runtime::qt::QtRuntime>(
          [this](std::string_view url) { m_opened_urls.emplace_back(url); })) {
    QObject::connect(&m_box_watch, &QTimer::timeout, [this]() { close_open_message_boxes(); });
    m_box_watch.start(kBoxWatchMs);
    QCoreApplication::instance()->installEventFilter(&m_show_watch);
}

bool QtDriver::ShowWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (auto* widget = qobject_cast<QWidget*>(watched);
            widget != nullptr && widget->isWindow()) {
            shown.emplace_back(QPointer<QObject>(widget), widget->size());
        }
    }
    return QObject::eventFilter(watched, event);
}

QtDriver::~QtDriver() {
    m_box_watch.stop();
    QCoreApplication::instance()->removeEventFilter(&m_show_watch);
    m_runtime.reset();
    // Destroyed windows are deleted from the event loop; let them go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtDriver::close_open_message_boxes() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        QAbstractButton* ok = box != nullptr ? box->button(QMessageBox::Ok) : nullptr;
        if (ok == nullptr || !box->isVisible()) {
            continue;
        }
        if (std::find(m_boxes_seen.begin(), m_boxes_seen.end(), box) == m_boxes_seen.end()) {
            m_boxes_seen.emplace_back(box);
            m_box_texts.push_back(runtime::qt::to_utf8(box->text()));
            m_box_captions.push_back(runtime::qt::to_utf8(box->windowTitle()));
        }
        mouse(QTest::MouseClick, *ok, ok->rect().center());
    }
}

bool QtDriver::click(runtime::Form& form, std::string_view name) {
    QtForm& window = qt_form(form);
    if (!window.exists()) {
        return false;
    }
    auto* button = qobject_cast<QAbstractButton*>(window.widget(name));
    if (button == nullptr) {
        refuse(name, "cannot be clicked");
    }
    bring_forward(window);
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    mouse(QTest::MouseClick, *button, button->rect().center());
    return clicks.count() > 0;
}

bool QtDriver::choose_item(runtime::Form& form, std::string_view name, int index) {
    QtForm& window = qt_form(form);
    if (!window.exists()) {
        return false;
    }
    runtime::require_property(name, type_of(window, name), Property::EditItems);
    auto* list = qobject_cast<QComboBox*>(window.widget(name));
    if (index < 0 || index >= list->count()) {
        refuse(name, "has no item " + std::to_string(index));
    }
    bring_forward(window);
    QSignalSpy chosen(list, &QComboBox::activated);
    mouse(QTest::MouseClick, *list, list->rect().center());
    QAbstractItemView* view = list->view();
    if (!view->isVisible()) {
        return false;  // the list did not open
    }
    const QModelIndex item = list->model()->index(index, list->modelColumn());
    view->scrollTo(item);
    mouse(QTest::MouseClick, *view->viewport(), view->visualRect(item).center());
    if (view->isVisible()) {
        QTest::keyClick(view->window()->windowHandle(), Qt::Key_Escape);
    }
    return chosen.count() > 0;
}

bool QtDriver::focus(runtime::Form& form, std::string_view name) {
    QtForm& window = qt_form(form);
    if (!window.exists()) {
        return false;
    }
    runtime::require_property(name, type_of(window, name), Property::Focus);
    QWidget* target = window.widget(name);
    bring_forward(window);
    if (auto* list = qobject_cast<QComboBox*>(target)) {
        // Opening the list takes the focus; Escape closes it without a choice.
        mouse(QTest::MouseClick, *list, list->rect().center());
        if (list->view()->isVisible()) {
            QTest::keyClick(list->view()->window()->windowHandle(), Qt::Key_Escape);
        }
    } else if (qobject_cast<QAbstractButton*>(target) != nullptr) {
        // Pressed, then released beside it: the focus without a click.
        mouse(QTest::MousePress, *target, target->rect().center());
        mouse(QTest::MouseRelease, *target, QPoint(-2, -2));
    } else if (qobject_cast<QAbstractItemView*>(target) != nullptr) {
        // A corner clear of the rows, so that no row gets selected.
        mouse(QTest::MouseClick, *target, QPoint(3, target->height() - 4));
    } else {
        mouse(QTest::MouseClick, *target, target->rect().center());
    }
    return target->hasFocus();
}

bool QtDriver::choose_row(runtime::Form& form, std::string_view name, int row) {
    QtForm& window = qt_form(form);
    if (!window.exists()) {
        return false;
    }
    auto* list = qobject_cast<QTreeWidget*>(window.widget(name));
    if (list == nullptr) {
        refuse(name, "is not a list view");
    }
    if (row < 0 || row >= list->topLevelItemCount()) {
        refuse(name, "has no row " + std::to_string(row));
    }
    bring_forward(window);
    QTreeWidgetItem* item = list->topLevelItem(row);
    list->scrollToItem(item);
    mouse(QTest::MouseClick, *list->viewport(), list->visualItemRect(item).center());
    return item->isSelected();
}

bool QtDriver::press_label(runtime::Form& form, std::string_view name, int x, int y,
                           int key_state) {
    QtForm& window = qt_form(form);
    if (!window.exists()) {
        return false;
    }
    auto* label = qobject_cast<runtime::qt::TransparentLabel*>(window.widget(name));
    if (label == nullptr) {
        refuse(name, "is not a transparent label and raises no button press");
    }
    bring_forward(window);
    PressCounter counter(*label);
    mouse(QTest::MousePress, *label, QPoint(x, y), modifiers(key_state));
    mouse(QTest::MouseRelease, *label, QPoint(x, y), modifiers(key_state));
    return counter.presses() > 0;
}

bool QtDriver::activate(runtime::Form& form) {
    QtForm& window = qt_form(form);
    if (!window.exists() || !window.window_enabled()) {
        return false;
    }
    window.activate();
    return QTest::qWaitForWindowActive(window.window(), kActivationPatienceMs);
}

bool QtDriver::close(runtime::Form& form) {
    QtForm& window = qt_form(form);
    if (!window.exists()) {
        return false;
    }
    // What the title bar's close button asks of the window.
    window.window()->close();
    return !window.exists();
}

bool QtDriver::tick(runtime::Form& form, std::string_view timer_name) {
    QtForm& window = qt_form(form);
    if (!window.exists()) {
        return false;
    }
    QTimer* timer = window.timer(timer_name);
    if (!timer->isActive()) {
        return false;
    }
    // The driver plays the clock: the timer sees one period elapse now.
    QTimerEvent elapsed(timer->timerId());
    QCoreApplication::sendEvent(timer, &elapsed);
    return true;
}

void QtDriver::process_events() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool QtDriver::wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor(done, static_cast<int>(timeout.count()));
}

std::optional<int> QtDriver::exit_code() const {
    return m_runtime->exit_code();
}

std::vector<runtime::WindowSize> QtDriver::shown_sizes(runtime::Form& form) {
    const QtForm& window = qt_form(form);
    std::vector<runtime::WindowSize> sizes;
    for (const auto& [widget, size] : m_show_watch.shown) {
        if (widget.data() == window.window()) {
            sizes.push_back(runtime::designed_outer_size(window.description().style, size.width(),
                                                         size.height()));
        }
    }
    return sizes;
}

std::optional<std::vector<std::string>> QtDriver::message_boxes() const {
    return m_box_texts;
}

std::optional<std::vector<std::string>> QtDriver::opened_urls() const {
    return m_opened_urls;
}

}  // namespace qorvex::test

namespace qorvex::test {

namespace {

runtime::qt::MultiLineEdit& box_of(runtime::Form& form, std::string_view name) {
    auto* box = qobject_cast<runtime::qt::MultiLineEdit*>(qt_form(form).widget(name));
    if (box == nullptr) {
        refuse(name, "is not a multi-line edit box");
    }
    return *box;
}

// Where the caret goes before the character at `offset`, in the viewport.
QPoint place_of(const runtime::qt::MultiLineEdit& box, std::size_t offset) {
    using Box = runtime::qt::MultiLineEdit;
    const auto position = static_cast<long>(offset);
    return {static_cast<int>(box.SendScintilla(Box::SCI_POINTXFROMPOSITION, 0UL, position)),
            static_cast<int>(box.SendScintilla(Box::SCI_POINTYFROMPOSITION, 0UL, position))};
}

// A point the box maps to the caret place before `offset`, even beside a narrow space.
QPoint point_of(const runtime::qt::MultiLineEdit& box, std::size_t offset) {
    const auto height =
        static_cast<int>(box.SendScintilla(runtime::qt::MultiLineEdit::SCI_TEXTHEIGHT, 0UL));
    return place_of(box, offset) + QPoint(0, height / 2);
}

void mouse_on(QTest::MouseAction action, QWidget& widget, QPoint pos, Qt::MouseButton button,
              Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QWindow* window = widget.window()->windowHandle();
    if (window != nullptr) {
        QTest::mouseEvent(action, window, button, keys,
                          window->mapFromGlobal(widget.mapToGlobal(pos)));
    }
}

// Right-clicks the box and hands the menu that opens to `use`.
template <typename Use>
void with_menu(runtime::qt::MultiLineEdit& box, Use use) {
    box.setFocus();
    mouse_on(QTest::MouseClick, *box.viewport(), box.viewport()->rect().center(), Qt::RightButton);
    QCoreApplication::processEvents();
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) {
        return;
    }
    use(*menu);
    if (menu->isVisible()) {
        QTest::keyClick(menu, Qt::Key_Escape);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

void QtDriver::click(runtime::Form& form, std::string_view name, std::size_t offset, bool shift) {
    runtime::qt::MultiLineEdit& box = box_of(form, name);
    bring_forward(qt_form(form));
    mouse_on(QTest::MouseClick, *box.viewport(), point_of(box, offset), Qt::LeftButton,
             shift ? Qt::ShiftModifier : Qt::NoModifier);
}

void QtDriver::double_click(runtime::Form& form, std::string_view name, std::size_t offset) {
    runtime::qt::MultiLineEdit& box = box_of(form, name);
    bring_forward(qt_form(form));
    mouse_on(QTest::MouseDClick, *box.viewport(), point_of(box, offset), Qt::LeftButton);
}

void QtDriver::press(runtime::Form& form, std::string_view name, Key key, int key_state) {
    runtime::qt::MultiLineEdit& box = box_of(form, name);
    bring_forward(qt_form(form));
    box.setFocus();
    constexpr std::pair<Key, Qt::Key> kKeys[] = {{Key::Left, Qt::Key_Left},
                                                 {Key::Right, Qt::Key_Right},
                                                 {Key::Home, Qt::Key_Home},
                                                 {Key::End, Qt::Key_End}};
    for (const auto& [driver_key, qt_key] : kKeys) {
        if (driver_key == key) {
            QTest::keyClick(&box, qt_key, modifiers(key_state));
        }
    }
}

void QtDriver::type(runtime::Form& form, std::string_view name, std::string_view text) {
    runtime::qt::MultiLineEdit& box = box_of(form, name);
    bring_forward(qt_form(form));
    box.setFocus();
    QTest::keyClicks(&box, runtime::qt::to_qstring(text));
}

std::vector<EditBoxInput::MenuEntry> QtDriver::menu(runtime::Form& form, std::string_view name) {
    std::vector<MenuEntry> entries;
    bring_forward(qt_form(form));
    with_menu(box_of(form, name), [&entries](QMenu& menu) {
        for (const QAction* action : menu.actions()) {
            if (!action->isSeparator()) {
                entries.push_back({runtime::qt::to_utf8(action->text()), action->isEnabled()});
            }
        }
    });
    return entries;
}

bool QtDriver::choose(runtime::Form& form, std::string_view name, std::string_view label) {
    bool chosen = false;
    bring_forward(qt_form(form));
    with_menu(box_of(form, name), [label, &chosen](QMenu& menu) {
        for (QAction* action : menu.actions()) {
            if (runtime::qt::to_utf8(action->text()) == label && action->isEnabled()) {
                QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(action).center());
                chosen = true;
            }
        }
    });
    return chosen;
}

EditBoxInput::Selection QtDriver::selection(runtime::Form& form, std::string_view name) {
    using Box = runtime::qt::MultiLineEdit;
    const Box& box = box_of(form, name);
    return {static_cast<std::size_t>(box.SendScintilla(Box::SCI_GETSELECTIONSTART)),
            static_cast<std::size_t>(box.SendScintilla(Box::SCI_GETSELECTIONEND))};
}

bool QtDriver::in_sight(runtime::Form& form, std::string_view name, std::size_t offset) {
    QCoreApplication::processEvents();
    runtime::qt::MultiLineEdit& box = box_of(form, name);
    const QPoint place = place_of(box, offset);
    const auto height =
        static_cast<int>(box.SendScintilla(runtime::qt::MultiLineEdit::SCI_TEXTHEIGHT, 0UL));
    const QRect shown = box.viewport()->rect();
    return shown.contains(place) && place.y() + height <= shown.bottom() + 1;
}

}  // namespace qorvex::test
