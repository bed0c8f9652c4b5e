#pragma once

// A component object driven through its automation interface (IDispatch), by
// member name, as scripts drive VBScript.RegExp. COM must be initialised on
// the calling thread; the object belongs to that thread.

#include <windows.h>
// OLE automation types build on <windows.h>.
#include <oaidl.h>
#include <wrl/client.h>

#include <initializer_list>
#include <optional>
#include <string>

namespace qorvex::rx {

// A VARIANT that clears itself.
class Variant {
public:
    Variant() { VariantInit(&m_value); }
    ~Variant() { VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;

    static Variant of_bool(bool value);
    static Variant of_int(int value);
    // The text as a BSTR; it may hold any UTF-16, zero characters included.
    static Variant of_text(const std::wstring& text);

    VARIANT& get() { return m_value; }
    const VARIANT& get() const { return m_value; }
    bool is_empty() const { return m_value.vt == VT_EMPTY || m_value.vt == VT_NULL; }
    // The value converted to a number or text; nothing when it does not convert.
    std::optional<long> to_long() const;
    std::optional<std::wstring> to_text() const;
    // The object the value holds; nullptr for any other value.
    Microsoft::WRL::ComPtr<IDispatch> to_object() const;

private:
    VARIANT m_value;
};

class Automation {
public:
    explicit Automation(Microsoft::WRL::ComPtr<IDispatch> object) : m_object(std::move(object)) {}

    // An instance of the class registered under `prog_id`; nothing when
    // there is no such class or it cannot be made.
    static std::optional<Automation> create(const wchar_t* prog_id);

    bool put(const wchar_t* name, Variant value);
    std::optional<Variant> get(const wchar_t* name);
    // A method call, or an indexed property read such as Item(n).
    std::optional<Variant> call(const wchar_t* name, std::initializer_list<Variant*> arguments);

private:
    std::optional<DISPID> member(const wchar_t* name);
    std::optional<Variant> invoke(const wchar_t* name, WORD flags, DISPPARAMS& parameters);

    Microsoft::WRL::ComPtr<IDispatch> m_object;
};

}  // namespace qorvex::rx
